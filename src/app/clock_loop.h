// The clock thread's 10 ms tick: load, running and reload states, as portable logic over the
// window, drawing, sound and network operations it calls.
#pragma once

#include "base/local_time.h"

// What a tick calls out to. The Win32 glue wires these to the real operations; tests record.
struct ClockHooks {
  void (*ForgetSurfaces)();    // clear PictureSurface, drop BackBuffer's bitmap handle
  void (*MoveToSavedPlace)();  // ClockWindow to (LEFT, TOP), size and z-order kept
  void (*LoadSkin)();
  bool (*MojiLoaded)();
  bool (*BackBufferExists)();
  void (*ComposeBase)();
  void (*DrawTime)(const LocalTime& now);
  void (*CheckFeeds)();
  void (*PlayHourSignal)();
  void (*CheckAlarms)();
  void (*TickerStep)();
  void (*PushFrame)();
  void (*ReadLocalTime)(LocalTime* now);
  void (*ShowInitFailed)();  // "初期化失敗" owned by ClockWindow
  void (*PostClose)();       // WM_CLOSE to ClockWindow
  void (*PostSyncTime)();    // MSG_SYNC_TIME to ClockWindow
  void (*Sleep10ms)();
  // What other threads asked of the frame (optional: null serves nothing).
  void (*ServeFrameRequests)();
  // Sleeps up to `ms` milliseconds, ending early when woken (optional: null uses Sleep10ms).
  void (*SleepUpTo)(int ms);
  // While the news bar scrolls, milliseconds until its next step is due; -1 while it stands
  // still (optional: null means never moving).
  int (*TickerDueInMs)();
  // Lays the news bar over a reloaded face (optional). Not after the first load, whose face
  // is composed afresh right after it.
  void (*DrawNewsBar)();
  // Rings the alarms of the minute that waited for a sound to end (optional), on every
  // running tick.
  void (*ServeAlarms)();
};

// The loop ticks every 10 ms. A tick that would do nothing is slept through: while nothing
// moves the loop may sleep up to kIdleSleepMs, while the bar scrolls until the tick its next
// step falls on, but never past the next minute, so no redraw, hour signal or alarm starts late;
// requests from other threads and the stop wake it at once.
constexpr int kTickMs = 10;
constexpr int kIdleSleepMs = 50;

// How long to sleep after a running tick at `now`. `stepDueInMs` is -1 while the bar stands
// still; otherwise the sleep ends on the first 10 ms tick at or after the bar's next step, so the
// bar keeps the pace of a loop that wakes every tick. Never more than kIdleSleepMs, and cut to
// end just after the next minute begins.
int SleepAfterTick(const LocalTime& now, int stepDueInMs);

// What the running state does on a tick whose hour or minute differs from the last drawn.
struct MinuteDecision {
  bool changed;
  bool checkFeeds;
  bool hourSignal;
  bool checkAlarms;
};

// Pure decision for one running tick; reads the settings that gate each action.
MinuteDecision DecideMinute(const LocalTime& now, uint16_t lastHour, uint16_t lastMinute,
                            const LocalTime& nextCheck);

// One pass of the loop body: the action of the current ClockState, without the sleep.
void ClockTick(const ClockHooks& hooks);

// The whole loop: ticks every 10 ms until StopRequested, then sets ThreadEnded.
void RunClockLoop(const ClockHooks& hooks);
