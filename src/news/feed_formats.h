// The URL-feed parser: RSS 2.0, Atom 1.0 and RSS 1.0 documents into a feed record, read by
// expat, with the tolerant parser as the fallback for documents expat refuses.
#pragma once

#include <cstddef>

#include "news/feeds.h"

enum class FeedFormat { kUnknown, kRss2, kAtom, kRss1 };

enum class FeedParseStatus {
  kComplete,             // read to its end (or to the 100th item)
  kCut,                  // the document stops early: the items complete before the end are kept
  kBroken,               // ill-formed part way: the items complete before the fault are kept
  kFallback,             // ill-formed: the tolerant parser's items, which were more
  kNotFeed,              // well-formed, but its root is no rss, rdf:RDF or Atom feed element
  kIllFormed,            // ill-formed (or empty) with no item either parser could read
  kUnsupportedEncoding,  // an encoding the parser cannot read (Shift_JIS, EUC-JP, ...)
  kNoMemory,
};

struct FeedParseReport {
  FeedFormat format = FeedFormat::kUnknown;
  FeedParseStatus status = FeedParseStatus::kNotFeed;
  unsigned long line = 0;    // where expat stopped at a fault, else 0
  const char* fault = "";    // expat's words for the fault, or why the parse was refused, else ""
};

// Parses the `size` bytes of a feed document at `data` into `feed`: the channel's title and
// link, and at most 100 items in document order. Item texts are UTF-8, cleaned as the bar shows
// them (CleanFeedText) and cut to their fields; a link or extend that does not fit whole is left
// empty; the date is kept as FormatFeedDate writes it, or empty when it does not read. An item
// without a title takes its description's text as title; one with neither is skipped. `extend`
// is read from RSS 1.0 documents only. A document that declares an entity or nests elements more
// than 64 deep is refused there, as if it were ill-formed at that point. True when the document
// is a feed (with items or none); false (feed untouched) otherwise. `feed->url` is never
// changed. `report` says what happened.
bool ParseUrlFeed(const char* data, size_t size, FeedRecord* feed, FeedParseReport* report);

// A short English name of a status, for diagnostics.
const char* FeedParseStatusName(FeedParseStatus status);
