// The clock's scale (the monitor's DPI times the user's size) and the face's lengths at it.
#pragma once

#include <atomic>

// What the face's fixed positions and sizes are written for: 100 % at 96 DPI.
constexpr int kBaseDpi = 96;
// ClockScale as used: a percent of the display scale, 25-400.
constexpr int kClockScaleMin = 25;
constexpr int kClockScaleMax = 400;
// The DPI as used: Windows offers 100 % to 500 %; anything else read from a broken system
// counts as the nearest end.
constexpr int kDpiMin = kBaseDpi / 2;
constexpr int kDpiMax = kBaseDpi * 5;
// A scale is held as DPI × percent, exact in an int and the same on every thread: 9600 is 1.
constexpr int kScaleUnitsPerOne = kBaseDpi * 100;
// The face at 8 times its size is already 3200 pixels wide, more than a screen; a larger one
// would only fail to get its surfaces and take the clock down with it.
constexpr int kScaleUnitsMax = kScaleUnitsPerOne * 8;

int ClampClockScale(int percent);

// The sizes the menu offers, in percent, in the order of its items.
constexpr int kSizeChoiceCount = 6;
constexpr int kSizeChoices[kSizeChoiceCount] = {50, 75, 100, 125, 150, 200};
// Which of them ClockScale is (its item is checked); -1 for a size set by hand to another.
int SizeChoiceFor(int percent);

// The scale for a monitor of `dpi` (0 or less: not known, taken as 96) and ClockScale.
int ScaleUnits(int dpi, int clockScalePercent);

double ScaleFromUnits(int units);

// round(length × scale), halves away from zero.
int ScaleLength(int length, double scale);

struct FaceBox {
  int x;
  int y;
  int w;
  int h;
};

// A box of the face at `scale`: each edge rounded, so boxes that meet at 1 meet at any scale.
FaceBox ScaleBox(FaceBox box, double scale);

// The scale the face on screen is drawn at, in scale units: written by the clock thread when
// it loads the face, read by the UI thread for its hit tests on the face.
extern std::atomic<int> ShownScaleUnits;
