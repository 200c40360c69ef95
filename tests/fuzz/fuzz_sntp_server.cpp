// Any text as the TimeServer setting: an accepted text is a non-empty host that fits, then
// nothing or a colon and a port 1-65535 written in digits only; the text itself is unchanged.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "timesvc/sntp.h"

namespace {

void Check(bool condition) {
  if (!condition) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  // The first byte chooses the host buffer's size (1-256), the rest is the text.
  const size_t capacity = static_cast<size_t>(data[0]) + 1;
  std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::string before = text;
  char* host = static_cast<char*>(malloc(capacity));
  uint16_t port = 0;
  const bool ok = ParseServerText(text.c_str(), host, capacity, &port);
  Check(text == before);
  const char* t = text.c_str();  // up to the first zero byte, as the program sees it
  const char* colon = strchr(t, ':');
  if (ok) {
    const size_t length = strlen(host);
    Check(length > 0 && length < capacity);
    Check(strncmp(host, t, length) == 0);
    Check(strchr(host, ':') == nullptr);
    if (colon == nullptr) {
      Check(port == 123 && length == strlen(t));
    } else {
      Check(static_cast<size_t>(colon - t) == length);
      const char* digits = colon + 1;
      Check(*digits != '\0' && strspn(digits, "0123456789") == strlen(digits));
      Check(port >= 1 && strtoul(digits, nullptr, 10) == port);
    }
  } else if (colon != t && t[0] != '\0') {
    // Refused although the host is there: it is too long, or the port text is not 1-65535.
    const size_t length = colon != nullptr ? static_cast<size_t>(colon - t) : strlen(t);
    if (length < capacity) {
      Check(colon != nullptr);
      const char* digits = colon + 1;
      const bool allDigits = *digits != '\0' && strspn(digits, "0123456789") == strlen(digits);
      if (allDigits && strlen(digits) < 12) {
        const unsigned long long value = strtoull(digits, nullptr, 10);
        Check(value == 0 || value > 65535);
      }
    }
  }
  free(host);
  return 0;
}
