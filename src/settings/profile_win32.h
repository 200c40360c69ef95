// ProfileAccess over an INI file through the private-profile calls.
#pragma once

#include "settings/profile.h"

// Reads and writes the file at `path`, which must stay valid while the result is used. The path
// must be a full one: the profile calls look for a bare file name in the Windows folder, not in
// the current one.
ProfileAccess FileProfile(const char* path);

// Makes the profile calls drop what they hold of `path` in memory, so that the file on disk is
// read afresh. Wine keeps a parsed copy of recently used files and goes on using it after the
// file is deleted, so a file deleted and written again would get its old keys back.
void ForgetCachedProfile(const char* path);
