// Reading and rewriting Windows' record of whether a Run entry may start.
#include "app/autostart.h"

#include <cstring>

namespace {

constexpr unsigned char kOffBit = 0x01;
constexpr unsigned char kPlainOn = 0x02;

}  // namespace

bool StartupRecordAllows(const unsigned char* data, size_t size) {
  return size == 0 || (data[0] & kOffBit) == 0;
}

void StartupRecordSwitchedOn(const unsigned char* data, size_t size,
                             unsigned char out[kStartupRecordSize]) {
  memset(out, 0, kStartupRecordSize);
  out[0] = size == 0 ? kPlainOn : static_cast<unsigned char>(data[0] & ~kOffBit);
}
