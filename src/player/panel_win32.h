// The player panel ("SNDP") and the play-list window ("SNDLIST") as the rest of the program
// sees them.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <cstdint>

// The open panel, or null.
extern HWND PanelWindow;
// Non-zero when the panel starts playing by itself as it opens (files were dropped on the clock).
extern int AutoPlay;
// 1 from the end of the panel's initialisation until it closes; the sliders act only then.
extern uint8_t PanelReady;
// 1 while the panel's playback is paused.
extern int Paused;
// 1 while the panel's 10 ms position timer runs.
extern uint16_t PositionTimer;
// The power of ten the length in milliseconds is divided by for the position slider.
extern int64_t PositionScale;
// When the current track started or the panel was last shown again (auto-hide counts from it).
extern DWORD PlayStartTick;
// 0 none, 1 while the list's save dialog is open, 2 while its load dialog is.
extern uint8_t FileDialogBusy;

// Opens the panel without owner; returns when it closes.
void OpenPlayerPanel();

// Closes the play-list window and the panel as their own close buttons do (the playback stops,
// within the media engine's bound, and both windows' places go to the settings). For shutdown:
// call before the settings are saved.
void ClosePlayerWindows();

// The play-list window's procedure, run by the panel's LIST button.
INT_PTR CALLBACK PlayListWindowProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Asks the panel to play the entry at PlayNo because the user chose it (in the list window).
void PlayChosenEntry();

// Files dropped on the clock while the panel is open: the panel takes them as a drop on itself
// (they replace the list and play). False, with the drop untouched, when the panel is closed.
bool DropOnOpenPanel(HDROP drop);

// NEXT and BACK follow the list: enabled while it has entries. For the list window, after it
// changed the list.
void ShowListOnPanel();
