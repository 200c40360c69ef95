// Feed check. Nothing is fetched yet; the check only sets its next due time.
#include "news/feeds_win32.h"

#include "base/clock_source_win32.h"
#include "base/test_hooks_win32.h"
#include "news/feed_schedule.h"
#include "settings/settings.h"

void CheckFeeds() {
  LocalTime now;
  ReadLocalTime(&now);
  NextCheck = ScheduleNextCheck(now, CheckTime);
  TraceEvent("CheckFeeds next %02d %02d:%02d", NextCheck.day, NextCheck.hour, NextCheck.minute);
}
