// The DPI of the clock's monitor: asked of the system, and told by each WM_DPICHANGED.
#pragma once

#include <windows.h>

#include <atomic>

// The DPI the clock is drawn for. The UI thread sets it, from the window before the clock
// thread starts and from each WM_DPICHANGED; the clock thread reads it when it loads the face.
extern std::atomic<int> ClockDpi;

// The DPI of `window`'s monitor: GetDpiForWindow where the system has it (Windows 10 1607 and
// later), else QueryMonitorDpi of the window's monitor.
int QueryWindowDpi(HWND window);

// The DPI of `monitor`: GetDpiForMonitor where the system has it (Windows 8.1 and later), else
// the screen's LOGPIXELSX, the one DPI of Windows 7 and 8. Both looked up by name.
int QueryMonitorDpi(HMONITOR monitor);

// `length`, given at 96 DPI, in pixels at `window`'s DPI: for sizes the system does not scale
// itself, such as the widths of list-view columns.
int ScaleForWindow(HWND window, int length);

// The system metric `index` (SM_CXSMICON, ...) at `dpi`: GetSystemMetricsForDpi where the system
// has it, else GetSystemMetrics, which answers for the system DPI.
int SystemMetricForDpi(int index, int dpi);
