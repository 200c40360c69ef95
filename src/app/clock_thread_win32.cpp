// The clock thread: the tick loop wired to the window, the face and the timed services, and
// the UI thread's side of the stop handshake.
#include <windows.h>

#include "app/app_win32.h"
#include "app/clock_loop.h"
#include "base/app_state.h"
#include "base/clock_source_win32.h"
#include "base/test_hooks_win32.h"
#include "news/feeds_win32.h"
#include "news/news_state.h"
#include "news/ticker_win32.h"
#include "render/face_win32.h"
#include "render/frame.h"
#include "render/surface.h"
#include "settings/settings.h"
#include "timesvc/alarms_win32.h"
#include "timesvc/time_signal_win32.h"

namespace {

HWND threadWindow = nullptr;
// Ends an idle sleep of the clock thread early: a frame request or the stop.
HANDLE wakeEvent = nullptr;

void WakeClockThread() {
  if (wakeEvent != nullptr) SetEvent(wakeEvent);
}

const ClockHooks kClockHooks = {
    /*ForgetSurfaces=*/
    [] {
      // Freed rather than merely forgotten: a reload must not leak the old frame's bitmap.
      FreeSurface(&PictureSurface);
      FrameGuard guard;
      FreeSurface(&BackBuffer);
    },
    /*MoveToSavedPlace=*/
    [] {
      SetWindowPos(threadWindow, nullptr, LEFT, TOP, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    },
    /*LoadSkin=*/[] { LoadSkin(NewsBarShown()); },
    /*MojiLoaded=*/[] { return SurfaceExists(MojiSurface); },
    /*BackBufferExists=*/[] { return SurfaceExists(BackBuffer); },
    /*ComposeBase=*/ComposeBase,
    /*DrawTime=*/DrawTime,
    /*CheckFeeds=*/StartFeedCheck,
    /*PlayHourSignal=*/PlayHourSignal,
    /*CheckAlarms=*/CheckAlarms,
    /*TickerStep=*/TickerStep,
    /*PushFrame=*/PushFrameIfChanged,
    /*ReadLocalTime=*/ReadLocalTime,
    /*ShowInitFailed=*/
    [] { MessageBoxA(threadWindow, "初期化失敗", AppCaption, MB_ICONWARNING); },
    /*PostClose=*/[] { PostMessageA(threadWindow, WM_CLOSE, 0, 0); },
    /*PostSyncTime=*/[] { PostMessageA(threadWindow, MSG_SYNC_TIME, 0, 0); },
    /*Sleep10ms=*/[] { Sleep(10); },
    /*ServeFrameRequests=*/
    [] {
      if (ServeFrameRequests()) DrawNewsBar();
    },
    /*SleepUpTo=*/
    [](int ms) {
      if (wakeEvent == nullptr) {
        Sleep(static_cast<DWORD>(ms));
      } else {
        WaitForSingleObject(wakeEvent, static_cast<DWORD>(ms));
      }
    },
    /*TickerDueInMs=*/TickerDueInMs,
    /*DrawNewsBar=*/[] { DrawNewsBar(); },
    /*ServeAlarms=*/ServeAlarms,
};

}  // namespace

DWORD WINAPI ClockThread(LPVOID window) {
  threadWindow = static_cast<HWND>(window);
  TraceEvent("ClockThread started");
  ClaimFrame();
  SetFrameWaker(WakeClockThread);
  RunClockLoop(kClockHooks);
  // A scheduled feed check sees StopRequested and ends within its poll.
  WaitFeedCheck(1000);
  SetFrameWaker(nullptr);
  TraceEvent("ClockThread ended");
  return 1;
}

void CreateClockWakeEvent() {
  if (wakeEvent == nullptr) wakeEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
}

bool StopClockThread() {
  StopRequested = 1;
  WakeClockThread();
  if (ClockThreadHandle == nullptr) return true;
  // The clock thread may be in the middle of a call that sends a message to a window of this
  // thread (moving or showing the clock, a message box it owns). Such calls block until this
  // thread handles them, so the wait dispatches sent messages; posted ones stay queued.
  while (ThreadEnded == 0) {
    DWORD r = MsgWaitForMultipleObjects(1, &ClockThreadHandle, FALSE, 10, QS_SENDMESSAGE);
    if (r == WAIT_OBJECT_0) break;  // the thread is gone, whatever it managed to flag
    if (r == WAIT_FAILED) return false;
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
  WaitForSingleObject(ClockThreadHandle, 1000);
  return true;
}
