// Local time, calendar time and tick reads, shifted in the test build to a chosen start, and
// the clock-setting seam.
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

namespace {

#if MASCOT_TEST_HOOKS
// Seconds since 1970 of a UTC SYSTEMTIME (milliseconds rounded to the nearest second).
int64_t UnixSecondsOf(const SYSTEMTIME& t) {
  LocalTime wall = {t.wYear, t.wMonth, t.wDayOfWeek, t.wDay, t.wHour, t.wMinute, t.wSecond, 0};
  return WallSeconds(wall) + (t.wMilliseconds >= 500 ? 1 : 0);
}

// Milliseconds from the machine's UTC now to `t`: the step a real set would make.
int64_t MachineStepMs(const SYSTEMTIME& t) {
  FILETIME target, now;
  if (!SystemTimeToFileTime(&t, &target)) return 0;
  GetSystemTimeAsFileTime(&now);
  const int64_t a = static_cast<int64_t>(static_cast<uint64_t>(target.dwHighDateTime) << 32 |
                                         target.dwLowDateTime);
  const int64_t b = static_cast<int64_t>(static_cast<uint64_t>(now.dwHighDateTime) << 32 |
                                         now.dwLowDateTime);
  return (a - b) / 10000;
}

int64_t RealUnixSecondsNow() {
  SYSTEMTIME now;
  GetSystemTime(&now);
  LocalTime wall = {now.wYear, now.wMonth, now.wDayOfWeek, now.wDay,
                    now.wHour, now.wMinute, now.wSecond, 0};
  return WallSeconds(wall) + (now.wMilliseconds >= 500 ? 1 : 0);
}
#endif

}  // namespace

bool SetClockUtc(const SYSTEMTIME& utc) {
#if MASCOT_TEST_HOOKS
  // The test build has no call that could change the machine's clock: its import table names
  // neither SetSystemTime nor SetLocalTime (checked by the test "clock_setters_not_imported").
  const int64_t step = MachineStepMs(utc);
  SYSTEMTIME local = {};
  if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) local = utc;
  TraceEvent("SetClock %04u-%02u-%02u %02u:%02u:%02u.%03u local %04u-%02u-%02u %02u:%02u:%02u.%03u%s",
             utc.wYear, utc.wMonth, utc.wDay, utc.wHour, utc.wMinute, utc.wSecond,
             utc.wMilliseconds, local.wYear, local.wMonth, local.wDay, local.wHour,
             local.wMinute, local.wSecond, local.wMilliseconds,
             TestRefusesClockSet() ? " refused" : "");
  TraceEvent("ClockStep %lld ms", static_cast<long long>(step));
  if (TestRefusesClockSet()) {
    SetLastError(ERROR_PRIVILEGE_NOT_HELD);
    return false;
  }
  SetTestClockShiftSeconds(UnixSecondsOf(utc) - RealUnixSecondsNow());
  return true;
#else
  return SetSystemTime(&utc) != FALSE;
#endif
}
