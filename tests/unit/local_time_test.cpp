// Calendar arithmetic behind the shifted test clock and the feed schedule.
#include <gtest/gtest.h>

#include "base/local_time.h"

namespace {

TEST(LocalTimeTest, RoundTripsAcrossLeapDaysCenturiesAndTheEpoch) {
  const int64_t samples[] = {0, -1, 86399, 86400, 951782400 /* 2000-02-29 */,
                             4107542399 /* 2100-02-28 23:59:59 */, -11644473600 /* 1601-01-01 */,
                             1796601599};
  for (int64_t s : samples) {
    LocalTime t = WallTimeFromSeconds(s, 123);
    EXPECT_EQ(WallSeconds(t), s) << s;
    EXPECT_EQ(t.milliseconds, 123);
  }
  LocalTime leap = WallTimeFromSeconds(951782400, 0);
  EXPECT_EQ(leap.year, 2000);
  EXPECT_EQ(leap.month, 2);
  EXPECT_EQ(leap.day, 29);
  EXPECT_EQ(leap.dayOfWeek, 2);  // a Tuesday
  LocalTime before = WallTimeFromSeconds(-1, 0);
  EXPECT_EQ(before.year, 1969);
  EXPECT_EQ(before.hour, 23);
  EXPECT_EQ(before.dayOfWeek, 3);  // Wednesday 1969-12-31
  // 2100 is not a leap year.
  LocalTime after = WallTimeFromSeconds(4107542400, 0);
  EXPECT_EQ(after.month, 3);
  EXPECT_EQ(after.day, 1);
}

TEST(LocalTimeTest, ParsesOnlyWellFormedPossibleTimes) {
  int64_t s = 42;
  ASSERT_TRUE(ParseWallTime("2026-12-07 10:00:05", &s));
  LocalTime t = WallTimeFromSeconds(s, 0);
  EXPECT_EQ(t.year, 2026);
  EXPECT_EQ(t.month, 12);
  EXPECT_EQ(t.day, 7);
  EXPECT_EQ(t.hour, 10);
  EXPECT_EQ(t.second, 5);
  EXPECT_EQ(t.dayOfWeek, 1);  // a Monday
  ASSERT_TRUE(ParseWallTime("2024-02-29T23:59:59", &s));

  const char* bad[] = {"", "2026-12-07", "2026-12-07 10:00", "2026-12-07 10:00:05Z",
                       "2026-13-01 00:00:00", "2023-02-29 00:00:00", "2026-12-07 24:00:00",
                       "2026-12-07 10:60:00", "2026-12-07 10:00:60", "0999-01-01 00:00:00",
                       "2026-1-07 10:00:00", "2026/12/07 10:00:00", "+026-12-07 10:00:00"};
  for (const char* text : bad) {
    int64_t untouched = 42;
    EXPECT_FALSE(ParseWallTime(text, &untouched)) << text;
    EXPECT_EQ(untouched, 42) << text;
  }
  EXPECT_FALSE(ParseWallTime(nullptr, &s));
}

TEST(LocalTimeTest, ShiftCarriesThroughMonthAndYearEnds) {
  LocalTime t = ShiftLocalTime(LocalTime{2026, 12, 4, 31, 10, 30, 0, 7}, 24 * 3600);
  EXPECT_EQ(t.year, 2027);
  EXPECT_EQ(t.month, 1);
  EXPECT_EQ(t.day, 1);
  EXPECT_EQ(t.hour, 10);
  EXPECT_EQ(t.minute, 30);
  EXPECT_EQ(t.milliseconds, 7);
  LocalTime back = ShiftLocalTime(t, -3600 * 24 * 366);
  EXPECT_EQ(back.year, 2025);
  EXPECT_EQ(back.month, 12);
  EXPECT_EQ(back.day, 31);
}

}  // namespace
