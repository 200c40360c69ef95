// The notification-area icon with the clock's caption as its tip.
#include "app/tray_win32.h"

#include "app/app_win32.h"
#include "base/test_hooks_win32.h"
#include "settings/settings.h"

NOTIFYICONDATAA TrayIconData = {};

namespace {
bool trayAdded = false;
}

BOOL AddTrayIcon(const char* iconName, HINSTANCE instance, HWND window) {
  ZeroMemory(&TrayIconData, sizeof TrayIconData);
  TrayIconData.cbSize = sizeof TrayIconData;
  TrayIconData.hWnd = window;
  TrayIconData.uID = 1;
  TrayIconData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  TrayIconData.uCallbackMessage = MSG_TRAY;
  // Shared icons belong to the system, which frees them with the module; never DestroyIcon them.
  TrayIconData.hIcon = static_cast<HICON>(
      LoadImageA(instance, iconName, IMAGE_ICON, 16, 16, LR_SHARED | LR_VGACOLOR));
  lstrcpynA(TrayIconData.szTip, AppCaption, sizeof TrayIconData.szTip);
  // A second add for the same id fails in the shell; modify keeps one entry and swaps the icon.
  BOOL result = Shell_NotifyIconA(trayAdded ? NIM_MODIFY : NIM_ADD, &TrayIconData);
  if (!result && trayAdded) result = Shell_NotifyIconA(NIM_ADD, &TrayIconData);
  trayAdded = trayAdded || result;
  TraceEvent("tray icon %s %d", iconName, result ? 1 : 0);
  return result;
}

void RemoveTrayIcon() {
  Shell_NotifyIconA(NIM_DELETE, &TrayIconData);
  TrayIconData.hIcon = nullptr;
  trayAdded = false;
}
