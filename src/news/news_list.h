// The news list's rows and marks, the news settings' ranges, and which bar slot a click hits.
#pragma once

#include <cstddef>
#include <cstdint>

#include "news/feeds.h"
#include "news/ticker.h"

// Row kinds, as the list's hidden column 3 carries them.
constexpr char kRowFeed = '0';
constexpr char kRowItem = '1';
constexpr char kRowDate = '2';
constexpr char kRowOffer = '4';
constexpr char kRowSpecial = '5';

constexpr int kNewsListColumns = 6;
// At most a header, and an item and a date row per item, for each feed.
constexpr int kNewsRowsMax = kFeedCount * (1 + 2 * kItemsPerFeed);
// The description shown for a clicked row is at most this many bytes.
constexpr size_t kDescriptionShown = 511;

struct NewsRow {
  char mark[4];       // "NEW", "New", three blanks or one blank
  const char* text;   // title, channel title, or the row's own date text
  const char* link;
  char kind;
  const char* description;
  const char* extend;
  int feed;           // feed index of the row
  char dateText[40];  // the date row's text: 16 blanks and the local date
};

// The broken-down local time of `seconds`; false when it cannot be converted.
using LocalTimeOf = bool (*)(int64_t seconds, int* year, int* month, int* day, int* hour,
                             int* minute, int* second);

// The mark of an item dated `itemTime` (seconds, -1 when the date did not convert): three blanks
// once it is `newDays` days old or more, "New" when it is not after `startOldTime`, else "NEW".
const char* NewsMark(int64_t itemTime, int64_t now, int newDays, int64_t startOldTime);

// Whether an item with this `extend` is listed: not special, or special with '1' after '['.
bool IsListedItem(const char* extend);

// Builds the rows of every feed enabled in `viewBrand` with items, in index order: a header,
// then an item row and a date row per listed item. A header shows the feed's channel title (a
// feed given by address is listed under the title its document gives), or `brandNames[i]` when
// that title is empty. Marks go by ItemNewsTime, date rows by FeedItemTime. Texts point into
// `feeds` and `brandNames`, which must outlive the rows. Returns the number of rows (at most
// `capacity`).
int BuildNewsRows(const FeedRecord* feeds, const char* const brandNames[kFeedCount], int viewBrand,
                  int64_t now, int newDays, int64_t startOldTime, LocalTimeOf localTimeOf,
                  NewsRow* rows, int capacity);

// The kind of failure an HTTP answer with `status` (no feed, no redirect) is.
FeedFailure FailureOfStatus(int status);

// The line beside a feed's box in the news list: when it was last brought ("取得 12/09 14:05",
// local time) and, after a failed last try, why ("見つかりません (404)"), the two joined by
// " / ". Empty before the feed's first try, and the time alone when the clock cannot convert it
// is left out. UTF-8, cut at a character boundary to `outCapacity`.
void FeedStatusLine(const FeedStatus& status, LocalTimeOf localTimeOf, char* out,
                    size_t outCapacity);

// The settings dialog's ranges: CheckTime 1-24 hours, NewDays 1-7 days.
int ClampNewDays(int days);
// The combo selection for a stored value (always a valid entry), and the value for a selection
// (an invalid selection keeps `fallback`, itself clamped).
int IntervalSelection(int checkTime);
int IntervalFromSelection(long selection, int fallback);
int RecentSelection(int newDays);
int RecentFromSelection(long selection, int fallback);
// NewFlag's two bits: bit 0 shows the message, bit 1 plays the sound.
inline bool NoticeShowsMessage(int newFlag) { return (newFlag & 1) != 0; }
inline bool NoticePlaysSound(int newFlag) { return (newFlag & 2) != 0; }
inline int MakeNewFlag(bool sound, bool message) { return (sound ? 2 : 0) | (message ? 1 : 0); }

// The slot a click at client x hits: the first active slot, in index order, with
// left + x < click < left + x + visible - gap, where left is the text window's left edge in the
// window (TickerWindowBox). -1 for none.
int HitTickerSlot(const TickerSlot slots[kTickerSlots], int clickX, int windowLeft);
