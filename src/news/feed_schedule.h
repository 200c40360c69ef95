// When the next feed check is due, as the clock thread tests it.
#pragma once

#include "base/local_time.h"

// The schedule of the next feed check; set by each check to its time plus CheckTime hours.
extern LocalTime NextCheck;

// Due when day, hour and minute are each at least NextCheck's. The fields are compared one by
// one, not as instants, so after a month end (next day 1 against today's 31) the check repeats
// at minute changes until the day number catches up.
bool IsFeedCheckDue(const LocalTime& now, const LocalTime& next);

// The schedule a check made at `now` leaves: `now` plus `hours` hours.
LocalTime ScheduleNextCheck(const LocalTime& now, int hours);
