// Which stored images a scale is made from, their sizes and the twice-size names.
#include "render/scaled_images.h"

#include <cmath>
#include <cstring>

#include "base/local_time.h"
#include "render/face_layout.h"

double UsableImageScale(double scale) {
  if (!std::isfinite(scale) || scale <= 0.0) return 1.0;
  if (scale < kMinImageScale) return kMinImageScale;
  return scale > kMaxImageScale ? kMaxImageScale : scale;
}

int ScaledImageSide(int side, double scale) {
  const int rounded = ScaleLength(side, UsableImageScale(scale));
  return rounded < 1 ? 1 : rounded;
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

namespace {

void AddCell(const GlyphCopy& g, FaceBox out[kMaxSheetCells], int* count) {
  for (int i = 0; i < *count; ++i) {
    if (out[i].x == g.sx && out[i].y == g.sy && out[i].w == g.w && out[i].h == g.h) return;
  }
  if (*count < kMaxSheetCells) out[(*count)++] = FaceBox{g.sx, g.sy, g.w, g.h};
}

}  // namespace

int SheetCells(FaceBox out[kMaxSheetCells]) {
  int count = 0;
  GlyphCopy glyphs[8];
  const FacePoint origin = {0, 0};
  ColonGlyphs(origin, 1.0, glyphs);
  AddCell(glyphs[0], out, &count);
  // Twenty-four times, with the marks shown, cover both marks, every month and every digit in
  // every place.
  for (int i = 0; i < 24; ++i) {
    LocalTime t = {};
    t.month = i % 12 + 1;
    t.day = (i % 10) * 11;
    t.hour = i;
    t.minute = (i % 10) * 11;
    const int n = TimeGlyphs(t, false, false, 24, origin, 1.0, glyphs);
    for (int g = 0; g < n; ++g) AddCell(glyphs[g], out, &count);
  }
  return count;
}

bool ResampleSheet(const PixelSpan& source, double sourceScale, const PixelTarget& target,
                   double scale, AlphaForm form) {
  if (source.data == nullptr || target.data == nullptr) return false;
  FaceBox cells[kMaxSheetCells];
  const int count = SheetCells(cells);
  for (int i = 0; i < count; ++i) {
    const FaceBox in = ScaleBox(cells[i], UsableImageScale(sourceScale));
    const int sx = in.x, sy = in.y, sw = in.w, sh = in.h;
    if (sw <= 0 || sh <= 0 || sx > source.width - sw || sy > source.height - sh) return false;
    const FaceBox at = ScaleBox(cells[i], UsableImageScale(scale));
    const int tx = at.x, ty = at.y;
    int tw = at.w, th = at.h;
    if (tx >= target.width || ty >= target.height || tw <= 0 || th <= 0) continue;
    if (tw > target.width - tx) tw = target.width - tx;
    if (th > target.height - ty) th = target.height - ty;
    const size_t from = static_cast<size_t>(sy) * source.stride + static_cast<size_t>(sx) * 4;
    const size_t to = static_cast<size_t>(ty) * target.stride + static_cast<size_t>(tx) * 4;
    if (from >= source.size || to >= target.size) return false;
    const PixelSpan cell = {source.data + from, source.size - from, sw, sh, source.stride};
    const PixelTarget place = {target.data + to, target.size - to, tw, th, target.stride};
    if (!Resample(cell, place, form)) return false;
  }
  return true;
}
