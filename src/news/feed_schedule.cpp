// Feed-check schedule shared by the clock thread and the feed fetcher.
#include "news/feed_schedule.h"

LocalTime NextCheck = {};

bool IsFeedCheckDue(const LocalTime& now, const LocalTime& next) {
  return now.day >= next.day && now.hour >= next.hour && now.minute >= next.minute;
}

LocalTime ScheduleNextCheck(const LocalTime& now, int hours) {
  return ShiftLocalTime(now, static_cast<int64_t>(hours) * 3600);
}
