// The skin's images at a display scale: which stored set they come from, their sizes, the name
// of an image's twice-size version.
#pragma once

#include <cstddef>

#include "render/face_scale.h"
#include "render/resample.h"

// Added to an image's stem to name its version at twice the size ("tarvo_1.kpz" and
// "tarvo_1-2x.kpz"), for built-in images and skin package members alike. A name the resource
// compiler takes unquoted: it would join a quoted one to the file name of the line before.
constexpr char kDoubleSizeMark[] = "-2x";

// The scales images are made at; a scale outside them (or not a number) is taken as the nearer
// bound (or as 1). The largest gives a 3200 × 2640 clock, wider than most screens.
constexpr double kMinImageScale = 0.125;
constexpr double kMaxImageScale = 8.0;

double UsableImageScale(double scale);

// round(side × scale), at least 1, for a scale that UsableImageScale keeps as it is.
int ScaledImageSide(int side, double scale);

// Whether the images at `scale` are made from the twice-size set (when the skin has one):
// anything larger than 1, which the twice-size images show sharper than the plain ones.
bool WantsDoubleSize(double scale);

// Writes the twice-size name of `name` into `out`: kDoubleSizeMark before the last '.', or at
// the end when there is none. False, with `out` untouched, when it does not fit in `outSize`.
bool DoubleSizeName(const char* name, char* out, size_t outSize);

// The most cells a sheet has: ten large and ten small digits, twelve months, colon, two marks.
constexpr int kMaxSheetCells = 40;

// The cells, at scale 1, the face copies glyphs from (render/face_layout.h), each once; returns
// how many.
int SheetCells(FaceBox out[kMaxSheetCells]);

// Resamples a digit sheet held at `sourceScale` into `target`, the sheet at `scale`, one cell at
// a time: a glyph never spills into the cell beside it, however close its ink comes to the edge.
// A cell lies where ScaleBox puts it, so cells that meet stay meeting; whatever lies outside the cells is left as `target` had it. False (with
// `target` possibly partly written) when a span is malformed or a cell lies outside the source.
bool ResampleSheet(const PixelSpan& source, double sourceScale, const PixelTarget& target,
                   double scale, AlphaForm form);
