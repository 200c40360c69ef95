// The one place the program reads the local time, the calendar time and the millisecond tick.
#pragma once

#include <windows.h>

#include <cstdint>

#include "base/local_time.h"

void ReadLocalTime(LocalTime* now);
// Seconds since 1970-01-01 00:00 UTC.
int64_t ReadUnixTime();
DWORD ReadTickMs();
