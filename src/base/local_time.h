// Broken-down local time and the calendar arithmetic used to shift it.
#pragma once

#include <cstdint>

struct LocalTime {
  int year;
  int month;      // 1-12
  int dayOfWeek;  // 0 = Sunday
  int day;        // 1-31
  int hour;
  int minute;
  int second;
  int milliseconds;
};

// Days since 1970-01-01 of a proleptic Gregorian date.
int64_t DaysFromCivil(int year, int month, int day);

// Seconds since 1970-01-01 00:00 of the wall-clock reading, as if it were UTC; the
// milliseconds are not counted.
int64_t WallSeconds(const LocalTime& time);

// The wall-clock reading `seconds` after 1970-01-01 00:00, with the given milliseconds.
LocalTime WallTimeFromSeconds(int64_t seconds, int milliseconds);

// Parses "YYYY-MM-DD HH:MM:SS" (or with a 'T' between date and time) into WallSeconds form.
// Rejects anything else, including impossible dates, and then leaves *seconds alone.
bool ParseWallTime(const char* text, int64_t* seconds);

// Adds whole seconds to a reading, carrying into minutes, hours, days, months and years.
LocalTime ShiftLocalTime(const LocalTime& time, int64_t seconds);
