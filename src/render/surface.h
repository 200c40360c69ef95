// Off-screen 32-bit BGRA surfaces (top-down) and the surfaces the clock draws with.
#pragma once

#include <cstdint>

struct Surface {
  void* bitmap;  // the DIB section's handle; null means the surface does not exist
  uint8_t* bits;
  int width;
  int height;
  int bytesPerPixel;
  int stride;
  char name[256];
  int* rowOffsets;
};

extern Surface BackBuffer;
extern Surface PictureSurface;
extern Surface MojiSurface;
extern Surface BarSurface;

inline bool SurfaceExists(const Surface& s) { return s.bitmap != nullptr; }

// Creates a zero-filled width × height surface into the record (freeing what it held).
bool CreateSurface(Surface* surface, int width, int height, const char* name);

// Deletes the bitmap and the row table and zeroes the record; safe on an empty record.
void FreeSurface(Surface* surface);

// Hands BackBuffer to the screen; nothing while it has no bitmap.
void PushFrame();
// The same, telling the screen that only this rectangle of BackBuffer changed.
void PushFramePart(int x, int y, int w, int h);
