// Dialogs from the resource script, run and placed the same way everywhere.
#pragma once

#include <windows.h>

// Where a dialog appears when it opens (after its own WM_INITDIALOG has run).
enum class DialogPlace {
  kAsDesigned,   // where the template or the procedure puts it
  kOnMonitor,    // KeepOnMonitor only
  kBesideClock,  // PlaceBesideClock, which also keeps it on a monitor
};

// Runs the dialog template `name` of the executable modally over `owner` (null: no owner),
// placing it as asked. `param` reaches the procedure's WM_INITDIALOG as usual. Returns what
// EndDialog was given, or -1 when the dialog could not be created.
INT_PTR RunDialog(const char* name, HWND owner, DLGPROC procedure, LPARAM param,
                  DialogPlace place);

// The same, modeless: returns the dialog window (null on failure) at once. The caller's
// message loop must hand the dialog's messages to IsDialogMessage.
HWND OpenDialog(const char* name, HWND owner, DLGPROC procedure, LPARAM param, DialogPlace place);

// Sets `text`, which comes from outside the program (a feed, a file), as the label of
// `control`: each '&' shows as itself instead of marking a shortcut, and a text wider than the
// control's client width less `reserved` pixels, measured in the control's font, is cut with
// "…". True when it was cut, so the caller can offer the whole text as a tip.
bool SetOutsideLabel(HWND control, const wchar_t* text, int reserved);
