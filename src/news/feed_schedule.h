// When the next feed check is due, as the clock thread tests it.
#pragma once

#include <atomic>
#include <cstdint>

#include "base/local_time.h"

// The wall-clock minute (WallMinute of the local time) at which the next scheduled check is due.
// Written by whichever thread starts a check, read by the clock thread.
extern std::atomic<int64_t> NextCheckMinute;

// The minute of a local time counted as an instant, so month and year ends carry like any other.
int64_t WallMinute(const LocalTime& time);

// Due once the local time has reached the scheduled minute.
bool IsFeedCheckDue(const LocalTime& now, int64_t nextMinute);

// The schedule a check started at `now` leaves: the same minute `hours` hours later.
int64_t ScheduleNextCheck(const LocalTime& now, int hours);
