// KPZ images of any content: the decoder stays inside its buffers, a decoded image matches its
// header, three-channel images are opaque, the vector and bytewise paths agree, and placing the
// image clips to a smaller target without touching anything outside it.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/app_state.h"
#include "render/image_place.h"
#include "skin/kpz.h"

namespace {

void Check(bool condition) {
  if (!condition) abort();
}

// Images larger than this are refused by the harness before decoding: a 35-byte header may
// declare millions of pixels, and zero-filling them would starve the search of executions.
// Every decoder path is reached with images this small.
constexpr uint64_t kHarnessMaxPixels = 16 * 1024;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  KpzHeader declared = {};
  KpzError headerError = KpzError::kNone;
  if (ReadKpzHeader(data, size, &declared, &headerError) &&
      static_cast<uint64_t>(declared.width) * declared.height > kHarnessMaxPixels) {
    return 0;
  }
  CpuFeatures = CpuFeatureFlags{1, 1, 1, 0, 0};
  KpzImage image = {};
  KpzError error = KpzError::kNone;
  const bool ok = DecodeKpzImage(data, size, &image, &error);

  CpuFeatures = CpuFeatureFlags{};
  KpzImage plain = {};
  KpzError plainError = KpzError::kNone;
  Check(DecodeKpzImage(data, size, &plain, &plainError) == ok);
  Check(plainError == error);

  if (!ok) {
    Check(error != KpzError::kNone);
    Check(image.pixels == nullptr);
    // The stream on its own, into a buffer of exactly the size it is allowed to fill.
    if (size > kKpzHeaderSize) {
      // Allocated once; the stream zero-fills what it does not write.
      static std::vector<uint8_t> out(65536);
      const size_t capacity = data[0] | (data[1] << 8);
      UnpackKpzStream(data + 2, size - 2, out.data(), capacity, capacity, &error);
    }
    return 0;
  }
  KpzHeader header = {};
  Check(ReadKpzHeader(data, size, &header, &error));
  Check(image.width == header.width && image.height == header.height);
  Check(image.channels == header.channels);
  const size_t bytes = static_cast<size_t>(image.width) * image.height * 4;
  Check(std::memcmp(image.pixels, plain.pixels, bytes) == 0);
  if (image.channels == 3) {
    for (size_t i = 3; i < bytes; i += 4) Check(image.pixels[i] == 0xFF);
  }

  // A target smaller than the image on both sides, inside a guard band.
  const int w = image.width > 1 ? image.width - 1 : 1;
  const int h = image.height > 1 ? image.height - 1 : 1;
  const int stride = w * 4 + 4;
  std::vector<uint8_t> store(static_cast<size_t>(stride) * h, 0x5A);
  std::vector<int> rows(h);
  for (int y = 0; y < h; ++y) rows[y] = y * stride;
  Surface target = {};
  target.bitmap = store.data();
  target.bits = store.data();
  target.width = w;
  target.height = h;
  target.bytesPerPixel = 4;
  target.stride = stride;
  target.rowOffsets = rows.data();
  Check(PlaceKpzImage(image, &target));
  for (int y = 0; y < h; ++y) {
    Check(std::memcmp(&store[rows[y]], image.pixels + static_cast<size_t>(y) * image.width * 4,
                      static_cast<size_t>(w) * 4) == 0);
    for (int b = w * 4; b < stride; ++b) Check(store[rows[y] + b] == 0x5A);
  }
  FreeKpzImage(&plain);
  FreeKpzImage(&image);
  return 0;
}
