// A window that shows a known test pattern through the clock's own surface, shape and frame
// push code, so the end-to-end tests can check the pixels on screen against the pattern.
// Usage: surface_probe layered|fallback [ALPHA]. Ends on WM_CLOSE.
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <cstring>

#include "app/app_win32.h"
#include "base/app_state.h"
#include "base/resource_ids.h"
#include "render/alpha_dialog_win32.h"
#include "render/blend.h"
#include "render/frame.h"
#include "render/shape_win32.h"
#include "render/surface.h"
#include "render/surface_win32.h"
#include "settings/settings.h"

namespace {

constexpr int kWidth = 200;
constexpr int kHeight = 100;

// Straight-alpha pattern: alpha 0 in the first 20 columns, a ramp up to 255 across the middle,
// opaque in the last 40 columns; colour varies with the row.
void PaintPattern(Surface* s) {
  for (int y = 0; y < kHeight; ++y) {
    uint8_t* row = s->bits + s->rowOffsets[y];
    for (int x = 0; x < kWidth; ++x) {
      int a = x < 20 ? 0 : x >= 160 ? 255 : (x - 20) * 255 / 140;
      row[x * 4 + 0] = static_cast<uint8_t>(y * 2);
      row[x * 4 + 1] = 200;
      row[x * 4 + 2] = static_cast<uint8_t>(255 - y);
      row[x * 4 + 3] = static_cast<uint8_t>(a);
    }
  }
}

LRESULT CALLBACK ProbeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wParam) == CMD_TRANSPARENCY) ShowAlphaDialog(window);
      return 0;
    case WM_TIMER:
      // This thread owns the probe's frame: it serves what the dialog asks, as the clock
      // thread does in the program.
      if (TakeFrameRequests() != 0) PushFrame();
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      if (LayeredAvailable) {
        PushFrame();
      } else {
        PaintFrame(dc);
      }
      EndPaint(window, &ps);
      return 0;
    }
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace

int main(int argc, char** argv) {
  LayeredAvailable = argc < 2 || strcmp(argv[1], "fallback") != 0;
  ALPHA = static_cast<uint8_t>(argc > 2 ? atoi(argv[2]) : 255);
  AlphaUse = ALPHA != 255;
  AppInstance = GetModuleHandleA(nullptr);
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  strcpy(AppTitle, "SurfaceProbe");
  strcpy(AppCaption, "SurfaceProbe");

  WNDCLASSA wc = {};
  wc.lpfnWndProc = ProbeProc;
  wc.hInstance = AppInstance;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.lpszClassName = "SurfaceProbe";
  RegisterClassA(&wc);
  ClockWindow = CreateWindowExA(LayeredAvailable ? WS_EX_LAYERED : 0, "SurfaceProbe", "SurfaceProbe",
                                WS_POPUP, 100, 100, kWidth, kHeight, nullptr, nullptr, AppInstance,
                                nullptr);
  if (ClockWindow == nullptr) return 2;

  if (!CreateSurface(&PictureSurface, kWidth, kHeight, "pattern") ||
      !CreateSurface(&BackBuffer, kWidth, kHeight, "back")) {
    return 3;
  }
  PaintPattern(&PictureSurface);
  Premultiply(&PictureSurface);
  CopyRect(&BackBuffer, 0, 0, kWidth, kHeight, &PictureSurface, 0, 0);
  ApplyWindowShape();
  PushFrame();
  ShowWindow(ClockWindow, SW_SHOWNA);
  PushFrame();
  SetTimer(ClockWindow, 1, 10, nullptr);

  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  ReleaseWindowRegion();
  return 0;
}
