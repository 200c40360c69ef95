// Settings files of any content: every buffer stays bounded and terminated, the derived state
// consistent, the numbers and voice digits survive a save into the same file and a reload, and
// every skin's stored voice reads as digits and takes a new voice.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "../shared/memory_profile.h"
#include "settings/alarm_table.h"
#include "settings/settings.h"
#include "settings/settings_store.h"
#include "settings/skin_voice.h"

namespace {

void Check(bool condition) {
  if (!condition) abort();
}

void CheckText(const char* text, size_t capacity) { Check(strnlen(text, capacity) < capacity); }

// The numbers of every key from the settings table and the derived ones, as raw bytes: a
// comparison as exact as the text snapshot's, at a fraction of its cost per input.
const std::string& Numbers() {
  static std::string out;
  out.clear();
  for (int i = 0; i < kSettingKeyCount; ++i) {
    const SettingKey& key = kSettingKeys[i];
    for (int alarm = 1; alarm <= (key.perAlarm ? kAlarmCount : 1); ++alarm) {
      // Texts are checked apart, and OldTime is set to the exit time by the save.
      if (key.kind == SettingKind::kText || key.kind == SettingKind::kOldTime) continue;
      const double number = SettingNumberValue(key, alarm);
      out.append(reinterpret_cast<const char*>(&number), sizeof number);
    }
  }
  for (int derived : {static_cast<int>(HourCycle), SignalVoice.load(), BootVoice.load(), SpareVoice.load()}) {
    out.append(reinterpret_cast<const char*>(&derived), sizeof derived);
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  MemoryProfile file(reinterpret_cast<const char*>(data), size);
  ResetSettings();
  ReadSettings(file.Access());

  CheckText(AppTitle, kTitleCapacity);
  Check(AppTitle[0] != '\0' && strcmp(AppTitle, AppCaption) == 0);
  for (const char* text : {URL, FeedServer, TimeSetting, VoiceSet1, VoiceSet2, VoiceSet3, TimeServer,
                           ListName, SkinPath}) {
    CheckText(text, kPathCapacity);
  }
  for (const AlarmRecord& alarm : AlarmTable) CheckText(alarm.AlarmName, kAlarmNameCapacity);
  Check(SkinPath[0] != '\0');
  Check(HourCycle == (Clock24 != 0 ? 24 : 12));
  for (int digit : {SignalVoice.load(), BootVoice.load(), SpareVoice.load()}) Check(digit >= 0 && digit <= 9);
  Check(OldTime >= 0 && OldTime <= 0xFFFFFFFFll && LastFeedUpdate == OldTime);

  const std::string before = Numbers();
  Check(WriteSettings(file.Access(), 1234));
  Check(OldTime == 1234);
  ResetSettings();
  ReadSettings(file.Access());
  Check(Numbers() == before);
  Check(OldTime == 1234);

  for (int brand = 0; brand < kVoicedBrandCount; ++brand) {
    for (int chara = 0; chara < 32; ++chara) {
      SkinVoice voice = {-1, -1};
      Check(StoredSkinVoice(brand, chara, &voice));
      Check(voice.hour >= 0 && voice.hour <= 9 && voice.greeting >= 0 && voice.greeting <= 9);
    }
  }
  const int brand = static_cast<int>(size % kVoicedBrandCount);
  const int chara = static_cast<int>(size % 32);
  Check(StoreSkinVoice(brand, chara, {1, 3}));
  SkinVoice stored = {-1, -1};
  Check(StoredSkinVoice(brand, chara, &stored) && stored.hour == 1 && stored.greeting == 3);
  for (const char* text : {TimeSetting, VoiceSet1, VoiceSet2, VoiceSet3}) CheckText(text, kPathCapacity);
  return 0;
}
