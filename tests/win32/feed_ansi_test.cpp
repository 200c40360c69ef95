// URL-feed texts into code page 932 under Wine: '?' for what it cannot hold, never half a character.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <memory>
#include <string>

#include "news/feed_ansi_win32.h"

namespace {

TEST(FeedAnsi, UnheldCharactersBecomeOneQuestionMarkAndCutsKeepWholeCharacters) {
  ASSERT_EQ(GetACP(), 932u) << "the test prefix runs in the Japanese locale";
  // The expected texts are plain literals, which this build writes in code page 932.
  const struct {
    const char* utf8;
    size_t capacity;
    const char* ansi;
  } cases[] = {
      {u8"日本語のニュース😀です", 64, "日本語のニュース?です"},
      {u8"café", 64, "caf?"},
      {"bad\xff\xe6\x97", 64, "bad???"},
      {u8"日本語", 6, "日本"},
      {u8"日本語", 5, "日本"},
      {u8"日本語", 4, "日"},
      {u8"😀😀", 2, "?"},
  };
  for (const auto& c : cases) {
    char out[64];
    memset(out, '#', sizeof out);
    const size_t n = Utf8ToAnsiShown(c.utf8, out, c.capacity);
    EXPECT_STREQ(out, c.ansi) << c.utf8;
    EXPECT_EQ(n, strlen(c.ansi));
  }

  auto feed = std::make_unique<FeedRecord>();
  memset(feed.get(), 0, sizeof(FeedRecord));
  strcpy(feed->channel_title, u8"時計便り");
  feed->item_count = 1;
  strcpy(feed->items[0].title, u8"新しい😀スキン");
  strcpy(feed->items[0].description, u8"説明…");
  FeedRecordToAnsi(feed.get());
  EXPECT_STREQ(feed->channel_title, "時計便り");
  EXPECT_STREQ(feed->items[0].title, "新しい?スキン");
  EXPECT_STREQ(feed->items[0].description, "説明…");
}

}  // namespace
