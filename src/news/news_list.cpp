// The news list's rows and marks, the news settings' ranges, and the bar's click test.
#include "news/news_list.h"

#include <cstdio>
#include <cstring>

#include "news/feed_dates.h"

const char* NewsMark(int64_t itemTime, int64_t now, int newDays, int64_t startOldTime) {
  // In 64 bits: days times 86400 never wraps, whatever NewDays the file held.
  const int64_t window = static_cast<int64_t>(newDays) * 86400;
  if (now - itemTime >= window) return "   ";
  if (itemTime <= startOldTime) return "New";
  return "NEW";
}

namespace {

// What each failure is called in the news list; "%d" takes the answer's status. The texts are
// UTF-8, written as escapes because this file is built without the Windows code page.
struct FailureWords {
  FeedFailure failure;
  const char* words;
};
constexpr FailureWords kFailureWords[] = {
    // 見つかりません (%d)
    {FeedFailure::kNotFound, u8"\u898b\u3064\u304b\u308a\u307e\u305b\u3093 (%d)"},
    // 取得できません (%d)
    {FeedFailure::kStatus, u8"\u53d6\u5f97\u3067\u304d\u307e\u305b\u3093 (%d)"},
    // 接続できません
    {FeedFailure::kUnreachable, u8"\u63a5\u7d9a\u3067\u304d\u307e\u305b\u3093"},
    // 証明書が信頼できません
    {FeedFailure::kCertificate,
     u8"\u8a3c\u660e\u66f8\u304c\u4fe1\u983c\u3067\u304d\u307e\u305b\u3093"},
    // フィードではありません
    {FeedFailure::kNotFeed, u8"\u30d5\u30a3\u30fc\u30c9\u3067\u306f\u3042\u308a\u307e\u305b\u3093"},
    // タイムアウトしました
    {FeedFailure::kTimeout, u8"\u30bf\u30a4\u30e0\u30a2\u30a6\u30c8\u3057\u307e\u3057\u305f"},
    // 取得できません
    {FeedFailure::kOther, u8"\u53d6\u5f97\u3067\u304d\u307e\u305b\u3093"},
};

}  // namespace

FeedFailure FailureOfStatus(int status) {
  return status == 404 || status == 410 ? FeedFailure::kNotFound : FeedFailure::kStatus;
}

void FeedStatusLine(const FeedStatus& status, LocalTimeOf localTimeOf, char* out,
                    size_t outCapacity) {
  if (outCapacity == 0) return;
  char line[160] = "";
  size_t used = 0;
  int year, month, day, hour, minute, second;
  if (status.lastSuccess > 0 &&
      localTimeOf(status.lastSuccess, &year, &month, &day, &hour, &minute, &second)) {
    // Each field is held to two digits, so the text always fits the line. "取得" is escaped.
    used = static_cast<size_t>(snprintf(line, sizeof line, u8"\u53d6\u5f97 %02d/%02d %02d:%02d",
                                        month % 100, day % 100, hour % 100, minute % 100));
  }
  const char* words = nullptr;
  for (const FailureWords& entry : kFailureWords) {
    if (entry.failure == status.failure) words = entry.words;
  }
  if (status.lastTry > 0 && words != nullptr) {
    if (used > 0) used += static_cast<size_t>(snprintf(line + used, sizeof line - used, " / "));
    char why[64];
    // The words are this file's own texts; only the status is filled in.
    snprintf(why, sizeof why, words, status.httpStatus);
    snprintf(line + used, sizeof line - used, "%s", why);
  }
  // The line is UTF-8: a cut backs off over continuation bytes to a character's start.
  size_t kept = strlen(line);
  if (kept > outCapacity - 1) {
    kept = outCapacity - 1;
    while (kept > 0 && (static_cast<unsigned char>(line[kept]) & 0xC0) == 0x80) --kept;
  }
  memcpy(out, line, kept);
  out[kept] = '\0';
}

bool IsListedItem(const char* extend) { return extend[0] != '[' || extend[1] == '1'; }

int BuildNewsRows(const FeedRecord* feeds, const char* const brandNames[kFeedCount], int viewBrand,
                  int64_t now, int newDays, int64_t startOldTime, LocalTimeOf localTimeOf,
                  NewsRow* rows, int capacity) {
  int count = 0;
  for (int i = 0; i < kFeedCount; ++i) {
    const FeedRecord& feed = feeds[i];
    const int items = feed.item_count < kItemsPerFeed ? feed.item_count : kItemsPerFeed;
    if ((FeedBits(viewBrand) & (1 << i)) == 0 || items <= 0) continue;
    if (count >= capacity) return count;
    NewsRow& header = rows[count++];
    memset(&header, 0, sizeof header);
    strcpy(header.mark, " ");
    // A document may give its channel an empty title; the header row still names the feed.
    header.text = feed.channel_title[0] != '\0' ? feed.channel_title : brandNames[i];
    header.link = feed.channel_link;
    header.kind = kRowFeed;
    header.description = "";
    header.extend = "";
    header.feed = i;
    for (int k = 0; k < items; ++k) {
      const FeedItem& item = feed.items[k];
      if (!IsListedItem(item.extend)) continue;
      if (count + 2 > capacity) return count;
      const int64_t t = FeedItemTime(item.date);
      NewsRow& row = rows[count++];
      memset(&row, 0, sizeof row);
      snprintf(row.mark, sizeof row.mark, "%s",
               NewsMark(ItemNewsTime(feed, k), now, newDays, startOldTime));
      row.text = item.title;
      row.link = item.link;
      row.kind = item.extend[0] != '[' ? kRowItem : item.extend[2] == 's' ? kRowOffer : kRowSpecial;
      row.description = item.description;
      row.extend = item.extend;
      row.feed = i;
      NewsRow& date = rows[count++];
      memset(&date, 0, sizeof date);
      strcpy(date.mark, " ");
      int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
      if (t >= 0 && localTimeOf(t, &year, &month, &day, &hour, &minute, &second) && year >= 0 &&
          year <= 9999) {
        snprintf(date.dateText, sizeof date.dateText, "                %04d/%02d/%02d %02d:%02d:%02d",
                 year, month, day, hour, minute, second);
      } else {
        snprintf(date.dateText, sizeof date.dateText, "                ");
      }
      date.text = date.dateText;
      date.link = item.link;
      date.kind = kRowDate;
      date.description = item.description;
      date.extend = item.extend;
      date.feed = i;
    }
  }
  return count;
}

int ClampNewDays(int days) { return days < 1 ? 1 : days > 7 ? 7 : days; }

int IntervalSelection(int checkTime) { return ClampCheckTime(checkTime) - 1; }

int IntervalFromSelection(long selection, int fallback) {
  if (selection < 0 || selection > 23) return ClampCheckTime(fallback);
  return static_cast<int>(selection) + 1;
}

int RecentSelection(int newDays) { return ClampNewDays(newDays) - 1; }

int RecentFromSelection(long selection, int fallback) {
  if (selection < 0 || selection > 6) return ClampNewDays(fallback);
  return static_cast<int>(selection) + 1;
}

int HitTickerSlot(const TickerSlot slots[kTickerSlots], int clickX, int windowLeft) {
  for (int k = 0; k < kTickerSlots; ++k) {
    const TickerSlot& slot = slots[k];
    if (!slot.active) continue;
    const int64_t left = static_cast<int64_t>(windowLeft) + slot.x;
    const int64_t right = left + slot.visible - slot.gap;
    if (left < clickX && clickX < right) return k;
  }
  return -1;
}
