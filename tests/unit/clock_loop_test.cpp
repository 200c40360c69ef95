// Clock thread scheduling: what each tick calls, in which order, across starts, reloads,
// clock changes and the feed schedule.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/clock_loop.h"
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
    NextCheck = ScheduleNextCheck(fakeNow, CheckTime);
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
    NextCheck = At(2026, 12, 31, 23, 59, 0);
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

TEST_F(ClockLoopTest, FeedScheduleIsTestedFieldByField) {
  NextCheck = At(2026, 12, 15, 10, 30, 0);
  StartAt(At(2026, 12, 15, 11, 14, 0));
  // Day 15, 11:15 is later than 10:30 but its minute is below 30: not due.
  EXPECT_EQ(TickAt(At(2026, 12, 15, 11, 15, 40)), (Calls{"DrawTime 11:15", "TickerStep", "PushFrame"}));
  EXPECT_EQ(TickAt(At(2026, 12, 15, 11, 30, 40)),
            (Calls{"DrawTime 11:30", "CheckFeeds", "TickerStep", "PushFrame"}));
  EXPECT_EQ(NextCheck.day, 16);
  EXPECT_EQ(NextCheck.hour, 11);
  EXPECT_EQ(NextCheck.minute, 30);
}

TEST_F(ClockLoopTest, MonthEndScheduleRepeatsUntilTheDayCatchesUp) {
  NextCheck = At(2026, 12, 31, 10, 30, 0);
  StartAt(At(2026, 12, 31, 10, 29, 50));
  // The check on the 31st at 10:30 schedules day 1, 10:30.
  fakeNow = At(2026, 12, 31, 10, 30, 50);
  calls.clear();
  ClockTick(hooks);
  ASSERT_EQ(calls[1], "CheckFeeds");
  EXPECT_EQ(NextCheck.month, 1);
  EXPECT_EQ(NextCheck.day, 1);

  // Due again at every minute change until 10:59 ...
  int checks = 0;
  for (int minute = 31; minute <= 59; ++minute) {
    Calls c = TickAt(At(2026, 12, 31, 10, minute, 50));
    checks += c.size() > 1 && c[1] == "CheckFeeds";
  }
  EXPECT_EQ(checks, 29);
  // ... then once an hour at minute 59.
  checks = 0;
  for (int hour = 11; hour <= 23; ++hour) {
    for (int minute = 0; minute <= 59; ++minute) {
      Calls c = TickAt(At(2026, 12, 31, hour, minute, 50));
      bool ran = c.size() > 1 && c[1] == "CheckFeeds";
      if (ran) {
        EXPECT_EQ(minute, 59) << hour;
      }
      checks += ran;
    }
  }
  EXPECT_EQ(checks, 13);
  // On day 1 the last schedule (day 1, 23:59) is due only at 23:59.
  checks = 0;
  for (int hour = 0; hour <= 23; ++hour) {
    for (int minute = 0; minute <= 59; ++minute) {
      Calls c = TickAt(At(2027, 1, 1, hour, minute, 50));
      checks += c.size() > 1 && c[1] == "CheckFeeds";
    }
  }
  EXPECT_EQ(checks, 1);
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
        ASSERT_EQ(moving, due <= kTickMs ? kTickMs : std::min(kIdleSleepMs, (due + 9) / 10 * 10));
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

TEST_F(ClockLoopTest, SleepingThroughIdleTicksKeepsTheBarsPace) {
  // A bar that steps once more than `period` ms have passed, driven by a loop that wakes every
  // 10 ms and by one that sleeps through the ticks between steps: the steps fall on the same
  // milliseconds, and from the default 40 ms on with about a third of the wake-ups or fewer.
  for (int period = 5; period <= 100; ++period) {
    std::vector<int> everyTick;
    std::vector<int> slept;
    int wakes = 0;
    for (int pass = 0; pass < 2; ++pass) {
      std::vector<int>& steps = pass == 0 ? everyTick : slept;
      int last = 0;
      for (int t = 0; t < 10000;) {
        if (t - last > period) {
          last = t;
          steps.push_back(t);
        }
        if (pass == 0) {
          t += kTickMs;
          continue;
        }
        ++wakes;
        LocalTime now = At(2026, 12, 7, 10, 0, t / 1000);
        now.milliseconds = t % 1000;
        const int since = t - last;
        t += SleepAfterTick(now, since > period ? 0 : period + 1 - since);
      }
    }
    ASSERT_EQ(slept, everyTick) << period;
    EXPECT_LE(wakes, period < 40 ? 1000 : 340) << period;
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
