// The fallback window shape: visible runs of the picture gathered into one region.
#include "render/shape_win32.h"

#include <cstdlib>
#include <vector>

#include "base/app_state.h"
#include "base/window_handles_win32.h"
#include "render/alpha_region.h"
#include "render/surface.h"

HRGN WindowRegion = nullptr;

HRGN BuildAlphaRegion() {
  int count = CollectAlphaRuns(PictureSurface, nullptr, 0);
  if (count == 0) return nullptr;
  // One ExtCreateRegion over all runs gives the same region as uniting them one by one, without
  // rebuilding the region a few thousand times for a full picture.
  size_t bytes = sizeof(RGNDATAHEADER) + sizeof(RECT) * static_cast<size_t>(count);
  RGNDATA* data = static_cast<RGNDATA*>(calloc(1, bytes));
  std::vector<AlphaRun> runs(static_cast<size_t>(count));
  if (data == nullptr) return nullptr;
  CollectAlphaRuns(PictureSurface, runs.data(), count);
  RECT* rects = reinterpret_cast<RECT*>(data->Buffer);
  RECT bounds = {PictureSurface.width, PictureSurface.height, 0, 0};
  for (int i = 0; i < count; ++i) {
    const AlphaRun& r = runs[static_cast<size_t>(i)];
    rects[i] = RECT{r.left, r.y, r.right, r.y + 1};
    if (r.left < bounds.left) bounds.left = r.left;
    if (r.right > bounds.right) bounds.right = r.right;
    if (r.y < bounds.top) bounds.top = r.y;
    if (r.y + 1 > bounds.bottom) bounds.bottom = r.y + 1;
  }
  data->rdh.dwSize = sizeof(RGNDATAHEADER);
  data->rdh.iType = RDH_RECTANGLES;
  data->rdh.nCount = static_cast<DWORD>(count);
  data->rdh.nRgnSize = static_cast<DWORD>(sizeof(RECT) * static_cast<size_t>(count));
  data->rdh.rcBound = bounds;
  HRGN region = ExtCreateRegion(nullptr, static_cast<DWORD>(bytes), data);
  free(data);
  return region;
}

bool ApplyWindowShape() {
  if (LayeredAvailable) return true;
  if (WindowRegion == nullptr) WindowRegion = BuildAlphaRegion();
  if (WindowRegion == nullptr) return true;
  // The window takes ownership of the region it is given and deletes it when it gets another,
  // so it gets a copy; WindowRegion stays ours for the next frame and for the release at exit.
  HRGN copy = CreateRectRgn(0, 0, 0, 0);
  if (copy == nullptr) return true;
  if (CombineRgn(copy, WindowRegion, nullptr, RGN_COPY) == ERROR ||
      SetWindowRgn(ClockWindow, copy, TRUE) == 0) {
    DeleteObject(copy);
  }
  return true;
}

void ReleaseWindowRegion() {
  if (WindowRegion != nullptr) DeleteObject(WindowRegion);
  WindowRegion = nullptr;
}
