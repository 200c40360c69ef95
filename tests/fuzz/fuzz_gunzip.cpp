// The bounded gzip inflate over arbitrary bodies: it never writes past its bound, and it says
// complete only when the data ended whole within it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "news/feed_http.h"

namespace {

// Small, so a bomb meets the bound quickly; the byte after it must stay as it was.
constexpr size_t kBound = 64 * 1024;
unsigned char out[kBound + 1];

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  out[kBound] = 0xA5;
  size_t produced = 0;
  const GunzipStatus status = GunzipCut(data, size, out, kBound, &produced);
  if (produced > kBound || out[kBound] != 0xA5) abort();
  if (status == GunzipStatus::kCut && produced != kBound) abort();
  if (status == GunzipStatus::kComplete && size < 18) abort();  // a gzip member's least size
  return 0;
}
