// The application shell's entry points: start-up, the window procedure and the clock thread.
#pragma once

#include <windows.h>

#include <cstdint>

#include "base/messages.h"
#include "base/window_handles_win32.h"

ATOM RegisterClockClass(HINSTANCE instance);
HWND CreateClockWindow(HINSTANCE instance, int showCommand, HWND owner);
BOOL InitInstance(HWND clockWindow, HWND ownerWindow, HINSTANCE instance);

// The popup menu at a screen point: the full menu, or the two-item one while in the tray.
void ShowPopupMenu(HINSTANCE instance, int x, int y);

// The window procedure both windows share.
LRESULT CALLBACK ClockWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The clock thread's start routine; its parameter is the window WM_CLOSE goes to.
DWORD WINAPI ClockThread(LPVOID window);

// Makes the event that wakes the clock thread from an idle sleep; call before starting it.
void CreateClockWakeEvent();

// Asks the clock thread to stop and waits until it has, at most `timeoutMs`, without starving
// calls it makes that need this (the UI) thread; a message box the thread shows is closed, as
// nobody may be there to answer it. Returns false when the thread could not be waited for or
// had not ended in time.
bool StopClockThread(DWORD timeoutMs = INFINITE);

// The WinMain body, kept apart from the entry point so tests can drive start-up.
int RunClock(HINSTANCE instance, int showCommand);
