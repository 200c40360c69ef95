// Which stored images a scale is made from, their sizes and the twice-size names.
#include "render/scaled_images.h"

#include <cmath>
#include <cstring>

double UsableImageScale(double scale) {
  if (!std::isfinite(scale) || scale <= 0.0) return 1.0;
  if (scale < kMinImageScale) return kMinImageScale;
  return scale > kMaxImageScale ? kMaxImageScale : scale;
}

int ScaledImageSide(int side, double scale) {
  const long rounded = std::lround(side * UsableImageScale(scale));
  return rounded < 1 ? 1 : static_cast<int>(rounded);
}

bool WantsDoubleSize(double scale) { return UsableImageScale(scale) > 1.0; }

bool DoubleSizeName(const char* name, char* out, size_t outSize) {
  if (name == nullptr || out == nullptr) return false;
  const size_t length = std::strlen(name);
  const char* dot = std::strrchr(name, '.');
  const size_t stem = dot != nullptr ? static_cast<size_t>(dot - name) : length;
  const size_t mark = sizeof kDoubleSizeMark - 1;
  if (length + mark + 1 > outSize) return false;
  std::memcpy(out, name, stem);
  std::memcpy(out + stem, kDoubleSizeMark, mark);
  std::memcpy(out + stem + mark, name + stem, length - stem + 1);
  return true;
}
