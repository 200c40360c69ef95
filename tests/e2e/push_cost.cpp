// What one push of a layered window costs: a window with a shaped per-pixel alpha picture is
// pushed with UpdateLayeredWindowIndirect a few hundred times, only a 310 x 30 strip changed
// each time (as the news bar's steps do), and the process's CPU time per push is printed for
// several window sizes and dirty rectangles, with the ratio against the clock's own case.
// scripts/measure-push.sh runs it; a measurement, not a test.
#include <windows.h>

#include <cstdint>
#include <cstdio>

namespace {

using UpdateIndirectFunction = BOOL(WINAPI*)(HWND, const UPDATELAYEREDWINDOWINFO*);

double CpuMs() {
  FILETIME created, ended, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
  ULARGE_INTEGER k, u;
  k.LowPart = kernel.dwLowDateTime;
  k.HighPart = kernel.dwHighDateTime;
  u.LowPart = user.dwLowDateTime;
  u.HighPart = user.dwHighDateTime;
  return static_cast<double>(k.QuadPart + u.QuadPart) / 1e4;
}

void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

// CPU milliseconds per push of a width x height window whose strip (20, height - 39) of
// 310 x 30 changes before each push; `whole` pushes without a dirty rectangle.
double PushCost(UpdateIndirectFunction indirect, int width, int height, bool whole, int pushes) {
  HWND window = CreateWindowExA(WS_EX_LAYERED | WS_EX_TOOLWINDOW, "PushCost", "", WS_POPUP, 50, 50,
                                width, height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  BITMAPV4HEADER header = {};
  header.bV4Size = sizeof header;
  header.bV4Width = width;
  header.bV4Height = -height;
  header.bV4Planes = 1;
  header.bV4BitCount = 32;
  header.bV4V4Compression = BI_BITFIELDS;
  header.bV4RedMask = 0x00FF0000;
  header.bV4GreenMask = 0x0000FF00;
  header.bV4BlueMask = 0x000000FF;
  header.bV4AlphaMask = 0xFF000000;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&header),
                                    DIB_RGB_COLORS, &bits, nullptr, 0);
  if (window == nullptr || bitmap == nullptr) return -1;
  uint32_t* pixels = static_cast<uint32_t*>(bits);
  // A shaped picture: clear cells, half and whole alpha, premultiplied.
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint32_t a = (x / 7 + y / 5) % 3 == 0 ? 0 : (x + y) % 2 != 0 ? 255 : 128;
      pixels[y * width + x] = (a << 24) | ((a / 2) << 16) | (a / 3);
    }
  }
  HDC memory = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(memory, bitmap);
  SIZE size = {width, height};
  POINT origin = {0, 0};
  BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  UpdateLayeredWindow(window, nullptr, nullptr, &size, memory, &origin, 0, &blend, ULW_ALPHA);
  ShowWindow(window, SW_SHOWNOACTIVATE);
  Pump();
  Sleep(300);
  const int top = height - 39 < 0 ? 0 : height - 39;
  const int right = width < 330 ? width : 330;
  const int bottom = top + 30 < height ? top + 30 : height;
  const double start = CpuMs();
  for (int i = 0; i < pushes; ++i) {
    for (int y = top; y < bottom; ++y) {
      for (int x = 20; x < right; ++x) pixels[y * width + x] ^= 0x00010101;
    }
    const RECT dirty = {20, top, right, bottom};
    UPDATELAYEREDWINDOWINFO info = {};
    info.cbSize = sizeof info;
    info.psize = &size;
    info.hdcSrc = memory;
    info.pptSrc = &origin;
    info.pblend = &blend;
    info.dwFlags = ULW_ALPHA;
    info.prcDirty = whole ? nullptr : &dirty;
    indirect(window, &info);
    Pump();
  }
  const double cost = (CpuMs() - start) / pushes;
  SelectObject(memory, old);
  DeleteDC(memory);
  DeleteObject(bitmap);
  DestroyWindow(window);
  Pump();
  return cost;
}

}  // namespace

int main() {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "PushCost";
  RegisterClassA(&windowClass);
  HMODULE user32 = GetModuleHandleA("user32.dll");
  UpdateIndirectFunction indirect =
      user32 == nullptr ? nullptr
                        : reinterpret_cast<UpdateIndirectFunction>(reinterpret_cast<void*>(
                              GetProcAddress(user32, "UpdateLayeredWindowIndirect")));
  if (indirect == nullptr) {
    fprintf(stderr, "no UpdateLayeredWindowIndirect\n");
    return 2;
  }
  struct Case {
    const char* name;
    int width;
    int height;
    bool whole;
  };
  const Case cases[] = {
      {"clock 400 x 330, bar strip dirty", 400, 330, false},
      {"clock 400 x 330, whole frame", 400, 330, true},
      {"bar-sized 330 x 40, bar strip dirty", 330, 40, false},
      {"400 x 110, bar strip dirty", 400, 110, false},
      {"800 x 660, bar strip dirty", 800, 660, false},
  };
  const int kPushes = 300;
  double base = 0;
  for (const Case& c : cases) {
    const double ms = PushCost(indirect, c.width, c.height, c.whole, kPushes);
    if (ms < 0) return 3;
    if (base == 0) base = ms;
    printf("  %-38s %7.3f ms CPU a push  (ratio %.2f)\n", c.name, ms, base > 0 ? ms / base : 0.0);
  }
  return 0;
}
