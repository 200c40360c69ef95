// The URL-feed parser over arbitrary documents: a refused one leaves the record alone; a read
// one holds at most 100 items of clean, whole UTF-8 in their fields and dates in the kept form.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "news/feed_dates.h"
#include "news/feed_formats.h"
#include "news/feed_text.h"

namespace {

FeedRecord feed;
FeedRecord untouched;

// Well-formed UTF-8 without control characters, doubled or outer spaces, ending before `size`.
void CheckText(const char* text, size_t size) {
  const size_t length = strnlen(text, size);
  if (length >= size) abort();
  if (length > 0 && (text[0] == ' ' || text[length - 1] == ' ')) abort();
  for (size_t at = 0; at < length;) {
    uint32_t codePoint = 0;
    const size_t count = DecodeUtf8(text + at, length - at, &codePoint);
    if (count == 0 || codePoint < 0x20 || (codePoint >= 0x7F && codePoint <= 0x9F) ||
        codePoint == 0xA0) {
      abort();
    }
    if (codePoint == ' ' && text[at + 1] == ' ') abort();
    at += count;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  memset(&feed, 0x5A, sizeof feed);
  memset(&untouched, 0x5A, sizeof untouched);
  FeedParseReport report;
  if (!ParseUrlFeed(reinterpret_cast<const char*>(data), size, &feed, &report)) {
    if (memcmp(&feed, &untouched, sizeof feed) != 0) abort();
    return 0;
  }
  if (feed.item_count < 0 || feed.item_count > kItemsPerFeed) abort();
  CheckText(feed.channel_title, sizeof feed.channel_title);
  CheckText(feed.channel_link, sizeof feed.channel_link);
  for (int i = 0; i < feed.item_count; ++i) {
    const FeedItem& item = feed.items[i];
    CheckText(item.title, sizeof item.title);
    CheckText(item.link, sizeof item.link);
    CheckText(item.description, sizeof item.description);
    CheckText(item.extend, sizeof item.extend);
    if (item.title[0] == '\0') abort();
    const size_t dateLength = strnlen(item.date, sizeof item.date);
    if (dateLength != 0 && dateLength != kFeedDateLength) abort();
    if (dateLength != 0) {
      char again[32];
      const int64_t seconds = FeedItemTime(item.date);
      if (seconds >= 0 && (!FormatFeedDate(seconds, again, sizeof again) ||
                           strcmp(again, item.date) != 0)) {
        abort();
      }
    }
  }
  if (memcmp(feed.url, untouched.url, sizeof feed.url) != 0) abort();
  return 0;
}
