// The clock's notification-area icon, and the messages that reach it from the shell and from a
// second launch.
#pragma once

#include <windows.h>
#include <shellapi.h>

extern NOTIFYICONDATAA TrayIconData;

// The numbers of the registered messages of base/messages.h; 0 until RegisterShellMessages.
extern UINT TaskbarCreatedMessage;
extern UINT ShowClockMessage;
void RegisterShellMessages();
// Whether `message` is that registered message (never true before registration).
bool IsRegisteredMessage(UINT message, UINT registered);

// The timer of the icon's window that adds the icon again while the shell refuses it (the
// window procedure's own timer, the news chimes', is 1).
constexpr UINT_PTR kTrayRetryTimer = 2;
// How often the timer tries: a taskbar that is late at log-on comes within seconds.
constexpr UINT kTrayRetryMs = 2000;

// Adds (or, when already there, updates) the tray entry with the named icon resource. When the
// shell refuses it (no taskbar yet: a clock started with Windows can come first), the retry
// timer on `window` goes on trying.
BOOL AddTrayIcon(const char* iconName, HINSTANCE instance, HWND window);
// Adds the entry again with the icon it last had: for the retry timer, and for a taskbar made
// again, which has lost every icon. Nothing after RemoveTrayIcon.
void RestoreTrayIcon();
// Loads the entry's icon again at the small-icon size of the current display scale: for a scale
// changed while the clock runs. Nothing after RemoveTrayIcon.
void RefreshTrayIconSize();
// Deletes the tray entry and its icon, and ends the retries.
void RemoveTrayIcon();
