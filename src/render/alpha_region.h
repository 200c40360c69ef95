// The runs of visible (non-zero alpha) pixels of a surface, row by row: the outline of the
// window shape used where layered windows are missing.
#pragma once

#include "render/surface.h"

struct AlphaRun {
  int left;   // first visible column
  int right;  // one past the last visible column
  int y;
};

// Writes the visible runs of `surface` in row order into `runs` (up to `capacity`) and returns
// how many there are in all, which may exceed `capacity`: call again with room for that many.
// A surface without pixels has none.
int CollectAlphaRuns(const Surface& surface, AlphaRun* runs, int capacity);
