// Window placement on monitors through the multi-monitor functions, looked up by name, with the
// single-screen behaviour where they are missing.
#include "base/placement_win32.h"

#include "base/placement.h"
#include "base/window_handles_win32.h"

namespace {

using MonitorFromWindowFunction = HMONITOR(WINAPI*)(HWND, DWORD);
using MonitorFromRectFunction = HMONITOR(WINAPI*)(LPCRECT, DWORD);
using MonitorFromPointFunction = HMONITOR(WINAPI*)(POINT, DWORD);
using EnumDisplayMonitorsFunction = BOOL(WINAPI*)(HDC, LPCRECT, MONITORENUMPROC, LPARAM);
using GetMonitorInfoFunction = BOOL(WINAPI*)(HMONITOR, LPMONITORINFO);
using EnumDisplayDevicesFunction = BOOL(WINAPI*)(LPCSTR, DWORD, PDISPLAY_DEVICEA, DWORD);
using GetSystemMetricsFunction = int(WINAPI*)(int);

// The multi-monitor functions of user32. Systems older than Windows 98 / 2000 lack them, so
// they are found by name rather than imported, and used only when every one is there. All the
// rules run on the user-interface thread, which alone looks them up.
struct MonitorFunctions {
  bool lookedUp;
  bool found;
  MonitorFromWindowFunction monitorFromWindow;
  MonitorFromRectFunction monitorFromRect;
  MonitorFromPointFunction monitorFromPoint;
  EnumDisplayMonitorsFunction enumDisplayMonitors;
  GetMonitorInfoFunction getMonitorInfo;
  EnumDisplayDevicesFunction enumDisplayDevices;
  GetSystemMetricsFunction getSystemMetrics;
};

MonitorFunctions monitorFunctions = {};

FARPROC LookUpInUser32(const char* name) {
  // The program imports user32, so it is loaded already; no reference of our own is taken.
  HMODULE user32 = GetModuleHandleA("USER32");
  return user32 != nullptr ? GetProcAddress(user32, name) : nullptr;
}

FARPROC (*lookUp)(const char* name) = LookUpInUser32;

// FARPROC and the real function types differ; the detour through the generic function pointer
// type is the conversion the compiler accepts without a cast warning.
template <typename Function>
bool Find(const char* name, Function* out) {
  FARPROC proc = lookUp(name);
  if (proc == nullptr) return false;
  *out = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(proc));
  return true;
}

const MonitorFunctions& Monitors() {
  if (monitorFunctions.lookedUp) return monitorFunctions;
  MonitorFunctions f = {};
  f.found = Find("MonitorFromWindow", &f.monitorFromWindow) &&
            Find("MonitorFromRect", &f.monitorFromRect) &&
            Find("MonitorFromPoint", &f.monitorFromPoint) &&
            Find("EnumDisplayMonitors", &f.enumDisplayMonitors) &&
            Find("GetMonitorInfoA", &f.getMonitorInfo) &&
            Find("EnumDisplayDevicesA", &f.enumDisplayDevices) &&
            Find("GetSystemMetrics", &f.getSystemMetrics);
  // Some found and some not is no better than none: nothing half-found is kept.
  if (!f.found) f = {};
  f.lookedUp = true;
  monitorFunctions = f;
  return monitorFunctions;
}

PlaceRect ToPlace(const RECT& r) {
  return {static_cast<int>(r.left), static_cast<int>(r.top), static_cast<int>(r.right),
          static_cast<int>(r.bottom)};
}

PlaceRect PrimaryScreen() {
  return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

// The primary monitor's area without task bars; the whole screen if it cannot be read.
PlaceRect PrimaryWorkArea() {
  RECT work;
  if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0)) return PrimaryScreen();
  return ToPlace(work);
}

// Where workspace coordinate (0, 0) is on the screen for this window. A minimised window's
// restored rectangle is kept in workspace coordinates, which start at the primary work area's
// corner (so a task bar at the top or left shifts them), except for tool windows, whose
// placement is in screen coordinates.
POINT WorkspaceOrigin(HWND window) {
  if ((GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) != 0) return {0, 0};
  const PlaceRect work = PrimaryWorkArea();
  return {work.left, work.top};
}

// Moves without sizing, without a z-order change and without taking the focus.
void MoveTopLeft(HWND window, int x, int y) {
  if (IsIconic(window)) {
    // A minimised window's own rectangle is its icon's; what comes back on restore is the
    // placement's normal rectangle, so that is what is moved.
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    if (!GetWindowPlacement(window, &placement)) return;
    const POINT origin = WorkspaceOrigin(window);
    RECT& normal = placement.rcNormalPosition;
    const LONG width = normal.right - normal.left;
    const LONG height = normal.bottom - normal.top;
    normal.left = x - origin.x;
    normal.top = y - origin.y;
    normal.right = normal.left + width;
    normal.bottom = normal.top + height;
    SetWindowPlacement(window, &placement);
    return;
  }
  SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The window's rectangle in screen coordinates, its restored one when it is minimised.
bool RestoredRect(HWND window, PlaceRect* out) {
  if (!IsIconic(window)) {
    RECT r;
    if (!GetWindowRect(window, &r)) return false;
    *out = ToPlace(r);
    return true;
  }
  WINDOWPLACEMENT placement = {};
  placement.length = sizeof placement;
  if (!GetWindowPlacement(window, &placement)) return false;
  const POINT origin = WorkspaceOrigin(window);
  const RECT& normal = placement.rcNormalPosition;
  *out = {static_cast<int>(normal.left + origin.x), static_cast<int>(normal.top + origin.y),
          static_cast<int>(normal.right + origin.x), static_cast<int>(normal.bottom + origin.y)};
  return true;
}

bool WindowOnAMonitor(HWND window) {
  const MonitorFunctions& f = Monitors();
  // MonitorFromWindow already takes a minimised window's restored rectangle.
  if (f.found) return f.monitorFromWindow(window, MONITOR_DEFAULTTONULL) != nullptr;
  PlaceRect r;
  // A window whose place cannot be read is left where it is.
  if (!RestoredRect(window, &r)) return true;
  const PlaceRect screen = PrimaryScreen();
  return TouchesPrimaryScreen(r, screen.right, screen.bottom);
}

bool PointOnAMonitor(POINT p) {
  const MonitorFunctions& f = Monitors();
  if (f.found) return f.monitorFromPoint(p, MONITOR_DEFAULTTONULL) != nullptr;
  const PlaceRect screen = PrimaryScreen();
  return p.x >= 0 && p.y >= 0 && p.x < screen.right && p.y < screen.bottom;
}

}  // namespace

POINT SnapToEdges(const RECT& proposed, const RECT& current) {
  const MonitorFunctions& f = Monitors();
  SnapDesktop desktop = {};
  if (f.found) {
    // The virtual screen starts left of or above 0 when a monitor lies left of or above the
    // primary one, so its origin is read rather than assumed.
    const int x = f.getSystemMetrics(SM_XVIRTUALSCREEN);
    const int y = f.getSystemMetrics(SM_YVIRTUALSCREEN);
    desktop.virtualScreen = {x, y, x + f.getSystemMetrics(SM_CXVIRTUALSCREEN),
                             y + f.getSystemMetrics(SM_CYVIRTUALSCREEN)};
    desktop.monitorCount = f.getSystemMetrics(SM_CMONITORS);
    if (desktop.monitorCount > 1) {
      HMONITOR monitor = f.monitorFromRect(&current, MONITOR_DEFAULTTONULL);
      MONITORINFO info = {};
      info.cbSize = sizeof info;
      if (monitor != nullptr && f.getMonitorInfo(monitor, &info)) {
        desktop.haveWorkArea = true;
        desktop.workArea = ToPlace(info.rcWork);
      }
    }
  } else {
    desktop.virtualScreen = PrimaryScreen();
    desktop.monitorCount = 1;
  }
  const PlacePoint p =
      SnapToArea(ToPlace(proposed), ToPlace(current), SnapReferenceArea(desktop));
  return {p.x, p.y};
}

void BringBackOnScreen(int* left, int* top) {
  RECT r;
  if (ClockWindow == nullptr || !GetWindowRect(ClockWindow, &r)) return;
  const PlaceRect screen = PrimaryScreen();
  const PlacePoint p = BringBackPosition(ToPlace(r), screen.right, screen.bottom);
  *left = p.x;
  *top = p.y;
  MoveTopLeft(ClockWindow, p.x, p.y);
}

bool ClockOffPrimaryScreen() {
  RECT r;
  if (ClockWindow == nullptr || !GetWindowRect(ClockWindow, &r)) return false;
  const PlaceRect screen = PrimaryScreen();
  return IsOffPrimaryScreen(ToPlace(r), screen.right, screen.bottom);
}

void PlaceBesideClock(HWND dialog) {
  RECT d;
  RECT c;
  if (!GetWindowRect(dialog, &d)) return;
  if (ClockWindow != nullptr && GetWindowRect(ClockWindow, &c)) {
    // The primary screen decides above or below even when the clock is on another monitor;
    // KeepOnMonitor below still rescues a dialog that this puts on no monitor.
    const int top = BesideClockTop(ToPlace(d), ToPlace(c), PrimaryScreen());
    MoveTopLeft(dialog, d.left, top);
  }
  KeepOnMonitor(dialog);
}

// The work area of the monitor nearest the window (the primary one without monitor functions).
PlaceRect WorkAreaOf(HWND window) {
  const MonitorFunctions& f = Monitors();
  MONITORINFO info = {};
  info.cbSize = sizeof info;
  if (f.found && f.getMonitorInfo(f.monitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info)) {
    return ToPlace(info.rcWork);
  }
  return PrimaryWorkArea();
}

bool GrownWindowCorner(HWND window, int width, int height, POINT* corner) {
  RECT r;
  if (!GetWindowRect(window, &r)) return false;
  const PlacePoint p = GrownCorner(ToPlace(r), width, height, WorkAreaOf(window));
  *corner = {p.x, p.y};
  return true;
}

void PlaceBeside(HWND window, HWND reference) {
  RECT w;
  RECT r;
  if (!GetWindowRect(window, &w) || !GetWindowRect(reference, &r)) return;
  const PlaceRect area = WorkAreaOf(reference);
  // Above or below it as a dialog goes beside the clock, on the reference's own monitor, and
  // aligned with its left edge as far as that monitor allows.
  const int top = BesideClockTop(ToPlace(w), ToPlace(r), area);
  const int width = w.right - w.left;
  int left = r.left;
  if (left + width > area.right) left = area.right - width;
  if (left < area.left) left = area.left;
  MoveTopLeft(window, left, top);
}

void KeepOnMonitor(HWND window) {
  if (!IsWindow(window) || WindowOnAMonitor(window)) return;
  RECT c;
  POINT corner;
  if (ClockWindow != nullptr && GetWindowRect(ClockWindow, &c) &&
      PointOnAMonitor(POINT{c.left, c.top})) {
    corner = {c.left, c.top};
  } else {
    // The clock is lost as well (its monitor was unplugged, or there is no clock): its corner
    // would hide the window too, so the primary work area's corner is taken instead.
    const PlaceRect work = PrimaryWorkArea();
    corner = {work.left, work.top};
  }
  MoveTopLeft(window, corner.x, corner.y);
}

POINT DpiChangedCorner(const RECT& suggested) {
  PlaceRect monitor = PrimaryScreen();
  RECT now;
  const MonitorFunctions& f = Monitors();
  if (f.found && ClockWindow != nullptr && GetWindowRect(ClockWindow, &now)) {
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    HMONITOR holding = f.monitorFromPoint(POINT{now.left, now.top}, MONITOR_DEFAULTTONEAREST);
    if (holding != nullptr && f.getMonitorInfo(holding, &info)) monitor = ToPlace(info.rcMonitor);
  }
  const PlacePoint corner = CornerOnMonitor(ToPlace(suggested), monitor);
  return POINT{corner.x, corner.y};
}

#if MASCOT_TEST_HOOKS
void RedoMonitorLookup(MonitorFunctionLookup lookup) {
  lookUp = lookup != nullptr ? lookup : LookUpInUser32;
  monitorFunctions = {};
}

bool MonitorFunctionsFound() { return Monitors().found; }
#endif
