// Process-wide Win32 handles of the application shell and its start-up functions.
#pragma once

#include <windows.h>

#include <cstdint>

// Messages of our own to ClockWindow.
constexpr UINT MSG_SYNC_TIME = WM_USER + 1;
constexpr UINT MSG_NEWS_UPDATED = WM_USER + 2;
constexpr UINT MSG_SKIN_UPDATE_RESULT = WM_USER + 3;
constexpr UINT MSG_TRAY = WM_APP + 100;

extern HINSTANCE AppInstance;
extern HWND ClockWindow;
extern HWND OwnerWindow;
extern HMODULE User32Module;
extern HANDLE ClockThreadHandle;

// 1 while the clock is hidden and only its tray icon is left.
extern uint8_t MinimizedToTray;
// 1 while the player panel and list are on screen (0 after minimising hid them).
extern uint8_t PlayerShown;

ATOM RegisterClockClass(HINSTANCE instance);
HWND CreateClockWindow(HINSTANCE instance, int showCommand, HWND owner);
BOOL InitInstance(HWND clockWindow, HWND ownerWindow, HINSTANCE instance);

// The popup menu at a screen point: the full menu, or the two-item one while in the tray.
void ShowPopupMenu(HINSTANCE instance, int x, int y);

// The window procedure both windows share.
LRESULT CALLBACK ClockWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The clock thread's start routine; its parameter is the window WM_CLOSE goes to.
DWORD WINAPI ClockThread(LPVOID window);

// Asks the clock thread to stop and waits until it has, without starving calls it makes that
// need this (the UI) thread. Returns false only if the thread could not be waited for.
bool StopClockThread();

// The WinMain body, kept apart from the entry point so tests can drive start-up.
int RunClock(HINSTANCE instance, int showCommand);
