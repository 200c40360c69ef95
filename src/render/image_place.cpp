// Placing a decoded skin image into a surface.
#include "render/image_place.h"

#include <cstring>

namespace {

constexpr int kBytesPerPixel = 4;

}  // namespace

bool PlaceKpzImage(const KpzImage& image, Surface* target) {
  if (target == nullptr || target->bits == nullptr || target->rowOffsets == nullptr) return false;
  if (target->bytesPerPixel != kBytesPerPixel || target->width < 0 || target->height < 0) {
    return false;
  }
  if (image.pixels == nullptr || image.width <= 0 || image.height <= 0) return false;
  const int columns = image.width < target->width ? image.width : target->width;
  const int rows = image.height < target->height ? image.height : target->height;
  const size_t imageStride = static_cast<size_t>(image.width) * kBytesPerPixel;
  for (int y = 0; y < rows; ++y) {
    std::memcpy(target->bits + target->rowOffsets[y], image.pixels + y * imageStride,
                static_cast<size_t>(columns) * kBytesPerPixel);
  }
  return true;
}
