// The alarm check on the clock thread, and the stop windows that play media-file alarms, each on
// a thread of its own.
#include "timesvc/alarms_win32.h"

#include <shlwapi.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "base/app_state.h"
#include "base/dialog_win32.h"
#include "base/message_box_win32.h"
#include "base/messages.h"
#include "base/paths_win32.h"
#include "base/test_hooks_win32.h"
#include "base/wait_win32.h"
#include "base/window_handles_win32.h"
#include "player/media_engine_win32.h"
#include "settings/settings.h"
#include "timesvc/alarm_plan.h"
#include "timesvc/clip_player_win32.h"

// What an alarm does while its file rings. The stop window's thread writes the fields; the
// clock thread only reads them to decide whether the alarm may start its file again.
struct AlarmRun {
  std::atomic<int> StopTimerId{0};
  std::atomic<HWND> StopWindow{nullptr};
  // The file could not be played: the alarm does not try it again until the program restarts.
  std::atomic<bool> Blocked{false};
  // How often the file has started in this window: it rings again each time it ends.
  std::atomic<int> Plays{0};
  MediaPlayer Player;
};

namespace {

AlarmRun alarmRuns[kAlarmCount];
std::mutex tableLock;

// What is left of this minute's alarms, and the table as the minute's check read it. The clock
// thread's alone.
AlarmQueue alarmQueue = {};
AlarmRecord queuedTable[kAlarmCount];

// The stop window that finished its initialisation last; the clock thread waits for it.
std::atomic<HWND> LatestStopWindow{nullptr};
std::atomic<int> stopThreads{0};

const char* stopTemplate = "ALARMSTOP";
constexpr char kStopProperty[] = "TarvoAlarmStop";
// The stop window's own timer that ends a window nobody handed an alarm to.
constexpr UINT_PTR kIdleTimer = 1;
// How often a ringing window looks whether its file has ended and should start again.
constexpr UINT kReplayPollMs = 100;
// Stop windows open at once are offset by this much per alarm number, so none hides another.
constexpr int kCascadeStep = 24;

// What a stop thread is given: the alarm it plays and the file, resolved by the clock thread.
struct StopJob {
  int number;
  char path[kAlarmNameCapacity];
  bool started;  // the window has taken its alarm
};

StopJob* JobOf(HWND dialog) { return reinterpret_cast<StopJob*>(GetWindowLongPtrA(dialog, DWLP_USER)); }

// The alarm whose stop window this dialog is, or 0.
int AlarmOfWindow(HWND dialog) {
  for (int n = 1; n <= kAlarmCount; ++n) {
    if (alarmRuns[n - 1].StopWindow.load() == dialog) return n;
  }
  return 0;
}

void SetResult(HWND dialog, LONG_PTR result) { SetWindowLongPtrA(dialog, DWLP_MSGRESULT, result); }

// Ends the playback of whichever alarm this window plays (none: nothing) and the window.
bool StopThisAlarm(HWND dialog) {
  const int n = AlarmOfWindow(dialog);
  if (n == 0) return false;
  AlarmRun& run = alarmRuns[n - 1];
  KillTimer(dialog, static_cast<UINT_PTR>(n + 9));
  StopPlayback(&run.Player);
  run.StopWindow = nullptr;
  run.StopTimerId = 0;
  TraceEvent("alarm %d stopped", n);
  return true;
}

void OpenAlarmFile(HWND dialog, StopJob* job) {
  AlarmRun& run = alarmRuns[job->number - 1];
  const DWORD started = GetTickCount();
  if (OpenAndPlay(&run.Player, job->path)) {
    run.Plays = 1;
    run.StopTimerId = job->number + 9;
    SetTimer(dialog, static_cast<UINT_PTR>(job->number + 9), kReplayPollMs, nullptr);
    PathParts parts;
    if (SplitPath(job->path, &parts)) SetWindowTextA(dialog, parts.name);
    TraceEvent("alarm %d playing %s in %lu ms", job->number, job->path,
               static_cast<unsigned long>(GetTickCount() - started));
    return;
  }
  // Blocked by a flag of its own, never by the handle of a window that is gone: a later window
  // may get the same handle value.
  run.Blocked = true;
  run.StopWindow = nullptr;
  TraceEvent("alarm %d unsupported %s", job->number, job->path);
  // Over its own stop window: an owner on another thread would join the two threads' input.
  ShowMessageBox(dialog, kAlarmUnsupportedText, AppTitle, MB_ICONWARNING);
  EndDialog(dialog, 0);
}

// The file rings until the user stops it: once its playback has ended by itself and let go of
// its graph, it starts again from the beginning.
void RingAgainWhenEnded(HWND dialog, int timerId) {
  const int n = AlarmOfWindow(dialog);
  if (n == 0 || timerId != alarmRuns[n - 1].StopTimerId.load()) return;
  AlarmRun& run = alarmRuns[n - 1];
  if (run.Player.Playing.load() != 0 || run.Player.ThreadAlive.load() != 0) return;
  StopJob* job = JobOf(dialog);
  if (job != nullptr && OpenAndPlay(&run.Player, job->path)) {
    run.Plays.fetch_add(1);
    TraceEvent("alarm %d playing again", n);
    return;
  }
  // A file that played once and now cannot: the window stays for the user to stop, silent.
  KillTimer(dialog, static_cast<UINT_PTR>(timerId));
  TraceEvent("alarm %d cannot play again", n);
}

INT_PTR CALLBACK StopDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      StopJob* job = reinterpret_cast<StopJob*>(lParam);
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      SetPropA(dialog, kStopProperty, reinterpret_cast<HANDLE>(1));
      RECT r;
      GetWindowRect(dialog, &r);
      const int shift = (job->number - 1) * kCascadeStep;
      SetWindowPos(dialog, nullptr, r.left + shift, r.top + shift, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      SetTimer(dialog, kIdleTimer, kStopWindowIdleMs, nullptr);
      LatestStopWindow = dialog;
      TraceEvent("alarm %d stop window up", job->number);
      return TRUE;
    }
    case WM_NCHITTEST:
      // The whole window drags: it has no title bar.
      SetResult(dialog, HTCAPTION);
      return TRUE;
    case MSG_ALARM_START: {
      // Any process can send this number: only the alarm this window was made for, once.
      const int n = static_cast<int>(wParam);
      if (wParam < 1 || wParam > kAlarmCount) return FALSE;
      StopJob* job = JobOf(dialog);
      if (job == nullptr || job->started || job->number != n) {
        TraceEvent("alarm stop window ignored start %d", n);
        SetResult(dialog, 0);
        return TRUE;
      }
      job->started = true;
      KillTimer(dialog, kIdleTimer);
      alarmRuns[n - 1].StopWindow = dialog;
      // Opening can take seconds (a stop of the last playback, a graph that starts slowly):
      // the clock thread's send returns first.
      PostMessageA(dialog, MSG_ALARM_OPEN, 0, 0);
      SetResult(dialog, 1);
      return TRUE;
    }
    case MSG_ALARM_OPEN: {
      StopJob* job = JobOf(dialog);
      if (job != nullptr && job->started && alarmRuns[job->number - 1].StopWindow.load() == dialog) {
        OpenAlarmFile(dialog, job);
      }
      return TRUE;
    }
    case WM_TIMER:
      if (wParam == kIdleTimer) {
        KillTimer(dialog, kIdleTimer);
        TraceEvent("alarm stop window never started");
        EndDialog(dialog, 0);
      } else {
        RingAgainWhenEnded(dialog, static_cast<int>(wParam));
      }
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        if (StopThisAlarm(dialog)) EndDialog(dialog, 1);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        // Escape, the system's close and the program's close: stop too, never leave the file
        // playing without a window to stop it from.
        StopThisAlarm(dialog);
        EndDialog(dialog, 0);
        return TRUE;
      }
      return FALSE;
    case WM_DESTROY:
      RemovePropA(dialog, kStopProperty);
      // A window ended by other means than its buttons still stops its file.
      StopThisAlarm(dialog);
      return FALSE;
    default:
      return FALSE;
  }
}

DWORD WINAPI StopThread(void* parameter) {
  StopJob* job = static_cast<StopJob*>(parameter);
#if MASCOT_TEST_HOOKS
  if (const uint32_t stall = TestStallStopThreadMs.load()) Sleep(stall);
#endif
  // The window opens the alarm's filter graph on this thread.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  // No owner: the clock belongs to the UI thread, and Windows joins the input of a window's
  // thread and its owner's, so the clock would stall while this thread builds its graph. The
  // template keeps the window on top and off the taskbar, as an owned window was.
  const INT_PTR result = RunDialog(stopTemplate, nullptr, StopDialogProc,
                                   reinterpret_cast<LPARAM>(job), DialogPlace::kAsDesigned);
  TraceEvent("alarm %d stop window ended %d", job->number, static_cast<int>(result));
  if (SUCCEEDED(com)) CoUninitialize();
  delete job;
  stopThreads.fetch_sub(1);
  return 1;
}

bool IsFile(const char* path) {
  const DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

void RingFile(int number, const char* name) {
  AlarmRun& run = alarmRuns[number - 1];
  if (run.StopWindow.load() != nullptr || run.Blocked.load()) {
    TraceEvent("alarm %d file skipped: %s", number, run.Blocked.load() ? "blocked" : "ringing");
    return;
  }
  char path[kAlarmNameCapacity];
  if (!AlarmFilePath(name, path) || !IsFile(path)) {
    // Told by the UI thread: this thread goes on with the clock and the later alarms.
    TraceEvent("alarm %d file missing", number);
    PostMessageA(ClockWindow, MSG_ALARM_FILE_MISSING, static_cast<WPARAM>(number), 0);
    return;
  }
  HandOverAlarmFile(number, path);
}

BOOL CALLBACK AskToEnd(HWND window, LPARAM ownThread) {
  char name[16] = {};
  GetClassNameA(window, name, sizeof name);
  if (lstrcmpA(name, "#32770") != 0) return TRUE;
  const DWORD thread = GetWindowThreadProcessId(window, nullptr);
  // Stop windows, and the boxes their threads show over them.
  const HWND owner = GetWindow(window, GW_OWNER);
  if (GetPropA(window, kStopProperty) != nullptr ||
      (thread != static_cast<DWORD>(ownThread) && owner != nullptr &&
       GetPropA(owner, kStopProperty) != nullptr)) {
    PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
  }
  return TRUE;
}

bool NoStopThreads(void*) { return stopThreads.load() == 0; }

}  // namespace

void CopyAlarmTable(AlarmRecord out[kAlarmCount]) {
  std::lock_guard<std::mutex> guard(tableLock);
  memcpy(out, AlarmTable, sizeof AlarmTable);
}

void StoreAlarmTable(const AlarmRecord in[kAlarmCount]) {
  std::lock_guard<std::mutex> guard(tableLock);
  memcpy(AlarmTable, in, sizeof AlarmTable);
}

bool AlarmFilePath(const char* name, char* path) {
  const size_t length = strnlen(name, kAlarmNameCapacity);
  if (length >= kAlarmNameCapacity) return false;
  char resolved[kAlarmNameCapacity * 2];
  if (length > 0 && !PathIsRelativeA(name)) {
    snprintf(resolved, sizeof resolved, "%s", name);
  } else {
    // A folder ends in its own separator only at a drive root. Its last byte alone does not
    // tell: 0x5C is also the second byte of some double-byte characters ("表", "ソ").
    PathParts folder;
    const bool slash = ExeFolder[0] != '\0' && SplitFullPath(ExeFolder, &folder, IsAnsiLeadByte) &&
                       folder.fileName[0] == '\0';
    snprintf(resolved, sizeof resolved, "%s%s%s", ExeFolder, slash ? "" : "\\", name);
  }
  if (strlen(resolved) >= kAlarmNameCapacity) return false;
  memcpy(path, resolved, strlen(resolved) + 1);
  return true;
}

bool AlarmFileExists(const char* name) {
  char path[kAlarmNameCapacity];
  return name[0] != '\0' && AlarmFilePath(name, path) && IsFile(path);
}

void CheckAlarms() {
  TraceEvent("CheckAlarms %02u:%02u", LastHour, LastMinute);
  CopyAlarmTable(queuedTable);
  AlarmPlan plan;
  PlanAlarms(queuedTable, LastHour, LastMinute, BRAND, &plan);
  StartAlarmQueue(plan, &alarmQueue);
  ServeAlarms();
}

void ServeAlarms() {
  while (StopRequested.load() == 0) {
    const bool wasWaiting = alarmQueue.wait.waiting;
    const uint32_t clipLeft = ClipPlaysForMs();
    const AlarmStep* step = NextAlarmStep(&alarmQueue, GetTickCount(), clipLeft);
    if (step == nullptr) {
      if (!wasWaiting && alarmQueue.wait.waiting) {
        TraceEvent("alarm %d waits %u ms for the clip playing",
                   alarmQueue.plan.steps[alarmQueue.next].number, static_cast<unsigned>(clipLeft));
      }
      return;
    }
    const DWORD started = GetTickCount();
    switch (step->sound) {
      case AlarmSound::kEffect:
        TraceEvent("alarm %d effect %s x%d", step->number, step->clip, kEffectRepeats);
        PlayClipRepeated(step->clip, kEffectRepeats);
        break;
      case AlarmSound::kVoice:
        TraceEvent("alarm %d voice %s", step->number, step->clip);
        PlayClip(1, step->clip);
        break;
      case AlarmSound::kMediaFile:
        RingFile(step->number, queuedTable[step->number - 1].AlarmName);
        break;
    }
    TraceEvent("alarm %d held the clock %lu ms", step->number,
               static_cast<unsigned long>(GetTickCount() - started));
  }
}

bool HandOverAlarmFile(int number, const char* path) {
  if (number < 1 || number > kAlarmCount) return false;
  StopJob* job = new StopJob();
  job->number = number;
  snprintf(job->path, sizeof job->path, "%s", path);
  job->started = false;
  LatestStopWindow = nullptr;
  stopThreads.fetch_add(1);
  HANDLE thread = CreateThread(nullptr, 0, StopThread, job, 0, nullptr);
  if (thread == nullptr) {
    stopThreads.fetch_sub(1);
    delete job;
    TraceEvent("alarm %d stop thread not started", number);
    return false;
  }
  // Polled every millisecond; a thread that has already ended will never bring a window.
  const DWORD start = GetTickCount();
  HWND window = nullptr;
  while ((window = LatestStopWindow.load()) == nullptr) {
    if (GetTickCount() - start >= kHandOverWaitMs ||
        WaitForSingleObject(thread, 1) == WAIT_OBJECT_0) {
      break;
    }
  }
  CloseHandle(thread);
  if (window == nullptr) {
    TraceEvent("alarm %d hand-over gave up after %lu ms", number,
               static_cast<unsigned long>(GetTickCount() - start));
    return false;
  }
  DWORD_PTR taken = 0;
  if (!SendMessageTimeoutA(window, MSG_ALARM_START, static_cast<WPARAM>(number), 0, SMTO_NORMAL,
                           kHandOverWaitMs, &taken) ||
      taken != 1) {
    TraceEvent("alarm %d hand-over refused", number);
    return false;
  }
  TraceEvent("alarm %d handed over in %lu ms", number,
             static_cast<unsigned long>(GetTickCount() - start));
  return true;
}

bool AlarmFileRinging(int number) {
  return number >= 1 && number <= kAlarmCount && alarmRuns[number - 1].StopWindow.load() != nullptr;
}

int AlarmFilePlays(int number) {
  return number >= 1 && number <= kAlarmCount ? alarmRuns[number - 1].Plays.load() : 0;
}

bool AlarmFileBlocked(int number) {
  return number >= 1 && number <= kAlarmCount && alarmRuns[number - 1].Blocked.load();
}

int StopThreadsRunning() { return stopThreads.load(); }

bool StopAlarmWindows(DWORD timeoutMs) {
  if (stopThreads.load() == 0) return true;
  TraceEvent("closing %d stop windows", stopThreads.load());
  EnumWindows(AskToEnd, static_cast<LPARAM>(GetCurrentThreadId()));
  const bool ended = WaitDispatchingSent(NoStopThreads, nullptr, nullptr, timeoutMs);
  TraceEvent("stop windows %s", ended ? "closed" : "still open");
  return ended;
}

#if MASCOT_TEST_HOOKS
std::atomic<uint32_t> TestStallStopThreadMs{0};

void SetStopDialogTemplate(const char* name) { stopTemplate = name; }

void ResetAlarmRuns() {
  for (AlarmRun& run : alarmRuns) {
    run.StopWindow = nullptr;
    run.StopTimerId = 0;
    run.Blocked = false;
  }
}
#endif
