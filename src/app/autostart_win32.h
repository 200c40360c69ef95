// "Start with Windows": the value under the user's Run key that names this program.
#pragma once

// Whether HKCU\...\Run holds `valueName` naming exactly `programPath` (quoted, as we write it;
// an unquoted or differently cased copy of the same path counts too) and Windows' startup record
// of that name (Task Manager's Startup tab) does not switch it off. A value naming another path,
// as after the program was moved, does not count.
bool StartsWithWindows(const char* valueName, const char* programPath);

// Writes the quoted path under `valueName` and switches a startup record that says off back on,
// or removes the value (a record is then left as Windows keeps it). No rights beyond the user's
// own are needed. False when the registry refused; a value already absent removes fine.
bool SetStartWithWindows(const char* valueName, const char* programPath, bool on);

// The full path of the running program into out[capacity]; false (out untouched) if it does not
// fit.
bool RunningProgramPath(char* out, unsigned capacity);
