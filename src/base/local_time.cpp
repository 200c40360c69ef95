// Calendar arithmetic on broken-down wall-clock times (no time zones involved).
#include "base/local_time.h"

namespace {

constexpr int64_t kSecondsPerDay = 86400;

int64_t FloorDiv(int64_t a, int64_t b) {
  int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Reads exactly `count` decimal digits.
bool ReadDigits(const char*& p, int count, int* value) {
  int v = 0;
  for (int i = 0; i < count; ++i) {
    if (p[i] < '0' || p[i] > '9') return false;
    v = v * 10 + (p[i] - '0');
  }
  p += count;
  *value = v;
  return true;
}

bool Expect(const char*& p, char c) {
  if (*p != c) return false;
  ++p;
  return true;
}

}  // namespace

// Howard Hinnant's days_from_civil, valid over the whole int range of years we accept.
int64_t DaysFromCivil(int year, int month, int day) {
  int64_t y = static_cast<int64_t>(year) - (month <= 2 ? 1 : 0);
  int64_t era = FloorDiv(y, 400);
  int64_t yoe = y - era * 400;
  int64_t mp = (month + 9) % 12;
  int64_t doy = (153 * mp + 2) / 5 + day - 1;
  int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

int64_t WallSeconds(const LocalTime& time) {
  return DaysFromCivil(time.year, time.month, time.day) * kSecondsPerDay + time.hour * 3600 +
         time.minute * 60 + time.second;
}

LocalTime WallTimeFromSeconds(int64_t seconds, int milliseconds) {
  int64_t days = FloorDiv(seconds, kSecondsPerDay);
  int64_t secondOfDay = seconds - days * kSecondsPerDay;
  int64_t z = days + 719468;
  int64_t era = FloorDiv(z, 146097);
  int64_t doe = z - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  LocalTime t = {};
  t.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  t.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  t.year = static_cast<int>(yoe + era * 400 + (t.month <= 2 ? 1 : 0));
  // 1970-01-01 was a Thursday.
  t.dayOfWeek = static_cast<int>((days + 4) - FloorDiv(days + 4, 7) * 7);
  t.hour = static_cast<int>(secondOfDay / 3600);
  t.minute = static_cast<int>(secondOfDay / 60 % 60);
  t.second = static_cast<int>(secondOfDay % 60);
  t.milliseconds = milliseconds;
  return t;
}

bool ParseWallTime(const char* text, int64_t* seconds) {
  if (text == nullptr) return false;
  const char* p = text;
  int year, month, day, hour, minute, second;
  if (!ReadDigits(p, 4, &year) || !Expect(p, '-') || !ReadDigits(p, 2, &month) ||
      !Expect(p, '-') || !ReadDigits(p, 2, &day))
    return false;
  if (*p != ' ' && *p != 'T') return false;
  ++p;
  if (!ReadDigits(p, 2, &hour) || !Expect(p, ':') || !ReadDigits(p, 2, &minute) ||
      !Expect(p, ':') || !ReadDigits(p, 2, &second) || *p != '\0')
    return false;
  if (year < 1601 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) ||
      hour > 23 || minute > 59 || second > 59)
    return false;
  *seconds = DaysFromCivil(year, month, day) * kSecondsPerDay + hour * 3600 + minute * 60 + second;
  return true;
}

LocalTime ShiftLocalTime(const LocalTime& time, int64_t seconds) {
  return WallTimeFromSeconds(WallSeconds(time) + seconds, time.milliseconds);
}
