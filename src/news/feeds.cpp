// The four news feeds: the table, the RDF item parser and the new-item test.
#include "news/feeds.h"

#include <cstdio>
#include <cstring>
#include <strings.h>

#include "news/feed_dates.h"

const char* const kFeedPaths[kFeedCount] = {"/rss/tarvo.rdf", "/rss/pellin.rdf",
                                            "/rss/quorra.rdf", "/rss/oxbel.rdf"};

FeedRecord Feeds[kFeedCount];
FeedStatus FeedStatuses[kFeedCount];

bool BuildFeedUrl(int index, const char* host, char* out, size_t outCapacity) {
  if (outCapacity > 0) out[0] = '\0';
  if (index < 0 || index >= kFeedCount || outCapacity == 0) return false;
  const int n = snprintf(out, outCapacity, "http://%s%s", host, kFeedPaths[index]);
  if (n < 0 || static_cast<size_t>(n) >= outCapacity) {
    out[0] = '\0';
    return false;
  }
  return true;
}

FeedAddressKind ClassifyFeedAddress(const char* text) {
  if (text == nullptr || text[0] == '\0') return FeedAddressKind::kEmpty;
  const size_t length = strlen(text);
  if (length >= sizeof(FeedRecord::url)) return FeedAddressKind::kRefused;
  for (size_t i = 0; i < length; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c <= ' ' || c == 0x7F) return FeedAddressKind::kRefused;
  }
  size_t schemeLength = 0;
  FeedAddressKind kind = FeedAddressKind::kRefused;
  if (strncasecmp(text, "http://", 7) == 0) {
    schemeLength = 7;
    kind = FeedAddressKind::kHttp;
  } else if (strncasecmp(text, "https://", 8) == 0) {
    schemeLength = 8;
    kind = FeedAddressKind::kHttps;
  }
  // The host is what comes before the first '/', '?' or '#'; a port alone is no host.
  const char* host = text + schemeLength;
  const size_t hostLength = strcspn(host, "/?#");
  if (kind == FeedAddressKind::kRefused || hostLength == 0 || host[0] == ':' || host[0] == '@') {
    return FeedAddressKind::kRefused;
  }
  return kind;
}

size_t CharacterPrefix(const char* text, size_t length, size_t limit) {
  size_t at = 0;
  while (at < length) {
    const size_t step =
        (IsSjisLeadByte(static_cast<unsigned char>(text[at])) && at + 1 < length) ? 2 : 1;
    if (at + step > limit) break;
    at += step;
  }
  return at;
}

namespace {

// First occurrence of the zero-terminated `needle` in [begin, end).
const char* Find(const char* begin, const char* end, const char* needle) {
  const size_t n = strlen(needle);
  if (n == 0 || end < begin || static_cast<size_t>(end - begin) < n) return nullptr;
  const char* last = end - n;
  for (const char* p = begin; p <= last; ++p) {
    p = static_cast<const char*>(memchr(p, needle[0], static_cast<size_t>(last - p) + 1));
    if (p == nullptr) return nullptr;
    if (memcmp(p, needle, n) == 0) return p;
  }
  return nullptr;
}

// "<name" followed by '>', whitespace or '/' in [begin, end).
const char* FindOpening(const char* begin, const char* end, const char* name) {
  char opening[40];
  const size_t n = strlen(name);
  if (n + 2 > sizeof opening) return nullptr;
  opening[0] = '<';
  memcpy(opening + 1, name, n + 1);
  for (const char* p = begin; p < end;) {
    const char* hit = Find(p, end, opening);
    if (hit == nullptr) return nullptr;
    const char* after = hit + n + 1;
    if (after < end && (*after == '>' || *after == ' ' || *after == '\t' || *after == '\r' ||
                        *after == '\n' || *after == '/')) {
      return hit;
    }
    p = hit + 1;
  }
  return nullptr;
}

// The item openings ("<item " and "<item>") of a document in order. Each kind's next position
// is remembered and searched again only once passed, so walking all of them reads the document
// once, however many there are.
class ItemOpenings {
 public:
  ItemOpenings(const char* begin, const char* end)
      : end_(end), spaced_(Find(begin, end, "<item ")), plain_(Find(begin, end, "<item>")) {}

  // The first opening at or after `from`; `from` never moves back between calls.
  const char* NextFrom(const char* from) {
    if (spaced_ != nullptr && spaced_ < from) spaced_ = Find(from, end_, "<item ");
    if (plain_ != nullptr && plain_ < from) plain_ = Find(from, end_, "<item>");
    if (spaced_ == nullptr || (plain_ != nullptr && plain_ < spaced_)) return plain_;
    return spaced_;
  }

 private:
  const char* end_;
  const char* spaced_;
  const char* plain_;
};

}  // namespace

const char* ExtractField(const char* begin, const char* end, const char* name, char* out,
                         size_t outCapacity, bool emptyIfLong) {
  if (outCapacity == 0) return nullptr;
  out[0] = '\0';
  const char* open = FindOpening(begin, end, name);
  if (open == nullptr) return nullptr;
  const char* close = static_cast<const char*>(memchr(open, '>', static_cast<size_t>(end - open)));
  if (close == nullptr) return nullptr;
  const char* content = close + 1;
  // A self-closing element has no content.
  if (close[-1] == '/') return content;
  char closing[44];
  snprintf(closing, sizeof closing, "</%s>", name);
  const char* finish = Find(content, end, closing);
  if (finish == nullptr) return nullptr;
  const size_t length = static_cast<size_t>(finish - content);
  size_t take = length;
  if (length > outCapacity - 1) take = emptyIfLong ? 0 : CharacterPrefix(content, length, outCapacity - 1);
  memcpy(out, content, take);
  out[take] = '\0';
  return finish + strlen(closing);
}

bool ParseFeedDocument(const char* text, FeedRecord* feed, bool cut) {
  memset(feed->items, 0, sizeof feed->items);
  feed->channel_link[0] = '\0';
  feed->channel_title[0] = '\0';
  feed->item_count = 0;
  const char* end = text + strlen(text);
  if (ExtractField(text, end, "title", feed->channel_title, sizeof feed->channel_title, false) ==
      nullptr) {
    return false;
  }
  ExtractField(text, end, "link", feed->channel_link, sizeof feed->channel_link, true);
  ItemOpenings openings(text, end);
  const char* at = openings.NextFrom(text);
  while (at != nullptr && feed->item_count < kItemsPerFeed) {
    // The item runs to its closing tag, or else to the next item or the end of the document.
    const char* next = openings.NextFrom(at + 1);
    const char* close = Find(at, next != nullptr ? next : end, "</item>");
    const char* itemEnd = close != nullptr ? close : (next != nullptr ? next : end);
    // In a cut document an item that runs to the end may have lost fields with the rest.
    const bool whole = !cut || close != nullptr || next != nullptr;
    FeedItem& item = feed->items[feed->item_count];
    if (whole && ExtractField(at, itemEnd, "title", item.title, sizeof item.title, false) != nullptr &&
        item.title[0] != '\0') {
      ExtractField(at, itemEnd, "link", item.link, sizeof item.link, true);
      ExtractField(at, itemEnd, "description", item.description, sizeof item.description, false);
      ExtractField(at, itemEnd, "dc:date", item.date, sizeof item.date, true);
      ExtractField(at, itemEnd, "extend", item.extend, sizeof item.extend, true);
      ++feed->item_count;
    } else {
      memset(&item, 0, sizeof item);
    }
    at = next;
  }
  return true;
}

namespace {

// A feed's clock may be some hours off; a date further ahead than this is no real moment.
constexpr int64_t kFarAhead = 86400;

int ItemCount(const FeedRecord& feed) {
  if (feed.item_count < 0) return 0;
  return feed.item_count < kItemsPerFeed ? feed.item_count : kItemsPerFeed;
}

bool SameItem(const FeedItem& a, const FeedItem& b) {
  return strcmp(a.title, b.title) == 0 && strcmp(a.link, b.link) == 0 &&
         strcmp(a.date, b.date) == 0;
}

}  // namespace

void NoteFirstSeen(FeedRecord* fresh, const FeedRecord& published, int64_t now) {
  const int count = ItemCount(*fresh);
  const int before = ItemCount(published);
  for (int k = 0; k < kItemsPerFeed; ++k) {
    int64_t seen = 0;
    if (k < count) {
      const FeedItem& item = fresh->items[k];
      for (int j = 0; j < before && seen == 0; ++j) {
        if (published.first_seen[j] != 0 && SameItem(item, published.items[j])) {
          seen = published.first_seen[j];
        }
      }
      if (seen == 0 && FeedItemTime(item.date) > now + kFarAhead) seen = now;
    }
    fresh->first_seen[k] = seen;
  }
}

int64_t ItemNewsTime(const FeedRecord& feed, int index) {
  if (index < 0 || index >= kItemsPerFeed) return -1;
  const int64_t seen = feed.first_seen[index];
  return seen != 0 ? seen : FeedItemTime(feed.items[index].date);
}

bool FeedsHaveNewItems(const FeedRecord* feeds, int viewBrand, int64_t lastSeen) {
  for (int i = 0; i < kFeedCount; ++i) {
    if ((FeedBits(viewBrand) & (1 << i)) == 0) continue;
    const int count = ItemCount(feeds[i]);
    for (int k = 0; k < count; ++k) {
      if (ItemNewsTime(feeds[i], k) > lastSeen) return true;
    }
  }
  return false;
}

int ClampCheckTime(int hours) { return hours < 1 ? 1 : hours > 24 ? 24 : hours; }
