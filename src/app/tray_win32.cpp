// The notification-area icon with the clock's caption as its tip, kept there when the taskbar
// comes late or is made again.
#include "app/tray_win32.h"

#include "app/app_win32.h"
#include "base/dpi_win32.h"
#include "base/test_hooks_win32.h"
#include "settings/settings.h"

NOTIFYICONDATAA TrayIconData = {};
UINT TaskbarCreatedMessage = 0;
UINT ShowClockMessage = 0;

namespace {

bool trayAdded = false;
// What the entry shows and where it reports, for adding it again; no window after removal.
char lastIcon[32] = "";
HINSTANCE lastInstance = nullptr;
HWND iconWindow = nullptr;
// The icon the entry shows, loaded at its size here and so ours to destroy once the shell, which
// keeps a copy, shows another.
HICON shownIcon = nullptr;

}  // namespace

void RegisterShellMessages() {
  TaskbarCreatedMessage = RegisterWindowMessageA(kTaskbarCreatedName);
  ShowClockMessage = RegisterWindowMessageA(kShowClockName);
}

bool IsRegisteredMessage(UINT message, UINT registered) {
  return registered != 0 && message == registered;
}

BOOL AddTrayIcon(const char* iconName, HINSTANCE instance, HWND window) {
  lstrcpynA(lastIcon, iconName, sizeof lastIcon);
  lastInstance = instance;
  iconWindow = window;
  // The notification area is on the primary monitor's taskbar and draws small icons at that
  // monitor's scale: 16 pixels at 100 %, 24 at 150 %, 32 at 200 %. The icon holds each size as
  // drawn, so the one asked for is never stretched.
  const int dpi = QueryMonitorDpi(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY));
  const int width = SystemMetricForDpi(SM_CXSMICON, dpi);
  const int height = SystemMetricForDpi(SM_CYSMICON, dpi);
  HICON icon = static_cast<HICON>(LoadImageA(instance, iconName, IMAGE_ICON, width, height, LR_VGACOLOR));
  TraceEvent("tray icon at %d dpi: %dx%d", dpi, width, height);
  ZeroMemory(&TrayIconData, sizeof TrayIconData);
  TrayIconData.cbSize = sizeof TrayIconData;
  TrayIconData.hWnd = window;
  TrayIconData.uID = 1;
  TrayIconData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  TrayIconData.uCallbackMessage = MSG_TRAY;
  TrayIconData.hIcon = icon;
  lstrcpynA(TrayIconData.szTip, AppCaption, sizeof TrayIconData.szTip);
  // A second add for the same id fails in the shell, and a modify of an entry it does not have:
  // what the shell holds can differ from what was last done here (a taskbar made again), so the
  // other call follows when the expected one fails.
  BOOL result = Shell_NotifyIconA(trayAdded ? NIM_MODIFY : NIM_ADD, &TrayIconData);
  if (!result) result = Shell_NotifyIconA(trayAdded ? NIM_ADD : NIM_MODIFY, &TrayIconData);
  trayAdded = result != FALSE;
  if (shownIcon != nullptr && shownIcon != icon) DestroyIcon(shownIcon);
  shownIcon = icon;
  if (result) {
    KillTimer(window, kTrayRetryTimer);
  } else {
    SetTimer(window, kTrayRetryTimer, kTrayRetryMs, nullptr);
  }
  TraceEvent("tray icon %s %d", iconName, result ? 1 : 0);
  return result;
}

void RestoreTrayIcon() {
  if (iconWindow == nullptr) return;
  // The shell that answers now may be a new one, without the entry.
  trayAdded = false;
  AddTrayIcon(lastIcon, lastInstance, iconWindow);
}

void RefreshTrayIconSize() {
  if (iconWindow == nullptr) return;
  // The entry stays; only its image is loaded again at the size the taskbar's scale asks for now.
  AddTrayIcon(lastIcon, lastInstance, iconWindow);
}

void RemoveTrayIcon() {
  if (iconWindow != nullptr) KillTimer(iconWindow, kTrayRetryTimer);
  iconWindow = nullptr;
  Shell_NotifyIconA(NIM_DELETE, &TrayIconData);
  TrayIconData.hIcon = nullptr;
  if (shownIcon != nullptr) DestroyIcon(shownIcon);
  shownIcon = nullptr;
  trayAdded = false;
}
