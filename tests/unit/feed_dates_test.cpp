// Item dates of URL feeds: the RFC 822 and RFC 3339 forms, the kept text and its time.
#include "news/feed_dates.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <string>

namespace {

constexpr int64_t kOct2 = 1033563600;  // 2002-10-02 13:00:00 UTC
constexpr int64_t kNone = INT64_MIN;   // the text is no date

struct DateCase {
  const char* text;
  int64_t seconds;
};

TEST(FeedDateForms, ReadsBothFormsWithTheirOffsets) {
  const DateCase cases[] = {
      // RFC 822 as RSS 2.0 writes it.
      {"Wed, 02 Oct 2002 13:00:00 GMT", kOct2},
      {"Wed, 02 Oct 2002 15:00:00 +0200", kOct2},
      {"02 Oct 2002 08:00:00 EST", kOct2},
      {"Wed, 02 Oct 2002 09:00:00 EDT", kOct2},
      {"Wed, 2 Oct 2002 06:00 PDT", kOct2},
      {"Wed, 02 Oct 2002 07:00:00 CST", kOct2},
      {"Wed, 02 Oct 2002 06:00:00 MST", kOct2},
      {"Wed, 02 Oct 2002 22:00:00 JST", kOct2},
      {"wed, 02 oct 2002 13:00:00 ut", kOct2},
      {"Wed, 02 Oct 2002 13:00:00 UTC", kOct2},
      {"Wed, 02 Oct 2002 13:00:00 Z", kOct2},
      {"Wed, 02 Oct 02 13:00:00 GMT", kOct2},
      {"Wednesday 02 October 2002 13:00:00 +0000 (UTC)", kOct2},
      {"Wed, 02 Oct 2002 13:00:00", kOct2},
      {"Wed, 02 Oct 2002 13:00:00 A", kOct2},  // military letters count as UTC
      {"Thu, 01 Jan 1970 00:00:00 -0500", 18000},
      {"01 Jan 99 00:00:00 GMT", 915148800},
      // RFC 3339 and the W3C forms of dc:date.
      {"2002-10-02T13:00:00Z", kOct2},
      {"2002-10-02T22:00:00+09:00", kOct2},
      {"2002-10-02T08:00:00-05:00", kOct2},
      {"2002-10-02t13:00:00.123456z", kOct2},
      {"2002-10-02 13:00:00Z", kOct2},
      {"2002-10-02T13:00Z", kOct2},
      {"2002-10-02T22:00:00+0900", kOct2},
      {"2002-10-02T22:00:00+09", kOct2},
      {"  2002-10-02T13:00:00Z\n", kOct2},
      {"2002-10-02", 1033516800},
      {"2004-02-29T00:00:00Z", 1078012800},
      {"1969-12-31T23:59:59Z", -1},
      // Not dates, or fields out of range.
      {"", kNone},
      {"yesterday", kNone},
      {"2002-13-02T00:00:00Z", kNone},
      {"2002-02-29T00:00:00Z", kNone},
      {"2100-02-29T00:00:00Z", kNone},
      {"2002-10-02T24:00:00Z", kNone},
      {"2002-10-02T13:00:00+09:60", kNone},
      {"2002-10-02T13:00:00Z and more", kNone},
      {"2002-10-02T13:00:00.Z", kNone},
      {"Wed, 32 Oct 2002 13:00:00 GMT", kNone},
      {"Wed, 02 Foo 2002 13:00:00 GMT", kNone},
      {"Wed, 02 Oct 2002 13 GMT", kNone},
  };
  for (const DateCase& c : cases) {
    int64_t seconds = 12345;
    const bool ok = ParseFeedDate(c.text, strlen(c.text), &seconds);
    if (c.seconds == kNone) {
      EXPECT_FALSE(ok) << c.text;
      EXPECT_EQ(seconds, 12345) << c.text;
    } else {
      EXPECT_TRUE(ok) << c.text;
      EXPECT_EQ(seconds, c.seconds) << c.text;
    }
  }
}

TEST(FeedDateForms, ReadsOnlyTheGivenLength) {
  int64_t seconds = 0;
  const char text[] = "2002-10-02T13:00:00Zgarbage";
  ASSERT_TRUE(ParseFeedDate(text, 20, &seconds));
  EXPECT_EQ(seconds, kOct2);
}

TEST(FeedDateForms, KeptTextIsUtcAndReadsBackExactly) {
  const struct {
    int64_t seconds;
    const char* text;  // null: not written
  } cases[] = {
      {kOct2, "2002-10-02T13:00:00Z"},
      {0, "1970-01-01T00:00:00Z"},
      {-1, "1969-12-31T23:59:59Z"},
      {1709210096, "2024-02-29T12:34:56Z"},
      {253402300799, "9999-12-31T23:59:59Z"},
      {253402300800, nullptr},
  };
  for (const auto& c : cases) {
    char text[32] = "untouched";
    ASSERT_EQ(FormatFeedDate(c.seconds, text, sizeof text), c.text != nullptr) << c.seconds;
    if (c.text == nullptr) {
      EXPECT_STREQ(text, "untouched");
      continue;
    }
    EXPECT_STREQ(text, c.text);
    EXPECT_EQ(FeedItemTime(text), c.seconds < 0 ? -1 : c.seconds);
  }
  char small[kFeedDateLength] = "untouched";
  EXPECT_FALSE(FormatFeedDate(kOct2, small, sizeof small));
  EXPECT_STREQ(small, "untouched");
}

// Local time as a date without a zone is read: no daylight saving.
int64_t Local(int y, int mo, int d, int h, int mi, int s) {
  struct tm t = {};
  t.tm_year = y - 1900;
  t.tm_mon = mo - 1;
  t.tm_mday = d;
  t.tm_hour = h;
  t.tm_min = mi;
  t.tm_sec = s;
  t.tm_isdst = 0;
  return static_cast<int64_t>(mktime(&t));
}

TEST(FeedDateForms, ItemTimeAppliesAWrittenZoneAndReadsTheRestAsLocalTime) {
  const DateCase cases[] = {
      // The feed server's RDF documents write dc:date with an offset, applied like any other.
      {"2009-04-01T10:00:00+09:00", 1238547600},
      {"2009-04-01T10:00:00Z", 1238580000},
      {"2009-04-01T10:00:00-05:00", 1238598000},
      {"Wed, 02 Oct 2002 22:00:00 JST", kOct2},
      // Without a zone the text is local time; fields that are not there count as 0.
      {"2009-04-01T10:00:00", Local(2009, 4, 1, 10, 0, 0)},
      {"2009-04-01", Local(2009, 4, 1, 0, 0, 0)},
      {"2009-04-01T10:00:00+junk", Local(2009, 4, 1, 10, 0, 0)},
      {"1969-12-31T23:59:59Z", -1},
      {"2009-13-01T10:00:00Z", -1},
      {"garbage", -1},
      {"", -1},
  };
  for (const DateCase& c : cases) EXPECT_EQ(FeedItemTime(c.text), c.seconds) << c.text;
}

}  // namespace
