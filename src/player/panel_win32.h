// The player panel ("SNDP") as the rest of the program sees it.
#pragma once

#include <windows.h>

// The open panel, or null.
extern HWND PanelWindow;
// 1 when the panel starts playing by itself as it opens (files were dropped on the clock).
extern BYTE AutoPlay;

// Opens the panel without owner; returns when it closes.
void OpenPlayerPanel();
