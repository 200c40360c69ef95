// Where the clock face's glyphs go: the fixed face layout and the digit-sheet cells.
#pragma once

#include <atomic>

#include "base/local_time.h"
#include "render/face_scale.h"

struct FacePoint {
  int x;
  int y;
};

// Where the news bar is drawn, as FaceOffsetFor gives it for the loaded skin: set by the clock
// thread's skin load, read by the UI thread to place the news list under the bar.
extern std::atomic<FacePoint> BarOffset;

// One glyph copy: from the digit sheet at (sx, sy) to the face at (dx, dy), w × h pixels. The
// positions below are written at 1; every function takes the scale the face and the digit
// sheet are drawn at and gives pixels at that scale.
struct GlyphCopy {
  int dx;
  int dy;
  int w;
  int h;
  int sx;
  int sy;
};

// The clock area restored from the picture before each time redraw.
constexpr int kClockAreaX = 30;
constexpr int kClockAreaY = 182;
constexpr int kClockAreaWidth = 90;
constexpr int kClockAreaHeight = 80;
constexpr int kBarX = 0;
constexpr int kBarY = 280;
constexpr int kFaceWidth = 400;
constexpr int kFaceHeight = 330;

// The clock area at `scale`; `offset` as FaceOffsetFor.
FaceBox ClockAreaBox(FacePoint offset, double scale);
// Where a click counts as one on the news bar, in the window (a fixed strip, whatever the skin).
FaceBox BarHitBox(double scale);
bool InBox(const FaceBox& box, int x, int y);

// Face and bar offsets for a skin: the first brand's second skin is drawn 25 pixels right.
FacePoint FaceOffsetFor(int brand, int chara);

// The two colon dots baked into the picture.
int ColonGlyphs(FacePoint offset, double scale, GlyphCopy out[2]);

// The glyphs of a time, in drawing order (mark, month, day, hour, minute); returns how many.
// `clock24`, `clock12` and `hourCycle` are the display settings of the same names.
int TimeGlyphs(const LocalTime& now, bool clock24, bool clock12, int hourCycle, FacePoint offset,
               double scale, GlyphCopy out[8]);
