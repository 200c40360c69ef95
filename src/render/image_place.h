// Placing a decoded skin image into a surface.
#pragma once

#include "render/surface.h"
#include "skin/kpz.h"

// Writes the image at the target's top-left corner. A target smaller than the image receives
// only the part that fits (the rest is clipped); pixels right of or below the image stay as they
// were. False, with nothing written, when the target has no 32-bit pixels.
bool PlaceKpzImage(const KpzImage& image, Surface* target);
