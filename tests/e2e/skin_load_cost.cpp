// What a whole skin load (LoadSkin: decode, compose, the first push) costs at a scale: the first
// built-in skin loaded again and again at 1, 1.5 and 2, the median wall time of each printed with
// its ratio against 1. scripts/measure-skin-scale.sh runs it; a measurement, not a test.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "../shared/clock_window_win32.h"
#include "base/app_state.h"
#include "base/window_handles_win32.h"
#include "render/face_win32.h"
#include "render/surface.h"
#include "settings/settings.h"
#include "skin/catalogue_win32.h"

namespace {

constexpr int kLoads = 25;

double MedianLoadMs(double scale) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  std::vector<double> ms;
  for (int i = 0; i < kLoads; ++i) {
    // A reload starts from nothing, as the clock thread's does.
    FreeSurface(&PictureSurface);
    FreeSurface(&BackBuffer);
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    const bool loaded = LoadSkin(false, scale);
    QueryPerformanceCounter(&end);
    if (!loaded) return -1;
    ms.push_back(static_cast<double>(end.QuadPart - start.QuadPart) * 1000.0 / frequency.QuadPart);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
  std::sort(ms.begin(), ms.end());
  return ms[ms.size() / 2];
}

}  // namespace

int main() {
  if (!MakeStandInClockWindow("SkinLoadCost", WS_EX_TOOLWINDOW)) return 1;
  BRAND = 0;
  CHARA = 0;
  MedianLoadMs(1.0);  // warms the caches and the window
  const double base = MedianLoadMs(1.0);
  std::printf("  scale  median ms  ratio to 1\n");
  for (double scale : {1.0, 1.5, 2.0}) {
    const double ms = scale == 1.0 ? base : MedianLoadMs(scale);
    std::printf("  %5.2f  %9.2f  %10.2f\n", scale, ms, base > 0 ? ms / base : 0.0);
  }
  DestroyWindow(ClockWindow);
  return base > 0 ? 0 : 1;
}
