// The clock's notification-area icon.
#pragma once

#include <windows.h>
#include <shellapi.h>

extern NOTIFYICONDATAA TrayIconData;

// Adds (or, when already there, updates) the tray entry with the named icon resource.
BOOL AddTrayIcon(const char* iconName, HINSTANCE instance, HWND window);
// Deletes the tray entry and its icon.
void RemoveTrayIcon();
