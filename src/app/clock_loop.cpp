// The clock thread's tick loop; everything it touches goes through ClockHooks.
#include "app/clock_loop.h"

#include "base/app_state.h"
#include "news/feed_schedule.h"
#include "settings/settings.h"
#include "settings/skin_voice.h"

MinuteDecision DecideMinute(const LocalTime& now, uint16_t lastHour, uint16_t lastMinute,
                            int64_t nextCheckMinute) {
  MinuteDecision d = {};
  d.changed = now.hour != lastHour || now.minute != lastMinute;
  if (!d.changed) return d;
  d.checkFeeds = IsFeedCheckDue(now, nextCheckMinute);
  d.hourSignal = TimeSignal != 0 && now.minute == 0 && BrandSpeaks(BRAND);
  d.checkAlarms = AlarmFlag != 0 && now.second < 15;
  return d;
}

int SleepAfterTick(const LocalTime& now, int stepDueInMs) {
  int limit = kIdleSleepMs;
  if (stepDueInMs >= 0) limit = stepDueInMs < 1 ? 1 : stepDueInMs > kIdleSleepMs ? kIdleSleepMs : stepDueInMs;
  const int second = now.second < 0 ? 0 : now.second > 59 ? 59 : now.second;
  const int ms = now.milliseconds < 0 ? 0 : now.milliseconds > 999 ? 999 : now.milliseconds;
  const int untilMinute = (60 - second) * 1000 - ms;
  if (untilMinute < limit) return untilMinute < 1 ? 1 : untilMinute;
  return limit;
}

namespace {

// How long the loop sleeps after the current tick; the running state sets it.
int nextSleepMs = kTickMs;

void CloseFromThread(const ClockHooks& hooks) {
  StopRequested = 1;
  hooks.PostClose();
}

void LoadState(const ClockHooks& hooks) {
  hooks.ForgetSurfaces();
  hooks.MoveToSavedPlace();
  hooks.LoadSkin();
  if (!hooks.MojiLoaded()) {
    hooks.ShowInitFailed();
    CloseFromThread(hooks);
    return;
  }
  LastHour = kNothingDrawn;
  LastMinute = kNothingDrawn;
  hooks.ComposeBase();
  ClockState = kClockRunning;
  if (SntpUse != 0 && TimeServer[0] != '\0') hooks.PostSyncTime();
}

void RunningState(const ClockHooks& hooks) {
  if (!hooks.BackBufferExists()) {
    CloseFromThread(hooks);
    return;
  }
  if (hooks.ServeFrameRequests != nullptr) hooks.ServeFrameRequests();
  LocalTime now = {};
  hooks.ReadLocalTime(&now);
  MinuteDecision d = DecideMinute(now, LastHour, LastMinute, NextCheckMinute.load());
  if (d.changed) {
    hooks.DrawTime(now);
    LastHour = static_cast<uint16_t>(now.hour);
    LastMinute = static_cast<uint16_t>(now.minute);
    if (d.checkFeeds) hooks.CheckFeeds();
    if (d.hourSignal) hooks.PlayHourSignal();
    if (d.checkAlarms) hooks.CheckAlarms();
  } else if (hooks.ServeAlarms != nullptr) {
    hooks.ServeAlarms();
  }
  hooks.TickerStep();
  hooks.PushFrame();
  nextSleepMs = SleepAfterTick(now, hooks.TickerDueInMs != nullptr ? hooks.TickerDueInMs() : -1);
}

}  // namespace

void ClockTick(const ClockHooks& hooks) {
  nextSleepMs = kTickMs;
  switch (ClockState.load()) {
    case kClockLoad:
      LoadState(hooks);
      break;
    case kClockRunning:
      RunningState(hooks);
      break;
    case kClockReload:
      hooks.LoadSkin();
      if (hooks.DrawNewsBar != nullptr) hooks.DrawNewsBar();
      ClockState = kClockRunning;
      break;
    default:
      break;
  }
}

void RunClockLoop(const ClockHooks& hooks) {
  ThreadEnded = 0;
  while (StopRequested == 0) {
    ClockTick(hooks);
    if (hooks.SleepUpTo != nullptr) {
      hooks.SleepUpTo(nextSleepMs);
    } else {
      hooks.Sleep10ms();
    }
  }
  ThreadEnded = 1;
}
