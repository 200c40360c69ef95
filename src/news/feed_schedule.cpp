// Feed-check schedule shared by the clock thread and whoever starts a check.
#include "news/feed_schedule.h"

std::atomic<int64_t> NextCheckMinute{0};

int64_t WallMinute(const LocalTime& time) {
  const int64_t seconds = WallSeconds(time);
  // Rounded down for readings before 1970 as well.
  return seconds >= 0 ? seconds / 60 : -((59 - seconds) / 60);
}

bool IsFeedCheckDue(const LocalTime& now, int64_t nextMinute) {
  return WallMinute(now) >= nextMinute;
}

int64_t ScheduleNextCheck(const LocalTime& now, int hours) {
  return WallMinute(now) + static_cast<int64_t>(hours) * 60;
}
