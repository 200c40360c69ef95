// The transparency dialog ("ALPHA"): the clock's constant opacity, previewed live.
#pragma once

#include <windows.h>

constexpr int kAlphaTrack = 1003;
constexpr int kAlphaUseCheck = 1004;
constexpr int kAlphaLowLabel = 1008;
constexpr int kAlphaHighLabel = 1009;

INT_PTR CALLBACK AlphaDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Runs the dialog modally over `owner`.
void ShowAlphaDialog(HWND owner);
