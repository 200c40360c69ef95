// Item dates: RFC 822 and RFC 3339 to seconds since 1970 UTC, the text an item keeps, and the
// time of a kept date.
#pragma once

#include <cstddef>
#include <cstdint>

// Seconds since 1970-01-01 00:00 UTC of the date in the `length` bytes at `text`, its offset
// applied. Read are RFC 822 as RSS writes it ("[Day,] 1 Jan [19]99 10:00[:00] zone": a numeric
// offset, UT, GMT, UTC, Z, the North American zones, JST; any other name, the military letters
// among them, counts as UTC, as RFC 2822 reads them) and RFC 3339 as Atom and dc:date write it
// ("2009-04-01T10:00:00.5+09:00", T or a blank between date and time, 'Z' or 'z', W3C's shorter
// forms down to a date alone). A date without a zone is taken as UTC. Leading and trailing
// white space is allowed. False (seconds untouched) for anything else, or a field out of range.
bool ParseFeedDate(const char* text, size_t length, int64_t* seconds);

// Length of the date text FormatFeedDate writes: "2009-04-01T01:00:00Z".
constexpr size_t kFeedDateLength = 20;

// The UTC date text of `seconds` ("YYYY-MM-DDTHH:MM:SSZ"), zero-terminated; false (out
// untouched) for a time outside the years 1-9999 or an `outCapacity` under 21.
bool FormatFeedDate(int64_t seconds, char* out, size_t outCapacity);

// Seconds since 1970 UTC of an item's stored date, for every feed: a date that names its zone
// (as FormatFeedDate writes it, or as a feed wrote it, the feed server's dc:date among them)
// with the offset applied; a date without one ("2009-04-01T10:00:00", "2009-04-01") as local
// time. -1 for a text that makes no time from 1970 on.
int64_t FeedItemTime(const char* date);
