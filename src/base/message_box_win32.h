// The program's message boxes, shown one way everywhere.
#pragma once

#include <windows.h>

// MessageBoxA with the flags every box of the program needs. Windows keeps a process that is not
// in the foreground from bringing its windows forward, and the clock opens most of its boxes on
// its own (news arrived, an alarm file that cannot play, a skin image missing): without these
// flags such a box opens behind the active window with no taskbar button, while its owner waits
// disabled. So every box takes the foreground and stays above other windows (raised by the
// program too where the flag is ignored).
int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type);
