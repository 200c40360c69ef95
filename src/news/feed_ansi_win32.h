// URL-feed texts from UTF-8 into the ANSI code page the bar and the news list draw with.
#pragma once

#include <cstddef>

#include "news/feeds.h"

// Converts the zero-terminated UTF-8 `utf8` into the ANSI code page in `out` (zero-terminated,
// at most outCapacity - 1 bytes): each character the code page cannot hold (nor a byte that is
// not UTF-8) becomes one '?', and the text is cut before the first character whose bytes do not
// all fit, so no lead byte is left without its trail. `out` may be `utf8` itself: no character
// is longer in any ANSI code page than in UTF-8. Returns the length written. outCapacity >= 1.
size_t Utf8ToAnsiShown(const char* utf8, char* out, size_t outCapacity);

// Converts every text of a record ParseUrlFeed filled, in place.
void FeedRecordToAnsi(FeedRecord* feed);
