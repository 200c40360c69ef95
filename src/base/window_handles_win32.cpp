// The shell's window and module handles.
#include "base/window_handles_win32.h"

HINSTANCE AppInstance = nullptr;
HWND ClockWindow = nullptr;
HWND OwnerWindow = nullptr;
HMODULE User32Module = nullptr;
HANDLE ClockThreadHandle = nullptr;
uint8_t MinimizedToTray = 0;
uint8_t PlayerShown = 1;
