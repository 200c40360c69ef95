// The clock monitor's DPI, from the newest call the system offers.
#include "base/dpi_win32.h"

#include "base/test_hooks_win32.h"

std::atomic<int> ClockDpi{96};

namespace {

constexpr int kBaseDpi = 96;

// What shellscalingapi.h calls MDT_EFFECTIVE_DPI: the DPI the user's scale setting gives.
constexpr int kEffectiveDpi = 0;

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using GetDpiForMonitorFunction = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
using GetSystemMetricsForDpiFunction = int(WINAPI*)(int, UINT);

// `name` from `module` (already loaded, or loaded here from the system folder and kept), as the
// function type `F`; null where the system lacks it.
template <typename F>
F Lookup(const wchar_t* module, const char* name, bool load) {
  HMODULE handle = GetModuleHandleW(module);
  // Only the system's copy: never one lying beside the program. Systems that do not know the
  // flag are older than the DLLs asked for here.
  if (handle == nullptr && load) handle = LoadLibraryExW(module, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (handle == nullptr) return nullptr;
  FARPROC proc = GetProcAddress(handle, name);
  // Through the generic function pointer type: FARPROC and the real type differ.
  return proc == nullptr ? nullptr : reinterpret_cast<F>(reinterpret_cast<void (*)()>(proc));
}

int SystemDpi() {
  HDC screen = GetDC(nullptr);
  if (screen == nullptr) return kBaseDpi;
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : kBaseDpi;
}

}  // namespace

int QueryMonitorDpi(HMONITOR monitor) {
  // shcore.dll is not there before Windows 8.1.
  const auto forMonitor = TestLacksDpiForMonitor()
                              ? nullptr
                              : Lookup<GetDpiForMonitorFunction>(L"shcore.dll", "GetDpiForMonitor", true);
  UINT x = 0;
  UINT y = 0;
  if (forMonitor != nullptr && monitor != nullptr && SUCCEEDED(forMonitor(monitor, kEffectiveDpi, &x, &y)) &&
      x != 0) {
    return static_cast<int>(x);
  }
  const int forced = TestSystemDpi();
  return forced > 0 ? forced : SystemDpi();
}

int QueryWindowDpi(HWND window) {
  const auto forWindow =
      TestLacksDpiForWindow() ? nullptr : Lookup<GetDpiForWindowFunction>(L"USER32", "GetDpiForWindow", false);
  if (forWindow != nullptr && window != nullptr) {
    const UINT dpi = forWindow(window);
    if (dpi != 0) return static_cast<int>(dpi);
  }
  return QueryMonitorDpi(window != nullptr ? MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST) : nullptr);
}

int ScaleForWindow(HWND window, int length) { return MulDiv(length, QueryWindowDpi(window), kBaseDpi); }

int SystemMetricForDpi(int index, int dpi) {
  const auto forDpi = Lookup<GetSystemMetricsForDpiFunction>(L"USER32", "GetSystemMetricsForDpi", false);
  if (forDpi != nullptr && dpi > 0) return forDpi(index, static_cast<UINT>(dpi));
  return GetSystemMetrics(index);
}
