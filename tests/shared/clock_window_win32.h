// A layered popup standing in for the clock window, for Win32 tests and measuring programs that
// load skins without starting the whole program.
#pragma once

#include <windows.h>

#include "base/app_state.h"
#include "base/window_handles_win32.h"
#include "skin/catalogue_win32.h"

// Sets AppInstance and ClockWindow (400×330 at 50,50, `className` registered once) and
// catalogues the built-in skins from this executable's resources, as the program has them at
// start. False when the window cannot be made.
inline bool MakeStandInClockWindow(const char* className, DWORD extraStyle = 0) {
  AppInstance = GetModuleHandleA(nullptr);
  LayeredAvailable = true;
  WNDCLASSA wc = {};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = AppInstance;
  wc.lpszClassName = className;
  RegisterClassA(&wc);
  ClockWindow = CreateWindowExA(WS_EX_LAYERED | extraStyle, className, className, WS_POPUP, 50, 50,
                                400, 330, nullptr, nullptr, AppInstance, nullptr);
  if (ClockWindow == nullptr) return false;
  BuildCatalogueFrom(AppInstance);
  return true;
}
