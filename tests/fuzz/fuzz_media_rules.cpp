// Sizes, rectangles, edges and tag buffers of any value: the video window's rules never
// overflow (UBSan watches the arithmetic) and keep their promises; tag lengths stay in bounds.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "player/media_rules.h"

namespace {

void Check(bool condition) {
  if (!condition) abort();
}

template <typename T>
T Take(const uint8_t*& data, size_t& size) {
  T value{};
  const size_t n = size < sizeof value ? size : sizeof value;
  memcpy(&value, data, n);
  data += n;
  size -= n;
  return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const int64_t width = Take<int64_t>(data, size);
  const int64_t height = Take<int64_t>(data, size);
  int32_t ax = 0, ay = 0;
  if (PictureAspect(width, height, &ax, &ay)) {
    Check(ax > 0 && ay > 0 && int64_t{ax} <= width && int64_t{ay} <= height);
    Check(width / ax == height / ay && width % ax == 0 && height % ay == 0);
    int32_t w = 0, h = 0;
    MinimumVideoClient(ax, ay, &w, &h);
    Check(w > 0 && w <= 320 && h >= 0);
  }
  SizingRect r;
  r.left = Take<int32_t>(data, size);
  r.top = Take<int32_t>(data, size);
  r.right = Take<int32_t>(data, size);
  r.bottom = Take<int32_t>(data, size);
  const int edge = Take<int8_t>(data, size);
  const int32_t frameWidth = Take<int32_t>(data, size);
  const int32_t frameHeight = Take<int32_t>(data, size);
  const int32_t fx = Take<int32_t>(data, size);
  const int32_t fy = Take<int32_t>(data, size);
  const SizingRect before = r;
  FitSizingRect(&r, edge, frameWidth, frameHeight, fx, fy);
  if (edge < 1 || edge > 8 || fx <= 0 || fy <= 0) Check(memcmp(&r, &before, sizeof r) == 0);
  const VideoRect fit = FitVideo(r.right, r.bottom, fx, fy);
  if (r.right > 0 && r.bottom > 0) {
    Check(fit.left >= 0 && fit.top >= 0 && int64_t{fit.left} + fit.width <= r.right &&
          int64_t{fit.top} + fit.height <= r.bottom);
  }
  char extension[24] = {};
  memcpy(extension, data, size < sizeof extension - 1 ? size : sizeof extension - 1);
  const int kind = MediaKindOf(extension);
  Check(kind == kMediaOther || (kind >= 0 && kind <= 2) || (kind >= 100 && kind <= 102));
  uint16_t value[kTagValueBytes / 2];
  memset(value, 0, sizeof value);
  const size_t bytes = size < sizeof value ? size : sizeof value;
  memcpy(value, data, bytes);
  size_t n = 0;
  if (TagTextLength(kTagTypeString, value, static_cast<uint32_t>(width), &n)) {
    Check(n <= kTagValueBytes / 2);
    Check(n * 2 <= static_cast<uint32_t>(width));
  }
  return 0;
}
