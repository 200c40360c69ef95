// Local time, calendar time and tick reads, shifted in the test build to a chosen start.
#include "base/clock_source_win32.h"

#include <ctime>

#include "base/test_hooks_win32.h"

void ReadLocalTime(LocalTime* now) {
  SYSTEMTIME st;
  GetLocalTime(&st);
  LocalTime t = {st.wYear, st.wMonth, st.wDayOfWeek, st.wDay,
                 st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
  int64_t shift = TestClockShiftSeconds();
  *now = shift != 0 ? ShiftLocalTime(t, shift) : t;
}

int64_t ReadUnixTime() { return static_cast<int64_t>(time(nullptr)) + TestClockShiftSeconds(); }

DWORD ReadTickMs() { return GetTickCount(); }
