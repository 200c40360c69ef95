// The yardstick for an idle clock's cost: a 400 x 330 layered window with per-pixel alpha that
// repaints once a second, as a plain desktop clock widget would. scripts/measure-idle.sh runs
// it beside the clock and compares their CPU time. Ends on WM_CLOSE.
#include <windows.h>

#include <cstdint>
#include <cstring>

namespace {

constexpr int kWidth = 400;
constexpr int kHeight = 330;

HDC memory = nullptr;
uint32_t* pixels = nullptr;
int frame = 0;

void Repaint(HWND window) {
  // A different shade every second, premultiplied, so each push really carries a new frame.
  const uint32_t a = 0xC0;
  const uint32_t level = static_cast<uint32_t>((frame++ * 37) % 0xC0);
  const uint32_t colour = (a << 24) | (level << 16) | (level << 8) | level;
  for (int i = 0; i < kWidth * kHeight; ++i) pixels[i] = colour;
  SIZE size = {kWidth, kHeight};
  POINT origin = {0, 0};
  BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  UpdateLayeredWindow(window, nullptr, nullptr, &size, memory, &origin, 0, &blend, ULW_ALPHA);
}

LRESULT CALLBACK WidgetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      Repaint(window);
      return 0;
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

int main() {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA wc = {};
  wc.lpfnWndProc = WidgetProc;
  wc.hInstance = instance;
  wc.lpszClassName = "IdleWidget";
  RegisterClassA(&wc);
  HWND window = CreateWindowExA(WS_EX_LAYERED | WS_EX_TOOLWINDOW, "IdleWidget", "IdleWidget",
                                WS_POPUP, 600, 100, kWidth, kHeight, nullptr, nullptr, instance,
                                nullptr);
  if (window == nullptr) return 2;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = kWidth;
  info.bmiHeader.biHeight = -kHeight;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap == nullptr) return 3;
  pixels = static_cast<uint32_t*>(bits);
  memory = CreateCompatibleDC(nullptr);
  SelectObject(memory, bitmap);
  Repaint(window);
  ShowWindow(window, SW_SHOWNA);
  SetTimer(window, 1, 1000, nullptr);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  DeleteDC(memory);
  DeleteObject(bitmap);
  return 0;
}
