// Scale arithmetic of the face: DPI and size into one exact number, lengths and boxes at it.
#include "render/face_scale.h"

#include <cmath>

std::atomic<int> ShownScaleUnits{kScaleUnitsPerOne};

int ClampClockScale(int percent) {
  return percent < kClockScaleMin ? kClockScaleMin : percent > kClockScaleMax ? kClockScaleMax : percent;
}

int SizeChoiceFor(int percent) {
  for (int i = 0; i < kSizeChoiceCount; ++i) {
    if (kSizeChoices[i] == percent) return i;
  }
  return -1;
}

int ScaleUnits(int dpi, int clockScalePercent) {
  if (dpi <= 0) dpi = kBaseDpi;
  dpi = dpi < kDpiMin ? kDpiMin : dpi > kDpiMax ? kDpiMax : dpi;
  const int units = dpi * ClampClockScale(clockScalePercent);
  return units > kScaleUnitsMax ? kScaleUnitsMax : units;
}

double ScaleFromUnits(int units) {
  if (units <= 0) units = kScaleUnitsPerOne;
  return static_cast<double>(units) / kScaleUnitsPerOne;
}

int ScaleLength(int length, double scale) { return static_cast<int>(std::lround(length * scale)); }

FaceBox ScaleBox(FaceBox box, double scale) {
  const int left = ScaleLength(box.x, scale);
  const int top = ScaleLength(box.y, scale);
  return FaceBox{left, top, ScaleLength(box.x + box.w, scale) - left,
                 ScaleLength(box.y + box.h, scale) - top};
}
