// The URL-feed parser: RSS 2.0, Atom 1.0 and RSS 1.0 through expat, the tolerant parser behind.
//
// Why expat: it reads a stream, so the items complete before a cut (the transport stops a body
// at 2 MiB) or before a fault are ours even though the document never ends well; it never loads
// external entities unless asked; and it is small, plain C, and a Debian source package we
// cross-build like libogg. It reads UTF-8, UTF-16, ISO-8859-1 and US-ASCII; we add
// windows-1252, the code page of many older Western feeds, through its unknown-encoding hook.
// Shift_JIS and EUC-JP are not added: feeds in them have become rare, and reading them portably
// would take a JIS table of thousands of entries; such a document is refused with its own status.
//
// Expat's own bound on entity expansion still lets a 2 MiB document cost about a hundred
// megabytes, and so does one of nothing but opening tags, each of which it keeps until closed.
// No feed needs entities of its own or deep nesting, so a document that declares an entity or
// nests deeper than a feed ever does is refused as soon as it does.
#include "news/feed_formats.h"

#include <expat.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "news/feed_dates.h"
#include "news/feed_text.h"
#include "news/html_entities.h"

namespace {

// Between a namespace URI and the local name in the names expat reports; no URI or name holds it.
constexpr XML_Char kNamespaceSeparator = '\x01';
constexpr char kAtomNamespace[] = "http://www.w3.org/2005/Atom";
constexpr char kRss1Namespace[] = "http://purl.org/rss/1.0/";
constexpr char kRss090Namespace[] = "http://my.netscape.com/rdf/simple/0.9/";
constexpr char kRdfNamespace[] = "http://www.w3.org/1999/02/22-rdf-syntax-ns#";
constexpr char kDcNamespace[] = "http://purl.org/dc/elements/1.1/";
constexpr char kContentNamespace[] = "http://purl.org/rss/1.0/modules/content/";

// Raw text kept of one element: enough for a 512-byte field after a great deal of markup.
constexpr size_t kRawCapacity = 32768;
// Feeds nest a few levels, with some more in Atom's xhtml; an element deeper than this refuses
// the document.
constexpr int kMaxDepth = 64;
// Date texts are short; a longer one is no date.
constexpr size_t kDateTextCapacity = 64;
// Bytes given to expat per call, well inside its int length.
constexpr size_t kChunk = 1 << 20;

enum class Node : unsigned char { kOther, kRoot, kChannel, kItem };

enum class Field {
  kNone,
  kChannelTitle,
  kChannelLink,
  kTitle,
  kLink,
  kDescription,
  kSummary,
  kDate,
  kAltDate,
  kExtend,
  kGuid,
};

// An item while it is read; it joins the record only when complete.
struct ItemDraft {
  FeedItem item;
  char date[kDateTextCapacity];     // pubDate, Atom's published, RSS 1.0's dc:date
  char altDate[kDateTextCapacity];  // dc:date in RSS 2.0, Atom's updated
  char guid[sizeof(FeedItem::link)];
  bool fromSummary;  // the description came from a summary (Atom) or description (RSS)
};

struct Parser {
  XML_Parser xml;
  FeedRecord record;
  FeedFormat format;
  bool notFeed;
  bool enough;
  const char* refusal;  // why the parse was stopped before expat found any fault, or null
  int depth;
  Node nodes[kMaxDepth + 1];
  int itemDepth;
  ItemDraft draft;
  Field field;
  int fieldDepth;
  FeedTextKind fieldKind;
  size_t rawLength;
  char raw[kRawCapacity];
};

struct Name {
  const char* uri;
  size_t uriLength;
  const char* local;
};

Name Split(const XML_Char* name) {
  const char* separator = strchr(name, kNamespaceSeparator);
  if (separator == nullptr) return {"", 0, name};
  return {name, static_cast<size_t>(separator - name), separator + 1};
}

bool InNamespace(const Name& name, const char* uri) {
  return name.uriLength == strlen(uri) && memcmp(name.uri, uri, name.uriLength) == 0;
}

bool Is(const Name& name, const char* local) { return strcmp(name.local, local) == 0; }

// The feed's own elements: no namespace in RSS 2.0, RSS 1.0's (or 0.90's, or none) in RSS 1.0,
// Atom's in Atom.
bool Own(const Parser& p, const Name& name) {
  switch (p.format) {
    case FeedFormat::kRss2:
      return name.uriLength == 0;
    case FeedFormat::kRss1:
      return name.uriLength == 0 || InNamespace(name, kRss1Namespace) ||
             InNamespace(name, kRss090Namespace);
    case FeedFormat::kAtom:
      return InNamespace(name, kAtomNamespace);
    case FeedFormat::kUnknown:
      break;
  }
  return false;
}

const XML_Char* Attribute(const XML_Char** attributes, const char* name) {
  for (size_t i = 0; attributes[i] != nullptr && attributes[i + 1] != nullptr; i += 2) {
    if (strcmp(attributes[i], name) == 0) return attributes[i + 1];
  }
  return nullptr;
}

bool SameNoCase(const char* a, const char* b) {
  for (; *a != '\0' && *b != '\0'; ++a, ++b) {
    const char x = (*a >= 'A' && *a <= 'Z') ? static_cast<char>(*a - 'A' + 'a') : *a;
    const char y = (*b >= 'A' && *b <= 'Z') ? static_cast<char>(*b - 'A' + 'a') : *b;
    if (x != y) return false;
  }
  return *a == *b;
}

// How an Atom text construct is written, from its type; false when it is no text at all.
bool AtomTextKind(const XML_Char** attributes, FeedTextKind* kind) {
  const char* type = Attribute(attributes, "type");
  if (type == nullptr || SameNoCase(type, "text") || SameNoCase(type, "xhtml")) {
    // xhtml arrives as elements: their character data is already plain text.
    *kind = FeedTextKind::kPlain;
    return true;
  }
  if (SameNoCase(type, "html") || strncmp(type, "text/html", 9) == 0) {
    *kind = FeedTextKind::kHtml;
    return true;
  }
  if (strncmp(type, "text/", 5) == 0) {
    *kind = FeedTextKind::kPlain;
    return true;
  }
  return false;
}

// Whether an Atom link is the entry's (or feed's) own page: rel alternate or none.
bool IsAlternateLink(const XML_Char** attributes) {
  const char* rel = Attribute(attributes, "rel");
  return rel == nullptr || strcmp(rel, "alternate") == 0 ||
         strcmp(rel, "http://www.iana.org/assignments/relation/alternate") == 0;
}

// Cleans `length` bytes of plain text into `out` only when all of it fits; else `out` is
// emptied: a cut address or file name would name something else.
void CleanWhole(const char* text, size_t length, char* out, size_t outCapacity) {
  bool complete = false;
  CleanFeedText(text, length, FeedTextKind::kPlain, out, outCapacity, &complete);
  if (!complete) out[0] = '\0';
}

void StartField(Parser* p, Field field, FeedTextKind kind) {
  p->field = field;
  p->fieldDepth = p->depth;
  p->fieldKind = kind;
  p->rawLength = 0;
}

void StartChannelField(Parser* p, const Name& name, const XML_Char** attributes) {
  FeedRecord& r = p->record;
  if (!Own(*p, name)) return;
  if (Is(name, "title") && r.channel_title[0] == '\0') {
    FeedTextKind kind = FeedTextKind::kHtml;
    if (p->format == FeedFormat::kAtom && !AtomTextKind(attributes, &kind)) return;
    StartField(p, Field::kChannelTitle, kind);
  } else if (Is(name, "link") && r.channel_link[0] == '\0') {
    if (p->format != FeedFormat::kAtom) {
      StartField(p, Field::kChannelLink, FeedTextKind::kPlain);
      return;
    }
    const char* href = Attribute(attributes, "href");
    if (href != nullptr && IsAlternateLink(attributes)) {
      CleanWhole(href, strlen(href), r.channel_link, sizeof r.channel_link);
    }
  }
}

void StartAtomItemField(Parser* p, const Name& name, const XML_Char** attributes) {
  ItemDraft& d = p->draft;
  FeedTextKind kind = FeedTextKind::kPlain;
  if (Is(name, "title")) {
    if (d.item.title[0] == '\0' && AtomTextKind(attributes, &kind)) {
      StartField(p, Field::kTitle, kind);
    }
  } else if (Is(name, "link")) {
    const char* href = Attribute(attributes, "href");
    if (d.item.link[0] == '\0' && href != nullptr && IsAlternateLink(attributes)) {
      CleanWhole(href, strlen(href), d.item.link, sizeof d.item.link);
    }
  } else if (Is(name, "summary")) {
    if (!d.fromSummary && AtomTextKind(attributes, &kind)) StartField(p, Field::kSummary, kind);
  } else if (Is(name, "content")) {
    // Content elsewhere (src) has no text here; a summary, when there is one, says it shorter.
    if (!d.fromSummary && d.item.description[0] == '\0' &&
        Attribute(attributes, "src") == nullptr && AtomTextKind(attributes, &kind)) {
      StartField(p, Field::kDescription, kind);
    }
  } else if (Is(name, "published")) {
    if (d.date[0] == '\0') StartField(p, Field::kDate, FeedTextKind::kPlain);
  } else if (Is(name, "updated")) {
    if (d.altDate[0] == '\0') StartField(p, Field::kAltDate, FeedTextKind::kPlain);
  }
}

void StartItemField(Parser* p, const Name& name, const XML_Char** attributes) {
  ItemDraft& d = p->draft;
  const bool own = Own(*p, name);
  if (p->format == FeedFormat::kAtom) {
    if (own) StartAtomItemField(p, name, attributes);
    return;
  }
  const bool rss1 = p->format == FeedFormat::kRss1;
  if (InNamespace(name, kDcNamespace) && Is(name, "date")) {
    char* target = rss1 ? d.date : d.altDate;
    if (target[0] == '\0') StartField(p, rss1 ? Field::kDate : Field::kAltDate, FeedTextKind::kPlain);
    return;
  }
  // content:encoded holds the whole article; the description, when there is one, is shorter.
  if (InNamespace(name, kContentNamespace) && Is(name, "encoded")) {
    if (!d.fromSummary && d.item.description[0] == '\0') {
      StartField(p, Field::kDescription, FeedTextKind::kHtml);
    }
    return;
  }
  if (!own) return;
  if (Is(name, "title") && d.item.title[0] == '\0') {
    StartField(p, Field::kTitle, FeedTextKind::kHtml);
  } else if (Is(name, "link") && d.item.link[0] == '\0') {
    StartField(p, Field::kLink, FeedTextKind::kPlain);
  } else if (Is(name, "description") && !d.fromSummary) {
    StartField(p, Field::kSummary, FeedTextKind::kHtml);
  } else if (!rss1 && Is(name, "pubDate") && d.date[0] == '\0') {
    StartField(p, Field::kDate, FeedTextKind::kPlain);
  } else if (!rss1 && Is(name, "guid") && d.guid[0] == '\0') {
    const char* permalink = Attribute(attributes, "isPermaLink");
    if (permalink == nullptr || strcmp(permalink, "true") == 0) {
      StartField(p, Field::kGuid, FeedTextKind::kPlain);
    }
  } else if (rss1 && Is(name, "extend") && d.item.extend[0] == '\0') {
    StartField(p, Field::kExtend, FeedTextKind::kPlain);
  }
}

void FinishField(Parser* p) {
  FeedRecord& r = p->record;
  ItemDraft& d = p->draft;
  const char* raw = p->raw;
  const size_t n = p->rawLength;
  switch (p->field) {
    case Field::kChannelTitle:
      CleanFeedText(raw, n, p->fieldKind, r.channel_title, sizeof r.channel_title);
      break;
    case Field::kChannelLink:
      CleanWhole(raw, n, r.channel_link, sizeof r.channel_link);
      break;
    case Field::kTitle:
      CleanFeedText(raw, n, p->fieldKind, d.item.title, sizeof d.item.title);
      break;
    case Field::kLink:
      CleanWhole(raw, n, d.item.link, sizeof d.item.link);
      break;
    case Field::kSummary: {
      // An empty summary leaves the content, if any, in place.
      char summary[sizeof d.item.description];
      if (CleanFeedText(raw, n, p->fieldKind, summary, sizeof summary) > 0) {
        memcpy(d.item.description, summary, sizeof summary);
        d.fromSummary = true;
      }
      break;
    }
    case Field::kDescription:
      CleanFeedText(raw, n, p->fieldKind, d.item.description, sizeof d.item.description);
      break;
    case Field::kDate:
      CleanWhole(raw, n, d.date, sizeof d.date);
      break;
    case Field::kAltDate:
      CleanWhole(raw, n, d.altDate, sizeof d.altDate);
      break;
    case Field::kExtend:
      CleanWhole(raw, n, d.item.extend, sizeof d.item.extend);
      break;
    case Field::kGuid:
      CleanWhole(raw, n, d.guid, sizeof d.guid);
      break;
    case Field::kNone:
      break;
  }
  p->field = Field::kNone;
}

bool IsWebAddress(const char* text) {
  return strncmp(text, "http://", 7) == 0 || strncmp(text, "https://", 8) == 0;
}

// The finished form of a draft into `out`: a permalink guid stands in for a missing link, the
// first date that reads is kept in its UTC form, and a missing title is taken from the
// description. False when the item has neither.
bool CompleteItem(const ItemDraft& d, FeedItem* out) {
  FeedItem item = d.item;
  if (item.link[0] == '\0' && IsWebAddress(d.guid)) memcpy(item.link, d.guid, sizeof item.link);
  int64_t seconds = 0;
  item.date[0] = '\0';
  if (ParseFeedDate(d.date, strlen(d.date), &seconds) ||
      ParseFeedDate(d.altDate, strlen(d.altDate), &seconds)) {
    FormatFeedDate(seconds, item.date, sizeof item.date);
  }
  if (item.title[0] == '\0') {
    static_assert(sizeof item.title >= sizeof item.description, "a description fits a title");
    memcpy(item.title, item.description, sizeof item.description);
  }
  if (item.title[0] == '\0') return false;
  *out = item;
  return true;
}

void FinishItem(Parser* p) {
  FeedRecord& r = p->record;
  if (r.item_count >= kItemsPerFeed || !CompleteItem(p->draft, &r.items[r.item_count])) return;
  ++r.item_count;
  // The rest of a long document can add nothing but a late channel title.
  if (r.item_count == kItemsPerFeed && r.channel_title[0] != '\0') {
    p->enough = true;
    XML_StopParser(p->xml, XML_FALSE);
  }
}

FeedFormat RootFormat(const Name& name) {
  if (name.uriLength == 0 && Is(name, "rss")) return FeedFormat::kRss2;
  if (InNamespace(name, kRdfNamespace) && Is(name, "RDF")) return FeedFormat::kRss1;
  if (InNamespace(name, kAtomNamespace) && Is(name, "feed")) return FeedFormat::kAtom;
  return FeedFormat::kUnknown;
}

bool IsItem(const Parser& p, const Name& name) {
  return Own(p, name) && Is(name, p.format == FeedFormat::kAtom ? "entry" : "item");
}

// Stops the parse as if the document were ill-formed here.
void Refuse(Parser* p, const char* why) {
  p->refusal = why;
  XML_StopParser(p->xml, XML_FALSE);
}

void XMLCALL OnStart(void* data, const XML_Char* rawName, const XML_Char** attributes) {
  Parser* p = static_cast<Parser*>(data);
  if (p->depth >= kMaxDepth) {
    Refuse(p, "nested too deep");
    return;
  }
  const Node parent = p->nodes[p->depth];
  ++p->depth;
  Node node = Node::kOther;
  // Elements inside a field being read (markup in a title, Atom's xhtml) give it their text.
  if (p->field == Field::kNone) {
    const Name name = Split(rawName);
    if (p->depth == 1) {
      p->format = RootFormat(name);
      if (p->format == FeedFormat::kUnknown) {
        p->notFeed = true;
        XML_StopParser(p->xml, XML_FALSE);
        return;
      }
      node = Node::kRoot;
    } else if (parent == Node::kItem) {
      StartItemField(p, name, attributes);
    } else if (parent == Node::kRoot && p->format != FeedFormat::kAtom && Own(*p, name) &&
               Is(name, "channel")) {
      node = Node::kChannel;
    } else if ((parent == Node::kRoot || parent == Node::kChannel) && IsItem(*p, name)) {
      if (p->itemDepth == 0 && p->record.item_count < kItemsPerFeed) {
        node = Node::kItem;
        p->itemDepth = p->depth;
        memset(&p->draft, 0, sizeof p->draft);
      }
    } else if ((parent == Node::kChannel) ||
               (parent == Node::kRoot && p->format == FeedFormat::kAtom)) {
      StartChannelField(p, name, attributes);
    }
  }
  p->nodes[p->depth] = node;
}

void XMLCALL OnEnd(void* data, const XML_Char*) {
  Parser* p = static_cast<Parser*>(data);
  // Expat may still end the element whose start was refused; nothing ends after a refusal.
  if (p->refusal != nullptr) return;
  if (p->field != Field::kNone && p->depth == p->fieldDepth) FinishField(p);
  if (p->itemDepth != 0 && p->depth == p->itemDepth) {
    p->itemDepth = 0;
    FinishItem(p);
  }
  --p->depth;
}

void Gather(Parser* p, const char* text, size_t length) {
  if (p->field == Field::kNone) return;
  const size_t room = kRawCapacity - p->rawLength;
  const size_t take = length < room ? length : room;
  memcpy(p->raw + p->rawLength, text, take);
  p->rawLength += take;
}

void XMLCALL OnText(void* data, const XML_Char* text, int length) {
  if (length > 0) Gather(static_cast<Parser*>(data), text, static_cast<size_t>(length));
}

// HTML entities in a document whose DTD expat does not read (RSS 0.91's, say): the text they
// name, as a browser would show it.
void XMLCALL OnSkippedEntity(void* data, const XML_Char* name, int isParameterEntity) {
  uint32_t codePoint = 0;
  if (isParameterEntity || !LookupHtmlEntity(name, strlen(name), &codePoint)) return;
  char bytes[4];
  const size_t count = EncodeUtf8(codePoint, bytes);
  Gather(static_cast<Parser*>(data), bytes, count);
}

void XMLCALL OnEntityDecl(void* data, const XML_Char*, int, const XML_Char*, int, const XML_Char*,
                          const XML_Char*, const XML_Char*, const XML_Char*) {
  Refuse(static_cast<Parser*>(data), "entity declaration");
}

int XMLCALL OnUnknownEncoding(void*, const XML_Char* name, XML_Encoding* info) {
  if (!SameNoCase(name, "windows-1252") && !SameNoCase(name, "cp1252") &&
      !SameNoCase(name, "x-cp1252")) {
    return XML_STATUS_ERROR;
  }
  for (int byte = 0; byte < 256; ++byte) {
    info->map[byte] = static_cast<int>(Windows1252CodePoint(static_cast<unsigned char>(byte)));
  }
  info->data = nullptr;
  info->convert = nullptr;
  info->release = nullptr;
  return XML_STATUS_OK;
}

bool Contains(const char* text, const char* needle) { return strstr(text, needle) != nullptr; }

// The tolerant parser reads dc:date only; RSS 2.0 writes pubDate. Its items are found again
// by walking the document as it does and matching titles, so a date is only ever given to the
// item it belongs to.
void FindPubDates(const char* text, const FeedRecord& raw, char (*dates)[kDateTextCapacity]) {
  const char* end = text + strlen(text);
  int next = 0;
  const char* at = strstr(text, "<item");
  while (at != nullptr && next < raw.item_count) {
    const char* following = strstr(at + 1, "<item");
    const char* itemEnd = following != nullptr ? following : end;
    static const char kClose[] = "</item>";
    itemEnd = std::search(at, itemEnd, kClose, kClose + sizeof kClose - 1);
    char title[sizeof(FeedItem::title)];
    if (ExtractField(at, itemEnd, "title", title, sizeof title, false) != nullptr &&
        strcmp(title, raw.items[next].title) == 0) {
      ExtractField(at, itemEnd, "pubDate", dates[next], kDateTextCapacity, true);
      ++next;
    }
    at = following;
  }
}

struct Fallback {
  FeedRecord raw;
  char pubDates[kItemsPerFeed][kDateTextCapacity];
  ItemDraft draft;
  char decoded[sizeof(FeedItem::description)];
};

// Cleans a raw field of the tolerant parser as the XML path cleans what expat gives.
void CleanRaw(Fallback* f, const char* raw, FeedTextKind kind, char* out, size_t capacity,
              bool whole) {
  const size_t n = DecodeXmlContent(raw, strlen(raw), f->decoded, sizeof f->decoded);
  if (whole) {
    CleanWhole(f->decoded, n, out, capacity);
  } else {
    CleanFeedText(f->decoded, n, kind, out, capacity);
  }
}

// The tolerant parser's reading of `text` (zero-terminated), cleaned, into `out`.
bool ParseTolerantly(const char* text, FeedRecord* out) {
  std::unique_ptr<Fallback> f(new (std::nothrow) Fallback());
  if (!f) return false;
  memset(out->items, 0, sizeof out->items);
  out->item_count = 0;
  out->channel_title[0] = '\0';
  out->channel_link[0] = '\0';
  // Only items whose closing tag arrived: the document may have been cut short.
  if (!ParseFeedDocument(text, &f->raw, true)) return true;
  FindPubDates(text, f->raw, f->pubDates);
  // extend belongs to RSS 1.0.
  const bool rss1 = Contains(text, "<rdf:RDF") || Contains(text, kRss1Namespace);
  CleanRaw(f.get(), f->raw.channel_title, FeedTextKind::kHtml, out->channel_title,
           sizeof out->channel_title, false);
  CleanRaw(f.get(), f->raw.channel_link, FeedTextKind::kPlain, out->channel_link,
           sizeof out->channel_link, true);
  for (int i = 0; i < f->raw.item_count && i < kItemsPerFeed; ++i) {
    const FeedItem& raw = f->raw.items[i];
    ItemDraft& d = f->draft;
    memset(&d, 0, sizeof d);
    CleanRaw(f.get(), raw.title, FeedTextKind::kHtml, d.item.title, sizeof d.item.title, false);
    CleanRaw(f.get(), raw.link, FeedTextKind::kPlain, d.item.link, sizeof d.item.link, true);
    CleanRaw(f.get(), raw.description, FeedTextKind::kHtml, d.item.description,
             sizeof d.item.description, false);
    CleanRaw(f.get(), f->pubDates[i], FeedTextKind::kPlain, d.date, sizeof d.date, true);
    CleanRaw(f.get(), raw.date, FeedTextKind::kPlain, d.altDate, sizeof d.altDate, true);
    if (rss1) CleanRaw(f.get(), raw.extend, FeedTextKind::kPlain, d.item.extend, sizeof d.item.extend, true);
    if (CompleteItem(d, &out->items[out->item_count])) ++out->item_count;
  }
  return true;
}

void Publish(const FeedRecord& from, FeedRecord* feed) {
  memcpy(feed->items, from.items, sizeof feed->items);
  memcpy(feed->channel_link, from.channel_link, sizeof feed->channel_link);
  memcpy(feed->channel_title, from.channel_title, sizeof feed->channel_title);
  feed->item_count = from.item_count;
}

struct ParserDeleter {
  void operator()(XML_Parser xml) const { XML_ParserFree(xml); }
};

}  // namespace

bool ParseUrlFeed(const char* data, size_t size, FeedRecord* feed, FeedParseReport* report) {
  FeedParseReport result;
  std::unique_ptr<Parser> p(new (std::nothrow) Parser());
  std::unique_ptr<XML_ParserStruct, ParserDeleter> xml(
      p ? XML_ParserCreateNS(nullptr, kNamespaceSeparator) : nullptr);
  if (!p || !xml) {
    result.status = FeedParseStatus::kNoMemory;
    *report = result;
    return false;
  }
  p->xml = xml.get();
  XML_SetUserData(p->xml, p.get());
  XML_SetElementHandler(p->xml, OnStart, OnEnd);
  XML_SetCharacterDataHandler(p->xml, OnText);
  XML_SetSkippedEntityHandler(p->xml, OnSkippedEntity);
  XML_SetEntityDeclHandler(p->xml, OnEntityDecl);
  XML_SetUnknownEncodingHandler(p->xml, OnUnknownEncoding, nullptr);

  // White space before the XML declaration is a common fault of generated feeds that changes
  // nothing in what they mean; expat would refuse the whole document for it.
  size_t start = 0;
  while (start < size && (data[start] == ' ' || data[start] == '\t' || data[start] == '\r' ||
                          data[start] == '\n')) {
    ++start;
  }
  if (size - start < 5 || memcmp(data + start, "<?xml", 5) != 0) start = 0;

  XML_Status status = XML_STATUS_OK;
  for (size_t at = start; at < size && status == XML_STATUS_OK; at += kChunk) {
    const size_t chunk = size - at < kChunk ? size - at : kChunk;
    status = XML_Parse(p->xml, data + at, static_cast<int>(chunk), XML_FALSE);
  }
  const bool faultInBody = status != XML_STATUS_OK;
  if (!faultInBody) status = XML_Parse(p->xml, nullptr, 0, XML_TRUE);
  const XML_Error error = XML_GetErrorCode(p->xml);
  result.format = p->format;
  if (status != XML_STATUS_OK && !p->enough && !p->notFeed) {
    result.line = static_cast<unsigned long>(XML_GetCurrentLineNumber(p->xml));
    result.fault = p->refusal != nullptr ? p->refusal : XML_ErrorString(error);
  }

  if (p->enough || status == XML_STATUS_OK) {
    result.status = FeedParseStatus::kComplete;
  } else if (p->notFeed) {
    result.status = FeedParseStatus::kNotFeed;
  } else if (error == XML_ERROR_UNKNOWN_ENCODING) {
    result.status = FeedParseStatus::kUnsupportedEncoding;
  } else if (!faultInBody && p->refusal == nullptr && p->format != FeedFormat::kUnknown) {
    // Every byte was taken without complaint; only the end is missing.
    result.status = FeedParseStatus::kCut;
  } else {
    // Ill-formed or refused: the tolerant parser may see more, as it did before URL feeds
    // existed; it expands no entities and keeps no nesting.
    const int kept = p->format != FeedFormat::kUnknown ? p->record.item_count : -1;
    std::unique_ptr<char[]> text(new (std::nothrow) char[size + 1]);
    std::unique_ptr<FeedRecord> tolerant(new (std::nothrow) FeedRecord());
    if (!text || !tolerant) {
      result.status = FeedParseStatus::kNoMemory;
      *report = result;
      return false;
    }
    if (size > 0) memcpy(text.get(), data, size);
    text[size] = '\0';
    if (!ParseTolerantly(text.get(), tolerant.get())) {
      result.status = FeedParseStatus::kNoMemory;
      *report = result;
      return false;
    }
    if (tolerant->item_count > 0 && tolerant->item_count > kept) {
      result.status = FeedParseStatus::kFallback;
      Publish(*tolerant, feed);
      *report = result;
      return true;
    }
    result.status = kept > 0 ? FeedParseStatus::kBroken : FeedParseStatus::kIllFormed;
  }
  *report = result;
  const bool isFeed = result.status == FeedParseStatus::kComplete ||
                      result.status == FeedParseStatus::kCut ||
                      result.status == FeedParseStatus::kBroken;
  if (isFeed) Publish(p->record, feed);
  return isFeed;
}

const char* FeedParseStatusName(FeedParseStatus status) {
  switch (status) {
    case FeedParseStatus::kComplete:
      return "complete";
    case FeedParseStatus::kCut:
      return "cut short";
    case FeedParseStatus::kBroken:
      return "ill-formed part way";
    case FeedParseStatus::kFallback:
      return "ill-formed, read tolerantly";
    case FeedParseStatus::kNotFeed:
      return "not a feed";
    case FeedParseStatus::kIllFormed:
      return "ill-formed";
    case FeedParseStatus::kUnsupportedEncoding:
      return "unsupported encoding";
    case FeedParseStatus::kNoMemory:
      return "out of memory";
  }
  return "?";
}
