// Surfaces as DIB sections and the frame push to the clock window.
#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "base/app_state.h"
#include "base/window_handles_win32.h"
#include "render/frame.h"
#include "render/surface.h"
#include "render/surface_win32.h"
#include "settings/settings.h"

bool CreateSurface(Surface* surface, int width, int height, const char* name) {
  if (width <= 0 || height <= 0 || width > 16384 || height > 16384) return false;
  BITMAPV4HEADER header = {};
  header.bV4Size = sizeof header;
  header.bV4Width = width;
  header.bV4Height = -height;  // top-down
  header.bV4Planes = 1;
  header.bV4BitCount = 32;
  header.bV4V4Compression = BI_BITFIELDS;
  header.bV4RedMask = 0x00FF0000;
  header.bV4GreenMask = 0x0000FF00;
  header.bV4BlueMask = 0x000000FF;
  header.bV4AlphaMask = 0xFF000000;
  HDC dc = GetDC(ClockWindow);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS,
                                    &bits, nullptr, 0);
  ReleaseDC(ClockWindow, dc);
  if (bitmap == nullptr || bits == nullptr) {
    if (bitmap != nullptr) DeleteObject(bitmap);
    return false;
  }
  int* rows = static_cast<int*>(calloc(static_cast<size_t>(height), sizeof(int)));
  if (rows == nullptr) {
    DeleteObject(bitmap);
    return false;
  }
  FreeSurface(surface);
  surface->bitmap = bitmap;
  surface->bits = static_cast<uint8_t*>(bits);
  surface->width = width;
  surface->height = height;
  surface->bytesPerPixel = 4;
  surface->stride = width * 4;
  lstrcpynA(surface->name, name != nullptr ? name : "", sizeof surface->name);
  for (int y = 0; y < height; ++y) rows[y] = y * surface->stride;
  surface->rowOffsets = rows;
  memset(bits, 0, static_cast<size_t>(surface->stride) * height);
  return true;
}

namespace {

// The push's memory DC, kept with BackBuffer's bitmap selected from one push to the next: the
// bar pushes 25 times a second, and making and selecting a DC for each cost about 160 us of the
// push under Wine. Only the owner of the frame pushes, so only it holds this DC.
HDC pushDc = nullptr;
HGDIOBJ pushDcOld = nullptr;
void* pushDcBitmap = nullptr;

// A bitmap still selected into a DC cannot be deleted, nor selected into another DC.
void ReleasePushDc() {
  if (pushDc == nullptr) return;
  SelectObject(pushDc, pushDcOld);
  DeleteDC(pushDc);
  pushDc = nullptr;
  pushDcOld = nullptr;
  pushDcBitmap = nullptr;
}

// The memory DC with BackBuffer selected, made on first use and after BackBuffer changed.
HDC PushDc() {
  if (pushDc != nullptr && pushDcBitmap == BackBuffer.bitmap) return pushDc;
  ReleasePushDc();
  HDC dc = CreateCompatibleDC(nullptr);
  if (dc == nullptr) return nullptr;
  pushDcOld = SelectObject(dc, static_cast<HBITMAP>(BackBuffer.bitmap));
  pushDc = dc;
  pushDcBitmap = BackBuffer.bitmap;
  return pushDc;
}

}  // namespace

void FreeSurface(Surface* surface) {
  if (surface->bitmap != nullptr && surface->bitmap == pushDcBitmap) ReleasePushDc();
  if (surface->bitmap != nullptr) DeleteObject(static_cast<HBITMAP>(surface->bitmap));
  free(surface->rowOffsets);
  memset(surface, 0, sizeof *surface);
}

namespace {

using UpdateIndirectFunction = BOOL(WINAPI*)(HWND, const UPDATELAYEREDWINDOWINFO*);

// Vista's UpdateLayeredWindowIndirect takes a dirty rectangle; XP has only the plain call.
UpdateIndirectFunction UpdateIndirect() {
  static UpdateIndirectFunction function = nullptr;
  static bool looked = false;
  if (!looked) {
    HMODULE user32 = GetModuleHandleA("user32.dll");
    if (user32 != nullptr) {
      function = reinterpret_cast<UpdateIndirectFunction>(
          reinterpret_cast<void*>(GetProcAddress(user32, "UpdateLayeredWindowIndirect")));
    }
    looked = true;
  }
  return function;
}

void Push(const RECT* dirty) {
  NoteFrameAccess();
  if (!SurfaceExists(BackBuffer) || ClockWindow == nullptr) return;
  if (!LayeredAvailable) {
    // The painter selects BackBuffer into a DC of its own.
    ReleasePushDc();
    // The window paints itself from BackBuffer on WM_PAINT (PaintFrame); asking for that is
    // all a push is here, and the platform repaints whatever else it loses the same way.
    InvalidateRect(ClockWindow, nullptr, FALSE);
    return;
  }
  // No screen DC is needed, as UpdateLayeredWindow takes a null destination (the screen's
  // palette is irrelevant at 32 bits).
  HDC memory = PushDc();
  if (memory == nullptr) return;
  SIZE size = {BackBuffer.width, BackBuffer.height};
  POINT origin = {0, 0};
  // ALPHA itself is applied: the transparency dialog keeps it at 255 while transparency is
  // off, and previews a new value before its check box is committed.
  BLENDFUNCTION blend = {AC_SRC_OVER, 0, ALPHA, AC_SRC_ALPHA};
  UpdateIndirectFunction indirect = dirty != nullptr ? UpdateIndirect() : nullptr;
  if (indirect != nullptr) {
    UPDATELAYEREDWINDOWINFO info = {};
    info.cbSize = sizeof info;
    info.psize = &size;
    info.hdcSrc = memory;
    info.pptSrc = &origin;
    info.pblend = &blend;
    info.dwFlags = ULW_ALPHA;
    info.prcDirty = dirty;
    if (!indirect(ClockWindow, &info)) indirect = nullptr;
  }
  if (indirect == nullptr) {
    UpdateLayeredWindow(ClockWindow, nullptr, nullptr, &size, memory, &origin, 0, &blend, ULW_ALPHA);
  }
}

}  // namespace

void PushFrame() { Push(nullptr); }

void PushFramePart(int x, int y, int w, int h) {
  const RECT dirty = {x, y, x + w, y + h};
  Push(&dirty);
}

void PaintFrame(HDC target) {
  FrameGuard guard;
  if (!SurfaceExists(BackBuffer)) return;
  HDC memory = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(memory, static_cast<HBITMAP>(BackBuffer.bitmap));
  BitBlt(target, 0, 0, BackBuffer.width, BackBuffer.height, memory, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteDC(memory);
}
