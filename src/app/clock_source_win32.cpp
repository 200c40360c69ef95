// Local time, calendar time and tick reads, shifted in the test build to a chosen start.
#include "app/clock_source_win32.h"

#include <ctime>

#include "app/test_hooks_win32.h"

void ReadLocalTime(LocalTime* now) {
  SYSTEMTIME st;
  GetLocalTime(&st);
  LocalTime t = {st.wYear, st.wMonth, st.wDayOfWeek, st.wDay,
                 st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
  int64_t shift = TestClockShiftSeconds();
  *now = shift != 0 ? ShiftLocalTime(t, shift) : t;
}

void ReadLocalSystemTime(SYSTEMTIME* now) {
  LocalTime t;
  ReadLocalTime(&t);
  now->wYear = static_cast<WORD>(t.year);
  now->wMonth = static_cast<WORD>(t.month);
  now->wDayOfWeek = static_cast<WORD>(t.dayOfWeek);
  now->wDay = static_cast<WORD>(t.day);
  now->wHour = static_cast<WORD>(t.hour);
  now->wMinute = static_cast<WORD>(t.minute);
  now->wSecond = static_cast<WORD>(t.second);
  now->wMilliseconds = static_cast<WORD>(t.milliseconds);
}

int64_t ReadUnixTime() { return static_cast<int64_t>(time(nullptr)) + TestClockShiftSeconds(); }

DWORD ReadTickMs() { return GetTickCount(); }
