// The clock monitor's DPI, from the newest call the system offers.
#include "base/dpi_win32.h"

std::atomic<int> ClockDpi{96};

namespace {

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);

GetDpiForWindowFunction DpiForWindow() {
  HMODULE user32 = GetModuleHandleA("USER32");
  if (user32 == nullptr) return nullptr;
  FARPROC proc = GetProcAddress(user32, "GetDpiForWindow");
  // Through the generic function pointer type: FARPROC and the real type differ.
  return proc == nullptr ? nullptr
                         : reinterpret_cast<GetDpiForWindowFunction>(reinterpret_cast<void (*)()>(proc));
}

}  // namespace

int QueryWindowDpi(HWND window) {
  const GetDpiForWindowFunction forWindow = DpiForWindow();
  if (forWindow != nullptr && window != nullptr) {
    const UINT dpi = forWindow(window);
    if (dpi != 0) return static_cast<int>(dpi);
  }
  HDC screen = GetDC(nullptr);
  if (screen == nullptr) return 96;
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}
