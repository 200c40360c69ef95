// A plain face drawn with GDI, standing in for the skin pictures and digit sheets until the
// skin images are built in: a rounded card with the date and the time.
#include "render/face_win32.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "app/app_state.h"
#include "app/app_win32.h"
#include "app/clock_source_win32.h"
#include "app/test_hooks_win32.h"
#include "render/blend.h"
#include "render/shape_win32.h"
#include "render/surface.h"
#include "settings/settings.h"

namespace {

constexpr int kFaceWidth = 400;
constexpr int kFaceHeight = 330;
constexpr RECT kCard = {30, 95, 370, 235};
constexpr int kCornerRadius = 18;

// Coverage (0-255) of a rounded rectangle at pixel (x, y), with a one-pixel soft edge.
int CardCoverage(int x, int y) {
  int cx = x < kCard.left + kCornerRadius    ? kCard.left + kCornerRadius
           : x >= kCard.right - kCornerRadius ? kCard.right - kCornerRadius - 1
                                              : x;
  int cy = y < kCard.top + kCornerRadius     ? kCard.top + kCornerRadius
           : y >= kCard.bottom - kCornerRadius ? kCard.bottom - kCornerRadius - 1
                                               : y;
  if (x < kCard.left || x >= kCard.right || y < kCard.top || y >= kCard.bottom) return 0;
  int dx = x - cx, dy = y - cy;
  int d2 = dx * dx + dy * dy;
  int r = kCornerRadius;
  if (d2 <= (r - 1) * (r - 1)) return 255;
  if (d2 >= r * r) return 0;
  return 255 * (r * r - d2) / (r * r - (r - 1) * (r - 1));
}

void PaintPicture() {
  for (int y = 0; y < PictureSurface.height; ++y) {
    uint8_t* row = PictureSurface.bits + PictureSurface.rowOffsets[y];
    for (int x = 0; x < PictureSurface.width; ++x) {
      int a = CardCoverage(x, y);
      // Premultiplied navy, lighter towards the top.
      int shade = 255 - (y - kCard.top) * 60 / (kCard.bottom - kCard.top);
      row[x * 4 + 0] = static_cast<uint8_t>(0x66 * shade / 255 * a / 255);
      row[x * 4 + 1] = static_cast<uint8_t>(0x3F * shade / 255 * a / 255);
      row[x * 4 + 2] = static_cast<uint8_t>(0x2A * shade / 255 * a / 255);
      row[x * 4 + 3] = static_cast<uint8_t>(a);
    }
  }
}

void DrawText(HDC dc, const char* text, int height, int weight, RECT box, COLORREF colour) {
  HFONT font = CreateFontA(-height, 0, 0, 0, weight, 0, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH, "Tahoma");
  HGDIOBJ old = SelectObject(dc, font);
  SetTextColor(dc, colour);
  SetBkMode(dc, TRANSPARENT);
  DrawTextA(dc, text, -1, &box, DT_CENTER | DT_SINGLELINE | DT_VCENTER);
  SelectObject(dc, old);
  DeleteObject(font);
}

}  // namespace

void ComposeBase() {
  if (!SurfaceExists(BackBuffer) || !SurfaceExists(PictureSurface)) return;
  int w = PictureSurface.width < BackBuffer.width ? PictureSurface.width : BackBuffer.width;
  int h = PictureSurface.height < BackBuffer.height ? PictureSurface.height : BackBuffer.height;
  if (LayeredAvailable) {
    CopyRect(&BackBuffer, 0, 0, w, h, &PictureSurface, 0, 0);
    return;
  }
  HDC memory = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(memory, static_cast<HBITMAP>(BackBuffer.bitmap));
  if (resemble) {
    // Without per-pixel alpha the picture is laid over a snapshot of what lies under the window.
    RECT r;
    GetWindowRect(ClockWindow, &r);
    LEFT = r.left;
    TOP = r.top;
    HWND desktop = GetDesktopWindow();
    HDC screen = GetDC(desktop);
    BitBlt(memory, 0, 0, w, h, screen, LEFT, TOP, SRCCOPY);
    ReleaseDC(desktop, screen);
    GdiFlush();
    if (w > 0) BlendRect(&BackBuffer, 0, 0, w, h, &PictureSurface, 0, 0);
  } else {
    CopyRect(&BackBuffer, 0, 0, w, h, &PictureSurface, 0, 0);
    HDC window = GetDC(ClockWindow);
    BitBlt(window, 0, 0, w, h, memory, 0, 0, SRCCOPY);
    ReleaseDC(ClockWindow, window);
  }
  SelectObject(memory, old);
  DeleteDC(memory);
  ApplyWindowShape();
}

void DrawTime(const LocalTime& now) {
  if (!SurfaceExists(BackBuffer) || !SurfaceExists(PictureSurface)) return;
  RECT inner = {kCard.left + kCornerRadius, kCard.top + 4, kCard.right - kCornerRadius,
                kCard.bottom - 4};
  for (int y = inner.top; y < inner.bottom; ++y) {
    memcpy(BackBuffer.bits + BackBuffer.rowOffsets[y] + inner.left * 4,
           PictureSurface.bits + PictureSurface.rowOffsets[y] + inner.left * 4,
           static_cast<size_t>(inner.right - inner.left) * 4);
  }
  int hour = now.hour;
  if (!Clock24) {
    hour %= 12;
    if (hour == 0 && Clock12) hour = 12;
  }
  char date[16], time[16];
  snprintf(date, sizeof date, "%d/%d", now.month, now.day);
  snprintf(time, sizeof time, "%d:%02d", hour, now.minute);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, static_cast<HBITMAP>(BackBuffer.bitmap));
  DrawText(dc, date, 24, FW_NORMAL, RECT{inner.left, inner.top + 6, inner.right, inner.top + 36},
           RGB(0xC8, 0xD6, 0xF0));
  DrawText(dc, time, 80, FW_BOLD, RECT{inner.left, inner.top + 34, inner.right, inner.bottom - 4},
           RGB(0xFF, 0xFF, 0xFF));
  GdiFlush();
  SelectObject(dc, old);
  DeleteDC(dc);
  // GDI clears the alpha byte of every pixel it writes; the inner card is opaque.
  for (int y = inner.top; y < inner.bottom; ++y) {
    uint8_t* row = BackBuffer.bits + BackBuffer.rowOffsets[y];
    for (int x = inner.left; x < inner.right; ++x) row[x * 4 + 3] = 255;
  }
  TraceEvent("DrawTime %02d:%02d", now.hour, now.minute);
}

void LoadSkin() {
  TraceEvent("LoadSkin");
  bool firstShow = !SurfaceExists(BackBuffer);
  if (!CreateSurface(&PictureSurface, kFaceWidth, kFaceHeight, "picture")) return;
  PaintPicture();
  // The digit sheet arrives with the skin images; a placeholder keeps the surface present.
  if (!SurfaceExists(MojiSurface) && !CreateSurface(&MojiSurface, 1, 1, "moji")) return;
  if (firstShow && !CreateSurface(&BackBuffer, kFaceWidth, kFaceHeight, "back")) return;
  LastHour = kNothingDrawn;
  LastMinute = kNothingDrawn;
  LocalTime now;
  ReadLocalTime(&now);
  ComposeBase();
  DrawTime(now);
  PushFrame();
  if (firstShow) {
    SetWindowPos(ClockWindow, nullptr, 0, 0, kFaceWidth, kFaceHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(ClockWindow, SW_SHOWNA);
    PushFrame();
  }
  TraceEvent("LoadSkin done");
}

void RedrawFace() {
  LocalTime now;
  ReadLocalTime(&now);
  ComposeBase();
  DrawTime(now);
  PushFrame();
}
