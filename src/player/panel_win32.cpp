// The player panel: plays the list through PanelPlayer with play, pause, next, back, loop,
// shuffle, position and volume, and hides itself a while after a track starts when asked to.
#include "player/panel_win32.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <cstdio>
#include <cstring>

#include "base/dialog_win32.h"
#include "base/message_box_win32.h"
#include "base/messages.h"
#include "base/paths_win32.h"
#include "base/resource_ids.h"
#include "base/test_hooks_win32.h"
#include "base/wait_win32.h"
#include "base/window_handles_win32.h"
#include "player/media_engine_win32.h"
#include "player/panel_rules.h"
#include "player/playlist.h"
#include "player/playlist_edit.h"
#include "player/playlist_win32.h"
#include "settings/settings.h"

HWND PanelWindow = nullptr;
int AutoPlay = 0;
uint8_t PanelReady = 0;
int Paused = 0;
uint16_t PositionTimer = 0;
int64_t PositionScale = 1;
DWORD PlayStartTick = 0;

namespace {

constexpr UINT_PTR kPositionTimerId = 1;
constexpr UINT kPositionTimerMs = 10;
// The panel hides itself this long after a track started, when SPFlag asks for it.
constexpr DWORD kAutoHideMs = 30000;
// The pauses of a play: one after stopping the old track, one before opening the new one.
constexpr DWORD kSettleMs = 100;

// Plays in a row that started nothing (missing or unplayable files); reset by every start and
// by every play the user asks for.
int failedInRow = 0;
// True while the unplayable-file warning is up: the position timer is held meanwhile.
bool warningOpen = false;
// The length of the track last started, shown again once it has stopped (the playback thread
// releases the graph at the end of a track, after which the graph cannot tell it any more).
int64_t trackLengthMs = 0;
// What the position slider and time text show, so the 10 ms tick redraws only on a change.
int shownSlider = -1;
int64_t shownSeconds = -1;
// Slider steps per pixel of its channel: a move of fewer steps would not move the thumb, so the
// 10 ms tick leaves the slider (and its redraw) alone until it would.
int sliderStep = 1;

// A play or a stop of the panel's, asked for with PLAYER_PLAY or PLAYER_STOP.
enum class Request : uint8_t { kNone, kPlay, kStop };
// True while one runs; what was asked for meanwhile, the latest request winning.
bool requestRunning = false;
Request requestDeferred = Request::kNone;

void Pause(DWORD ms) { WaitDispatchingSent(nullptr, nullptr, nullptr, ms); }

// Waits for the panel player's playback thread to finish: it may need this thread meanwhile,
// to close a video window this thread owns.
void WaitIdle() {
  Pause(kSettleMs);
  WaitPlayerIdle(&PanelPlayer, kStopWaitMs);
}

void ShowTime(HWND dialog, int64_t seconds) {
  if (seconds == shownSeconds) return;
  shownSeconds = seconds;
  char text[kPlayTimeCapacity];
  FormatPlayTime(seconds, text, sizeof text);
  SetDlgItemTextA(dialog, IDC_PANEL_TIME, text);
}

void SetSlider(HWND dialog, int position) {
  if (position == shownSlider) return;
  if (shownSlider >= 0 && position > shownSlider && position - shownSlider < sliderStep) return;
  shownSlider = position;
  SendDlgItemMessageA(dialog, IDC_PANEL_POSITION, TBM_SETPOS, TRUE, static_cast<LPARAM>(position));
}

// The file name of an entry without folder and extension; empty for no entry.
void EntryName(int entry, char* out, size_t capacity) {
  out[0] = '\0';
  if (entry < 0 || entry >= EntryCount) return;
  PathParts parts;
  if (SplitPath(PlayPaths[entry], &parts)) {
    snprintf(out, capacity, "%s", parts.name);
  } else {
    snprintf(out, capacity, "%s", PlayPaths[entry]);
  }
}

void ShowTitle(HWND dialog, int entry) {
  char name[kEntryCapacity];
  EntryName(entry, name, sizeof name);
  SetDlgItemTextA(dialog, IDC_PANEL_TITLE, name);
}

// The entry whose name the idle panel shows: the one a play would start.
int IdleEntry() {
  const int entry = EntryToPlay();
  return entry >= 0 ? entry : (EntryCount > 0 ? CurrentEntry() : -1);
}

void StartTimer(HWND dialog) {
  PositionTimer = 1;
  SetTimer(dialog, kPositionTimerId, kPositionTimerMs, nullptr);
}

void StopTimer(HWND dialog) {
  if (PositionTimer) KillTimer(dialog, kPositionTimerId);
  PositionTimer = 0;
}

void HidePlayer(HWND dialog) {
  ShowWindow(dialog, SW_HIDE);
  if (ListWindow != nullptr) ShowWindow(ListWindow, SW_HIDE);
  PlayerShown = 0;
  TraceEvent("panel hidden");
}

// After a play that started nothing the position timer runs, whether or not a track played
// before: its next tick finds nothing playing and moves on as at the end of a track (within one
// pass of the list).
void MoveOnFromFailure(HWND dialog) {
  if (!PositionTimer) StartTimer(dialog);
}

// The unplayable-file warning, owned by the clock as the clock's own warnings are. The timer is
// held while it is up, and plays asked for meanwhile wait until it is closed (Perform), so no
// second box opens inside it.
void WarnUnplayable(HWND dialog) {
  TraceEvent("panel warning");
  warningOpen = true;
  KillTimer(dialog, kPositionTimerId);
  ShowMessageBox(ClockWindow, kUnsupportedKindText, AppTitle, MB_ICONWARNING);
  warningOpen = false;
  // The panel may have closed, or stopped, while the box was up.
  if (PanelWindow == dialog && PositionTimer) {
    SetTimer(dialog, kPositionTimerId, kPositionTimerMs, nullptr);
  }
}

void EnableSteps(HWND dialog, bool enable) {
  EnableWindow(GetDlgItem(dialog, IDC_PANEL_NEXT), enable);
  EnableWindow(GetDlgItem(dialog, IDC_PANEL_BACK), enable);
}

void Play(HWND dialog) {
  // A list loaded or dropped since an empty drop disabled them has somewhere to step to again.
  EnableSteps(dialog, EntryCount > 0);
  Paused = 0;
  if (PanelPlayer.Playing.load() != 0) StopPlayback(&PanelPlayer);
  WaitIdle();
  trackLengthMs = 0;
  // Whatever is current now is what this play starts.
  StepOntoCurrent = false;
  const int entry = EntryToPlay();
  if (entry < 0 || PlayPaths[entry][0] == '\0') {
    ++failedInRow;
    TraceEvent("panel play nothing playno=%d entries=%d", PlayNo, EntryCount);
    return;
  }
  char name[kEntryCapacity];
  EntryName(entry, name, sizeof name);
  SetDlgItemTextA(dialog, IDC_PANEL_TITLE, name);
  char caption[kTitleCapacity + kEntryCapacity + 4];
  snprintf(caption, sizeof caption, "%s - %s", AppTitle, name);
  SetWindowTextA(dialog, caption);
  if (ListWindow != nullptr) {
    SendMessageA(ListWindow, LIST_MARK, static_cast<WPARAM>(NowPlaying), static_cast<LPARAM>(entry));
  }
  NowPlaying = entry;
  Pause(kSettleMs);
  // Our own copy: a warning's message loop below may let the list change under the slot.
  char path[kEntryCapacity];
  memcpy(path, PlayPaths[entry], kEntryCapacity);
  if (!PathIsURLA(path)) {
    FILE* f = fopen(path, "r");
    if (f == nullptr) {
      ++failedInRow;
      TraceEvent("panel missing %d", entry);
      MoveOnFromFailure(dialog);
      return;
    }
    fclose(f);
  }
  if (!OpenAndPlay(&PanelPlayer, path)) {
    ++failedInRow;
    TraceEvent("panel unplayable %d", entry);
    MoveOnFromFailure(dialog);
    WarnUnplayable(dialog);
    return;
  }
  failedInRow = 0;
  const int64_t duration = GetDurationMs();
  trackLengthMs = duration;
  PositionScale = PositionScaleFor(duration);
  SendDlgItemMessageA(dialog, IDC_PANEL_POSITION, TBM_SETRANGE, TRUE,
                      MAKELPARAM(0, PositionSliderRange(duration, PositionScale)));
  RECT channel = {};
  SendDlgItemMessageA(dialog, IDC_PANEL_POSITION, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channel));
  const int pixels = channel.right - channel.left;
  const int range = PositionSliderRange(duration, PositionScale);
  sliderStep = pixels > 0 && range / pixels > 1 ? range / pixels : 1;
  shownSlider = -1;
  SetSlider(dialog, static_cast<int>(GetPositionMs(&PanelPlayer) / PositionScale));
  StartTimer(dialog);
  shownSeconds = -1;
  ShowTime(dialog, duration / 1000);
  SetDlgItemTextA(dialog, IDC_PANEL_PLAY, "PAUSE");
  if (PanelPlayer.TagTitle[0] != '\0') {
    if (PanelPlayer.TagAuthor[0] == '\0') {
      SetDlgItemTextA(dialog, IDC_PANEL_TITLE, PanelPlayer.TagTitle);
    } else {
      char title[sizeof PanelPlayer.TagTitle + sizeof PanelPlayer.TagAuthor + 4];
      snprintf(title, sizeof title, "%s - %s", PanelPlayer.TagTitle, PanelPlayer.TagAuthor);
      SetDlgItemTextA(dialog, IDC_PANEL_TITLE, title);
    }
  }
  SendMessageA(dialog, PLAYER_STARTED, 0, 0);
  TraceEvent("panel playing %d %s length=%lld scale=%lld", entry, name,
             static_cast<long long>(duration), static_cast<long long>(PositionScale));
}

void Stop(HWND dialog) {
  StopTimer(dialog);
  Paused = 0;
  int64_t length = GetDurationMs();
  if (length <= 0) length = trackLengthMs;
  StopPlayback(&PanelPlayer);
  WaitIdle();
  ShowTitle(dialog, IdleEntry());
  shownSlider = -1;
  SetSlider(dialog, 0);
  SetDlgItemTextA(dialog, IDC_PANEL_PLAY, "PLAY");
  shownSeconds = -1;
  ShowTime(dialog, length / 1000);
  if (ListWindow != nullptr) SendMessageA(ListWindow, LIST_REFILL, 0, 0);
  TraceEvent("panel stopped length=%lld", static_cast<long long>(length));
}

// Plays and stops run one at a time. Their waits answer messages sent to this thread, and a
// PLAYER_PLAY among them would open PanelPlayer inside the open under way, which then loses its
// graph (still sounding) and releases the new one twice. A request that comes in meanwhile is
// carried out once the running one has returned.
void Perform(HWND dialog, Request request) {
  if (requestRunning) {
    TraceEvent("panel %s deferred", request == Request::kPlay ? "play" : "stop");
    requestDeferred = request;
    return;
  }
  requestRunning = true;
  while (request != Request::kNone) {
    if (request == Request::kPlay) {
      Play(dialog);
    } else {
      Stop(dialog);
    }
    request = requestDeferred;
    requestDeferred = Request::kNone;
    // A panel closed meanwhile plays nothing more; a stop still runs.
    if (request == Request::kPlay && PanelWindow != dialog) request = Request::kNone;
  }
  requestRunning = false;
}

// A play the user asked for starts a fresh count of failures.
void PlayByUser(HWND dialog) {
  failedInRow = 0;
  SendMessageA(dialog, PLAYER_PLAY, 0, 0);
}

void Tick(HWND dialog) {
  if (warningOpen) return;
  if (PanelPlayer.Playing.load() != 0) {
    const int64_t position = GetPositionMs(&PanelPlayer);
    SetSlider(dialog, static_cast<int>(position / PositionScale));
    ShowTime(dialog, position / 1000);
    if (SPFlag && PlayerShown && GetTickCount() - PlayStartTick > kAutoHideMs) HidePlayer(dialog);
    return;
  }
  switch (StepAtTrackEnd(RepFlag, failedInRow)) {
    case TrackEnd::kNext:
      SendMessageA(dialog, PLAYER_PLAY, 0, 0);
      break;
    case TrackEnd::kWrap:
      TraceEvent("panel wrap");
      SendMessageA(dialog, PLAYER_PLAY, 0, 0);
      break;
    case TrackEnd::kStop:
      SendMessageA(dialog, PLAYER_STOP, 0, 0);
      break;
  }
}

void DropOnPanel(HWND dialog, HDROP drop) {
  // The drop replaces the list: the starred row would name another file.
  EntryCount = 0;
  NowPlaying = -1;
  AddDroppedFiles(drop);
  TraceEvent("panel drop gave %d entries", EntryCount);
  // An open list window shows the new list, an empty one too.
  if (ListWindow != nullptr) SendMessageA(ListWindow, LIST_REFILL, 0, 0);
  EnableSteps(dialog, EntryCount > 0);
  if (EntryCount > 0) {
    PlayNo = 0;
    PlayByUser(dialog);
  }
}

void ToggleList() {
  if (ListWindow != nullptr) {
    SendMessageA(ListWindow, WM_CLOSE, 0, 0);
    return;
  }
  RunDialog("SNDLIST", nullptr, PlayListWindowProc, 0, DialogPlace::kOnMonitor);
}

void Close(HWND dialog) {
  // The list runs inside this panel's dialog call and plays through it: it goes first.
  if (ListWindow != nullptr) SendMessageA(ListWindow, WM_CLOSE, 0, 0);
  SendMessageA(dialog, PLAYER_STOP, 0, 0);
  StopTimer(dialog);
  PanelReady = 0;
  RECT place;
  if (GetWindowRect(dialog, &place)) {
    SndDLEFT = place.left;
    SndDTOP = place.top;
  }
  PanelWindow = nullptr;
  TraceEvent("panel closed at %d,%d", SndDLEFT.load(), SndDTOP.load());
  EndDialog(dialog, 0);
}

void Command(HWND dialog, WORD id) {
  switch (id) {
    case IDC_PANEL_PLAY:
      if (PanelPlayer.Playing.load() == 0) {
        PlayByUser(dialog);
        break;
      }
      if (Paused) {
        ResumePlayback(&PanelPlayer);
      } else {
        PausePlayback(&PanelPlayer);
      }
      Paused = Paused ? 0 : 1;
      SetDlgItemTextA(dialog, IDC_PANEL_PLAY, Paused ? "PLAY" : "PAUSE");
      TraceEvent("panel %s", Paused ? "paused" : "resumed");
      break;
    case IDC_PANEL_NEXT:
      if (StepForward(RepFlag)) PlayByUser(dialog);
      break;
    case IDC_PANEL_BACK:
      if (StepBack(&PlayNo, EntryCount, RepFlag)) PlayByUser(dialog);
      break;
    case IDC_PANEL_LOOP:
      RepFlag = IsDlgButtonChecked(dialog, IDC_PANEL_LOOP) == BST_CHECKED;
      break;
    case IDC_PANEL_SHUFFLE:
      SetShuffle(IsDlgButtonChecked(dialog, IDC_PANEL_SHUFFLE) == BST_CHECKED);
      break;
    case IDC_PANEL_LIST:
      ToggleList();
      break;
    case IDC_PANEL_HIDE:
      HidePlayer(dialog);
      break;
    case IDCANCEL:
      Close(dialog);
      break;
    default:
      break;
  }
}

BOOL Init(HWND dialog) {
  PositionTimer = 0;
  Paused = 0;
  CurrentPlayer = &PanelPlayer;
  PanelWindow = dialog;
  failedInRow = 0;
  trackLengthMs = 0;
  shownSlider = -1;
  shownSeconds = -1;
  if (SndDLEFT == -1 && SndDTOP == -1) {
    SndDLEFT = LEFT.load();
    SndDTOP = TOP.load();
  }
  SetWindowPos(dialog, nullptr, SndDLEFT, SndDTOP, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  // PlayNo holds an entry index here (loaded, or chosen by the opener); a shuffled order needs
  // its position. One outside the list stays outside.
  BuildOrder();
  if (ShuffFlag && PlayNo >= 0 && PlayNo < EntryCount) PlayNo = OrderPositionOf(PlayNo);
  CheckDlgButton(dialog, IDC_PANEL_LOOP, RepFlag ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(dialog, IDC_PANEL_SHUFFLE, ShuffFlag ? BST_CHECKED : BST_UNCHECKED);
  SendDlgItemMessageA(dialog, IDC_PANEL_VOLUME, TBM_SETRANGE, TRUE, MAKELPARAM(0, kVolumeSliderMax));
  SendDlgItemMessageA(dialog, IDC_PANEL_VOLUME, TBM_SETPOS, TRUE, VolumeSliderFor(MasterVol));
  TraceEvent("panel open at %d,%d autoplay=%d entries=%d", SndDLEFT.load(), SndDTOP.load(), AutoPlay, EntryCount);
  if (EntryCount != 0) {
    if (AutoPlay) {
      PlayByUser(dialog);
    } else {
      ShowTitle(dialog, IdleEntry());
    }
  }
  if (ListWindow != nullptr) SendMessageA(ListWindow, LIST_REFILL, 0, 0);
  PanelReady = 1;
  PlayerShown = 1;
  return TRUE;
}

INT_PTR CALLBACK PanelProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return Init(dialog);
    case WM_NCHITTEST:
      SetWindowLongPtrA(dialog, DWLP_MSGRESULT, HTCAPTION);
      return TRUE;
    case WM_COMMAND:
      Command(dialog, LOWORD(wParam));
      return TRUE;
    case WM_CLOSE:
      Close(dialog);
      return TRUE;
    case WM_TIMER:
      if (wParam == kPositionTimerId) Tick(dialog);
      return TRUE;
    case WM_HSCROLL:
      if (PanelReady && reinterpret_cast<HWND>(lParam) == GetDlgItem(dialog, IDC_PANEL_POSITION)) {
        const int position =
            static_cast<int>(SendDlgItemMessageA(dialog, IDC_PANEL_POSITION, TBM_GETPOS, 0, 0));
        shownSlider = position;
        SeekMs(static_cast<int64_t>(position) * PositionScale);
      }
      return TRUE;
    case WM_VSCROLL:
      if (PanelReady) {
        const int position =
            static_cast<int>(SendDlgItemMessageA(dialog, IDC_PANEL_VOLUME, TBM_GETPOS, 0, 0));
        const float volume = VolumeForSlider(position);
        MasterVol = volume;
        SetVolume(&PanelPlayer, volume);
        TraceEvent("panel volume %d", position);
      }
      return TRUE;
    case WM_DROPFILES:
      DropOnPanel(dialog, reinterpret_cast<HDROP>(wParam));
      return TRUE;
    case PLAYER_PLAY:
      Perform(dialog, Request::kPlay);
      return TRUE;
    case PLAYER_STOP:
      Perform(dialog, Request::kStop);
      return TRUE;
    case PLAYER_STARTED:
      PlayStartTick = GetTickCount();
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

void OpenPlayerPanel() {
  TraceEvent("OpenPlayerPanel autoplay=%d", AutoPlay);
  RunDialog("SNDP", nullptr, PanelProc, 0, DialogPlace::kOnMonitor);
}

void ClosePlayerWindows() {
  if (ListWindow != nullptr) SendMessageA(ListWindow, WM_CLOSE, 0, 0);
  if (PanelWindow != nullptr) SendMessageA(PanelWindow, WM_CLOSE, 0, 0);
  // A player left running by anything else stops too, within the engine's bound.
  StopPlayback(&PanelPlayer);
}

bool DropOnOpenPanel(HDROP drop) {
  if (PanelWindow == nullptr) return false;
  DropOnPanel(PanelWindow, drop);
  return true;
}

void ShowListOnPanel() {
  if (PanelWindow != nullptr) EnableSteps(PanelWindow, EntryCount > 0);
}

void PlayChosenEntry() {
  if (PanelWindow == nullptr) return;
  failedInRow = 0;
  SendMessageA(PanelWindow, PLAYER_PLAY, 0, 0);
}
