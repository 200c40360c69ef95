// Filling the play list from dropped files and folders, and reading and saving ".lst" files.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include "base/messages.h"
#include "base/warning_win32.h"

// The play-list window while it is open, else null; it takes LIST_REFILL and LIST_MARK.
extern HWND ListWindow;

// "未対応の形式です。": what the player says of a file of a kind it does not play.
extern const char kUnsupportedKindText[];

// Appends the media files of `folder` and of its sub-folders down to 19 levels below a top call
// with depth 0, in the order the file system lists them. Paths of 260 bytes or more are skipped;
// the search ends when the list is full.
void ScanFolder(const char* folder, int depth);

// Appends the dropped files and folders, loads a dropped ".lst" (which becomes ListName and
// replaces the list at its turn), then frees the drop and rebuilds the order; files of other
// kinds get one warning for the whole drop, naming the first five and counting the rest. True
// when something was added or loaded.
bool AddDroppedFiles(HDROP drop);
bool AddDroppedFilesWith(HDROP drop, WarningSink warn);

// Replaces the list with the ".lst" file's; a missing file gives an empty list with PlayNo 0.
// A relative name is taken from the current directory. False, with the list untouched, when the
// name cannot be made a full path.
bool LoadPlayList(const char* file);

// Writes the list to the file, which then holds exactly the "PlayList" section with "PlayNo" (the
// current entry) and a FILE%04d key per entry. The old file is replaced only by a whole new one:
// false, with the Windows error in *error (when given) and the old file as it was, when it could
// not be written.
bool SavePlayList(const char* file, unsigned long* error = nullptr);
