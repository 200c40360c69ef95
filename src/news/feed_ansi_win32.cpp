// URL-feed texts into the ANSI code page, one character at a time, '?' for what it cannot hold.
#include "news/feed_ansi_win32.h"

#include <windows.h>

#include <cstring>

#include "news/feed_text.h"

size_t Utf8ToAnsiShown(const char* utf8, char* out, size_t outCapacity) {
  // With UTF-8 as the ANSI code page (a Windows 10 option) every character fits, and the
  // conversion refuses a default character.
  const bool utf8Ansi = GetACP() == CP_UTF8;
  const size_t limit = outCapacity - 1;
  const size_t length = strlen(utf8);
  size_t read = 0;
  size_t written = 0;
  while (read < length) {
    uint32_t codePoint = 0;
    size_t count = DecodeUtf8(utf8 + read, length - read, &codePoint);
    char bytes[8];
    int made = 0;
    if (count > 0) {
      // One character at a time: a pair of surrogates must become one '?', not two.
      wchar_t wide[2];
      const int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8 + read,
                                            static_cast<int>(count), wide, 2);
      BOOL usedDefault = FALSE;
      if (units > 0) {
        // No best fit: a look-alike ("e" for "e acute") would show a different word.
        made = WideCharToMultiByte(CP_ACP, utf8Ansi ? 0 : WC_NO_BEST_FIT_CHARS, wide, units,
                                   bytes, sizeof bytes, utf8Ansi ? nullptr : "?",
                                   utf8Ansi ? nullptr : &usedDefault);
      }
      if (usedDefault) made = 0;
    } else {
      count = 1;
    }
    if (made <= 0) {
      bytes[0] = '?';
      made = 1;
    }
    if (static_cast<size_t>(made) > limit - written) break;
    memcpy(out + written, bytes, static_cast<size_t>(made));
    written += static_cast<size_t>(made);
    read += count;
  }
  out[written] = '\0';
  return written;
}

void FeedRecordToAnsi(FeedRecord* feed) {
  Utf8ToAnsiShown(feed->channel_title, feed->channel_title, sizeof feed->channel_title);
  Utf8ToAnsiShown(feed->channel_link, feed->channel_link, sizeof feed->channel_link);
  const int count = feed->item_count < kItemsPerFeed ? feed->item_count : kItemsPerFeed;
  for (int i = 0; i < count; ++i) {
    FeedItem& item = feed->items[i];
    Utf8ToAnsiShown(item.title, item.title, sizeof item.title);
    Utf8ToAnsiShown(item.link, item.link, sizeof item.link);
    Utf8ToAnsiShown(item.description, item.description, sizeof item.description);
    Utf8ToAnsiShown(item.extend, item.extend, sizeof item.extend);
  }
}
