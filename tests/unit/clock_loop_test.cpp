// Clock thread scheduling: what each tick calls, in which order, across starts, reloads,
// clock changes and the feed schedule.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "app/clock_loop.h"
#include "news/ticker.h"
#include "base/app_state.h"
#include "news/feed_schedule.h"
#include "settings/settings.h"

namespace {

std::vector<std::string> calls;
LocalTime fakeNow;
bool mojiLoads;
bool backBufferPresent;
int ticksBeforeStop;  // RunClockLoop: StopRequested is raised after this many sleeps

LocalTime At(int year, int month, int day, int hour, int minute, int second) {
  LocalTime t = {};
  t.year = year;
  t.month = month;
  t.day = day;
  t.hour = hour;
  t.minute = minute;
  t.second = second;
  return t;
}

ClockHooks RecordingHooks() {
  ClockHooks h = {};
  h.ForgetSurfaces = [] { calls.push_back("ForgetSurfaces"); };
  h.MoveToSavedPlace = [] { calls.push_back("Move"); };
  h.LoadSkin = [] { calls.push_back("LoadSkin"); };
  h.MojiLoaded = [] { return mojiLoads; };
  h.BackBufferExists = [] { return backBufferPresent; };
  h.ComposeBase = [] { calls.push_back("ComposeBase"); };
  h.DrawTime = [](const LocalTime& t) {
    calls.push_back("DrawTime " + std::to_string(t.hour) + ":" + std::to_string(t.minute));
  };
  h.CheckFeeds = [] {
    calls.push_back("CheckFeeds");
    NextCheckMinute = ScheduleNextCheck(fakeNow, CheckTime);
  };
  h.PlayHourSignal = [] { calls.push_back("PlayHourSignal " + std::to_string(LastHour)); };
  h.CheckAlarms = [] {
    calls.push_back("CheckAlarms " + std::to_string(LastHour) + ":" + std::to_string(LastMinute));
  };
  h.TickerStep = [] { calls.push_back("TickerStep"); };
  h.DrawNewsBar = [] { calls.push_back("DrawNewsBar"); };
  h.PushFrame = [] { calls.push_back("PushFrame"); };
  h.ReadLocalTime = [](LocalTime* t) { *t = fakeNow; };
  h.ShowInitFailed = [] { calls.push_back("InitFailed"); };
  h.PostClose = [] { calls.push_back("PostClose"); };
  h.PostSyncTime = [] { calls.push_back("PostSyncTime"); };
  h.Sleep10ms = [] {
    calls.push_back("Sleep");
    if (--ticksBeforeStop <= 0) StopRequested = 1;
  };
  return h;
}

class ClockLoopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    calls.clear();
    mojiLoads = true;
    backBufferPresent = true;
    ticksBeforeStop = 1;
    ClockState = kClockLoad;
    StopRequested = 0;
    ThreadEnded = 0;
    LastHour = LastMinute = kNothingDrawn;
    TimeSignal = 1;
    BRAND = 0;
    AlarmFlag = 1;
    SntpUse = 0;
    TimeServer[0] = '\0';
    CheckTime = 24;
    // Far in the future of every test's clock unless a test sets it.
    NextCheckMinute = WallMinute(At(2027, 12, 31, 23, 59, 0));
    hooks = RecordingHooks();
  }

  // Runs ticks until the loop would have drawn: load then one running tick.
  void StartAt(const LocalTime& t) {
    fakeNow = t;
    ClockTick(hooks);
    ClockTick(hooks);
  }

  std::vector<std::string> TickAt(const LocalTime& t) {
    fakeNow = t;
    calls.clear();
    ClockTick(hooks);
    return calls;
  }

  ClockHooks hooks;
};

using Calls = std::vector<std::string>;

TEST_F(ClockLoopTest, StartAtTenPastFiveSecondsAnnouncesTheHourOnTheFirstRunningTick) {
  fakeNow = At(2026, 12, 7, 10, 0, 5);
  ClockTick(hooks);
  // No news bar drawn after the first load: ComposeBase covers the whole face right after it.
  EXPECT_EQ(calls, (Calls{"ForgetSurfaces", "Move", "LoadSkin", "ComposeBase"}));
  EXPECT_EQ(ClockState.load(), kClockRunning);
  EXPECT_EQ(LastHour, kNothingDrawn);

  calls.clear();
  ClockTick(hooks);
  EXPECT_EQ(calls, (Calls{"DrawTime 10:0", "PlayHourSignal 10", "CheckAlarms 10:0", "TickerStep",
                          "PushFrame"}));
  EXPECT_EQ(LastHour, 10);
  EXPECT_EQ(LastMinute, 0);

  // The same minute again: only the news bar and the frame.
  EXPECT_EQ(TickAt(At(2026, 12, 7, 10, 0, 6)), (Calls{"TickerStep", "PushFrame"}));
}

TEST_F(ClockLoopTest, EachActionIsGatedByItsSetting) {
  BRAND = 4;
  AlarmFlag = 0;
  StartAt(At(2026, 12, 7, 9, 59, 50));
  // A brand without voices (only packages fill it): no hour signal whatever TimeSignal says;
  // alarms off.
  EXPECT_EQ(TickAt(At(2026, 12, 7, 10, 0, 0)), (Calls{"DrawTime 10:0", "TickerStep", "PushFrame"}));

  BRAND = 0;
  TimeSignal = 0;
  AlarmFlag = 1;
  EXPECT_EQ(TickAt(At(2026, 12, 7, 11, 0, 14)),
            (Calls{"DrawTime 11:0", "CheckAlarms 11:0", "TickerStep", "PushFrame"}));

  // Every character's brand announces the hour.
  BRAND = 3;
  TimeSignal = 1;
  AlarmFlag = 0;
  EXPECT_EQ(TickAt(At(2026, 12, 7, 12, 0, 0)),
            (Calls{"DrawTime 12:0", "PlayHourSignal 12", "TickerStep", "PushFrame"}));
}

TEST_F(ClockLoopTest, AlarmsAreCheckedOnlyWithinTheFirstFifteenSecondsOfAMinute) {
  StartAt(At(2026, 12, 7, 7, 29, 0));
  // Waking at 07:30:20 after sleeping through 07:30:00: the face updates, the alarm does not fire.
  EXPECT_EQ(TickAt(At(2026, 12, 7, 7, 30, 20)), (Calls{"DrawTime 7:30", "TickerStep", "PushFrame"}));
  EXPECT_EQ(TickAt(At(2026, 12, 7, 7, 31, 14)),
            (Calls{"DrawTime 7:31", "CheckAlarms 7:31", "TickerStep", "PushFrame"}));
  EXPECT_EQ(TickAt(At(2026, 12, 7, 7, 32, 15)), (Calls{"DrawTime 7:32", "TickerStep", "PushFrame"}));
}

TEST_F(ClockLoopTest, SettingTheClockBackAnHourRedrawsOnce) {
  StartAt(At(2026, 12, 7, 14, 20, 30));
  EXPECT_EQ(TickAt(At(2026, 12, 7, 13, 20, 31)), (Calls{"DrawTime 13:20", "TickerStep", "PushFrame"}));
  EXPECT_EQ(LastHour, 13);
  EXPECT_EQ(LastMinute, 20);
  EXPECT_EQ(TickAt(At(2026, 12, 7, 13, 20, 32)), (Calls{"TickerStep", "PushFrame"}));
}

TEST_F(ClockLoopTest, ReloadRedrawsAsAMinuteChangeAndRepeatsHourSignalAndAlarms) {
  StartAt(At(2026, 12, 7, 8, 0, 3));
  ClockState = kClockReload;
  // The skin load resets what was drawn, as the real LoadSkin does.
  hooks.LoadSkin = [] {
    calls.push_back("LoadSkin");
    LastHour = LastMinute = kNothingDrawn;
  };
  EXPECT_EQ(TickAt(At(2026, 12, 7, 8, 0, 10)), (Calls{"LoadSkin", "DrawNewsBar"}));
  EXPECT_EQ(ClockState.load(), kClockRunning);
  EXPECT_EQ(TickAt(At(2026, 12, 7, 8, 0, 11)),
            (Calls{"DrawTime 8:0", "PlayHourSignal 8", "CheckAlarms 8:0", "TickerStep", "PushFrame"}));
}

TEST_F(ClockLoopTest, FeedChecksComeOncePerPeriodWhateverTheCalendar) {
  // From starts at month and year ends, on leap days and in plain mid-month, the clock ticking
  // at every minute change for three periods: a check exactly every CheckTime hours, no other.
  const LocalTime starts[] = {
      At(2026, 12, 31, 10, 30, 50), At(2026, 4, 30, 8, 5, 0),   At(2026, 1, 31, 23, 59, 59),
      At(2026, 2, 28, 12, 0, 30),   At(2028, 2, 28, 23, 30, 0), At(2028, 2, 29, 0, 0, 1),
      At(2028, 12, 31, 23, 59, 0),  At(2026, 6, 30, 22, 45, 10), At(2026, 12, 15, 11, 14, 0),
      At(2100, 2, 28, 18, 0, 0),
  };
  for (int hours : {1, 7, 24}) {
    for (const LocalTime& start : starts) {
      SetUp();
      CheckTime = static_cast<int8_t>(hours);
      StartAt(start);
      // The start-up check has left its schedule.
      NextCheckMinute = ScheduleNextCheck(start, hours);
      std::vector<int> checkedAt;
      for (int minute = 1; minute <= 3 * hours * 60; ++minute) {
        const Calls c = TickAt(ShiftLocalTime(start, minute * 60));
        if (std::find(c.begin(), c.end(), "CheckFeeds") != c.end()) checkedAt.push_back(minute);
      }
      const std::vector<int> want = {hours * 60, 2 * hours * 60, 3 * hours * 60};
      EXPECT_EQ(checkedAt, want) << hours << " h from " << start.year << "-" << start.month << "-"
                                 << start.day << " " << start.hour << ":" << start.minute;
    }
  }
}

TEST_F(ClockLoopTest, MissingMojiImageReportsAndClosesOnce) {
  mojiLoads = false;
  ticksBeforeStop = 100;
  fakeNow = At(2026, 12, 7, 10, 0, 0);
  RunClockLoop(hooks);
  EXPECT_EQ(calls, (Calls{"ForgetSurfaces", "Move", "LoadSkin", "InitFailed", "PostClose", "Sleep"}));
  EXPECT_EQ(StopRequested.load(), 1);
  EXPECT_EQ(ThreadEnded.load(), 1);
}

TEST_F(ClockLoopTest, LostBackBufferClosesWithoutAMessage) {
  StartAt(At(2026, 12, 7, 10, 0, 0));
  backBufferPresent = false;
  EXPECT_EQ(TickAt(At(2026, 12, 7, 10, 0, 1)), (Calls{"PostClose"}));
  EXPECT_EQ(StopRequested.load(), 1);
}

TEST_F(ClockLoopTest, TimeSyncIsRequestedOnlyWithAServerName) {
  SntpUse = 1;
  fakeNow = At(2026, 12, 7, 10, 0, 0);
  ClockTick(hooks);
  EXPECT_EQ(calls.back(), "ComposeBase");

  SetUp();
  SntpUse = 1;
  snprintf(TimeServer, sizeof TimeServer, "%s", "ntp.example.org");
  ClockTick(hooks);
  EXPECT_EQ(calls.back(), "PostSyncTime");
  // Only after the first load, not after a reload.
  ClockState = kClockReload;
  calls.clear();
  ClockTick(hooks);
  EXPECT_EQ(calls, (Calls{"LoadSkin", "DrawNewsBar"}));
}

TEST_F(ClockLoopTest, IdleSleepsNeverRunPastTheNextMinute) {
  // Over a whole minute at every millisecond: while nothing moves the loop sleeps at most
  // kIdleSleepMs and wakes no later than just after the minute turns; while the bar moves it
  // ticks every kTickMs.
  for (int ms = 0; ms < 60000; ++ms) {
    LocalTime t = At(2026, 12, 7, 9, 59, ms / 1000);
    t.milliseconds = ms % 1000;
    const int sleep = SleepAfterTick(t, -1);
    ASSERT_GE(sleep, 1) << ms;
    ASSERT_LE(sleep, kIdleSleepMs) << ms;
    ASSERT_LE(ms + sleep, 60000 + 1) << ms;
    if (60000 - ms >= kIdleSleepMs) {
      ASSERT_EQ(sleep, kIdleSleepMs) << ms;
    }
    // While the bar scrolls, never past its next step either.
    for (int due = 0; due <= 120; due += 7) {
      const int moving = SleepAfterTick(t, due);
      ASSERT_GE(moving, 1);
      ASSERT_LE(moving, sleep) << ms << " " << due;
      if (60000 - ms >= kIdleSleepMs) {
        ASSERT_EQ(moving, std::max(1, std::min(kIdleSleepMs, due))) << ms << " " << due;
      }
    }
  }

  // The loop sleeps what the running tick chose, and 10 ms in other states.
  static std::vector<int> sleeps;
  sleeps.clear();
  hooks.SleepUpTo = [](int ms) {
    sleeps.push_back(ms);
    if (sleeps.size() >= 3) StopRequested = 1;
  };
  hooks.TickerDueInMs = [] { return -1; };
  fakeNow = At(2026, 12, 7, 10, 0, 59);
  fakeNow.milliseconds = 980;
  RunClockLoop(hooks);
  EXPECT_EQ(sleeps, (std::vector<int>{kTickMs, 20, 20}));
}

TEST_F(ClockLoopTest, TheBarKeepsItsSpeedHoweverCoarselyTheThreadWakes) {
  // A simulated minute of the clock thread: it reads the millisecond clock, takes the bar's due
  // steps and sleeps what SleepAfterTick says, but each sleep ends only on the platform's next
  // timer step (1 ms under Wine, 10 ms, and Windows' 15.6 ms). Every speed keeps its setting:
  // by the last wake-up at a time t, t / RssScrollTime steps.
  for (double grain : {1.0, 10.0, 15.625}) {
    for (int period = 1; period <= 100; ++period) {
      TickerPace pace;
      StartTickerPace(&pace, 0, period);
      int steps = 0;
      uint32_t now = 0;
      double t = 0.25;
      while (t < 60000) {
        now = static_cast<uint32_t>(t);
        steps += TakeDueSteps(&pace, now, period);
        LocalTime clock = At(2026, 12, 7, 10, 0, static_cast<int>(now / 1000));
        clock.milliseconds = static_cast<int>(now % 1000);
        const int sleep = SleepAfterTick(clock, TickerDueIn(pace, now));
        t = std::ceil((t + sleep) / grain) * grain;
      }
      EXPECT_EQ(steps, static_cast<int>(now) / period) << "every " << period << " ms, timer step " << grain;
      EXPECT_GT(now, 59900u);
    }
  }
}

TEST_F(ClockLoopTest, FrameRequestsAreServedFirstOnEveryRunningTick) {
  hooks.ServeFrameRequests = [] { calls.push_back("Serve"); };
  StartAt(At(2026, 12, 7, 10, 0, 5));
  EXPECT_EQ(TickAt(At(2026, 12, 7, 10, 1, 6)),
            (Calls{"Serve", "DrawTime 10:1", "CheckAlarms 10:1", "TickerStep", "PushFrame"}));
  EXPECT_EQ(TickAt(At(2026, 12, 7, 10, 1, 7)), (Calls{"Serve", "TickerStep", "PushFrame"}));
  // Not while loading or reloading: the surfaces are being replaced then.
  ClockState = kClockReload;
  EXPECT_EQ(TickAt(At(2026, 12, 7, 10, 1, 8)), (Calls{"LoadSkin", "DrawNewsBar"}));
}

TEST_F(ClockLoopTest, UnknownStateOnlySleepsAndStopEndsTheLoop) {
  ClockState = 7;
  ticksBeforeStop = 3;
  RunClockLoop(hooks);
  EXPECT_EQ(calls, (Calls{"Sleep", "Sleep", "Sleep"}));
  EXPECT_EQ(ThreadEnded.load(), 1);

  // A stop already requested before the loop starts: no tick at all.
  SetUp();
  StopRequested = 1;
  RunClockLoop(hooks);
  EXPECT_TRUE(calls.empty());
  EXPECT_EQ(ThreadEnded.load(), 1);
}

}  // namespace
