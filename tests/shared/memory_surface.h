// A Surface record over plain memory, for tests and benchmarks of the pixel code. The buffer
// ends right after the last pixel of the last row, so any overrun trips the address sanitizer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "render/surface.h"

struct MemorySurface {
  std::vector<uint8_t> pixels;
  std::vector<int> rows;
  Surface record = {};

  // `stride` below 0 means rows packed at width × 4 bytes.
  MemorySurface(int width, int height, int stride = -1) {
    if (stride < 0) stride = width * 4;
    pixels.assign(height > 0 ? static_cast<size_t>(height - 1) * stride + width * 4 : 0, 0);
    rows.resize(height > 0 ? static_cast<size_t>(height) : 0);
    for (int y = 0; y < height; ++y) rows[static_cast<size_t>(y)] = y * stride;
    record.bits = pixels.data();
    record.bitmap = pixels.data();
    record.width = width;
    record.height = height;
    record.bytesPerPixel = 4;
    record.stride = stride;
    record.rowOffsets = rows.data();
  }
  MemorySurface(const MemorySurface&) = delete;
  MemorySurface& operator=(const MemorySurface&) = delete;

  uint8_t* At(int x, int y) { return pixels.data() + rows[static_cast<size_t>(y)] + x * 4; }
};
