// The skin dialog ("SKIN"): brand and skin lists over the catalogue, previewed live on the clock,
// and the voice of the selected skin.
#pragma once

#include <windows.h>

INT_PTR CALLBACK SkinDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Runs the dialog modally over `owner`.
void ShowSkinDialog(HWND owner);
