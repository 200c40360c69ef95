// Placement arithmetic for the clock and its dialogs over plain rectangles.
#include "base/placement.h"

#include <climits>

namespace {

// Rectangles come from the window system and may hold anything an int can; sums and
// differences are taken in 64 bits and brought back into range, so no edge overflows.
using Wide = long long;

int ToInt(Wide value) {
  if (value < INT_MIN) return INT_MIN;
  if (value > INT_MAX) return INT_MAX;
  return static_cast<int>(value);
}

// Strictly closer than the threshold: a distance of kSnapThreshold itself does not count.
bool Near(Wide edge, Wide target) {
  return target - kSnapThreshold < edge && edge < target + kSnapThreshold;
}

}  // namespace

PlaceRect SnapReferenceArea(const SnapDesktop& desktop) {
  if (desktop.monitorCount > 1 && desktop.haveWorkArea) return desktop.workArea;
  return desktop.virtualScreen;
}

PlacePoint SnapToArea(const PlaceRect& proposed, const PlaceRect& current, const PlaceRect& area) {
  const Wide width = Wide{current.right} - current.left;
  const Wide height = Wide{current.bottom} - current.top;
  Wide x = proposed.left;
  Wide y = proposed.top;
  if (Near(proposed.left, area.left)) {
    x = area.left;
  } else if (Near(proposed.right, area.right)) {
    x = Wide{area.right} - width;
  }
  if (Near(proposed.top, area.top)) {
    y = area.top;
  } else if (Near(proposed.bottom, area.bottom)) {
    y = Wide{area.bottom} - height;
  }
  return {ToInt(x), ToInt(y)};
}

bool IsOffPrimaryScreen(const PlaceRect& window, int screenWidth, int screenHeight) {
  return window.right > screenWidth || window.bottom > screenHeight || window.left < 0 ||
         window.top < 0;
}

PlacePoint BringBackPosition(const PlaceRect& window, int screenWidth, int screenHeight) {
  Wide x = window.left;
  Wide y = window.top;
  if (window.right > screenWidth) x = Wide{screenWidth} - (Wide{window.right} - window.left);
  if (window.bottom > screenHeight) y = Wide{screenHeight} - (Wide{window.bottom} - window.top);
  // Checked after the pull-in, not before: a window wider or taller than the screen would
  // otherwise be pushed further out to the left or top by the very command meant to bring it in.
  if (x < 0) x = 0;
  if (y < 0) y = 0;
  return {ToInt(x), ToInt(y)};
}

int BesideClockTop(const PlaceRect& dialog, const PlaceRect& clock, const PlaceRect& monitor) {
  const Wide dialogHeight = Wide{dialog.bottom} - dialog.top;
  // Halves truncate toward zero, as C++ division does.
  const Wide monitorMiddle = monitor.top + (Wide{monitor.bottom} - monitor.top) / 2;
  const Wide clockCentre = clock.top + (Wide{clock.bottom} - clock.top) / 2;
  Wide top;
  if (monitorMiddle >= clockCentre) {
    top = Wide{clock.bottom} + kDialogGap;
    if (top + dialogHeight > monitor.bottom) top = monitor.bottom - dialogHeight;
  } else {
    top = Wide{clock.top} - kDialogGap - dialogHeight;
  }
  if (top < monitor.top) top = monitor.top;
  return ToInt(top);
}

bool TouchesPrimaryScreen(const PlaceRect& window, int screenWidth, int screenHeight) {
  return window.right > 0 && window.bottom > 0 && window.left < screenWidth &&
         window.top < screenHeight;
}

PlacePoint CornerOnMonitor(const PlaceRect& suggested, const PlaceRect& monitor) {
  PlacePoint corner = {suggested.left, suggested.top};
  if (monitor.right <= monitor.left || monitor.bottom <= monitor.top) return corner;
  if (corner.x < monitor.left) corner.x = monitor.left;
  if (corner.x >= monitor.right) corner.x = monitor.right - 1;
  if (corner.y < monitor.top) corner.y = monitor.top;
  if (corner.y >= monitor.bottom) corner.y = monitor.bottom - 1;
  return corner;
}

PlacePoint GrownCorner(const PlaceRect& before, int width, int height, const PlaceRect& area) {
  const Wide allowedRight = before.right > area.right ? before.right : area.right;
  const Wide allowedBottom = before.bottom > area.bottom ? before.bottom : area.bottom;
  const Wide lowestLeft = before.left < area.left ? before.left : area.left;
  const Wide lowestTop = before.top < area.top ? before.top : area.top;
  Wide x = before.left;
  Wide y = before.top;
  if (x + width > allowedRight) x = allowedRight - width;
  if (y + height > allowedBottom) y = allowedBottom - height;
  if (x < lowestLeft) x = lowestLeft;
  if (y < lowestTop) y = lowestTop;
  return {ToInt(x), ToInt(y)};
}
