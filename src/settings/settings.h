// Settings-backed process-wide state, one global per key of "<program name>.cfg".
#pragma once

#include <atomic>
#include <cstdint>

#include "settings/settings_list.h"

constexpr int kPathCapacity = 260;
constexpr int kTitleCapacity = 80;
constexpr int kOldTimeCapacity = 20;

// How a key's value is held in its global and written to the file.
enum class SettingKind : uint8_t {
  kInt,         // int, written signed
  kSigned8,     // int8_t: the low 8 bits of the number read, written signed
  kUnsigned8,   // uint8_t: the low 8 bits, written unsigned
  kUnsigned16,  // uint16_t: the low 16 bits, written unsigned
  kFlag,        // bool: any number but 0 is true; written "1" or "0"
  kText,        // char[capacity]
  kVolume,      // float: the number / 10000, written rounded (VolumeToSetting)
  kOldTime,     // int64_t seconds since 1970 UTC, held and written as unsigned 32-bit
};

// The type a numeric kind is held in.
template <SettingKind kind> struct SettingTypeOf;
template <> struct SettingTypeOf<SettingKind::kInt> { using Type = int; };
template <> struct SettingTypeOf<SettingKind::kSigned8> { using Type = int8_t; };
template <> struct SettingTypeOf<SettingKind::kUnsigned8> { using Type = uint8_t; };
template <> struct SettingTypeOf<SettingKind::kUnsigned16> { using Type = uint16_t; };
template <> struct SettingTypeOf<SettingKind::kFlag> { using Type = bool; };
template <> struct SettingTypeOf<SettingKind::kVolume> { using Type = float; };
template <> struct SettingTypeOf<SettingKind::kOldTime> { using Type = int64_t; };

#define TARVO_DECLARE_TEXT(name, capacity, textDefault, saveOrder) extern char name[capacity];
#define TARVO_DECLARE_NUMBER(name, kind, numberDefault, saveOrder) \
  extern std::atomic<SettingTypeOf<SettingKind::kind>::Type> name;
#define TARVO_DECLARE_NOTHING(...)
TARVO_SETTINGS(TARVO_DECLARE_TEXT, TARVO_DECLARE_NUMBER, TARVO_DECLARE_NOTHING)
#undef TARVO_DECLARE_TEXT
#undef TARVO_DECLARE_NUMBER
#undef TARVO_DECLARE_NOTHING

// State derived from the keys when they are read; shared between threads like the keys.
extern char AppCaption[kTitleCapacity];
extern std::atomic<uint8_t> HourCycle;
extern std::atomic<int64_t> LastFeedUpdate;  // the time of the last announced feed update

// Voice digits of the current character, taken from and stored back into TimeSetting.
extern std::atomic<int> SignalVoice;
extern std::atomic<int> BootVoice;
extern std::atomic<int> SpareVoice;

// "<program name>.cfg" in DataFolder, and the program's folder without a trailing backslash (a
// drive root keeps its own: "C:\").
extern char SettingsPath[kPathCapacity];
extern char ExeFolder[kPathCapacity];
// Where the settings file, the default play list and a relative skin folder live: the program's
// folder, or "%APPDATA%\TarvoClock" when the program's folder cannot be written to. Written
// the same way as ExeFolder; the current directory while the program runs.
extern char DataFolder[kPathCapacity];
