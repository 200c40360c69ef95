// The DPI of the clock's monitor: asked of the system, and told by each WM_DPICHANGED.
#pragma once

#include <windows.h>

#include <atomic>

// The DPI the clock is drawn for. The UI thread sets it, from the window before the clock
// thread starts and from each WM_DPICHANGED; the clock thread reads it when it loads the face.
extern std::atomic<int> ClockDpi;

// The DPI of `window`'s monitor: GetDpiForWindow where the system has it (Windows 10 1607 and
// later; looked up by name, as Windows 7 and 8 lack it), else the screen's LOGPIXELSX.
int QueryWindowDpi(HWND window);
