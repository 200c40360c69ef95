// The window procedure shared by both windows, and the shutdown sequence.
#include <windows.h>

#include "app/app_state.h"
#include "app/app_win32.h"
#include "app/test_hooks_win32.h"
#include "app/tray_win32.h"
#include "news/ticker_win32.h"
#include "render/alpha_dialog_win32.h"
#include "render/face_win32.h"
#include "render/shape_win32.h"
#include "render/surface.h"
#include "settings/settings.h"
#include "settings/settings_win32.h"
#include "timesvc/clip_player_win32.h"
#include "timesvc/time_signal_win32.h"

uint8_t MinimizedToTray = 0;

namespace {

constexpr WORD kCommandTransparency = 40010;

bool shuttingDown = false;

void ShutDown(HWND window) {
  // A close that arrives while closing (sent from outside during the waits below) is ignored.
  if (shuttingDown) return;
  shuttingDown = true;
  TraceEvent("WM_CLOSE");
  StopClockThread();
  if (ClockThreadHandle != nullptr) CloseHandle(ClockThreadHandle);
  ClockThreadHandle = nullptr;
  TraceEvent("clock thread stopped ended=%d", ThreadEnded.load());
  StopClip();
  if (MinimizedToTray) ShowWindow(window, SW_RESTORE);
  PlayExitVoice();
  ShowWindow(ClockWindow, SW_HIDE);
  SaveSettings();
  ReleaseWindowRegion();
  RemoveTrayIcon();
  if (User32Module != nullptr) FreeLibrary(User32Module);
  User32Module = nullptr;
  DestroyWindow(window);
  if (OwnerWindow != nullptr && OwnerWindow != window && IsWindow(OwnerWindow)) {
    DestroyWindow(OwnerWindow);
  }
}

}  // namespace

LRESULT CALLBACK ClockWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_PAINT:
    case WM_NCPAINT: {
      PAINTSTRUCT ps;
      TraceEvent("paint");
      BeginPaint(window, &ps);
      if (resemble) RedrawFace();
      TickerStep();
      PushFrame();
      EndPaint(window, &ps);
      return 0;
    }
    case WM_CLOSE:
      ShutDown(window);
      return 0;
    case WM_COMMAND:
      if (LOWORD(wParam) == kCommandTransparency) ShowAlphaDialog(window);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}
