// Resampling of 32-bit BGRA images to another size with a Lanczos-3 filter.
#pragma once

#include <cstddef>
#include <cstdint>

// Widest and tallest image either side of a resample may be: what a surface may be.
constexpr int kResampleMaxSide = 16384;

// Pixels in memory: `height` rows `stride` bytes apart, each starting with `width` pixels of
// blue, green, red and alpha bytes; `size` bytes are available from `data` on.
struct PixelSpan {
  const uint8_t* data;
  size_t size;
  int width;
  int height;
  size_t stride;
};

struct PixelTarget {
  uint8_t* data;
  size_t size;
  int width;
  int height;
  size_t stride;
};

// How colour and alpha relate in an image. Premultiplied images come out with no colour above
// their alpha; straight ones are filtered as premultiplied colour and divided out again, so the
// colour under transparent pixels never bleeds into their neighbours.
enum class AlphaForm { kPremultiplied, kStraight };

// Fills every pixel of `target` with `source` scaled to the target's size: separable Lanczos-3
// with normalised weights, preceded on an axis shrunk by more than 2 by a box average over whole
// pixels (the integer part of the ratio). False, with nothing written, when a span is malformed
// (no pixels, a stride shorter than a row, rows past `size`, a side over kResampleMaxSide), the
// two overlap, or memory is short.
bool Resample(const PixelSpan& source, const PixelTarget& target, AlphaForm form);
