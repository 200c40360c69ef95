// Every key of "<program name>.cfg": reading them into the settings globals and writing them back.
#pragma once

#include <cstdint>

#include "settings/profile.h"

extern const char kSettingsSection[];  // "TarvoClock"

// Reads every key in the file's order into its global (its default when missing or unparsable),
// fills AlarmTable, and sets the derived state: AppCaption, HourCycle and the voice digits.
void ReadSettings(const ProfileAccess& profile);

// Writes the saved keys in their order. OldTime becomes `now` (seconds since 1970 UTC) and the
// voice digits go back into TimeSetting first. Every key is attempted; false if any write failed.
bool WriteSettings(const ProfileAccess& profile, int64_t now);

// Every setting and its derived state to the default, as if read from an empty file.
void ResetSettings();

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
