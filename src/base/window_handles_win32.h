// The shell's windows and modules, which every subsystem may address (owners of message boxes,
// dialogs placed beside the clock, the frame pushed to the clock window).
#pragma once

#include <windows.h>

#include <cstdint>

extern HINSTANCE AppInstance;
extern HWND ClockWindow;
extern HWND OwnerWindow;
extern HMODULE User32Module;
extern HANDLE ClockThreadHandle;

// 1 while the clock is hidden and only its tray icon is left.
extern uint8_t MinimizedToTray;
// 1 while the player panel and list are on screen (0 after minimising hid them).
extern uint8_t PlayerShown;
