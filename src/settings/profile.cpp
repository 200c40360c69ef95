// Integer parsing and typed reads and writes over an INI-style profile.
#include "settings/profile.h"

#include <cstdio>

namespace {

// Room for any in-range number with generous blanks and leading zeros around it.
constexpr int kNumberTextCapacity = 64;

// ParseProfileInt that also tells where the digits ended.
bool ParseNumber(const char* text, int32_t* value, const char** end) {
  if (text == nullptr) return false;
  const char* p = text;
  while (*p == ' ' || *p == '\t') ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') {
    negative = *p == '-';
    ++p;
  }
  if (*p < '0' || *p > '9') return false;
  // Accumulate only while the magnitude can still be in range; the cap stays far from overflow.
  constexpr uint64_t kCap = 0x100000000ull;
  uint64_t magnitude = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    magnitude = magnitude * 10 + static_cast<uint64_t>(*p - '0');
    if (magnitude > kCap) return false;
  }
  if (negative ? magnitude > 0x80000000ull : magnitude > 0xFFFFFFFFull) return false;
  uint32_t bits = static_cast<uint32_t>(magnitude);
  if (negative) bits = 0u - bits;
  *value = static_cast<int32_t>(bits);
  *end = p;
  return true;
}

}  // namespace

bool ParseProfileInt(const char* text, int32_t* value) {
  const char* end = nullptr;
  return ParseNumber(text, value, &end);
}

int32_t ReadProfileInt(const ProfileAccess& profile, const char* section, const char* key,
                       int32_t fallback) {
  char text[kNumberTextCapacity];
  int copied = profile.Read(profile.context, section, key, "", text, kNumberTextCapacity);
  text[kNumberTextCapacity - 1] = '\0';
  int32_t value = 0;
  const char* end = nullptr;
  if (!ParseNumber(text, &value, &end)) return fallback;
  // Digits that run into a cut-off read may go on in the file: the number is unknown.
  if (copied >= kNumberTextCapacity - 1 && *end == '\0') return fallback;
  return value;
}

void ReadProfileText(const ProfileAccess& profile, const char* section, const char* key,
                     const char* fallback, char* out, int capacity) {
  if (capacity <= 0) return;
  profile.Read(profile.context, section, key, fallback, out, capacity);
  out[capacity - 1] = '\0';
}

bool WriteProfileText(const ProfileAccess& profile, const char* section, const char* key,
                      const char* value) {
  return profile.Write(profile.context, section, key, value);
}

bool WriteProfileInt(const ProfileAccess& profile, const char* section, const char* key,
                     int32_t value) {
  char text[16];
  snprintf(text, sizeof text, "%ld", static_cast<long>(value));
  return profile.Write(profile.context, section, key, text);
}

bool WriteProfileUnsigned(const ProfileAccess& profile, const char* section, const char* key,
                          uint32_t value) {
  char text[16];
  snprintf(text, sizeof text, "%lu", static_cast<unsigned long>(value));
  return profile.Write(profile.context, section, key, text);
}
