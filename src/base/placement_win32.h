// Window placement on one or several monitors: snapping the dragged clock to monitor edges,
// bringing it back onto the primary screen, dialogs beside the clock, rescuing lost windows.
#pragma once

#include <windows.h>

// The top-left corner for one drag step of the clock: `proposed` is the window rectangle the
// mouse asks for, `current` the window's rectangle before the step (its size and its monitor
// are the ones used).
POINT SnapToEdges(const RECT& proposed, const RECT& current);

// Moves ClockWindow inside the primary screen and stores its new top-left corner in *left and
// *top (the LEFT and TOP settings); without a clock nothing is moved or stored.
void BringBackOnScreen(int* left, int* top);

// Whether ClockWindow sticks out of the primary screen, that is whether BringBackOnScreen would
// move it (the popup menu offers the command only then).
bool ClockOffPrimaryScreen();

// Puts a dialog just above or below ClockWindow (judged against the primary screen's height),
// keeping its horizontal place, then makes sure it is on a monitor.
void PlaceBesideClock(HWND dialog);

// Where ClockWindow's top-left corner goes when the system suggests `suggested` for a new DPI:
// kept on the monitor the corner is on now (the primary screen without monitor functions).
POINT DpiChangedCorner(const RECT& suggested);

// Where a window's top-left corner goes when it grows to `width` x `height`: GrownCorner on the
// work area of its monitor. False, leaving *corner alone, when the window's place is unknown.
bool GrownWindowCorner(HWND window, int width, int height, POINT* corner);

// Puts a window just below `reference` (above it when it sits in the lower half of its monitor),
// on the work area of the reference's monitor, aligned with its left edge.
void PlaceBeside(HWND window, HWND reference);

// Moves a top-level window that lies on no monitor to ClockWindow's top-left corner.
void KeepOnMonitor(HWND window);

#if MASCOT_TEST_HOOKS
// How the monitor functions are found by name; the program asks the loaded user32.
using MonitorFunctionLookup = FARPROC (*)(const char* name);

// Forgets the remembered lookup so the next rule looks the functions up again through `lookup`
// (null: user32, as the program does). A lookup that misses any name forces the single-screen
// behaviour; one that returns stand-ins simulates other desktops.
void RedoMonitorLookup(MonitorFunctionLookup lookup);

// Whether all the monitor functions were found (looking them up first if that is still due).
bool MonitorFunctionsFound();
#endif
