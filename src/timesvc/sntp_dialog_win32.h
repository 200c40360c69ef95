// The time-server dialog "SNTPC": the server, the start-up sync, a sync now.
#pragma once

#include <windows.h>

// Runs the dialog modally over `owner`, placed beside the clock.
void ShowTimeServerDialog(HWND owner);

INT_PTR CALLBACK TimeServerDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
