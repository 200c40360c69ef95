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
constexpr char kDefaultTimeSetting[] = "000000000000000000000000000000000000000";
constexpr int kAlarmSaveOrder = 17;
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

// Per-alarm fields are plain members of AlarmTable (guarded by its own lock); every other
// number is an atomic global.
template <typename T>
void StoreNumber(const SettingKey& key, void* value, T number) {
  if (key.perAlarm) {
    *static_cast<T*>(value) = number;
  } else {
    static_cast<std::atomic<T>*>(value)->store(number);
  }
}

template <typename T>
T LoadNumber(const SettingKey& key, const void* value) {
  if (key.perAlarm) return *static_cast<const T*>(value);
  return static_cast<const std::atomic<T>*>(value)->load();
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
    StoreNumber<int64_t>(key, value, OldTimeFromText(text));
    return;
  }
  const int32_t number = ReadProfileInt(profile, kSettingsSection, name, key.numberDefault);
  switch (key.kind) {
    case SettingKind::kInt:
      StoreNumber<int>(key, value, number);
      break;
    case SettingKind::kSigned8:
      StoreNumber<int8_t>(key, value, static_cast<int8_t>(static_cast<uint8_t>(number & 0xFF)));
      break;
    case SettingKind::kUnsigned8:
      StoreNumber<uint8_t>(key, value, static_cast<uint8_t>(number & 0xFF));
      break;
    case SettingKind::kUnsigned16:
      StoreNumber<uint16_t>(key, value, static_cast<uint16_t>(number & 0xFFFF));
      break;
    case SettingKind::kFlag:
      StoreNumber<bool>(key, value, number != 0);
      break;
    case SettingKind::kVolume:
      StoreNumber<float>(key, value, VolumeFromSetting(number));
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
      return WriteProfileInt(profile, section, name, LoadNumber<int>(key, value));
    case SettingKind::kSigned8:
      return WriteProfileInt(profile, section, name, LoadNumber<int8_t>(key, value));
    case SettingKind::kUnsigned8:
      return WriteProfileUnsigned(profile, section, name, LoadNumber<uint8_t>(key, value));
    case SettingKind::kUnsigned16:
      return WriteProfileUnsigned(profile, section, name, LoadNumber<uint16_t>(key, value));
    case SettingKind::kFlag:
      return WriteProfileText(profile, section, name, LoadNumber<bool>(key, value) ? "1" : "0");
    case SettingKind::kText:
      return WriteProfileText(profile, section, name, static_cast<const char*>(value));
    case SettingKind::kVolume:
      return WriteProfileUnsigned(profile, section, name,
                                  VolumeToSetting(LoadNumber<float>(key, value)));
    case SettingKind::kOldTime:
      return WriteProfileUnsigned(
          profile, section, name,
          static_cast<uint32_t>(static_cast<uint64_t>(LoadNumber<int64_t>(key, value)) & 0xFFFFFFFFu));
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

// The rows of the one settings list, in its order: the file's reading order.
#define TARVO_TEXT_ROW(name, capacity, textDefault, saveOrder) \
  {#name, SettingKind::kText, name, capacity, 0, textDefault, saveOrder, false},
#define TARVO_NUMBER_ROW(name, kind, numberDefault, saveOrder) \
  {#name, SettingKind::kind, &name, 0, numberDefault, nullptr, saveOrder, false},
// Per-alarm keys point at the field of the first alarm; SettingValue steps to the others. All
// of them are written together at one place.
#define TARVO_ALARM_ROW(field, kind, numberDefault, textDefault, capacity)                   \
  {#field, SettingKind::kind, static_cast<void*>(&AlarmTable[0].field), capacity, numberDefault, \
   textDefault, kAlarmSaveOrder, true},

const SettingKey kSettingKeys[] = {
    TARVO_SETTINGS(TARVO_TEXT_ROW, TARVO_NUMBER_ROW, TARVO_ALARM_ROW)};

#undef TARVO_TEXT_ROW
#undef TARVO_NUMBER_ROW
#undef TARVO_ALARM_ROW

const int kSettingKeyCount = static_cast<int>(sizeof kSettingKeys / sizeof kSettingKeys[0]);

void* SettingValue(const SettingKey& key, int alarm) {
  if (!key.perAlarm) return key.value;
  const int index = alarm >= 1 && alarm <= kAlarmCount ? alarm - 1 : 0;
  return static_cast<char*>(key.value) + static_cast<size_t>(index) * sizeof(AlarmRecord);
}

double SettingNumberValue(const SettingKey& key, int alarm) {
  const void* value = SettingValue(key, alarm);
  switch (key.kind) {
    case SettingKind::kInt: return LoadNumber<int>(key, value);
    case SettingKind::kSigned8: return LoadNumber<int8_t>(key, value);
    case SettingKind::kUnsigned8: return LoadNumber<uint8_t>(key, value);
    case SettingKind::kUnsigned16: return LoadNumber<uint16_t>(key, value);
    case SettingKind::kFlag: return LoadNumber<bool>(key, value) ? 1 : 0;
    case SettingKind::kVolume: return LoadNumber<float>(key, value);
    case SettingKind::kOldTime: return static_cast<double>(LoadNumber<int64_t>(key, value));
    case SettingKind::kText: return 0;
  }
  return 0;
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
  LastFeedUpdate = OldTime.load();
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
