// The one place the program reads the local time, the calendar time and the millisecond tick,
// and the one place it sets the computer's clock.
#pragma once

#include <windows.h>

#include <cstdint>

#include "base/local_time.h"

void ReadLocalTime(LocalTime* now);
// Seconds since 1970-01-01 00:00 UTC.
int64_t ReadUnixTime();
DWORD ReadTickMs();

// Sets the computer's clock to `utc` (UTC, so the daylight-saving state of the new time is the
// system's business, not ours). False when the system refuses. The product calls
// SetSystemTime; the test build never touches the machine's clock: it writes the event
// "SetClock <UTC> local <local>" and moves its own shifted clock there, so the face follows,
// and it refuses while TARVO_TEST_CLOCK_REFUSE=1.
bool SetClockUtc(const SYSTEMTIME& utc);
