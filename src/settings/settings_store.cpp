// The settings keys in the file's order, with their defaults, held widths and written forms.
#include "settings/settings_store.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "settings/alarm_table.h"
#include "settings/ntp_servers.h"
#include "settings/settings.h"

const char kSettingsSection[] = "TarvoClock";

namespace {

constexpr char kDefaultAppTitle[] = "TarvoClock";
constexpr char kDefaultSkinPath[] = ".\\skin";
constexpr int kKeyNameCapacity = 32;

void CopyText(char* out, int capacity, const char* text) {
  snprintf(out, static_cast<size_t>(capacity), "%s", text);
}

// OldTime is kept as unsigned 32-bit seconds: a signed reading would turn every time after
// 2038-01-19 into 1901. Times before then read and write exactly as signed ones.
int64_t OldTimeFromText(const char* text) {
  int32_t number = 0;
  if (!ParseProfileInt(text, &number)) return 0;
  return static_cast<int64_t>(static_cast<uint32_t>(number));
}

// Positions of the three voice digits of a character in TimeSetting.
void VoicePositions(int chara, int positions[3]) {
  positions[0] = chara;
  positions[1] = 10 + 2 * chara;
  positions[2] = 11 + 2 * chara;
}

int DigitAt(int position) {
  if (position < 0 || position >= kPathCapacity - 1) return 0;
  size_t length = strnlen(TimeSetting, kPathCapacity);
  if (static_cast<size_t>(position) >= length) return 0;
  char c = TimeSetting[position];
  return c >= '0' && c <= '9' ? c - '0' : 0;
}

void StoreDigit(int position, int value) {
  // The last byte of the buffer is the terminator's.
  if (position < 0 || position >= kPathCapacity - 1) return;
  size_t length = strnlen(TimeSetting, kPathCapacity - 1);
  while (length < static_cast<size_t>(position)) TimeSetting[length++] = '0';
  if (length == static_cast<size_t>(position)) TimeSetting[position + 1] = '\0';
  TimeSetting[position] = static_cast<char>('0' + (value >= 0 && value <= 9 ? value : 0));
}

void ReadSettingValue(const ProfileAccess& profile, const SettingKey& key, const char* name,
                      void* value) {
  if (key.kind == SettingKind::kText) {
    ReadProfileText(profile, kSettingsSection, name, key.textDefault, static_cast<char*>(value),
                    key.capacity);
    return;
  }
  if (key.kind == SettingKind::kOldTime) {
    char text[kOldTimeCapacity];
    ReadProfileText(profile, kSettingsSection, name, "0", text, sizeof text);
    *static_cast<int64_t*>(value) = OldTimeFromText(text);
    return;
  }
  const int32_t number = ReadProfileInt(profile, kSettingsSection, name, key.numberDefault);
  switch (key.kind) {
    case SettingKind::kInt:
      *static_cast<int*>(value) = number;
      break;
    case SettingKind::kSigned8:
      *static_cast<int8_t*>(value) = static_cast<int8_t>(static_cast<uint8_t>(number & 0xFF));
      break;
    case SettingKind::kUnsigned8:
      *static_cast<uint8_t*>(value) = static_cast<uint8_t>(number & 0xFF);
      break;
    case SettingKind::kUnsigned16:
      *static_cast<uint16_t*>(value) = static_cast<uint16_t>(number & 0xFFFF);
      break;
    case SettingKind::kFlag:
      *static_cast<bool*>(value) = number != 0;
      break;
    case SettingKind::kVolume:
      *static_cast<float*>(value) = VolumeFromSetting(number);
      break;
    default:
      break;
  }
}

bool WriteSettingValue(const ProfileAccess& profile, const SettingKey& key, const char* name,
                       const void* value) {
  const char* section = kSettingsSection;
  switch (key.kind) {
    case SettingKind::kInt:
      return WriteProfileInt(profile, section, name, *static_cast<const int*>(value));
    case SettingKind::kSigned8:
      return WriteProfileInt(profile, section, name, *static_cast<const int8_t*>(value));
    case SettingKind::kUnsigned8:
      return WriteProfileUnsigned(profile, section, name, *static_cast<const uint8_t*>(value));
    case SettingKind::kUnsigned16:
      return WriteProfileUnsigned(profile, section, name, *static_cast<const uint16_t*>(value));
    case SettingKind::kFlag:
      return WriteProfileText(profile, section, name, *static_cast<const bool*>(value) ? "1" : "0");
    case SettingKind::kText:
      return WriteProfileText(profile, section, name, static_cast<const char*>(value));
    case SettingKind::kVolume:
      return WriteProfileUnsigned(profile, section, name,
                                  VolumeToSetting(*static_cast<const float*>(value)));
    case SettingKind::kOldTime:
      return WriteProfileUnsigned(
          profile, section, name,
          static_cast<uint32_t>(static_cast<uint64_t>(*static_cast<const int64_t*>(value)) & 0xFFFFFFFFu));
  }
  return false;
}

int ReadEmpty(void*, const char*, const char*, const char* fallback, char* out, int capacity) {
  if (capacity <= 0) return 0;
  CopyText(out, capacity, fallback);
  return static_cast<int>(strlen(out));
}

bool WriteNothing(void*, const char*, const char*, const char*) { return false; }

}  // namespace

using K = SettingKind;

// Per-alarm keys point at the field of the first alarm; SettingValue steps to the others.
#define ALARM_FIELD(field) static_cast<void*>(&AlarmTable[0].field)

const SettingKey kSettingKeys[] = {
    // name, kind, value, capacity, number default, text default, save order, per alarm
    {"AppTitle", K::kText, AppTitle, kTitleCapacity, 0, kDefaultAppTitle, 0, false},
    {"WinFlame", K::kInt, &WinFlame, 0, 1, nullptr, 0, false},
    {"ShowWin", K::kInt, &ShowWin, 0, 0, nullptr, 0, false},
    {"LEFT", K::kInt, &LEFT, 0, 320, nullptr, 5, false},
    {"TOP", K::kInt, &TOP, 0, 240, nullptr, 6, false},
    {"Zadd", K::kSigned8, &Zadd, 0, 0, nullptr, 7, false},
    {"CHARA", K::kSigned8, &CHARA, 0, 0, nullptr, 3, false},
    {"BRAND", K::kSigned8, &BRAND, 0, 0, nullptr, 4, false},
    {"ALPHA", K::kUnsigned8, &ALPHA, 0, 255, nullptr, 2, false},
    {"AlphaUse", K::kSigned8, &AlphaUse, 0, 0, nullptr, 1, false},
    {"Clock24", K::kSigned8, &Clock24, 0, 0, nullptr, 18, false},
    {"Clock12", K::kSigned8, &Clock12, 0, 1, nullptr, 19, false},
    {"SndDLEFT", K::kInt, &SndDLEFT, 0, -1, nullptr, 8, false},
    {"SndDTOP", K::kInt, &SndDTOP, 0, -1, nullptr, 9, false},
    {"SndLLEFT", K::kInt, &SndLLEFT, 0, -1, nullptr, 10, false},
    {"SndLTOP", K::kInt, &SndLTOP, 0, -1, nullptr, 11, false},
    {"MasterVol", K::kVolume, &MasterVol, 0, 10000, nullptr, 12, false},
    {"RepFlag", K::kFlag, &RepFlag, 0, 0, nullptr, 13, false},
    {"SPFlag", K::kFlag, &SPFlag, 0, 0, nullptr, 14, false},
    {"ShuffFlag", K::kFlag, &ShuffFlag, 0, 0, nullptr, 15, false},
    {"AlarmFlag", K::kSigned8, &AlarmFlag, 0, 0, nullptr, 16, false},
    {"AlarmNo", K::kSigned8, ALARM_FIELD(AlarmNo), 0, 0, nullptr, 17, true},
    {"AlarmWave", K::kSigned8, ALARM_FIELD(AlarmWave), 0, 0, nullptr, 17, true},
    {"AlarmHour", K::kUnsigned16, ALARM_FIELD(AlarmHour), 0, 0, nullptr, 17, true},
    {"AlarmMinite", K::kUnsigned16, ALARM_FIELD(AlarmMinite), 0, 0, nullptr, 17, true},
    {"AlarmName", K::kText, ALARM_FIELD(AlarmName), kAlarmNameCapacity, 0, "se09", 17, true},
    {"resemble", K::kSigned8, &resemble, 0, 1, nullptr, 24, false},
    {"TimeSignal", K::kSigned8, &TimeSignal, 0, 1, nullptr, 22, false},
    {"BootSignal", K::kSigned8, &BootSignal, 0, 1, nullptr, 23, false},
    // Three digits for each of the characters 0-9, plus one spare position.
    {"TimeSetting", K::kText, TimeSetting, kPathCapacity, 0,
     "000000000000000000000000000000000000000", 34, false},
    {"TimeServer", K::kText, TimeServer, kPathCapacity, 0, NtpServerList[0], 21, false},
    {"SntpUse", K::kSigned8, &SntpUse, 0, 0, nullptr, 20, false},
    {"URL", K::kText, URL, kPathCapacity, 0, "http://www.tarvoclock.example/", 0, false},
    {"FeedServer", K::kText, FeedServer, kPathCapacity, 0, "feeds.tarvoclock.example", 0, false},
    {"OldTime", K::kOldTime, &OldTime, 0, 0, nullptr, 25, false},
    {"FullScreenFlag", K::kSigned8, &FullScreenFlag, 0, 0, nullptr, 36, false},
    {"MoviePosX", K::kInt, &MoviePosX, 0, 0, nullptr, 37, false},
    {"MoviePosY", K::kInt, &MoviePosY, 0, 0, nullptr, 38, false},
    {"ViewBrand", K::kUnsigned8, &ViewBrand, 0, 15, nullptr, 26, false},
    {"NewDays", K::kInt, &NewDays, 0, 7, nullptr, 27, false},
    {"NewFlag", K::kInt, &NewFlag, 0, 3, nullptr, 28, false},
    {"ClickMode", K::kSigned8, &ClickMode, 0, 0, nullptr, 29, false},
    {"CheckTime", K::kSigned8, &CheckTime, 0, 24, nullptr, 30, false},
    {"RssScrollTime", K::kInt, &RssScrollTime, 0, 40, nullptr, 31, false},
    {"FitFlag", K::kFlag, &FitFlag, 0, 0, nullptr, 32, false},
    {"ListName", K::kText, ListName, kPathCapacity, 0, "", 33, false},
    {"SkinPath", K::kText, SkinPath, kPathCapacity, 0, kDefaultSkinPath, 35, false},
};

#undef ALARM_FIELD

const int kSettingKeyCount = static_cast<int>(sizeof kSettingKeys / sizeof kSettingKeys[0]);

void* SettingValue(const SettingKey& key, int alarm) {
  if (!key.perAlarm) return key.value;
  const int index = alarm >= 1 && alarm <= kAlarmCount ? alarm - 1 : 0;
  return static_cast<char*>(key.value) + static_cast<size_t>(index) * sizeof(AlarmRecord);
}

void SettingKeyName(const SettingKey& key, int alarm, char* out) {
  if (key.perAlarm) {
    snprintf(out, kKeyNameCapacity, "%s%02d", key.name, alarm);
  } else {
    snprintf(out, kKeyNameCapacity, "%s", key.name);
  }
}

float VolumeFromSetting(int32_t number) {
  return static_cast<float>(static_cast<uint32_t>(number) / 10000.0);
}

uint32_t VolumeToSetting(float volume) {
  double scaled = static_cast<double>(volume) * 10000.0 + 0.5;
  // The negated test also catches NaN.
  if (!(scaled >= 0.0)) return 0;
  if (scaled >= 4294967295.0) return 0xFFFFFFFFu;
  return static_cast<uint32_t>(scaled);
}

void LoadVoiceDigits(int chara) {
  int positions[3];
  VoicePositions(chara, positions);
  SignalVoice = DigitAt(positions[0]);
  BootVoice = DigitAt(positions[1]);
  SpareVoice = DigitAt(positions[2]);
}

void StoreVoiceDigits(int chara) {
  int positions[3];
  VoicePositions(chara, positions);
  StoreDigit(positions[0], SignalVoice);
  StoreDigit(positions[1], BootVoice);
  StoreDigit(positions[2], SpareVoice);
}

void ReadSettings(const ProfileAccess& profile) {
  char key[kKeyNameCapacity];
  // Per-alarm keys come as one group: the whole group for alarm 1, then for alarm 2, and so on.
  for (int i = 0; i < kSettingKeyCount;) {
    int groupEnd = i + 1;
    if (kSettingKeys[i].perAlarm) {
      while (groupEnd < kSettingKeyCount && kSettingKeys[groupEnd].perAlarm) ++groupEnd;
      for (int n = 1; n <= kAlarmCount; ++n) {
        for (int k = i; k < groupEnd; ++k) {
          SettingKeyName(kSettingKeys[k], n, key);
          ReadSettingValue(profile, kSettingKeys[k], key, SettingValue(kSettingKeys[k], n));
        }
      }
    } else {
      ReadSettingValue(profile, kSettingKeys[i], kSettingKeys[i].name,
                       SettingValue(kSettingKeys[i], 0));
    }
    i = groupEnd;
  }
  // The title names the window class; with an empty one the program could not start at all.
  if (AppTitle[0] == '\0') CopyText(AppTitle, kTitleCapacity, kDefaultAppTitle);
  CopyText(AppCaption, kTitleCapacity, AppTitle);
  HourCycle = Clock24 != 0 ? 24 : 12;
  LastFeedUpdate = OldTime;
  LoadVoiceDigits(CHARA);
  if (SkinPath[0] == '\0') CopyText(SkinPath, kPathCapacity, kDefaultSkinPath);
}

bool WriteSettings(const ProfileAccess& profile, int64_t now) {
  OldTime = now;
  StoreVoiceDigits(CHARA);
  bool ok = true;
  char key[kKeyNameCapacity];
  for (int order = 1; order <= kSettingKeyCount; ++order) {
    const SettingKey* found = nullptr;
    int groupStart = 0;
    for (int i = 0; i < kSettingKeyCount && found == nullptr; ++i) {
      if (kSettingKeys[i].saveOrder == order) {
        found = &kSettingKeys[i];
        groupStart = i;
      }
    }
    if (found == nullptr) continue;
    if (!found->perAlarm) {
      ok = WriteSettingValue(profile, *found, found->name, SettingValue(*found, 0)) && ok;
      continue;
    }
    // A per-alarm group is written whole at its place (the first of its keys is found first).
    int groupEnd = groupStart;
    while (groupEnd < kSettingKeyCount && kSettingKeys[groupEnd].perAlarm) ++groupEnd;
    for (int n = 1; n <= kAlarmCount; ++n) {
      for (int k = groupStart; k < groupEnd; ++k) {
        SettingKeyName(kSettingKeys[k], n, key);
        ok = WriteSettingValue(profile, kSettingKeys[k], key, SettingValue(kSettingKeys[k], n)) && ok;
      }
    }
  }
  return ok;
}

void ResetSettings() {
  const ProfileAccess empty = {nullptr, ReadEmpty, WriteNothing};
  ReadSettings(empty);
}

void LoadDefaultSettingsOnce() {
  static bool loaded = false;
  if (loaded) return;
  loaded = true;
  ResetSettings();
}
