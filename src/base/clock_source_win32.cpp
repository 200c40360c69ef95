// Local time, calendar time and tick reads, shifted in the test build to a chosen start, and
// the clock-setting seam.
#include "base/clock_source_win32.h"

#include <mmsystem.h>

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

DWORD ReadTickMs() {
  uint32_t held = 0;
  if (TestHeldTick(&held)) return held;
  // The multimedia clock, as the bar's pace is kept by it; the system's timer resolution is
  // left as it is.
  return timeGetTime();
}

namespace {

#if MASCOT_TEST_HOOKS
// Milliseconds from the machine's UTC now to `t`: the step a real set would make. False for a
// time that is not one (SetSystemTime refuses those too).
bool MachineStepMs(const SYSTEMTIME& t, int64_t* step) {
  FILETIME target, now;
  if (!SystemTimeToFileTime(&t, &target)) return false;
  GetSystemTimeAsFileTime(&now);
  const int64_t a = static_cast<int64_t>(static_cast<uint64_t>(target.dwHighDateTime) << 32 |
                                         target.dwLowDateTime);
  const int64_t b = static_cast<int64_t>(static_cast<uint64_t>(now.dwHighDateTime) << 32 |
                                         now.dwLowDateTime);
  *step = (a - b) / 10000;
  return true;
}
#endif

}  // namespace

bool SetClockUtc(const SYSTEMTIME& utc) {
#if MASCOT_TEST_HOOKS
  // The test build has no call that could change the machine's clock: its import table names
  // neither SetSystemTime nor SetLocalTime (checked by the test "clock_setters_not_imported").
  int64_t step = 0;
  if (!MachineStepMs(utc, &step)) {
    TraceEvent("ClockSet refused: not a valid time");
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
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
  // The test clock reads whole seconds off the real one: the nearest second of the step.
  SetTestClockShiftSeconds((step >= 0 ? step + 500 : step - 500) / 1000);
  return true;
#else
  return SetSystemTime(&utc) != FALSE;
#endif
}
