// Every key of "<program name>.cfg": reading them into the settings globals and writing them back.
#pragma once

#include <cstdint>

#include "settings/profile.h"
#include "settings/settings.h"

extern const char kSettingsSection[];  // "TarvoClock"

// One key of the settings file. The table lists every key once, in the order the file is read.
struct SettingKey {
  const char* name;  // per-alarm keys get the alarm's number as two digits: "AlarmNo01"
  SettingKind kind;
  void* value;       // the global (a std::atomic of the kind's type, or a char array for a
                     // text); for per-alarm keys the plain field in AlarmTable[0]
  int capacity;      // bytes of a text value
  int32_t numberDefault;
  const char* textDefault;
  int saveOrder;     // its place among the written keys (1 first); 0 for keys never written
  bool perAlarm;     // one key for each of the eight alarms; consecutive ones form a group
                     // read and written alarm by alarm
};

extern const SettingKey kSettingKeys[];
extern const int kSettingKeyCount;

// The variable behind `key` for alarm `alarm` (1-8; ignored for keys that are not per-alarm).
void* SettingValue(const SettingKey& key, int alarm);
// The number held by a key that is not a text, as a double (exact for every kind).
double SettingNumberValue(const SettingKey& key, int alarm);
// The key's name for alarm `alarm` into out[32].
void SettingKeyName(const SettingKey& key, int alarm, char* out);

// Reads every key in the file's order into its global (its default when missing or unparsable),
// fills AlarmTable, and sets the derived state: AppCaption, HourCycle and the voice digits.
void ReadSettings(const ProfileAccess& profile);

// Writes the saved keys in their order. OldTime becomes `now` (seconds since 1970 UTC) and the
// voice digits go back into TimeSetting first. Every key is attempted; false if any write failed.
bool WriteSettings(const ProfileAccess& profile, int64_t now);

// Every setting and its derived state to the default, as if read from an empty file.
void ResetSettings();

// ResetSettings the first time it is called, nothing after that. The globals get their defaults
// this way before main; anything that reads them during static initialisation calls it first.
void LoadDefaultSettingsOnce();

// The MasterVol key's number and the held volume. The number is taken as unsigned 32-bit. The
// volume is written rounded to the nearest unit, so that a value read from the file is written
// back unchanged (plain truncation loses a unit on about half of them and the volume creeps down
// by one at every exit); out-of-range volumes are clamped to the number's range.
float VolumeFromSetting(int32_t number);
uint32_t VolumeToSetting(float volume);

// The voice digits of character `chara` in TimeSetting: SignalVoice at position chara, BootVoice
// at 10 + 2 * chara, SpareVoice at 11 + 2 * chara. A position past the text, outside the buffer or
// holding a non-digit reads as 0.
void LoadVoiceDigits(int chara);
// Stores the three digits at the positions of `chara`, first extending a shorter TimeSetting with
// "0" digits. A position outside the buffer is skipped; a value outside 0-9 is stored as 0.
void StoreVoiceDigits(int chara);
