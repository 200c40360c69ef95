// Window placement under Wine: real windows moved by the placement rules with the real monitor
// functions, with them missing (single-screen behaviour), and on a simulated second monitor.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "app/app_win32.h"
#include "base/placement_win32.h"
#include "settings/settings.h"

namespace {

constexpr char kClass[] = "PlacementProbe";

int ScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }
int ScreenHeight() { return GetSystemMetrics(SM_CYSCREEN); }

RECT RectOf(HWND window) {
  RECT r = {};
  GetWindowRect(window, &r);
  return r;
}

// ---- Lookups the tests hand to the placement code ----

std::vector<std::string> askedNames;
const char* missingName = nullptr;

FARPROC RealUser32(const char* name) { return GetProcAddress(GetModuleHandleA("USER32"), name); }

// The real user32, except that one name is not found.
FARPROC OneMissing(const char* name) {
  askedNames.push_back(name);
  if (missingName != nullptr && std::strcmp(name, missingName) == 0) return nullptr;
  return RealUser32(name);
}

FARPROC NoneFound(const char*) { return nullptr; }

// A simulated desktop of two monitors side by side: the real primary screen, and a smaller
// one (800 x 600, with a 30-pixel task bar at its bottom) to its right. Wine under Xvfb reports
// one monitor, so the second exists only for the functions below.
constexpr int kSecondWidth = 800;
constexpr int kSecondHeight = 600;
constexpr int kSecondBar = 30;
const HMONITOR kPrimary = reinterpret_cast<HMONITOR>(static_cast<INT_PTR>(0x1001));
const HMONITOR kSecond = reinterpret_cast<HMONITOR>(static_cast<INT_PTR>(0x1002));

RECT MonitorRect(HMONITOR monitor) {
  if (monitor == kPrimary) return {0, 0, ScreenWidth(), ScreenHeight()};
  return {ScreenWidth(), 0, ScreenWidth() + kSecondWidth, kSecondHeight};
}

RECT WorkRect(HMONITOR monitor) {
  RECT r = MonitorRect(monitor);
  if (monitor == kSecond) r.bottom -= kSecondBar;
  return r;
}

LONG Overlap(const RECT& a, const RECT& b) {
  RECT both;
  if (!IntersectRect(&both, &a, &b)) return 0;
  return (both.right - both.left) * (both.bottom - both.top);
}

HMONITOR WINAPI TwoFromRect(LPCRECT r, DWORD flags) {
  const LONG onPrimary = Overlap(*r, MonitorRect(kPrimary));
  const LONG onSecond = Overlap(*r, MonitorRect(kSecond));
  if (onPrimary == 0 && onSecond == 0) return flags == MONITOR_DEFAULTTONULL ? nullptr : kPrimary;
  return onSecond > onPrimary ? kSecond : kPrimary;
}

HMONITOR WINAPI TwoFromWindow(HWND window, DWORD flags) {
  WINDOWPLACEMENT placement = {};
  placement.length = sizeof placement;
  RECT r = RectOf(window);
  if (IsIconic(window) && GetWindowPlacement(window, &placement)) r = placement.rcNormalPosition;
  return TwoFromRect(&r, flags);
}

HMONITOR WINAPI TwoFromPoint(POINT p, DWORD flags) {
  for (HMONITOR m : {kPrimary, kSecond}) {
    const RECT r = MonitorRect(m);
    if (PtInRect(&r, p)) return m;
  }
  return flags == MONITOR_DEFAULTTONULL ? nullptr : kPrimary;
}

BOOL WINAPI TwoInfo(HMONITOR monitor, LPMONITORINFO info) {
  if (monitor != kPrimary && monitor != kSecond) return FALSE;
  info->rcMonitor = MonitorRect(monitor);
  info->rcWork = WorkRect(monitor);
  info->dwFlags = monitor == kPrimary ? MONITORINFOF_PRIMARY : 0;
  return TRUE;
}

int WINAPI TwoMetrics(int index) {
  switch (index) {
    case SM_CMONITORS:
      return 2;
    case SM_XVIRTUALSCREEN:
    case SM_YVIRTUALSCREEN:
      return 0;
    case SM_CXVIRTUALSCREEN:
      return ScreenWidth() + kSecondWidth;
    case SM_CYVIRTUALSCREEN:
      return ScreenHeight() > kSecondHeight ? ScreenHeight() : kSecondHeight;
    default:
      return GetSystemMetrics(index);
  }
}

template <typename Function>
FARPROC AsProc(Function f) {
  return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(f));
}

FARPROC TwoMonitors(const char* name) {
  if (std::strcmp(name, "MonitorFromWindow") == 0) return AsProc(TwoFromWindow);
  if (std::strcmp(name, "MonitorFromRect") == 0) return AsProc(TwoFromRect);
  if (std::strcmp(name, "MonitorFromPoint") == 0) return AsProc(TwoFromPoint);
  if (std::strcmp(name, "GetMonitorInfoA") == 0) return AsProc(TwoInfo);
  if (std::strcmp(name, "GetSystemMetrics") == 0) return AsProc(TwoMetrics);
  // Enumeration is never needed by the rules; the real functions stand in.
  return RealUser32(name);
}

// ---- Fixture: a stand-in clock window and helpers to make more windows ----

class PlacementTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kClass;
    RegisterClassA(&wc);
    savedClock = ClockWindow;
    savedLeft = LEFT;
    savedTop = TOP;
    ClockWindow = Make(100, 100, 400, 330);
    ASSERT_NE(ClockWindow, nullptr);
    RedoMonitorLookup(nullptr);
  }

  void TearDown() override {
    for (HWND w : windows) DestroyWindow(w);
    ClockWindow = savedClock;
    LEFT = savedLeft;
    TOP = savedTop;
    RedoMonitorLookup(nullptr);
    UnregisterClassA(kClass, GetModuleHandleA(nullptr));
  }

  HWND Make(int x, int y, int width, int height) {
    HWND w = CreateWindowExA(0, kClass, "", WS_POPUP, x, y, width, height, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    if (w != nullptr) windows.push_back(w);
    return w;
  }

  static void Move(HWND window, int x, int y) {
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  static void ExpectAt(HWND window, int x, int y, int width, int height) {
    const RECT r = RectOf(window);
    EXPECT_EQ(r.left, x);
    EXPECT_EQ(r.top, y);
    EXPECT_EQ(r.right - r.left, width);
    EXPECT_EQ(r.bottom - r.top, height);
  }

  std::vector<HWND> windows;
  HWND savedClock = nullptr;
  int savedLeft = 0;
  int savedTop = 0;
};

// ---- The lookup ----

TEST_F(PlacementTest, LookupNeedsAllSevenFunctionsAndIsMadeOnce) {
  askedNames.clear();
  missingName = nullptr;
  RedoMonitorLookup(OneMissing);
  EXPECT_TRUE(MonitorFunctionsFound());
  const std::vector<std::string> seven = {"MonitorFromWindow",   "MonitorFromRect",
                                          "MonitorFromPoint",    "EnumDisplayMonitors",
                                          "GetMonitorInfoA",     "EnumDisplayDevicesA",
                                          "GetSystemMetrics"};
  EXPECT_EQ(askedNames, seven);
  // Remembered: the rules do not look again.
  SnapToEdges(RectOf(ClockWindow), RectOf(ClockWindow));
  KeepOnMonitor(ClockWindow);
  EXPECT_TRUE(MonitorFunctionsFound());
  EXPECT_EQ(askedNames.size(), 7u);

  for (const std::string& name : seven) {
    missingName = name.c_str();
    RedoMonitorLookup(OneMissing);
    EXPECT_FALSE(MonitorFunctionsFound()) << name;
  }
  missingName = nullptr;
  RedoMonitorLookup(nullptr);
  EXPECT_TRUE(MonitorFunctionsFound());
}

// ---- One real monitor, with and without the monitor functions ----

// Each case runs with the real functions and again with none found; on one monitor both must
// behave alike.
void ForBothLookups(const std::function<void()>& check) {
  RedoMonitorLookup(nullptr);
  {
    SCOPED_TRACE("monitor functions");
    ASSERT_TRUE(MonitorFunctionsFound());
    check();
  }
  RedoMonitorLookup(NoneFound);
  {
    SCOPED_TRACE("single-screen fallback");
    ASSERT_FALSE(MonitorFunctionsFound());
    check();
  }
}

TEST_F(PlacementTest, SnapToEdgesOfTheOneScreen) {
  ForBothLookups([] {
    const RECT current = {300, 300, 700, 630};
    const int w = ScreenWidth();
    const int h = ScreenHeight();
    POINT p = SnapToEdges({4, 300, 404, 630}, current);
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, 300);
    p = SnapToEdges({6, 300, 406, 630}, current);
    EXPECT_EQ(p.x, 6);
    p = SnapToEdges({-5, -5, 395, 325}, current);
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, 0);
    p = SnapToEdges({w - 403, h - 332, w - 3, h - 2}, current);
    EXPECT_EQ(p.x, w - 400);
    EXPECT_EQ(p.y, h - 330);
    p = SnapToEdges({w - 406, h - 336, w - 6, h - 6}, current);
    EXPECT_EQ(p.x, w - 406);
    EXPECT_EQ(p.y, h - 336);
  });
}

TEST_F(PlacementTest, KeepOnMonitorMovesOnlyLostWindowsToTheClocksCorner) {
  HWND dialog = Make(0, 0, 300, 200);
  ForBothLookups([&] {
    Move(ClockWindow, 120, 80);
    Move(dialog, 50, 60);
    KeepOnMonitor(dialog);
    ExpectAt(dialog, 50, 60, 300, 200);
    // Partly off the screen still counts as on it.
    Move(dialog, -250, -150);
    KeepOnMonitor(dialog);
    ExpectAt(dialog, -250, -150, 300, 200);
    for (POINT lost : {POINT{ScreenWidth() + 10, 10}, POINT{10, ScreenHeight()},
                       POINT{-300, 10}, POINT{10, -200}}) {
      Move(dialog, lost.x, lost.y);
      KeepOnMonitor(dialog);
      ExpectAt(dialog, 120, 80, 300, 200);
    }
  });
}

TEST_F(PlacementTest, KeepOnMonitorUsesTheWorkAreaCornerWhenTheClockIsLostToo) {
  HWND dialog = Make(0, 0, 300, 200);
  RECT work;
  ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
  ForBothLookups([&] {
    Move(ClockWindow, -5000, -5000);
    Move(dialog, 9000, 9000);
    KeepOnMonitor(dialog);
    ExpectAt(dialog, work.left, work.top, 300, 200);
    // The clock itself is rescued the same way.
    KeepOnMonitor(ClockWindow);
    ExpectAt(ClockWindow, work.left, work.top, 400, 330);
  });
}

TEST_F(PlacementTest, KeepOnMonitorJudgesAndMovesAMinimisedWindowByItsRestoredPlace) {
  RECT work;
  ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
  ForBothLookups([&] {
    Move(ClockWindow, 120, 80);
    // Minimised where they were created. (SetWindowPlacement cannot make a lost one: the
    // system pulls a restored rectangle that would be off every monitor back onto one.)
    HWND lost = Make(9000, 9000, 300, 200);
    HWND kept = Make(40, 50, 300, 200);
    ShowWindow(lost, SW_SHOWMINNOACTIVE);
    ShowWindow(kept, SW_SHOWMINNOACTIVE);
    ASSERT_TRUE(IsIconic(lost));
    ASSERT_TRUE(IsIconic(kept));
    KeepOnMonitor(lost);
    KeepOnMonitor(kept);
    EXPECT_TRUE(IsIconic(lost));
    // The restored rectangles are in workspace coordinates: relative to the primary work area.
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    ASSERT_TRUE(GetWindowPlacement(lost, &placement));
    EXPECT_EQ(placement.rcNormalPosition.left, 120 - work.left);
    EXPECT_EQ(placement.rcNormalPosition.top, 80 - work.top);
    EXPECT_EQ(placement.rcNormalPosition.right - placement.rcNormalPosition.left, 300);
    EXPECT_EQ(placement.rcNormalPosition.bottom - placement.rcNormalPosition.top, 200);
    ASSERT_TRUE(GetWindowPlacement(kept, &placement));
    EXPECT_EQ(placement.rcNormalPosition.left, 40 - work.left);
    EXPECT_EQ(placement.rcNormalPosition.top, 50 - work.top);
    ShowWindow(lost, SW_RESTORE);
    ExpectAt(lost, 120, 80, 300, 200);
  });
}

TEST_F(PlacementTest, PlaceBesideClockAboveALowClockBelowAHighOne) {
  HWND dialog = Make(70, 0, 300, 200);
  const int h = ScreenHeight();
  // The cases below need room for a 330-high clock and a 200-high dialog beside it.
  ASSERT_GE(h, 750);
  ForBothLookups([&] {
    // Clock at the bottom: the dialog ends 10 pixels above it; its left edge stays.
    Move(ClockWindow, 200, h - 330);
    Move(dialog, 70, 0);
    PlaceBesideClock(dialog);
    ExpectAt(dialog, 70, h - 330 - 10 - 200, 300, 200);
    // Clock at the top: the dialog starts 10 pixels below it.
    Move(ClockWindow, 200, 0);
    Move(dialog, 70, 500);
    PlaceBesideClock(dialog);
    ExpectAt(dialog, 70, 340, 300, 200);
    // Clock centred exactly on the screen's middle: below.
    Move(ClockWindow, 200, h / 2 - 165);
    PlaceBesideClock(dialog);
    ExpectAt(dialog, 70, h / 2 + 175, 300, 200);
    // A dialog half the screen high does not fit below it: pulled up to end at the bottom.
    SetWindowPos(dialog, nullptr, 0, 0, 300, h / 2, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    PlaceBesideClock(dialog);
    ExpectAt(dialog, 70, h - h / 2, 300, h / 2);
    SetWindowPos(dialog, nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // A dialog off every monitor sideways ends at the clock's corner.
    Move(ClockWindow, 200, 0);
    Move(dialog, -2000, 500);
    PlaceBesideClock(dialog);
    ExpectAt(dialog, 200, 0, 300, 200);
  });
}

TEST_F(PlacementTest, BringBackOnScreenPullsTheClockInAndRecordsItsPlace) {
  const int w = ScreenWidth();
  const int h = ScreenHeight();
  int left = 0;
  int top = 0;
  Move(ClockWindow, -50, 100);
  EXPECT_TRUE(ClockOffPrimaryScreen());
  BringBackOnScreen(&left, &top);
  ExpectAt(ClockWindow, 0, 100, 400, 330);
  EXPECT_EQ(left, 0);
  EXPECT_EQ(top, 100);
  EXPECT_FALSE(ClockOffPrimaryScreen());

  Move(ClockWindow, w - 120, h - 30);
  EXPECT_TRUE(ClockOffPrimaryScreen());
  BringBackOnScreen(&left, &top);
  ExpectAt(ClockWindow, w - 400, h - 330, 400, 330);
  EXPECT_EQ(left, w - 400);
  EXPECT_EQ(top, h - 330);

  // No clock: nothing is recorded.
  left = 11;
  top = 12;
  ClockWindow = nullptr;
  BringBackOnScreen(&left, &top);
  EXPECT_FALSE(ClockOffPrimaryScreen());
  EXPECT_EQ(left, 11);
  EXPECT_EQ(top, 12);
}

// ---- Two monitors ----

TEST_F(PlacementTest, TwoMonitorsSnapToTheMonitorTheClockWasOn) {
  RedoMonitorLookup(TwoMonitors);
  ASSERT_TRUE(MonitorFunctionsFound());
  const int w = ScreenWidth();
  const int secondBottom = kSecondHeight - kSecondBar;
  // On the second monitor: its work area's bottom (above its task bar) and its left edge,
  // which is the edge shared with the primary screen.
  const RECT onSecond = {w + 100, 100, w + 500, 430};
  POINT p = SnapToEdges({w + 100, secondBottom - 333, w + 500, secondBottom - 3}, onSecond);
  EXPECT_EQ(p.x, w + 100);
  EXPECT_EQ(p.y, secondBottom - 330);
  p = SnapToEdges({w + 4, 100, w + 404, 430}, onSecond);
  EXPECT_EQ(p.x, w);
  // Near the second monitor's real bottom (behind its task bar): no snap with two monitors.
  p = SnapToEdges({w + 100, kSecondHeight - 333, w + 500, kSecondHeight - 3}, onSecond);
  EXPECT_EQ(p.y, kSecondHeight - 333);
  // The same step near the shared edge from the primary side snaps the right edge to it.
  const RECT onPrimary = {w - 500, 100, w - 100, 430};
  p = SnapToEdges({w - 403, 100, w - 3, 430}, onPrimary);
  EXPECT_EQ(p.x, w - 400);
  // The window was below the short second monitor, on none: the virtual screen's edges.
  const int virtualBottom = TwoMetrics(SM_CYVIRTUALSCREEN);
  const RECT onNone = {w + 100, 700, w + 500, 1030};
  p = SnapToEdges({w + 397, virtualBottom - 332, w + 797, virtualBottom - 2}, onNone);
  EXPECT_EQ(p.x, w + kSecondWidth - 400);
  EXPECT_EQ(p.y, virtualBottom - 330);
}

TEST_F(PlacementTest, TwoMonitorsKeepWindowsOnTheSecondAndRescueLostOnes) {
  RedoMonitorLookup(TwoMonitors);
  ASSERT_TRUE(MonitorFunctionsFound());
  const int w = ScreenWidth();
  Move(ClockWindow, w + 50, 40);
  HWND dialog = Make(w + 300, 200, 300, 200);
  // Off the primary screen but on the second monitor: it stays.
  KeepOnMonitor(dialog);
  ExpectAt(dialog, w + 300, 200, 300, 200);
  // Below the second monitor (it is only 600 high): lost, so it goes to the clock's corner.
  Move(dialog, w + 300, kSecondHeight + 800);
  KeepOnMonitor(dialog);
  ExpectAt(dialog, w + 50, 40, 300, 200);

  // Without the monitor functions the same window on the second monitor counts as lost.
  RedoMonitorLookup(NoneFound);
  Move(ClockWindow, 120, 80);
  Move(dialog, w + 300, 200);
  KeepOnMonitor(dialog);
  ExpectAt(dialog, 120, 80, 300, 200);
}

TEST_F(PlacementTest, TwoMonitorsPlaceDialogsByThePrimaryScreensHeight) {
  RedoMonitorLookup(TwoMonitors);
  ASSERT_TRUE(MonitorFunctionsFound());
  const int w = ScreenWidth();
  const int h = ScreenHeight();
  ASSERT_GE(h, 750);
  HWND dialog = Make(w + 300, 0, 300, 200);
  // The second monitor is 600 high (middle 300). A 100-high clock at 260 is centred at 310: in
  // that monitor's lower half, but above the primary screen's middle, and the primary screen is
  // the one that decides, so the dialog goes below the clock.
  SetWindowPos(ClockWindow, nullptr, w + 50, 260, 400, 100, SWP_NOZORDER | SWP_NOACTIVATE);
  PlaceBesideClock(dialog);
  ExpectAt(dialog, w + 300, 370, 300, 200);
  // A 300-high dialog below a clock at 200 runs past the second monitor's bottom but not past
  // the primary screen's, so it stays; it still touches a monitor, so it is not rescued.
  Move(ClockWindow, w + 50, 200);
  SetWindowPos(dialog, nullptr, 0, 0, 300, 300, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  PlaceBesideClock(dialog);
  ExpectAt(dialog, w + 300, 310, 300, 300);
  // A dialog whose horizontal place is on no monitor is then brought to the clock's corner.
  Move(dialog, w + kSecondWidth + 100, 0);
  PlaceBesideClock(dialog);
  ExpectAt(dialog, w + 50, 200, 300, 300);
}

}  // namespace
