// Pixel arithmetic on 32-bit BGRA surfaces: rectangle copy, alpha blend, mask copy, premultiply.
#pragma once

#include "render/surface.h"

// Side of the news-bar block that MaskCopy lays from BarSurface onto a destination.
constexpr int kMaskWidth = 350;
constexpr int kMaskHeight = 50;

// Every operation works through bits and rowOffsets only, so a record built over plain memory
// works as well as one over a DIB section. A rectangle that does not lie inside its surface
// (or a surface without pixels) makes the operation return false without touching anything.

// Copies w × h pixels from (sx, sy) of source to (dx, dy) of destination, row by row.
// An empty rectangle copies nothing and succeeds.
bool CopyRect(Surface* destination, int dx, int dy, int w, int h, const Surface* source, int sx,
              int sy);

// Blends source over destination weighted by the source's alpha; false when h <= 0.
// Uses the vector rule when CpuFeatures.mmx is set, the scalar rule otherwise.
bool BlendRect(Surface* destination, int dx, int dy, int w, int h, const Surface* source, int sx,
               int sy);

// Vector rule: alpha 0 leaves the pixel, alpha 255 copies the source, anything else mixes all
// four bytes; every touched pixel ends opaque.
bool BlendRectVector(Surface* destination, int dx, int dy, int w, int h, const Surface* source,
                     int sx, int sy);

// The vector rule one pixel at a time, with no processor-specific instructions; the vector
// rule falls back to it where SSE2 is missing.
bool BlendRectVectorPortable(Surface* destination, int dx, int dy, int w, int h,
                             const Surface* source, int sx, int sy);

// Scalar rule: mixes blue, green and red only and keeps the destination's alpha.
bool BlendRectScalar(Surface* destination, int dx, int dy, int w, int h, const Surface* source,
                     int sx, int sy);

// Lays the kMaskWidth × kMaskHeight block at (0, 0) of BarSurface onto destination at (dx, dy):
// pixels with source alpha 0 stay, the others take the source colour and OR in its alpha.
bool MaskCopy(Surface* destination, int dx, int dy);

// The same with an explicit source block, for callers and tests that hold their own bar image.
bool MaskCopyFrom(Surface* destination, int dx, int dy, const Surface* bar);

// The same over the w × h block at (0, 0) of `bar`: the bar's block in a picture drawn at another
// size than the stored one.
bool MaskCopyBlock(Surface* destination, int dx, int dy, const Surface* bar, int w, int h);

// Turns straight alpha into premultiplied colour in place: each of blue, green and red becomes
// (value × alpha) >> 8. Does nothing to a surface without pixels.
void Premultiply(Surface* surface);
