// Visible-pixel runs of a surface, the raw material of the fallback window shape.
#include "render/alpha_region.h"

int CollectAlphaRuns(const Surface& surface, AlphaRun* runs, int capacity) {
  if (surface.bits == nullptr || surface.rowOffsets == nullptr || surface.bytesPerPixel != 4) {
    return 0;
  }
  int count = 0;
  for (int y = 0; y < surface.height; ++y) {
    const uint8_t* row = surface.bits + surface.rowOffsets[y];
    int x = 0;
    while (x < surface.width) {
      if (row[x * 4 + 3] == 0) {
        ++x;
        continue;
      }
      int end = x + 1;
      while (end < surface.width && row[end * 4 + 3] != 0) ++end;
      if (count < capacity) runs[count] = AlphaRun{x, end, y};
      ++count;
      x = end;
    }
  }
  return count;
}
