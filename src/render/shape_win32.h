// The window shape used where layered windows are missing: a region from the picture's alpha.
#pragma once

#include <windows.h>

// Built from PictureSurface on the first frame in fallback mode and kept until exit.
extern HRGN WindowRegion;

// The region covering every pixel of PictureSurface with non-zero alpha; null when the
// picture has no pixels or the region cannot be made.
HRGN BuildAlphaRegion();

// Fallback mode: shapes ClockWindow with WindowRegion (built on first use). Layered mode:
// nothing. Always true.
bool ApplyWindowShape();

// Deletes WindowRegion at exit.
void ReleaseWindowRegion();
