// The transparency dialog ("ALPHA"): the clock's constant opacity, previewed live.
#pragma once

#include <windows.h>

INT_PTR CALLBACK AlphaDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Runs the dialog modally over `owner`.
void ShowAlphaDialog(HWND owner);
