// News list rows and marks, NewFlag, the settings' ranges and the bar's click test.
#include "news/news_list.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <memory>
#include <string>

namespace {

bool LocalOf(int64_t seconds, int* year, int* month, int* day, int* hour, int* minute,
             int* second) {
  const time_t t = static_cast<time_t>(seconds);
  struct tm out;
  if (localtime_r(&t, &out) == nullptr) return false;
  *year = out.tm_year + 1900;
  *month = out.tm_mon + 1;
  *day = out.tm_mday;
  *hour = out.tm_hour;
  *minute = out.tm_min;
  *second = out.tm_sec;
  return true;
}

// A dc:date text of `seconds` written at +05:45, so a reader that dropped the offset would be
// off on any machine outside that zone.
std::string DateText(int64_t seconds) {
  const time_t t = static_cast<time_t>(seconds + (5 * 60 + 45) * 60);
  struct tm out;
  gmtime_r(&t, &out);
  char text[64];
  snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d+05:45", out.tm_year + 1900,
           out.tm_mon + 1, out.tm_mday, out.tm_hour, out.tm_min, out.tm_sec);
  return text;
}

const char* const kBrands[kFeedCount] = {"Brand0", "Brand1", "Brand2", "Brand3"};

void SetItem(FeedRecord* feed, const char* title, const std::string& date, const char* extend) {
  FeedItem& item = feed->items[feed->item_count++];
  snprintf(item.title, sizeof item.title, "%s", title);
  snprintf(item.link, sizeof item.link, "http://h/%s", title);
  snprintf(item.description, sizeof item.description, "about %s", title);
  snprintf(item.date, sizeof item.date, "%s", date.c_str());
  snprintf(item.extend, sizeof item.extend, "%s", extend);
}

TEST(NewsMarks, NewUntilNewDaysAndNewOnlyAfterTheStartOldTime) {
  const int64_t now = 1800000000;
  const int64_t day = 86400;
  const int64_t oldTime = now - 3 * day;
  EXPECT_STREQ(NewsMark(now - 2 * day, now, 7, oldTime), "NEW");
  EXPECT_STREQ(NewsMark(now - 2 * day, now, 7, now - day), "New");
  EXPECT_STREQ(NewsMark(now - 2 * day, now, 7, now - 2 * day), "New");  // not after: "New"
  EXPECT_STREQ(NewsMark(now - 8 * day, now, 7, oldTime), "   ");
  EXPECT_STREQ(NewsMark(now - 7 * day, now, 7, oldTime), "   ");  // exactly NewDays: no mark
  EXPECT_STREQ(NewsMark(now - 7 * day + 1, now, 7, 0), "NEW");
  // A huge NewDays from a hand-edited file does not wrap around in 32 bits.
  EXPECT_STREQ(NewsMark(now - 8 * day, now, 0x7FFFFFFF, 0), "NEW");
  // A date that did not convert is long past.
  EXPECT_STREQ(NewsMark(-1, now, 7, 0), "   ");
}

TEST(NewsRows, KindsHiddenItemsMarksAndDateRows) {
  auto feeds = std::make_unique<FeedRecord[]>(kFeedCount);
  memset(feeds.get(), 0, sizeof(FeedRecord) * kFeedCount);
  const int64_t now = static_cast<int64_t>(time(nullptr));
  const int64_t day = 86400;
  strcpy(feeds[0].channel_title, "Zero");
  strcpy(feeds[0].channel_link, "http://h/0");
  SetItem(&feeds[0], "plain", DateText(now - 2 * day), "");
  SetItem(&feeds[0], "offer", DateText(now - 8 * day), "[1s]a.skn");
  SetItem(&feeds[0], "hidden", DateText(now), "[0s]b.skn");
  SetItem(&feeds[0], "special", DateText(now - 60), "[1x");
  SetItem(&feeds[0], "undated", "not a date", "");
  strcpy(feeds[1].channel_title, "One, off");
  SetItem(&feeds[1], "off", DateText(now), "");
  strcpy(feeds[2].channel_title, "Two, no items");
  // A feed given by address is listed under its document's channel title.
  strcpy(feeds[3].channel_title, "Three");
  feeds[3].by_address = true;
  SetItem(&feeds[3], "three", DateText(now - day), "");
  auto rows = std::make_unique<NewsRow[]>(kNewsRowsMax);
  // Feeds 0, 2 and 3 on; 1 off; 2 has no items, so no header.
  const int n = BuildNewsRows(feeds.get(), kBrands, 0x0D, now, 7, now - 3 * day, LocalOf, rows.get(),
                              kNewsRowsMax);
  ASSERT_EQ(n, 1 + 2 * 4 + 1 + 2);
  std::string kinds;
  for (int i = 0; i < n; ++i) kinds += rows[i].kind;
  EXPECT_EQ(kinds, "012425212" "012");
  EXPECT_STREQ(rows[0].text, "Zero");
  EXPECT_STREQ(rows[0].link, "http://h/0");
  EXPECT_STREQ(rows[0].mark, " ");
  EXPECT_STREQ(rows[1].text, "plain");
  EXPECT_STREQ(rows[1].mark, "NEW");
  EXPECT_STREQ(rows[1].description, "about plain");
  EXPECT_STREQ(rows[3].text, "offer");
  EXPECT_STREQ(rows[3].mark, "   ");
  EXPECT_STREQ(rows[3].extend, "[1s]a.skn");
  EXPECT_STREQ(rows[5].text, "special");
  // The date row: 16 blanks and the local time of the item, with the item's link and texts.
  int y, mo, d, h, mi, s;
  LocalOf(now - 2 * day, &y, &mo, &d, &h, &mi, &s);
  char want[64];
  snprintf(want, sizeof want, "                %04d/%02d/%02d %02d:%02d:%02d", y, mo, d, h, mi, s);
  EXPECT_STREQ(rows[2].text, want);
  EXPECT_STREQ(rows[2].mark, " ");
  EXPECT_STREQ(rows[2].link, "http://h/plain");
  EXPECT_STREQ(rows[2].description, "about plain");
  EXPECT_STREQ(rows[4].extend, "[1s]a.skn");
  // An undated item: no mark, an empty date after the blanks.
  EXPECT_STREQ(rows[7].mark, "   ");
  EXPECT_STREQ(rows[8].text, "                ");
  EXPECT_STREQ(rows[9].text, "Three");
  EXPECT_EQ(rows[9].feed, 3);
  // Items on or before the start's OldTime are "New".
  const int again = BuildNewsRows(feeds.get(), kBrands, 8, now, 7, now, LocalOf, rows.get(), kNewsRowsMax);
  ASSERT_EQ(again, 3);
  EXPECT_STREQ(rows[1].mark, "New");
  // No feed enabled: no rows; a small capacity is never overrun.
  EXPECT_EQ(BuildNewsRows(feeds.get(), kBrands, 0, now, 7, 0, LocalOf, rows.get(), kNewsRowsMax), 0);
  EXPECT_EQ(BuildNewsRows(feeds.get(), kBrands, 15, now, 7, 0, LocalOf, rows.get(), 4), 3);
  // An empty channel title, by address or not, falls back to the feed's brand name.
  feeds[1].channel_title[0] = '\0';
  feeds[1].by_address = true;
  feeds[0].channel_title[0] = '\0';
  ASSERT_EQ(BuildNewsRows(feeds.get(), kBrands, 3, now, 7, 0, LocalOf, rows.get(), kNewsRowsMax), 9 + 3);
  EXPECT_STREQ(rows[0].text, "Brand0");
  EXPECT_STREQ(rows[9].text, "Brand1");
  EXPECT_EQ(rows[9].kind, kRowFeed);
}

TEST(NewsSettings, NewFlagBitsAndRangesNeverStoreZero) {
  for (int flag = 0; flag <= 3; ++flag) {
    EXPECT_EQ(NoticeShowsMessage(flag), (flag & 1) != 0);
    EXPECT_EQ(NoticePlaysSound(flag), flag >= 2);
    EXPECT_EQ(MakeNewFlag(NoticePlaysSound(flag), NoticeShowsMessage(flag)), flag);
  }
  for (int stored : {-5, 0, 1, 12, 24, 25, 127}) {
    const int selection = IntervalSelection(stored);
    EXPECT_GE(selection, 0);
    EXPECT_LE(selection, 23);
    EXPECT_EQ(IntervalFromSelection(selection, stored), selection + 1);
  }
  for (int stored : {-1, 0, 1, 7, 8, 1000}) {
    const int selection = RecentSelection(stored);
    EXPECT_GE(selection, 0);
    EXPECT_LE(selection, 6);
    EXPECT_EQ(RecentFromSelection(selection, stored), selection + 1);
  }
  // No selection (CB_ERR) keeps the clamped old value, never 0.
  EXPECT_EQ(IntervalFromSelection(-1, 0), 1);
  EXPECT_EQ(IntervalFromSelection(-1, 30), 24);
  EXPECT_EQ(IntervalFromSelection(24, 5), 5);
  EXPECT_EQ(RecentFromSelection(-1, 0), 1);
  EXPECT_EQ(RecentFromSelection(7, 9), 7);
}

TickerSlot Slot(int x, int visible, int gap, bool active = true) {
  TickerSlot s = {};
  s.x = x;
  s.visible = visible;
  s.width = visible;
  s.gap = gap;
  s.active = active ? 1 : 0;
  return s;
}

TEST(BarClick, EdgesAreOutsideLowestSlotWinsAndBarOffsetShifts) {
  TickerSlot slots[kTickerSlots] = {Slot(0, 100, 0), Slot(100, 50, 0), Slot(0, 0, 0, false),
                                    Slot(0, 0, 0, false)};
  // Slot 0 spans window 20..120 exclusive.
  EXPECT_EQ(HitTickerSlot(slots, 20, kTickerLeft), -1);
  EXPECT_EQ(HitTickerSlot(slots, 21, kTickerLeft), 0);
  EXPECT_EQ(HitTickerSlot(slots, 119, kTickerLeft), 0);
  EXPECT_EQ(HitTickerSlot(slots, 120, kTickerLeft), -1);  // the shared edge hits neither
  EXPECT_EQ(HitTickerSlot(slots, 121, kTickerLeft), 1);
  EXPECT_EQ(HitTickerSlot(slots, 169, kTickerLeft), 1);
  EXPECT_EQ(HitTickerSlot(slots, 170, kTickerLeft), -1);
  // Overlapping slots: the lower index wins.
  slots[2] = Slot(50, 100, 0);
  EXPECT_EQ(HitTickerSlot(slots, 90, kTickerLeft), 0);
  EXPECT_EQ(HitTickerSlot(slots, 140, kTickerLeft), 1);
  // BarOffset 25 moves everything right.
  EXPECT_EQ(HitTickerSlot(slots, 45, kTickerLeft + 25), -1);
  EXPECT_EQ(HitTickerSlot(slots, 46, kTickerLeft + 25), 0);
  EXPECT_EQ(HitTickerSlot(slots, 144, kTickerLeft + 25), 0);
  // A slot still entering shows visible - gap pixels only.
  TickerSlot entering[kTickerSlots] = {Slot(300, 100, 95), {}, {}, {}};
  EXPECT_EQ(HitTickerSlot(entering, 324, kTickerLeft), 0);
  EXPECT_EQ(HitTickerSlot(entering, 325, kTickerLeft), -1);
  // Inactive slots are never hit.
  entering[0].active = 0;
  EXPECT_EQ(HitTickerSlot(entering, 322, kTickerLeft), -1);
}

}  // namespace

// In UTC whatever the machine's zone, so the expected times hold everywhere.
bool UtcOf(int64_t seconds, int* year, int* month, int* day, int* hour, int* minute, int* second) {
  const time_t t = static_cast<time_t>(seconds);
  struct tm out;
  if (gmtime_r(&t, &out) == nullptr) return false;
  *year = out.tm_year + 1900;
  *month = out.tm_mon + 1;
  *day = out.tm_mday;
  *hour = out.tm_hour;
  *minute = out.tm_min;
  *second = out.tm_sec;
  return true;
}

TEST(FeedStatusLines, LastFetchedAndWhyTheLastTryFailed) {
  const int64_t fetched = 1765289100;  // 2025-12-09 14:05 UTC
  const int64_t later = fetched + 3600;
  struct Case {
    FeedStatus status;
    const char* line;
  } const kCases[] = {
      {{0, 0, FeedFailure::kNone, 0}, ""},
      {{fetched, fetched, FeedFailure::kNone, 0}, "取得 12/09 14:05"},
      {{later, fetched, FeedFailure::kNotFound, 404}, "取得 12/09 14:05 / 見つかりません (404)"},
      {{later, 0, FeedFailure::kNotFound, 410}, "見つかりません (410)"},
      {{later, 0, FeedFailure::kStatus, 503}, "取得できません (503)"},
      {{later, 0, FeedFailure::kUnreachable, 0}, "接続できません"},
      {{later, 0, FeedFailure::kCertificate, 0}, "証明書が信頼できません"},
      {{later, 0, FeedFailure::kNotFeed, 0}, "フィードではありません"},
      {{later, 0, FeedFailure::kTimeout, 0}, "タイムアウトしました"},
      {{later, 0, FeedFailure::kOther, 0}, "取得できません"},
  };
  for (const Case& c : kCases) {
    char line[160];
    FeedStatusLine(c.status, UtcOf, line, sizeof line);
    EXPECT_STREQ(line, c.line);
  }
  EXPECT_EQ(FailureOfStatus(404), FeedFailure::kNotFound);
  EXPECT_EQ(FailureOfStatus(410), FeedFailure::kNotFound);
  EXPECT_EQ(FailureOfStatus(500), FeedFailure::kStatus);
  // A short buffer keeps whole characters only: "接" is three bytes.
  char small[6];
  FeedStatusLine({later, 0, FeedFailure::kUnreachable, 0}, UtcOf, small, sizeof small);
  EXPECT_STREQ(small, "接");
}
