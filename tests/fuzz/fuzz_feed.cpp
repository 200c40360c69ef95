// The feed parser over arbitrary documents: counts and fields stay within their records.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "news/feed_dates.h"
#include "news/feeds.h"

namespace {
FeedRecord feed;
FeedRecord cut;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 32767) return 0;
  char* text = static_cast<char*>(malloc(size + 1));
  if (size > 0) memcpy(text, data, size);
  text[size] = '\0';
  const bool ok = ParseFeedDocument(text, &feed, false);
  // Read as cut short, the same text keeps the same items, less at most the last one.
  const bool cutOk = ParseFeedDocument(text, &cut, true);
  if (cutOk != ok || cut.item_count > feed.item_count || cut.item_count + 1 < feed.item_count) abort();
  if (memcmp(cut.items, feed.items, sizeof(FeedItem) * static_cast<size_t>(cut.item_count)) != 0) abort();
  if (!ok && feed.item_count != 0) abort();
  if (feed.item_count < 0 || feed.item_count > kItemsPerFeed) abort();
  if (strnlen(feed.channel_title, sizeof feed.channel_title) >= sizeof feed.channel_title) abort();
  for (int i = 0; i < feed.item_count; ++i) {
    const FeedItem& item = feed.items[i];
    if (item.title[0] == '\0') abort();
    if (strnlen(item.title, sizeof item.title) >= sizeof item.title ||
        strnlen(item.link, sizeof item.link) >= sizeof item.link ||
        strnlen(item.description, sizeof item.description) >= sizeof item.description ||
        strnlen(item.date, sizeof item.date) >= sizeof item.date ||
        strnlen(item.extend, sizeof item.extend) >= sizeof item.extend) {
      abort();
    }
    FeedItemTime(item.date);
  }
  FeedsHaveNewItems(&feed, 1, 0);
  free(text);
  return 0;
}
