// Process start: settings, single-instance test, window class and windows, start-up work, the
// clock thread and the message loop.
#include <windows.h>

#include <commctrl.h>

#include <cstdlib>

#include "app/app_win32.h"
#include "app/settings_win32.h"
#include "app/tray_win32.h"
#include "base/app_state.h"
#include "base/clock_source_win32.h"
#include "base/dpi_win32.h"
#include "base/message_box_win32.h"
#include "base/test_hooks_win32.h"
#include "news/feeds_win32.h"
#include "news/ticker_win32.h"
#include "settings/settings.h"
#include "skin/catalogue_win32.h"
#include "timesvc/time_signal_win32.h"

namespace {

constexpr int kInitialWidth = 400;
constexpr int kInitialHeight = 330;

DWORD WindowStyle() {
  return WinFlame == 1 ? WS_POPUP : (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX);
}

int MessageLoop() {
  MSG msg;
  for (;;) {
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
      if (GetMessageA(&msg, nullptr, 0, 0) <= 0) break;
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    } else {
      WaitMessage();
    }
  }
  return static_cast<int>(msg.wParam);
}

}  // namespace

ATOM RegisterClockClass(HINSTANCE instance) {
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC;
  wc.lpfnWndProc = ClockWindowProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(instance, "icon");
  wc.hIconSm = wc.hIcon;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
  wc.lpszMenuName = AppTitle;
  wc.lpszClassName = AppTitle;
  if (LayeredAvailable) return RegisterClassExA(&wc);
  WNDCLASSA plain = {wc.style,   wc.lpfnWndProc,   0,
                     0,          wc.hInstance,     wc.hIcon,
                     wc.hCursor, wc.hbrBackground, wc.lpszMenuName,
                     wc.lpszClassName};
  return RegisterClassA(&plain);
}

HWND CreateClockWindow(HINSTANCE instance, int showCommand, HWND owner) {
  DWORD style = WindowStyle();
  DWORD exStyle = LayeredAvailable ? (WS_EX_LAYERED | WS_EX_ACCEPTFILES) : WS_EX_ACCEPTFILES;
  RECT r = {0, 0, kInitialWidth, kInitialHeight};
  AdjustWindowRect(&r, style, TRUE);
  int width = r.right - r.left;
  int height = r.bottom - r.top;
  int x = GetSystemMetrics(SM_CXSCREEN) / 2 - width / 2;
  int y = GetSystemMetrics(SM_CYSCREEN) / 2 - height / 2;
  HWND window = CreateWindowExA(exStyle, AppTitle, AppCaption, style, x, y, width, height,
                                LayeredAvailable ? owner : nullptr, nullptr, instance, nullptr);
  if (window != nullptr && ShowWin != 0) {
    ShowWindow(window, showCommand);
    UpdateWindow(window);
  }
  return window;
}

BOOL InitInstance(HWND clockWindow, HWND ownerWindow, HINSTANCE instance) {
  ClockWindow = clockWindow;
  OwnerWindow = ownerWindow;
  AppInstance = instance;
  PlayStartVoice();
  srand(static_cast<unsigned>(ReadUnixTime()));
  HDC dc = GetDC(ClockWindow);
  int bytesPerPixel = GetDeviceCaps(dc, BITSPIXEL) / 8;
  ReleaseDC(ClockWindow, dc);
  if (bytesPerPixel == 1) {
    ShowMessageBox(ClockWindow, "このソフトは２５６色モードでは動作しません。", AppCaption,
                   MB_ICONWARNING);
    return FALSE;
  }
  CreateTickerFont();
  ClockDpi = QueryWindowDpi(ClockWindow);
  TraceEvent("dpi %d", ClockDpi.load());
  if (TestFeedServer(FeedServer, sizeof FeedServer)) TraceEvent("FeedServer %s", FeedServer);
  ClockState = kClockLoad;
  BuildCatalogue();
  StopRequested = 0;
  ThreadEnded = 0;
  CreateClockWakeEvent();
  ClockThreadHandle = CreateThread(nullptr, 0, ClockThread, ClockWindow, CREATE_SUSPENDED, nullptr);
  if (ClockThreadHandle == nullptr) return FALSE;
  // The first feed check runs on the background worker: the clock shows without waiting for
  // the network, with the bar in place until a failed fetch takes it away. Queued before the
  // clock thread runs, so its first minute finds the next check scheduled.
  StartFeedCheck();
  ResumeThread(ClockThreadHandle);
  return TRUE;
}

int RunClock(HINSTANCE instance, int showCommand) {
  InitTestHooks();
  AppInstance = instance;
  LoadSettings();
  // The feed checks run on the worker and read the address keys from what is published here.
  PublishFeedAddresses();

  RegisterShellMessages();
  HWND running = FindWindowA(AppTitle, nullptr);
  if (running != nullptr) {
    // The running clock is another process's: focus cannot be given to it from here, so it is
    // asked to come forward itself, and allowed to, as this launch is what the user just did.
    DWORD runningProcess = 0;
    GetWindowThreadProcessId(running, &runningProcess);
    AllowSetForegroundWindow(runningProcess);
    PostMessageA(running, ShowClockMessage, 0, 0);
    TraceEvent("second copy: %s already running", AppTitle);
    return 0;
  }

  User32Module = LoadLibraryA("user32.dll");
  LayeredAvailable = User32Module != nullptr &&
                     GetProcAddress(User32Module, "UpdateLayeredWindow") != nullptr &&
                     !TestForcesFallback();

  // The dialogs use track bars and list views.
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);

  if (RegisterClockClass(instance) == 0) return 0;

  HWND owner = CreateClockWindow(instance, showCommand, nullptr);
  HWND clock = CreateClockWindow(instance, showCommand, owner);
  // Without both windows there is nothing to draw into and nothing to own the clock; stop
  // quietly, as for a failed class registration, rather than run a thread against no window.
  if (owner == nullptr || clock == nullptr) {
    if (clock != nullptr) DestroyWindow(clock);
    if (owner != nullptr) DestroyWindow(owner);
    if (User32Module != nullptr) FreeLibrary(User32Module);
    User32Module = nullptr;
    return 0;
  }
  ProbeCpuFeatures();
  TraceEvent("windows created layered=%d", LayeredAvailable ? 1 : 0);

  if (!InitInstance(clock, owner, instance)) {
    DestroyWindow(clock);
    DestroyWindow(owner);
    return 0;
  }
  AddTrayIcon("ICON_TASK", instance, ClockWindow);
  int code = MessageLoop();
  TraceEvent("message loop ended %d", code);
  return code;
}
