// "Start with Windows": the value under the user's Run key that names this program.
#pragma once

// Whether HKCU\...\Run holds `valueName` naming exactly `programPath` (quoted, as we write it;
// an unquoted or differently cased copy of the same path counts too). A value naming another
// path, as after the program was moved, does not.
bool StartsWithWindows(const char* valueName, const char* programPath);

// Writes the quoted path under `valueName`, or removes the value. No rights beyond the user's
// own are needed. False when the registry refused; a value already absent removes fine.
bool SetStartWithWindows(const char* valueName, const char* programPath, bool on);

// The full path of the running program into out[capacity]; false (out untouched) if it does not
// fit.
bool RunningProgramPath(char* out, unsigned capacity);
