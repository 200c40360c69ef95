// INI-style key access shared by the settings file and play-list files, and its number rules.
#pragma once

#include <cstdint>

// One INI file as the private-profile calls see it. Read behaves like GetPrivateProfileStringA:
// it copies the key's value, or `fallback` when the key is missing, into `out` truncated to
// capacity - 1 bytes and always terminated, and returns the number of bytes copied. Write stores
// one key and returns false when the file could not be written.
struct ProfileAccess {
  void* context;
  int (*Read)(void* context, const char* section, const char* key, const char* fallback,
              char* out, int capacity);
  bool (*Write)(void* context, const char* section, const char* key, const char* value);
};

// Parses a decimal integer the way every integer key is read: leading blanks skipped, an optional
// sign, decimal digits, anything after the digits ignored. Fails (leaving *value alone) when there
// is no digit or the number lies outside [-2147483648, 4294967295]; numbers above 2147483647 are
// taken modulo 2^32, so a value written unsigned reads back as the same 32-bit pattern.
bool ParseProfileInt(const char* text, int32_t* value);

// Reads an integer key with ParseProfileInt; `fallback` when the key is missing or unparsable.
int32_t ReadProfileInt(const ProfileAccess& profile, const char* section, const char* key,
                       int32_t fallback);

// Reads a string key into out[capacity]; `fallback` when the key is missing.
void ReadProfileText(const ProfileAccess& profile, const char* section, const char* key,
                     const char* fallback, char* out, int capacity);

bool WriteProfileText(const ProfileAccess& profile, const char* section, const char* key,
                      const char* value);
bool WriteProfileInt(const ProfileAccess& profile, const char* section, const char* key,
                     int32_t value);
bool WriteProfileUnsigned(const ProfileAccess& profile, const char* section, const char* key,
                          uint32_t value);
