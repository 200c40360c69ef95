// SplitPath, FileNamePart and ChooseFile over the ANSI API.
#pragma once

#include "base/paths.h"

// The platform's lead-byte test for the ANSI code page.
bool IsAnsiLeadByte(unsigned char byte);

// The full form of `path` (relative paths resolve against the current directory) and its parts.
// Fails, leaving *parts alone, when the full path would be 260 bytes or longer.
bool SplitPath(const char* path, PathParts* parts);

// Reduces the buffer in place to its file name (what follows the last backslash, or else the
// last colon).
void FileNamePart(char* path);

// Runs the open dialog (or the save dialog) owned by ClockWindow over `path` (260 bytes), first
// reduced to its file name (emptied when no file name could have it). `filter` is written as
// "description|pattern|" pairs. Returns true with the chosen full path in `path`; false on
// cancel or error, leaving the file name there.
bool ChooseFile(char* path, const char* defaultExt, const char* title, const char* filter,
                bool save);
