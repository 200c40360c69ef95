// Settings files of any content: every buffer stays bounded and terminated, the derived state
// consistent, and the numbers and voice digits survive a save into the same file and a reload.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "../shared/memory_profile.h"
#include "../shared/settings_snapshot.h"
#include "settings/alarm_table.h"
#include "settings/settings.h"
#include "settings/settings_store.h"

namespace {

void Check(bool condition) {
  if (!condition) abort();
}

void CheckText(const char* text, size_t capacity) { Check(strnlen(text, capacity) < capacity); }

// The numbers, minus the exit time that the save sets.
std::string Numbers() {
  return WithoutLines(DescribeSettings(false), {"OldTime", "LastFeedUpdate"});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  MemoryProfile file(reinterpret_cast<const char*>(data), size);
  ResetSettings();
  ReadSettings(file.Access());

  CheckText(AppTitle, kTitleCapacity);
  Check(AppTitle[0] != '\0' && strcmp(AppTitle, AppCaption) == 0);
  for (const char* text : {URL, FeedServer, TimeSetting, TimeServer, ListName, SkinPath}) {
    CheckText(text, kPathCapacity);
  }
  for (const AlarmRecord& alarm : AlarmTable) CheckText(alarm.AlarmName, kAlarmNameCapacity);
  Check(SkinPath[0] != '\0');
  Check(HourCycle == (Clock24 != 0 ? 24 : 12));
  for (int digit : {SignalVoice, BootVoice, SpareVoice}) Check(digit >= 0 && digit <= 9);
  Check(OldTime >= 0 && OldTime <= 0xFFFFFFFFll && LastFeedUpdate == OldTime);

  const std::string before = Numbers();
  Check(WriteSettings(file.Access(), 1234));
  Check(OldTime == 1234);
  ResetSettings();
  ReadSettings(file.Access());
  Check(Numbers() == before);
  Check(OldTime == 1234);
  return 0;
}
