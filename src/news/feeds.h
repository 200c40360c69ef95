// The four news feeds: the table, the RDF item parser and the new-item test.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int kFeedCount = 4;
constexpr int kItemsPerFeed = 100;

struct FeedItem {
  char title[512];
  char link[128];
  char description[512];
  char date[32];
  char extend[64];
};
static_assert(sizeof(FeedItem) == 1248, "item record: title, link, description, date, extend");

struct FeedRecord {
  FeedItem items[kItemsPerFeed];
  char url[256];
  char channel_link[256];
  char channel_title[256];
  int item_count;
  bool by_address;  // fetched from a FeedUrl key's address: listed under its channel title
  // When each item dated more than a day ahead was first seen, 0 for the others: NoteFirstSeen.
  int64_t first_seen[kItemsPerFeed];
};

// Why a feed's last try failed, in the kinds the news list tells apart.
enum class FeedFailure : uint8_t {
  kNone,         // the last try brought the feed (or a 304 kept it)
  kNotFound,     // answered 404 or 410
  kStatus,       // answered another status that is no feed
  kUnreachable,  // no connection: the name does not resolve or nobody answers
  kCertificate,  // the server's certificate does not verify
  kNotFeed,      // an answer that holds no feed
  kTimeout,
  kOther,        // anything else: a broken answer, no memory, a refused redirect
};

// What the news list says about a feed: when it was last tried and last brought (Unix seconds,
// 0 for never) and why the last try failed.
struct FeedStatus {
  int64_t lastTry;
  int64_t lastSuccess;
  FeedFailure failure;
  int httpStatus;  // the answer's status for kNotFound and kStatus, else 0
};

// Paths of the four feeds on the feed server, by index.
extern const char* const kFeedPaths[kFeedCount];

// The published table the bar and the news list read (under the news lock on Windows).
extern FeedRecord Feeds[kFeedCount];
// Published with Feeds, under the same lock, by the fetch that tried them.
extern FeedStatus FeedStatuses[kFeedCount];

// Only bits 0-3 of ViewBrand choose feeds.
inline int FeedBits(int viewBrand) { return viewBrand & 15; }

// "http://" host path into `out`; false (out empty) when it does not fit.
bool BuildFeedUrl(int index, const char* host, char* out, size_t outCapacity);

// What a FeedUrl0..3 key holds: nothing (the feed server's feed is used), an address the
// clock fetches, or anything else, which is never fetched.
enum class FeedAddressKind { kEmpty, kHttp, kHttps, kRefused };

// Classifies a key's text: "http://" or "https://" (any case) then a host of at least one
// character, no blanks or control characters anywhere, and short enough to fit a feed record's
// url with its terminator. Leading and trailing blanks are not trimmed: they refuse it.
FeedAddressKind ClassifyFeedAddress(const char* text);

// Whether `byte` is a Shift-JIS (code page 932) lead byte.
inline bool IsSjisLeadByte(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// The length of the longest prefix of the `length` bytes at `text` that is at most `limit`
// bytes and ends on a character boundary (a lead byte is never separated from its trail).
size_t CharacterPrefix(const char* text, size_t length, size_t limit);

// Finds the element `name` (exactly: "<name" then '>', a blank or '/') in [begin, end), copies
// its content up to `</name>` into `out`. Content that does not fit is cut at a character
// boundary, unless `emptyIfLong`, which empties it. Returns the position after the closing tag,
// or null (out empty) when the element is missing or not closed inside the range.
const char* ExtractField(const char* begin, const char* end, const char* name, char* out,
                         size_t outCapacity, bool emptyIfLong);

// Parses one converted (ANSI) feed document into `feed`: the channel's title and link (the
// first of each in the document), then up to 100 items, each from its own `<item ` element, its
// fields searched only inside it; an item without a title is skipped. A document `cut` short
// (only its first bytes arrived) keeps only the items whose closing tag arrived. False (no
// items) when the document has no title. `feed->url` is left alone.
bool ParseFeedDocument(const char* text, FeedRecord* feed, bool cut);

// Fills `fresh->first_seen` for a record fetched at `now` that replaces `published`. An item
// dated more than a day after `now` counts as new from when it was first seen, not until its
// date: it keeps the time `published` holds for the same item (title, link and date), or else is
// first seen `now`. Only items first seen so keep a time, and they keep it after their date comes
// near. The times live only in the records, so each run sees such an item first once.
void NoteFirstSeen(FeedRecord* fresh, const FeedRecord& published, int64_t now);

// The time item `index` of `feed` counts from when deciding whether it is new: when it was first
// seen for an item dated far ahead, else its date as FeedItemTime reads it.
int64_t ItemNewsTime(const FeedRecord& feed, int index);

// True if any feed enabled in `viewBrand` holds an item whose ItemNewsTime is after `lastSeen`.
bool FeedsHaveNewItems(const FeedRecord* feeds, int viewBrand, int64_t lastSeen);

// CheckTime as used: 1-24 hours.
int ClampCheckTime(int hours);
