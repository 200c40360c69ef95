// The window procedure shared by both windows, and the shutdown sequence.
#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <cstring>

#include "app/app_win32.h"
#include "app/autostart_win32.h"
#include "app/settings_win32.h"
#include "app/tray_win32.h"
#include "base/app_state.h"
#include "base/dpi_win32.h"
#include "base/messages.h"
#include "base/message_box_win32.h"
#include "base/placement_win32.h"
#include "base/resource_ids.h"
#include "base/test_hooks_win32.h"
#include "base/worker_win32.h"
#include "news/feeds_win32.h"
#include "news/news_dialogs_win32.h"
#include "news/news_list.h"
#include "news/news_state.h"
#include "news/ticker_win32.h"
#include "player/media_engine_win32.h"
#include "player/panel_win32.h"
#include "player/playlist.h"
#include "player/playlist_win32.h"
#include "render/alpha_dialog_win32.h"
#include "render/face_layout.h"
#include "render/face_scale.h"
#include "render/face_win32.h"
#include "render/frame.h"
#include "render/shape_win32.h"
#include "render/surface.h"
#include "render/surface_win32.h"
#include "settings/settings.h"
#include "skin/skin_dialog_win32.h"
#include "skin/skin_update_win32.h"
#include "timesvc/alarms_win32.h"
#include "timesvc/clip_player_win32.h"
#include "timesvc/sntp_dialog_win32.h"
#include "timesvc/sntp_win32.h"
#include "timesvc/sound_wait.h"
#include "timesvc/time_signal_win32.h"
#include "version.h"

namespace {

bool dragging = false;
POINT dragAnchor = {};

bool shuttingDown = false;

// How long a close waits for the alarm stop windows: each stops its playback within the media
// engine's own limit.
constexpr DWORD kStopAlarmWindowsMs = 5000;

// A session end: Windows ends the process once WM_ENDSESSION has been answered, and gives the
// whole log-off about five seconds, so each wait gets a short share of them.
bool sessionEnded = false;
constexpr DWORD kSessionClockThreadMs = 1000;
constexpr unsigned kSessionWorkerMs = 300;
constexpr DWORD kSessionAlarmWindowsMs = 1000;

// The news chimes wait for the clip playing (the hour's announcement, an alarm) rather than cut
// it off, as the platform plays one sound at a time; while clips go on playing for this long in
// all, the chimes are skipped. The UI thread never blocks for it: a timer asks again.
constexpr uint32_t kChimesWaitLimitMs = 10000;
// Asked again this long after the clip's end: an alarm that waited for the same clip starts on
// the clock thread's next tick (at most 50 ms later) and then goes first.
constexpr uint32_t kChimesAfterClipMs = 100;
// The clock window's other timer is the tray icon's (kTrayRetryTimer).
constexpr UINT_PTR kChimesTimer = 1;
SoundWait chimesWait = {};

void ChimeWhenQuiet(HWND window) {
  KillTimer(window, kChimesTimer);
  const uint32_t clipLeft = ClipPlaysForMs();
  const uint32_t wait = SoundWaitMs(&chimesWait, GetTickCount(), clipLeft, kChimesWaitLimitMs);
  if (wait != 0) {
    TraceEvent("news sound waits %u ms for the clip playing", static_cast<unsigned>(wait));
    SetTimer(window, kChimesTimer, wait + kChimesAfterClipMs, nullptr);
  } else if (clipLeft != 0) {
    TraceEvent("news sound skipped: clips played for %u ms", static_cast<unsigned>(kChimesWaitLimitMs));
  } else {
    PlayNewsChimes();
  }
}

// Message boxes of this procedure that are open, and a close that arrived meanwhile.
int noticesOpen = 0;
bool closeAfterNotice = false;

BOOL CALLBACK CloseOwnedBox(HWND candidate, LPARAM owner) {
  char name[16] = {};
  GetClassNameA(candidate, name, sizeof name);
  if (lstrcmpA(name, "#32770") == 0 && GetWindow(candidate, GW_OWNER) == reinterpret_cast<HWND>(owner)) {
    PostMessageA(candidate, WM_COMMAND, IDOK, 0);
  }
  return TRUE;
}

// A message box owned by the clock. A close that arrives while it is up closes it first and
// then runs in the main loop: shutting down from inside the box's own loop would hide and
// destroy its owner under it. Returns false when the program is closing.
bool ShowNotice(HWND window, const char* text, UINT flags) {
  ++noticesOpen;
  ShowMessageBox(window, text, AppCaption, flags);
  --noticesOpen;
  if (closeAfterNotice && noticesOpen == 0) {
    closeAfterNotice = false;
    PostMessageA(window, WM_CLOSE, 0, 0);
    return false;
  }
  return !closeAfterNotice;
}

// At exit the clock is already hidden, so the box has no owner.
void WarnSaveFailed(const char* text) { ShowMessageBox(nullptr, text, AppCaption, MB_ICONWARNING); }

void ShutDown(HWND window) {
  if (noticesOpen > 0) {
    closeAfterNotice = true;
    EnumThreadWindows(GetCurrentThreadId(), CloseOwnedBox, reinterpret_cast<LPARAM>(window));
    TraceEvent("WM_CLOSE after the message box");
    return;
  }
  // A close that arrives while closing (sent from outside during the waits below) is ignored.
  if (shuttingDown) return;
  shuttingDown = true;
  TraceEvent("WM_CLOSE");
  if (PanelPlayer.VideoWindow != nullptr && IsWindow(PanelPlayer.VideoWindow)) {
    ShowWindow(PanelPlayer.VideoWindow, SW_RESTORE);
  }
  StopClockThread();
  if (ClockThreadHandle != nullptr) CloseHandle(ClockThreadHandle);
  ClockThreadHandle = nullptr;
  TraceEvent("clock thread stopped ended=%d", ThreadEnded.load());
  // A feed fetch or a download sees StopRequested within its poll; a download removes its
  // temporary file. A link the shell still holds is left to it.
  StopWorker(&BackgroundWorker, 1000);
  StopLinkLaunches(0);
  // Ringing alarm files stop before the farewell; a window that does not end in time is left
  // to the process's end.
  StopAlarmWindows(kStopAlarmWindowsMs);
  StopClip();
  // The panel and list close as their own buttons close them: the playback stops (bounded)
  // before the exit voice, and their places reach the settings saved below.
  ClosePlayerWindows();
  // The clock itself is restored whichever window got the close, as the save reads its place.
  if (MinimizedToTray) ShowWindow(ClockWindow, SW_RESTORE);
  // The farewell is spoken by the character still on screen; only then does it go.
  PlayExitVoice();
  ShowWindow(ClockWindow, SW_HIDE);
  TraceEvent("clock hidden");
  SaveSettings(WarnSaveFailed);
  ReleaseWindowRegion();
  RemoveTrayIcon();
  if (User32Module != nullptr) FreeLibrary(User32Module);
  User32Module = nullptr;
  DestroyWindow(window);
  if (OwnerWindow != nullptr && OwnerWindow != window && IsWindow(OwnerWindow)) {
    DestroyWindow(OwnerWindow);
  }
}

// Where the player windows are, as their closing stores it, for a save that comes first.
void StorePlayerPlaces() {
  RECT place;
  if (PanelWindow != nullptr && GetWindowRect(PanelWindow, &place)) {
    SndDLEFT = place.left;
    SndDTOP = place.top;
  }
  if (ListWindow != nullptr && GetWindowRect(ListWindow, &place)) {
    SndLLEFT = place.left;
    SndLTOP = place.top;
  }
}

// Log-off and shut-down: Windows sends no WM_CLOSE, so what a close saves is saved here, first,
// as the stops after it may take what is left of the time. The farewell is left out (it takes
// seconds and nobody is there to hear it), and nothing is hidden or destroyed: the process is
// ended from outside. It quits by itself when it is not.
void EndSession() {
  if (sessionEnded) return;
  sessionEnded = true;
  shuttingDown = true;
  TraceEvent("session ending");
  const DWORD start = GetTickCount();
  const bool stopped = StopClockThread(kSessionClockThreadMs);
  StorePlayerPlaces();
  // No box: Windows is ending the session and would end the process under it.
  SaveSettings(nullptr);
  TraceEvent("session end saved in %lu ms, clock thread %s",
             static_cast<unsigned long>(GetTickCount() - start), stopped ? "stopped" : "still running");
  StopWorker(&BackgroundWorker, kSessionWorkerMs);
  StopLinkLaunches(0);
  StopAlarmWindows(kSessionAlarmWindowsMs);
  StopClip();
  ClosePlayerWindows();
  RemoveTrayIcon();
  TraceEvent("session end done in %lu ms", static_cast<unsigned long>(GetTickCount() - start));
  PostQuitMessage(0);
}

void SetZOrder(HWND window, HWND where) {
  SetWindowPos(window, where, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void ApplyZadd(HWND window) {
  switch (Zadd) {
    case 0:
      SetZOrder(window, HWND_TOP);
      break;
    case 1:
      SetZOrder(window, HWND_TOPMOST);
      break;
    case 2:
      SetZOrder(window, HWND_BOTTOM);
      break;
    default:
      break;
  }
}

// The news bar is a fixed strip of the client area, wherever the skin draws it, at the scale
// the face on screen has.
bool CursorOnBar(HWND window, POINT* client) {
  GetCursorPos(client);
  ScreenToClient(window, client);
  return InBox(BarHitBox(ScaleFromUnits(ShownScaleUnits.load())), client->x, client->y);
}

// The system moves and sizes the clock for a monitor of another DPI (or a changed display
// scale); the clock thread then draws the face at the new scale.
void ChangeDpi(HWND window, WPARAM wParam, LPARAM lParam) {
  const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
  if (suggested != nullptr) {
    const POINT corner = DpiChangedCorner(*suggested);
    SetWindowPos(window, nullptr, corner.x, corner.y, suggested->right - suggested->left,
                 suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    LEFT = corner.x;
    TOP = corner.y;
  }
  const int dpi = LOWORD(wParam);
  if (dpi > 0) ClockDpi = dpi;
  TraceEvent("dpi changed to %d at %d,%d", dpi, LEFT.load(), TOP.load());
  RequestFrame(kFrameRescale);
  // A display scale changed in the settings reaches the taskbar too: its icon is drawn anew.
  RefreshTrayIconSize();
}


// The tray entry keeps its place and only its image changes: AddTrayIcon modifies the entry
// that is there. Deleting and adding it again each time moves it to the end of the tray, and
// under Wine such churn left the final delete at exit waiting for seconds.
void SwapTrayIcon(const char* iconName, HWND window) { AddTrayIcon(iconName, AppInstance, window); }

void Warn(HWND window, const char* text) { ShowNotice(window, text, MB_ICONWARNING); }

// The menu's check follows the registry, not a setting: the user may have removed the value (or
// moved the program) since. Ticking it over a stale value writes the program's present path.
bool ProgramStartsWithWindows() {
  char program[MAX_PATH];
  return RunningProgramPath(program, sizeof program) && StartsWithWindows(AppTitle, program);
}

void ToggleStartWithWindows(HWND window) {
  char program[MAX_PATH];
  const bool on = !ProgramStartsWithWindows();
  if (!RunningProgramPath(program, sizeof program) || !SetStartWithWindows(AppTitle, program, on)) {
    Warn(window, "Windowsの起動時の設定を変更できませんでした。");
    return;
  }
  TraceEvent("start with windows %d", on ? 1 : 0);
}

void SetMenuState(HMENU menu, UINT id, UINT flags) {
  CheckMenuItem(menu, id, MF_BYCOMMAND | (flags & MF_CHECKED));
  EnableMenuItem(menu, id, MF_BYCOMMAND | (flags & MF_GRAYED));
}

void RunCommand(HWND window, WORD id) {
  TraceEvent("command %u", id);
  switch (id) {
    case CMD_EXIT:
      PostMessageA(window, WM_CLOSE, 0, 0);
      break;
    case CMD_MINIMIZE:
      MinimizedToTray = MinimizedToTray ? 0 : 1;
      if (!MinimizedToTray) {
        ShowWindow(window, SW_RESTORE);
      } else {
        // A minimised window has no place of its own: the settings keep the one it had.
        RECT place;
        if (GetWindowRect(ClockWindow, &place)) {
          LEFT = place.left;
          TOP = place.top;
        }
        if (PlayerShown) {
          if (PanelWindow != nullptr) ShowWindow(PanelWindow, SW_HIDE);
          if (ListWindow != nullptr) ShowWindow(ListWindow, SW_HIDE);
          PlayerShown = 0;
        }
        ShowWindow(window, SW_MINIMIZE);
        ShowWindow(window, SW_HIDE);
      }
      break;
    case CMD_TOPMOST:
      SetZOrder(window, HWND_TOPMOST);
      Zadd = 1;
      break;
    case CMD_BOTTOM:
      SetZOrder(window, HWND_BOTTOM);
      Zadd = 2;
      break;
    case CMD_NORMAL:
      SetZOrder(window, HWND_NOTOPMOST);
      Zadd = 0;
      break;
    case CMD_TRANSPARENCY:
      ShowAlphaDialog(window);
      break;
    case CMD_SKIN:
      ShowSkinDialog(window);
      break;
    case CMD_BACK_ON_SCREEN:
    {
      int left = LEFT;
      int top = TOP;
      BringBackOnScreen(&left, &top);
      LEFT = left;
      TOP = top;
      break;
    }
    case CMD_TWELVE_AS_ZERO:
      Clock12 = Clock12 ? 0 : 1;
      RequestFrame(kFrameRedraw);
      break;
    case CMD_24_HOUR:
      Clock24 = Clock24 ? 0 : 1;
      HourCycle = Clock24 ? 24 : 12;
      RequestFrame(kFrameRedraw);
      break;
    case CMD_HOME_PAGE:
      // The address comes from the settings file, which anyone may have handed the user: it
      // passes the news links' check and opens on their worker, so the shell never holds the
      // window. One refused does nothing, as a refused news link does.
      OpenNewsLink(URL);
      break;
    case CMD_FIT_TO_EDGES:
      FitFlag = !FitFlag;
      break;
    case CMD_START_WITH_WINDOWS:
      ToggleStartWithWindows(window);
      break;
    case CMD_ABOUT:
      ShowNotice(window, "TarvoClock バージョン " TARVO_VERSION_TEXT "\n" TARVO_COPYRIGHT_TEXT,
                 MB_ICONINFORMATION);
      break;
    case CMD_PLAYER:
      if (PanelWindow != nullptr) {
        SendMessageA(PanelWindow, WM_CLOSE, 0, 0);
      } else {
        AutoPlay = 0;
        OpenPlayerPanel();
      }
      break;
    case CMD_PLAYER_ALWAYS_SHOWN:
      SPFlag = !SPFlag;
      break;
    case CMD_TIME_SERVER:
      ShowTimeServerDialog(window);
      break;
    case CMD_NEWS_SETTINGS:
      ShowNewsSettings(window);
      break;
    case CMD_NEWS_LIST: {
      const uint8_t before = ViewBrand;
      ShowNewsList(window);
      if (ViewBrand != before) {
        LockNews();
        RequestTickerReset();
        UnlockNews();
        // The skin reloads so that the bar is baked in or left out.
        ClockState = kClockReload;
      }
      break;
    }
    case CMD_ALARMS:
      ShowAlarmList(window);
      break;
    case CMD_SIZE_50:
    case CMD_SIZE_75:
    case CMD_SIZE_100:
    case CMD_SIZE_125:
    case CMD_SIZE_150:
    case CMD_SIZE_200:
      ClockScale = kSizeChoices[id - CMD_SIZE_50];
      RequestFrame(kFrameRescale);
      break;
    default:
      break;
  }
}

// Follows the mouse while the left button that started the drag is held. Wine drops the
// capture of a layered pop-up right after the button goes down, so the capture alone cannot
// tell whether a drag is on; a button released where no message reached us ends it here too.
void DragStep(HWND window) {
  if (dragging && (GetKeyState(VK_LBUTTON) & 0x8000) == 0) dragging = false;
  if (!dragging && GetCapture() != window) return;
  if (dragging) {
    POINT cursor;
    GetCursorPos(&cursor);
    RECT r;
    GetWindowRect(window, &r);
    RECT moved = r;
    OffsetRect(&moved, cursor.x - dragAnchor.x, cursor.y - dragAnchor.y);
    POINT place = {moved.left, moved.top};
    if (FitFlag) place = SnapToEdges(moved, r);
    SetWindowPos(window, nullptr, place.x, place.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    dragAnchor = cursor;
    // Without per-pixel alpha the face is laid over what lies under the window, which changes
    // as it moves; a layered window keeps its frame where it goes.
    RequestFrame(!LayeredAvailable && resemble ? kFrameRedraw : kFramePush);
  }
}

void ReshowPlayer() {
  if (PlayerShown || PanelWindow == nullptr) return;
  ShowWindow(PanelWindow, SW_SHOW);
  if (ListWindow != nullptr) ShowWindow(ListWindow, SW_SHOW);
  PlayerShown = 1;
  TraceEvent("player shown again");
  SendMessageA(PanelWindow, PLAYER_STARTED, 0, 0);
}

void DropFiles(HDROP drop) {
  // An open panel takes the files itself: a new panel opened from here would run its modal loop
  // inside the open one's, one more with every drop.
  if (DropOnOpenPanel(drop)) {
    ReshowPlayer();
    return;
  }
  // The drop replaces the list: the starred row would name another file.
  EntryCount = 0;
  NowPlaying = -1;
  AddDroppedFiles(drop);
  if (EntryCount == 0) return;
  PlayNo = 0;
  if (ShuffFlag) {
    srand(GetTickCount());
    PlayNo = static_cast<int>(static_cast<long long>(rand()) * EntryCount / (RAND_MAX + 1LL));
  }
  AutoPlay = 1;
  OpenPlayerPanel();
}

// A second launch asks for the clock: it comes back from the tray and to the front.
void ShowForSecondLaunch() {
  if (shuttingDown) return;
  if (MinimizedToTray) {
    MinimizedToTray = 0;
    ShowWindow(ClockWindow, SW_RESTORE);
  }
  SetForegroundWindow(ClockWindow);
  TraceEvent("shown for a second launch");
}

void TrayCallback(HWND window, UINT mouse) {
  switch (mouse) {
    case WM_LBUTTONUP:
      if (MinimizedToTray) {
        MinimizedToTray = 0;
        ShowWindow(window, SW_RESTORE);
      } else {
        SetForegroundWindow(TrayIconData.hWnd);
      }
      break;
    case WM_RBUTTONUP: {
      SetForegroundWindow(TrayIconData.hWnd);
      POINT cursor;
      GetCursorPos(&cursor);
      ShowPopupMenu(AppInstance, cursor.x, cursor.y);
      PostMessageA(TrayIconData.hWnd, WM_NULL, 0, 0);
      break;
    }
    default:
      break;
  }
}

}  // namespace


void ShowPopupMenu(HINSTANCE instance, int x, int y) {
  HMENU menu = LoadMenuA(instance, "MENU1");
  if (menu == nullptr) return;
  HMENU popup = GetSubMenu(menu, MinimizedToTray ? 1 : 0);
  if (!MinimizedToTray) {
    SetMenuState(popup, CMD_BACK_ON_SCREEN, ClockOffPrimaryScreen() ? 0 : MF_GRAYED);
    SetMenuState(popup, CMD_TRANSPARENCY, AlphaUse ? MF_CHECKED : 0);
    SetMenuState(popup, CMD_ALARMS, AlarmFlag ? MF_CHECKED : 0);
    SetMenuState(popup, CMD_TIME_SERVER, SntpUse ? MF_CHECKED : 0);
    SetMenuState(popup, CMD_NORMAL, Zadd == 0 ? MF_CHECKED : 0);
    SetMenuState(popup, CMD_TOPMOST, Zadd == 1 ? MF_CHECKED : 0);
    SetMenuState(popup, CMD_BOTTOM, Zadd == 2 ? MF_CHECKED : 0);
    SetMenuState(popup, CMD_24_HOUR, Clock24 ? MF_CHECKED : 0);
    SetMenuState(popup, CMD_TWELVE_AS_ZERO,
                 (Clock12 ? MF_CHECKED : 0) | (Clock24 ? MF_GRAYED : 0));
    SetMenuState(popup, CMD_FIT_TO_EDGES, FitFlag ? MF_CHECKED : 0);
    SetMenuState(popup, CMD_PLAYER, PlayerShown && PanelWindow != nullptr ? MF_CHECKED : 0);
    SetMenuState(popup, CMD_PLAYER_ALWAYS_SHOWN, !SPFlag ? MF_CHECKED : 0);
    SetMenuState(popup, CMD_START_WITH_WINDOWS, ProgramStartsWithWindows() ? MF_CHECKED : 0);
    const int size = SizeChoiceFor(ClampClockScale(ClockScale));
    if (size >= 0) {
      CheckMenuRadioItem(popup, CMD_SIZE_50, CMD_SIZE_200, CMD_SIZE_50 + size, MF_BYCOMMAND);
    }
    TraceEvent("menu checks player=%d always=%d", PlayerShown && PanelWindow != nullptr ? 1 : 0,
               !SPFlag ? 1 : 0);
#if MASCOT_TEST_HOOKS
    // The size item the menu shows checked, read back from the menu itself.
    int shown = -1;
    for (int i = 0; i < kSizeChoiceCount; ++i) {
      if ((GetMenuState(popup, CMD_SIZE_50 + i, MF_BYCOMMAND) & MF_CHECKED) != 0) shown = i;
    }
    TraceEvent("menu size check %d", shown);
#endif
  }
  TraceEvent("menu %s at %d,%d", MinimizedToTray ? "tray" : "main", x, y);
  TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_LEFTBUTTON, x, y, 0, ClockWindow, nullptr);
  DestroyMenu(menu);
}

LRESULT CALLBACK ClockWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_PAINT:
    case WM_NCPAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      if (LayeredAvailable) {
        // The clock thread owns the frame and pushes it again on its next tick.
        RequestFrame(kFramePush);
      } else {
        // Painted from the finished frame; recomposing here would invalidate the window again
        // and never stop. Moves ask for the recomposition over the desktop themselves.
        PaintFrame(dc);
      }
      EndPaint(window, &ps);
      return 0;
    }
    case WM_CLOSE:
      ShutDown(window);
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      // Sent to both windows; false when the session goes on after all.
      if (wParam != FALSE) EndSession();
      return 0;
    case WM_COMMAND:
      RunCommand(window, LOWORD(wParam));
      return 0;
    case WM_MOUSEMOVE:
      DragStep(window);
      ReshowPlayer();
      return 0;
    case WM_LBUTTONDOWN: {
      POINT client;
      if (ClickMode == 1 && NewsBarShown() && CursorOnBar(window, &client)) {
        ClickNewsBar(client.x);
        return 0;
      }
      GetCursorPos(&dragAnchor);
      dragging = true;
      SetCapture(window);
      if (resemble) RequestFrame(kFrameRedraw);
      return 0;
    }
    case WM_LBUTTONUP:
      ReleaseCapture();
      dragging = false;
      if (resemble) RequestFrame(kFrameRedraw);
      ApplyZadd(window);
      TraceEvent("drag end at %d,%d", LEFT.load(), TOP.load());
      return 0;
    case WM_LBUTTONDBLCLK: {
      POINT client;
      if (ClickMode == 0 && NewsBarShown() && CursorOnBar(window, &client)) ClickNewsBar(client.x);
      return 0;
    }
    case WM_RBUTTONDOWN: {
      POINT client;
      if (NewsBarShown() && CursorOnBar(window, &client)) {
        RunCommand(window, CMD_NEWS_LIST);
        return 0;
      }
      POINT at = {static_cast<LONG>(LOWORD(lParam)), static_cast<LONG>(HIWORD(lParam))};
      ClientToScreen(window, &at);
      ShowPopupMenu(AppInstance, at.x, at.y);
      return 0;
    }
    case kDpiChangedMessage:
      if (window != ClockWindow) return DefWindowProcA(window, message, wParam, lParam);
      ChangeDpi(window, wParam, lParam);
      return 0;
    case WM_DROPFILES:
      DropFiles(reinterpret_cast<HDROP>(wParam));
      return 0;
    case MSG_SYNC_TIME: {
      // On a copy: nothing the exchange does can reach the setting that is saved at exit.
      char server[sizeof TimeServer];
      memcpy(server, TimeServer, sizeof server);
      server[sizeof server - 1] = '\0';
      if (server[0] == '\0') return 0;
      const char* failure = SyncFailureText(SyncClock(server));
      if (failure != nullptr) {
        Warn(window, failure);
      } else {
        RequestFrame(kFrameRedraw);
      }
      return 0;
    }
    case MSG_NEWS_UPDATED:
      // After a close the icon is removed for good: adding it again would leave a dead entry.
      if (!ShowNotice(window, "お知らせが更新されました。", MB_OK) || shuttingDown) return 0;
      SwapTrayIcon("ICON_TASK", window);
      return 0;
    case MSG_NEWS_ICON:
      // Every tray change happens here, on the thread that owns the icon; checks post.
      if (shuttingDown) return 0;
      SwapTrayIcon(wParam != 0 ? "ICON_TASK2" : "ICON_TASK", window);
      if (wParam != 0 && NoticePlaysSound(NewFlag)) ChimeWhenQuiet(window);
      return 0;
    case WM_TIMER:
      if (wParam == kChimesTimer) {
        KillTimer(window, kChimesTimer);
        if (!shuttingDown) ChimeWhenQuiet(window);
      }
      if (wParam == kTrayRetryTimer && !shuttingDown) RestoreTrayIcon();
      return 0;
    case MSG_SKIN_DOWNLOADED:
      FinishSkinDownload(wParam);
      return 0;
    case MSG_ALARM_FILE_MISSING:
      if (!shuttingDown) Warn(window, kAlarmFileMissingText);
      return 0;
    case MSG_SKIN_UPDATE_RESULT:
      switch (wParam) {
        case 0:
          ShowNotice(window, "スキンが更新されました。", MB_OK);
          break;
        case 1:
          Warn(window, "スキン情報更新に失敗しました。");
          break;
        case 2:
          Warn(window, "スキンのダウンに失敗しました。");
          break;
        default:
          break;
      }
      return 0;
    case MSG_TRAY:
      TrayCallback(window, static_cast<UINT>(lParam));
      return DefWindowProcA(window, message, wParam, lParam);
    default:
      if (IsRegisteredMessage(message, TaskbarCreatedMessage)) {
        // Broadcast to both windows: the icon, which reports to the clock, is added once.
        if (window == ClockWindow && !shuttingDown) RestoreTrayIcon();
        return 0;
      }
      if (IsRegisteredMessage(message, ShowClockMessage)) {
        ShowForSecondLaunch();
        return 0;
      }
      return DefWindowProcA(window, message, wParam, lParam);
  }
}
