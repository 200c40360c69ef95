// Loading and saving "<program name>.cfg" beside the program, with the default play list that
// goes with it (so this sits above both the settings and the player).
#pragma once

#include <cstdint>

#include "base/warning_win32.h"

// LoadSettingsFor the running program's own path, warnings as message boxes. Always 1.
int LoadSettings();

// SaveSettingsAt the current time.
bool SaveSettings(WarningSink warn);

// Reads every key of the settings file that belongs to the program at `programPath` (defaults
// for what is missing), makes the program's folder the current directory, loads the default
// play list and creates the skin folder (a failure goes to `warn`).
// Returns false when no settings file can be named for that path; the settings are then the
// defaults and nothing else is done.
bool LoadSettingsFor(const char* programPath, WarningSink warn);

// Writes the saved keys to SettingsPath, with `now` (seconds since 1970 UTC) as OldTime and
// ClockWindow's place, when it exists, as LEFT and TOP; then saves the default play list. Each
// file is replaced whole or left byte for byte as it was (a full disk, a read-only file or
// folder, a file held by another program). Returns false if either could not be saved, after
// one warning to `warn` (when given) that says which and why.
bool SaveSettingsAt(int64_t now, WarningSink warn = nullptr);
