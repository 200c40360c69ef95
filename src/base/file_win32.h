// Whole-file reads, and saves that never leave a file half written.
#pragma once

#include <cstddef>
#include <string>

enum class FileRead { kRead, kMissing, kFailed };

// Reads the whole file at `path` into *out. kMissing when the file (or its folder) is not there;
// kFailed, with the Windows error in *error, when it cannot be read or is larger than `limit`.
// *out is changed only by kRead.
FileRead ReadWholeFile(const char* path, size_t limit, std::string* out, unsigned long* error);

// Writes the bytes to a new file beside `path`, checks that every byte was taken, flushes it to
// the disk and only then puts it in the place of `path` (write-through). A read-only `path` is
// refused. False, with the Windows error in *error, when any step fails: `path` is then left
// byte for byte as it was and the new file is removed.
bool SaveWholeFile(const char* path, const std::string& bytes, unsigned long* error);

// A few words for the user on why a save failed with the Windows error `error`.
const char* SaveFailureReason(unsigned long error);
