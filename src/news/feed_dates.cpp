// Item dates: RFC 822 and RFC 3339 readers, the kept text and the time of a kept date.
#include "news/feed_dates.h"

#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

constexpr int64_t kSecondsPerDay = 86400;

struct DateFields {
  int year = 0;
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int offsetMinutes = 0;  // east of UTC
  bool zoneWritten = false;
};

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// A read position in a date text that never passes its end.
class Cursor {
 public:
  Cursor(const char* text, size_t length) : text_(text), length_(length) {}

  bool AtEnd() const { return at_ >= length_; }
  char Peek(size_t ahead = 0) const {
    return at_ + ahead < length_ ? text_[at_ + ahead] : '\0';
  }
  void Skip(size_t count = 1) { at_ = at_ + count < length_ ? at_ + count : length_; }
  void SkipBlanks() {
    while (!AtEnd() && IsBlank(text_[at_])) ++at_;
  }
  bool Take(char c) {
    if (Peek() != c) return false;
    ++at_;
    return true;
  }
  // A number of `minDigits` to `maxDigits` digits; sets `digits` to how many there were.
  bool Number(size_t minDigits, size_t maxDigits, int* value, size_t* digits = nullptr) {
    size_t count = 0;
    int result = 0;
    while (count < maxDigits && IsDigit(Peek())) {
      result = result * 10 + (Peek() - '0');
      ++at_;
      ++count;
    }
    if (count < minDigits) return false;
    *value = result;
    if (digits != nullptr) *digits = count;
    return true;
  }
  // A run of letters, lowered, into `word` (cut to its capacity); false when none.
  bool Word(char* word, size_t capacity) {
    size_t count = 0;
    while (IsAlpha(Peek())) {
      if (count + 1 < capacity) word[count++] = Lower(Peek());
      ++at_;
    }
    word[count] = '\0';
    return count > 0;
  }

 private:
  const char* text_;
  size_t length_;
  size_t at_ = 0;
};

int64_t DaysFromCivil(int64_t year, int month, int day) {
  year -= month <= 2 ? 1 : 0;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yearOfEra = year - era * 400;
  const int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

void CivilFromDays(int64_t days, int* year, int* month, int* day) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t dayOfEra = days - era * 146097;
  const int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t shifted = (5 * dayOfYear + 2) / 153;
  *day = static_cast<int>(dayOfYear - (153 * shifted + 2) / 5 + 1);
  *month = static_cast<int>(shifted < 10 ? shifted + 3 : shifted - 9);
  *year = static_cast<int>(yearOfEra + era * 400 + (*month <= 2 ? 1 : 0));
}

int DaysInMonth(int year, int month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

bool ToSeconds(const DateFields& f, int64_t* seconds) {
  if (f.year < 1 || f.year > 9999 || f.month < 1 || f.month > 12 || f.day < 1 ||
      f.day > DaysInMonth(f.year, f.month) || f.hour > 23 || f.minute > 59 || f.second > 60) {
    return false;
  }
  *seconds = DaysFromCivil(f.year, f.month, f.day) * kSecondsPerDay + f.hour * 3600 +
             f.minute * 60 + f.second - static_cast<int64_t>(f.offsetMinutes) * 60;
  return true;
}

// "+hhmm", "+hh:mm" or "+hh" (or '-'), at the cursor.
bool NumericOffset(Cursor* c, DateFields* f) {
  const char sign = c->Peek();
  if (sign != '+' && sign != '-') return false;
  c->Skip();
  int hours = 0;
  int minutes = 0;
  if (!c->Number(2, 2, &hours)) return false;
  c->Take(':');
  if (IsDigit(c->Peek()) && !c->Number(2, 2, &minutes)) return false;
  if (hours > 23 || minutes > 59) return false;
  f->offsetMinutes = (sign == '-' ? -1 : 1) * (hours * 60 + minutes);
  f->zoneWritten = true;
  return true;
}

// The hours east of UTC of a zone name; names not listed, the military letters among them, are
// UTC ("-0000": the time is UTC, the writer's own zone unknown).
int ZoneNameHours(const char* name) {
  static const struct {
    const char* name;
    int hours;
  } kZones[] = {{"ut", 0},   {"utc", 0},  {"gmt", 0},  {"z", 0},    {"est", -5},
                {"edt", -4}, {"cst", -6}, {"cdt", -5}, {"mst", -7}, {"mdt", -6},
                {"pst", -8}, {"pdt", -7}, {"jst", 9}};
  for (const auto& zone : kZones) {
    if (strcmp(zone.name, name) == 0) return zone.hours;
  }
  return 0;
}

// RFC 822: "[Day[,]] d[d] Mon [yy]yy hh:mm[:ss] [zone]", blanks or '-' between the date parts.
bool ReadRfc822(Cursor* c, DateFields* f) {
  char word[16];
  if (IsAlpha(c->Peek())) {
    c->Word(word, sizeof word);
    c->SkipBlanks();
    c->Take(',');
    c->SkipBlanks();
  }
  if (!c->Number(1, 2, &f->day)) return false;
  c->SkipBlanks();
  c->Take('-');
  if (!c->Word(word, sizeof word) || strlen(word) < 3) return false;
  static const char* const kMonths[12] = {"jan", "feb", "mar", "apr", "may", "jun",
                                          "jul", "aug", "sep", "oct", "nov", "dec"};
  f->month = 0;
  for (int m = 0; m < 12; ++m) {
    if (strncmp(word, kMonths[m], 3) == 0) f->month = m + 1;
  }
  if (f->month == 0) return false;
  c->SkipBlanks();
  c->Take('-');
  size_t yearDigits = 0;
  if (!c->Number(2, 4, &f->year, &yearDigits)) return false;
  // Two-digit years as RFC 2822 reads them; three digits count from 1900.
  if (yearDigits == 2) f->year += f->year < 50 ? 2000 : 1900;
  if (yearDigits == 3) f->year += 1900;
  c->SkipBlanks();
  if (!c->Number(1, 2, &f->hour) || !c->Take(':') || !c->Number(2, 2, &f->minute)) return false;
  if (c->Take(':') && !c->Number(2, 2, &f->second)) return false;
  c->SkipBlanks();
  if (c->Peek() == '+' || c->Peek() == '-') return NumericOffset(c, f);
  if (IsAlpha(c->Peek())) {
    c->Word(word, sizeof word);
    f->offsetMinutes = ZoneNameHours(word) * 60;
    f->zoneWritten = true;
  }
  return true;
}

// RFC 3339 and W3C's profile of ISO 8601: "yyyy[-mm[-dd[Thh:mm[:ss[.f]]zone]]]".
bool ReadRfc3339(Cursor* c, DateFields* f) {
  if (!c->Number(4, 4, &f->year)) return false;
  if (!c->Take('-')) return true;
  if (!c->Number(2, 2, &f->month)) return false;
  if (!c->Take('-')) return true;
  if (!c->Number(2, 2, &f->day)) return false;
  const char separator = c->Peek();
  if (separator != 'T' && separator != 't' && !(separator == ' ' && IsDigit(c->Peek(1)))) {
    return true;
  }
  c->Skip();
  if (!c->Number(2, 2, &f->hour) || !c->Take(':') || !c->Number(2, 2, &f->minute)) return false;
  if (c->Take(':')) {
    if (!c->Number(2, 2, &f->second)) return false;
    if (c->Take('.') || c->Take(',')) {
      int fraction = 0;
      if (!c->Number(1, 1, &fraction)) return false;
      while (IsDigit(c->Peek())) c->Skip();
    }
  }
  if (c->Take('Z') || c->Take('z')) {
    f->zoneWritten = true;
    return true;
  }
  if (c->Peek() == '+' || c->Peek() == '-') return NumericOffset(c, f);
  return true;
}

bool ParseDate(const char* text, size_t length, int64_t* seconds, bool* zoneWritten) {
  Cursor c(text, length);
  c.SkipBlanks();
  DateFields f;
  const bool iso = IsDigit(c.Peek()) && IsDigit(c.Peek(1)) && IsDigit(c.Peek(2)) &&
                   IsDigit(c.Peek(3)) && !IsDigit(c.Peek(4));
  if (!(iso ? ReadRfc3339(&c, &f) : ReadRfc822(&c, &f))) return false;
  c.SkipBlanks();
  // RFC 822 may end in a comment, "(Eastern Standard Time)"; anything else is not a date.
  if (!iso && c.Peek() == '(') {
    while (!c.AtEnd()) c.Skip();
  }
  if (!c.AtEnd()) return false;
  int64_t result = 0;
  if (!ToSeconds(f, &result)) return false;
  *seconds = result;
  *zoneWritten = f.zoneWritten;
  return true;
}

}  // namespace

bool ParseFeedDate(const char* text, size_t length, int64_t* seconds) {
  bool zoneWritten = false;
  return ParseDate(text, length, seconds, &zoneWritten);
}

bool FormatFeedDate(int64_t seconds, char* out, size_t outCapacity) {
  // Years 1 to 9999: the range a date text can hold.
  const int64_t first = DaysFromCivil(1, 1, 1) * kSecondsPerDay;
  const int64_t last = DaysFromCivil(10000, 1, 1) * kSecondsPerDay;
  if (outCapacity < kFeedDateLength + 1 || seconds < first || seconds >= last) return false;
  int64_t days = seconds / kSecondsPerDay;
  int64_t rest = seconds % kSecondsPerDay;
  if (rest < 0) {
    rest += kSecondsPerDay;
    --days;
  }
  int year = 0;
  int month = 0;
  int day = 0;
  CivilFromDays(days, &year, &month, &day);
  const int secondOfDay = static_cast<int>(rest);
  snprintf(out, outCapacity, "%04d-%02d-%02dT%02d:%02d:%02dZ", year, month, day,
           secondOfDay / 3600, secondOfDay / 60 % 60, secondOfDay % 60);
  return true;
}

namespace {

// A date without a zone, read as the feed server's documents have always been read: the fields
// of "%04d-%02d-%02dT%02d:%02d:%02d" that match (the rest stay 0) as local time, without
// daylight saving; -1 when they make no date from 1970 on.
int64_t LocalItemTime(const char* date) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  sscanf(date, "%04d-%02d-%02dT%02d:%02d:%02d", &year, &month, &day, &hour, &minute, &second);
  if (year < 1970 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 ||
      hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 60) {
    return -1;
  }
  struct tm t = {};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  t.tm_isdst = 0;
  const time_t seconds = mktime(&t);
  return seconds < 0 ? -1 : static_cast<int64_t>(seconds);
}

}  // namespace

int64_t FeedItemTime(const char* date) {
  int64_t seconds = 0;
  bool zoneWritten = false;
  if (ParseDate(date, strlen(date), &seconds, &zoneWritten) && zoneWritten) {
    return seconds < 0 ? -1 : seconds;
  }
  return LocalItemTime(date);
}
