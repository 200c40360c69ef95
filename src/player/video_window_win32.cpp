// The video window: its class and procedure, and the sizing rules applied to the picture.
#include "player/video_window_win32.h"

#include <oleauto.h>

#include <cstring>

#include "base/messages.h"
#include "base/paths_win32.h"
#include "base/placement_win32.h"
#include "base/window_handles_win32.h"
#include "player/media_engine_win32.h"
#include "player/media_rules.h"
#include "settings/settings.h"

const char kVideoWindowClass[] = "TarvoClockVideo";
std::atomic<MediaPlayer*> VideoPlayer{nullptr};
std::atomic<int32_t> FrameWidth{0};
std::atomic<int32_t> FrameHeight{0};

namespace {

// Each window remembers its own player and the aspect of its own picture: after its playback
// the player may already show another file in another window.
enum WindowSlot { kSlotPlayer = 0, kSlotAspectX = 1, kSlotAspectY = 2, kSlotCount = 3 };

MediaPlayer* PlayerOf(HWND window) {
  return reinterpret_cast<MediaPlayer*>(GetWindowLongPtrA(window, kSlotPlayer * sizeof(LONG_PTR)));
}

void AspectOf(HWND window, int32_t* ax, int32_t* ay) {
  *ax = static_cast<int32_t>(GetWindowLongPtrA(window, kSlotAspectX * sizeof(LONG_PTR)));
  *ay = static_cast<int32_t>(GetWindowLongPtrA(window, kSlotAspectY * sizeof(LONG_PTR)));
}

// The player whose picture this window shows now, or null (none yet, or its playback is over).
// Only this window's thread changes VideoWindow; the playback thread reads it under the lock.
void ForgetVideoWindow(MediaPlayer* player) {
  std::lock_guard<std::mutex> guard(player->Lock);
  player->VideoWindow = nullptr;
}

MediaPlayer* CurrentPlayerOf(HWND window) {
  MediaPlayer* player = PlayerOf(window);
  return player != nullptr && player->VideoWindow == window ? player : nullptr;
}

void MeasureFrame(HWND window) {
  RECT outer;
  RECT client;
  if (!GetWindowRect(window, &outer) || !GetClientRect(window, &client)) return;
  FrameWidth = (outer.right - outer.left) - (client.right - client.left);
  FrameHeight = (outer.bottom - outer.top) - (client.bottom - client.top);
}

// Places the picture inside the client area: all of it, or fitted to the aspect.
void PlacePicture(HWND window, bool fit) {
  MediaPlayer* player = CurrentPlayerOf(window);
  if (player == nullptr) return;
  RECT client;
  GetClientRect(window, &client);
  VideoRect r = {0, 0, client.right, client.bottom};
  if (fit) {
    int32_t ax;
    int32_t ay;
    AspectOf(window, &ax, &ay);
    r = FitVideo(client.right, client.bottom, ax, ay);
  }
  std::lock_guard<std::mutex> guard(player->Lock);
  if (player->VideoWin == nullptr) return;
  player->VideoWin->SetWindowPosition(r.left, r.top, r.width, r.height);
}

void FillBlack(HWND window) {
  RECT client;
  GetClientRect(window, &client);
  HDC dc = GetDC(window);
  if (dc == nullptr) return;
  FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  ReleaseDC(window, dc);
}

bool RegisterVideoClass() {
  WNDCLASSA wc = {};
  wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC;
  wc.lpfnWndProc = VideoWindowProc;
  wc.cbWndExtra = kSlotCount * sizeof(LONG_PTR);
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hIcon = LoadIconA(wc.hInstance, "icon");
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  wc.lpszClassName = kVideoWindowClass;
  return RegisterClassA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

void SetupVideo(MediaPlayer* player, const char* path) {
  IBasicVideo* basic = nullptr;
  if (FAILED(player->Graph->QueryInterface(IID_IBasicVideo, reinterpret_cast<void**>(&basic)))) {
    return;
  }
  long width = 0;
  long height = 0;
  const bool sized = SUCCEEDED(basic->get_SourceWidth(&width)) &&
                     SUCCEEDED(basic->get_SourceHeight(&height));
  basic->Release();
  int32_t ax;
  int32_t ay;
  if (!sized || !PictureAspect(width, height, &ax, &ay)) return;
  IVideoWindow* videoWin = nullptr;
  if (FAILED(player->Graph->QueryInterface(IID_IVideoWindow,
                                           reinterpret_cast<void**>(&videoWin)))) {
    return;
  }
  {
    std::lock_guard<std::mutex> guard(player->Lock);
    player->VideoWin = videoWin;
  }
  player->AspectX = ax;
  player->AspectY = ay;

  PathParts parts;
  player->Caption[0] = '\0';
  if (SplitPath(path, &parts)) {
    strncpy(player->Caption, parts.name, sizeof player->Caption - 1);
    player->Caption[sizeof player->Caption - 1] = '\0';
  }
  wchar_t wide[MAX_PATH];
  const int n = MultiByteToWideChar(CP_ACP, 0, player->Caption, -1, wide, MAX_PATH);
  if (n > 0) {
    BSTR caption = SysAllocStringLen(wide, static_cast<UINT>(n - 1));
    if (caption != nullptr) {
      videoWin->put_Caption(caption);
      SysFreeString(caption);
    }
  }
  videoWin->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS);
  // The client area starts at the picture's own size. The renderer's window size would add the
  // frame it had before it became a child, and stretch the picture out of its aspect.
  if (player->VideoWindow == nullptr) {
    player->VideoWindow =
        CreateVideoWindow(player->Caption, player, MoviePosX, MoviePosY, width, height);
  }
  if (player->VideoWindow == nullptr) return;
  videoWin->put_Owner(reinterpret_cast<OAHWND>(player->VideoWindow));
  videoWin->put_Left(0);
  videoWin->put_Top(0);
  videoWin->put_MessageDrain(reinterpret_cast<OAHWND>(player->VideoWindow));
}

HWND CreateVideoWindow(const char* name, MediaPlayer* player, int x, int y, int w, int h) {
  if (!RegisterVideoClass()) return nullptr;
  RECT r = {0, 0, w, h};
  AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
  HWND window = CreateWindowExA(0, kVideoWindowClass, name, WS_OVERLAPPEDWINDOW, x, y,
                                r.right - r.left, r.bottom - r.top, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
  if (window == nullptr) return nullptr;
  SendMessageA(window, MSG_VIDEO_PLAYER, reinterpret_cast<WPARAM>(player), 0);
  // A position saved on a monitor that is gone would open the picture where nobody sees it.
  KeepOnMonitor(window);
  return window;
}

void ShowVideoWindow(MediaPlayer* player) {
  HWND window = player->VideoWindow;
  if (window == nullptr) return;
  if (FullScreenFlag != 0) {
    ShowWindow(window, SW_MAXIMIZE);
  } else {
    ShowWindow(window, SW_SHOW);
    PlacePicture(window, false);
  }
}

void DestroyVideoWindow(HWND window) {
  if (IsWindow(window)) DestroyWindow(window);
}

LRESULT CALLBACK VideoWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      MeasureFrame(window);
      return 0;
    case MSG_VIDEO_PLAYER: {
      MediaPlayer* player = reinterpret_cast<MediaPlayer*>(wParam);
      SetWindowLongPtrA(window, kSlotPlayer * sizeof(LONG_PTR), reinterpret_cast<LONG_PTR>(player));
      if (player != nullptr) {
        SetWindowLongPtrA(window, kSlotAspectX * sizeof(LONG_PTR), player->AspectX);
        SetWindowLongPtrA(window, kSlotAspectY * sizeof(LONG_PTR), player->AspectY);
      }
      VideoPlayer = player;
      return 0;
    }
    case WM_MOVE:
      // Minimised or maximised places are not where the window should come back.
      if (PlayerOf(window) != nullptr && !IsIconic(window) && !IsZoomed(window)) {
        RECT r;
        if (GetWindowRect(window, &r)) {
          MoviePosX = r.left;
          MoviePosY = r.top;
        }
      }
      return 0;
    case WM_SIZE:
      if (PlayerOf(window) == nullptr) break;
      if (wParam == SIZE_RESTORED) {
        FullScreenFlag = 0;
        PlacePicture(window, false);
      } else if (wParam == SIZE_MINIMIZED) {
        FullScreenFlag = 0;
      } else if (wParam == SIZE_MAXIMIZED) {
        FullScreenFlag = 1;
        FillBlack(window);
        PlacePicture(window, true);
      }
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(window, &ps);
      EndPaint(window, &ps);
      return 0;
    }
    case WM_CLOSE: {
      MediaPlayer* player = CurrentPlayerOf(window);
      if (player != nullptr && player->Playing != 0) {
        // The stop closes this window, or only hides it when it gives up a graph that does not
        // let go: the picture is a child of this window until that graph is released.
        StopPlayback(player);
        return 0;
      }
      if (player != nullptr) ForgetVideoWindow(player);
      DestroyWindow(window);
      return 0;
    }
    case WM_DESTROY: {
      // Destroyed without a close (its thread ended): its playback ends with it.
      MediaPlayer* player = CurrentPlayerOf(window);
      if (player != nullptr) {
        ForgetVideoWindow(player);
        StopPlayback(player);
      }
      // The player may already show its next file in another window.
      MediaPlayer* own = PlayerOf(window);
      if (own != nullptr && own->VideoWindow == nullptr) {
        MediaPlayer* expected = own;
        VideoPlayer.compare_exchange_strong(expected, nullptr);
      }
      return 0;
    }
    case WM_GETMINMAXINFO: {
      RECT r;
      if (PlayerOf(window) == nullptr || !GetWindowRect(window, &r) || r.right == r.left) break;
      MeasureFrame(window);
      int32_t ax;
      int32_t ay;
      AspectOf(window, &ax, &ay);
      int32_t w;
      int32_t h;
      MinimumVideoClient(ax, ay, &w, &h);
      MINMAXINFO* info = reinterpret_cast<MINMAXINFO*>(lParam);
      info->ptMinTrackSize.x = FrameWidth + w;
      info->ptMinTrackSize.y = FrameHeight + h;
      break;
    }
    case WM_SIZING: {
      RECT* r = reinterpret_cast<RECT*>(lParam);
      int32_t ax;
      int32_t ay;
      AspectOf(window, &ax, &ay);
      SizingRect s = {r->left, r->top, r->right, r->bottom};
      FitSizingRect(&s, static_cast<int>(wParam), FrameWidth, FrameHeight, ax, ay);
      *r = RECT{s.left, s.top, s.right, s.bottom};
      return TRUE;
    }
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
