// Placement arithmetic for the clock and its dialogs: edge snapping, bringing the clock back,
// dialogs beside the clock and rescuing lost windows, over plain rectangles.
#pragma once

// A screen rectangle: left and top inside, right and bottom just outside.
struct PlaceRect {
  int left;
  int top;
  int right;
  int bottom;
};

struct PlacePoint {
  int x;
  int y;
};

// A dragged edge closer than this many pixels to an edge of the reference area sticks to it.
constexpr int kSnapThreshold = 6;
// Gap between the clock and a dialog placed above or below it.
constexpr int kDialogGap = 10;

// What is known about the desktop when the clock is dragged.
struct SnapDesktop {
  PlaceRect virtualScreen;  // the bounding rectangle of every monitor
  int monitorCount;
  bool haveWorkArea;        // a monitor holds the window and its work area could be read
  PlaceRect workArea;       // that monitor's area without task bars
};

// The area the clock snaps to: with several monitors the work area of the one holding the window
// (when known), otherwise the whole virtual screen, task bars included.
PlaceRect SnapReferenceArea(const SnapDesktop& desktop);

// The top-left corner for a drag step: `proposed` is where the mouse would put the window,
// `current` where it is now (its size is the one used). Left and top edges win over right and
// bottom ones when both are near.
PlacePoint SnapToArea(const PlaceRect& proposed, const PlaceRect& current, const PlaceRect& area);

// Whether the window sticks out of the primary screen (0, 0)–(width, height) on any side.
bool IsOffPrimaryScreen(const PlaceRect& window, int screenWidth, int screenHeight);

// The top-left corner that brings the window inside the primary screen: the right and bottom
// edges are pulled in first, then the left and top edges are kept at or past 0, so a window
// larger than the screen shows its top-left part.
PlacePoint BringBackPosition(const PlaceRect& window, int screenWidth, int screenHeight);

// The top of a dialog placed beside the clock on the monitor `monitor`: below the clock when the
// clock's centre is in the upper half of the monitor (or on its middle), above it otherwise,
// kDialogGap pixels apart, and moved back onto the monitor vertically where it would stick out.
// The top never goes above the monitor's top, so the caption stays reachable.
int BesideClockTop(const PlaceRect& dialog, const PlaceRect& clock, const PlaceRect& monitor);

// Whether a window lies on the primary screen at all (the test used without monitor functions).
bool TouchesPrimaryScreen(const PlaceRect& window, int screenWidth, int screenHeight);

// The top-left corner for a window the system resizes for another DPI: the corner it suggests,
// moved onto `monitor` (the one the corner was on) when it would leave it.
PlacePoint CornerOnMonitor(const PlaceRect& suggested, const PlaceRect& monitor);

// The top-left corner of a window that grows from `before` to `width` x `height` (a larger
// size or display scale): it keeps its corner, but what the growth would push past the right
// or bottom of `area` is pulled back in, never past the area's left or top. A window the user
// left partly outside the area stays as far outside as it was.
PlacePoint GrownCorner(const PlaceRect& before, int width, int height, const PlaceRect& area);
