// The face layout as arithmetic: glyph cells of the digit sheet and their places on the face.
#include "render/face_layout.h"

std::atomic<FacePoint> BarOffset{FacePoint{0, 0}};
// A lock would be a wait on the clock thread for the UI thread; two ints pass in one access.
static_assert(std::atomic<FacePoint>::is_always_lock_free, "the bar offset is read without a lock");

namespace {

constexpr int kCell = 28;

// A glyph at `scale`. Its size is the smaller of its scaled places on the face and on the sheet
// (they may round a pixel apart), so the copy stays inside both whatever the scale.
GlyphCopy Glyph(FacePoint o, double scale, int dx, int dy, int w, int h, int sx, int sy) {
  const FaceBox to = ScaleBox(FaceBox{dx + o.x, dy + o.y, w, h}, scale);
  const FaceBox from = ScaleBox(FaceBox{sx, sy, w, h}, scale);
  return GlyphCopy{to.x, to.y, to.w < from.w ? to.w : from.w, to.h < from.h ? to.h : from.h,
                   from.x, from.y};
}

// Sheet rows only exist for 0-9 and months 1-12; anything else from a broken clock reads as
// the nearest valid cell rather than outside the sheet.
int Digit(int value) { return value < 0 ? 0 : value % 10; }

}  // namespace

FaceBox ClockAreaBox(FacePoint offset, double scale) {
  return ScaleBox(FaceBox{kClockAreaX + offset.x, kClockAreaY + offset.y, kClockAreaWidth,
                          kClockAreaHeight},
                  scale);
}

FaceBox BarHitBox(double scale) {
  return ScaleBox(FaceBox{1, kBarY + 1, kFaceWidth - 1, kFaceHeight - kBarY - 1}, scale);
}

bool InBox(const FaceBox& box, int x, int y) {
  return x >= box.x && x < box.x + box.w && y >= box.y && y < box.y + box.h;
}

FacePoint FaceOffsetFor(int brand, int chara) {
  return brand == 0 && chara == 1 ? FacePoint{25, 0} : FacePoint{0, 0};
}

int ColonGlyphs(FacePoint offset, double scale, GlyphCopy out[2]) {
  out[0] = Glyph(offset, scale, 69, 232, 6, 6, 17, 300);
  out[1] = Glyph(offset, scale, 69, 242, 6, 6, 17, 300);
  return 2;
}

int TimeGlyphs(const LocalTime& now, bool clock24, bool clock12, int hourCycle, FacePoint offset,
               double scale, GlyphCopy out[8]) {
  int n = 0;
  if (!clock24) {
    out[n++] = now.hour < 12 ? Glyph(offset, scale, 30, 212, 18, 12, 36, 346)
                             : Glyph(offset, scale, 96, 212, 18, 12, 54, 346);
  }
  int month = now.month < 1 ? 1 : now.month > 12 ? 12 : now.month;
  int day = now.day < 0 ? 0 : now.day % 100;
  out[n++] = Glyph(offset, scale, 30, 182, 34, kCell, 25, kCell * (month - 1));
  out[n++] = Glyph(offset, scale, 64, 182, 11, kCell, 59, kCell * Digit(day / 10));
  out[n++] = Glyph(offset, scale, 75, 182, 11, kCell, 59, kCell * Digit(day));
  int cycle = hourCycle > 0 ? hourCycle : 24;
  int h = now.hour < 0 ? 0 : now.hour % cycle;
  if (!clock24 && clock12 && h == 0) h = 12;
  out[n++] = Glyph(offset, scale, 30, 226, 18, kCell, 7, kCell * Digit(h / 10));
  out[n++] = Glyph(offset, scale, 48, 226, 18, kCell, 7, kCell * Digit(h));
  int minute = now.minute < 0 ? 0 : now.minute;
  out[n++] = Glyph(offset, scale, 79, 226, 18, kCell, 7, kCell * Digit(minute / 10));
  out[n++] = Glyph(offset, scale, 97, 226, 18, kCell, 7, kCell * Digit(minute));
  return n;
}
