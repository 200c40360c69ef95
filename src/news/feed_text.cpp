// Feed text cleaning: markup, references, white space, UTF-8 checks and the field cut.
#include "news/feed_text.h"

#include <cstring>

#include "news/html_entities.h"

namespace {

constexpr uint32_t kReplacement = '?';
// Longest entity name worth looking up; HTML 4's longest is 8.
constexpr size_t kMaxEntityName = 32;

bool IsAsciiAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }
char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Characters shown as a separating space: the C0 and C1 controls, space, DEL, no-break space
// and the line and paragraph separators.
bool IsSpaceCodePoint(uint32_t c) {
  return c <= 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0xA0 || c == 0x2028 || c == 0x2029;
}

bool StartsWith(const char* text, size_t length, size_t at, const char* prefix) {
  const size_t n = strlen(prefix);
  return at <= length && length - at >= n && memcmp(text + at, prefix, n) == 0;
}

bool StartsWithNoCase(const char* text, size_t length, size_t at, const char* prefix) {
  const size_t n = strlen(prefix);
  if (at > length || length - at < n) return false;
  for (size_t i = 0; i < n; ++i) {
    if (AsciiLower(text[at + i]) != prefix[i]) return false;
  }
  return true;
}

// Position of `needle` in text[from..length), or `length`.
size_t FindFrom(const char* text, size_t length, size_t from, const char* needle) {
  const size_t n = strlen(needle);
  for (size_t at = from; at < length && length - at >= n; ++at) {
    if (memcmp(text + at, needle, n) == 0) return at;
  }
  return length;
}

// The character a reference at text[at] ('&') stands for, and where the text goes on after it.
// False when no well-formed reference starts there; the '&' is then text.
bool DecodeReference(const char* text, size_t length, size_t at, size_t* next,
                     uint32_t* codePoint) {
  size_t p = at + 1;
  if (p < length && text[p] == '#') {
    ++p;
    const bool hex = p < length && (text[p] == 'x' || text[p] == 'X');
    if (hex) ++p;
    const size_t digitsStart = p;
    uint32_t value = 0;
    for (; p < length; ++p) {
      const char c = text[p];
      uint32_t digit;
      if (IsAsciiDigit(c)) {
        digit = static_cast<uint32_t>(c - '0');
      } else if (hex && AsciiLower(c) >= 'a' && AsciiLower(c) <= 'f') {
        digit = static_cast<uint32_t>(AsciiLower(c) - 'a' + 10);
      } else {
        break;
      }
      // Anything past U+10FFFF is no character; stop growing before the value wraps.
      if (value <= 0x10FFFF) value = value * (hex ? 16 : 10) + digit;
    }
    if (p == digitsStart || p >= length || text[p] != ';') return false;
    if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
      value = kReplacement;
    } else if (value >= 0x80 && value <= 0x9F) {
      value = Windows1252CodePoint(static_cast<unsigned char>(value));
    }
    *codePoint = value;
    *next = p + 1;
    return true;
  }
  const size_t nameStart = p;
  while (p < length && p - nameStart <= kMaxEntityName &&
         (IsAsciiAlpha(text[p]) || IsAsciiDigit(text[p]))) {
    ++p;
  }
  if (p == nameStart || p >= length || text[p] != ';') return false;
  if (!LookupHtmlEntity(text + nameStart, p - nameStart, codePoint)) return false;
  *next = p + 1;
  return true;
}

// Tags whose boundary separates words when HTML is shown as one line.
bool IsBlockTag(const char* name, size_t length) {
  static const char* const kBlocks[] = {
      "address", "article", "aside", "blockquote", "br",  "dd",     "div",   "dl",
      "dt",      "figcaption", "figure", "footer", "h1",  "h2",     "h3",    "h4",
      "h5",      "h6",      "header", "hr",      "img",   "li",     "ol",    "p",
      "pre",     "section", "table",  "td",      "th",    "tr",     "ul"};
  for (const char* block : kBlocks) {
    if (strlen(block) != length) continue;
    bool same = true;
    for (size_t i = 0; i < length && same; ++i) same = AsciiLower(name[i]) == block[i];
    if (same) return true;
  }
  return false;
}

// End of the tag that opens at text[at] ('<'): after its '>' (a '>' inside a quoted attribute
// value does not end it), or `length` when it never closes.
size_t TagEnd(const char* text, size_t length, size_t at) {
  char quote = '\0';
  bool afterEquals = false;
  for (size_t p = at + 1; p < length; ++p) {
    const char c = text[p];
    if (quote != '\0') {
      if (c == quote) quote = '\0';
    } else if (c == '>') {
      return p + 1;
    } else if ((c == '"' || c == '\'') && afterEquals) {
      quote = c;
    }
    if (quote == '\0' && c != ' ' && c != '\t' && c != '\r' && c != '\n') afterEquals = c == '=';
  }
  return length;
}

// Where the text goes on after markup at text[at] ('<'), or `at` when the '<' is text. Sets
// `separates` when the markup stands between words.
size_t SkipMarkup(const char* text, size_t length, size_t at, bool* separates) {
  *separates = false;
  if (at + 1 >= length) return at;
  const char c = text[at + 1];
  if (StartsWith(text, length, at, "<!--")) {
    const size_t close = FindFrom(text, length, at + 4, "-->");
    return close >= length ? length : close + 3;
  }
  if (c == '!' || c == '?') return TagEnd(text, length, at);
  const bool closing = c == '/';
  const size_t nameStart = at + (closing ? 2 : 1);
  if (nameStart >= length || !IsAsciiAlpha(text[nameStart])) return at;
  size_t nameEnd = nameStart;
  while (nameEnd < length && (IsAsciiAlpha(text[nameEnd]) || IsAsciiDigit(text[nameEnd]))) {
    ++nameEnd;
  }
  const size_t nameLength = nameEnd - nameStart;
  *separates = IsBlockTag(text + nameStart, nameLength);
  size_t end = TagEnd(text, length, at);
  if (!closing && end < length && text[end - 2] != '/') {
    // What script and style hold is code, never text.
    const char* closeTag = nullptr;
    if (nameLength == 6 && StartsWithNoCase(text, length, nameStart, "script")) closeTag = "</script";
    if (nameLength == 5 && StartsWithNoCase(text, length, nameStart, "style")) closeTag = "</style";
    if (closeTag != nullptr) {
      size_t p = end;
      while (p < length && !StartsWithNoCase(text, length, p, closeTag)) ++p;
      end = p >= length ? length : TagEnd(text, length, p);
    }
  }
  return end;
}

// Appends characters to an output field, turning white space into single separating spaces
// and stopping for good at the first character that does not fit.
class FieldWriter {
 public:
  FieldWriter(char* out, size_t capacity) : out_(out), limit_(capacity - 1) {}

  void Space() {
    if (length_ > 0) pendingSpace_ = true;
  }

  void Put(const char* bytes, size_t count) {
    if (full_) return;
    const size_t space = pendingSpace_ ? 1 : 0;
    if (count + space > limit_ - length_) {
      full_ = true;
      return;
    }
    if (pendingSpace_) out_[length_++] = ' ';
    pendingSpace_ = false;
    memcpy(out_ + length_, bytes, count);
    length_ += count;
  }

  void PutCodePoint(uint32_t codePoint) {
    if (IsSpaceCodePoint(codePoint)) {
      Space();
      return;
    }
    char bytes[4];
    size_t count = EncodeUtf8(codePoint, bytes);
    if (count == 0) {
      bytes[0] = static_cast<char>(kReplacement);
      count = 1;
    }
    Put(bytes, count);
  }

  bool full() const { return full_; }

  size_t Finish() {
    out_[length_] = '\0';
    return length_;
  }

 private:
  char* out_;
  size_t limit_;
  size_t length_ = 0;
  bool pendingSpace_ = false;
  bool full_ = false;
};

}  // namespace

size_t DecodeUtf8(const char* text, size_t length, uint32_t* codePoint) {
  if (length == 0) return 0;
  const unsigned char lead = static_cast<unsigned char>(text[0]);
  if (lead < 0x80) {
    *codePoint = lead;
    return 1;
  }
  size_t count;
  uint32_t value;
  uint32_t minimum;
  if (lead >= 0xC2 && lead <= 0xDF) {
    count = 2;
    value = lead & 0x1F;
    minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    count = 3;
    value = lead & 0x0F;
    minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    count = 4;
    value = lead & 0x07;
    minimum = 0x10000;
  } else {
    return 0;
  }
  if (length < count) return 0;
  for (size_t i = 1; i < count; ++i) {
    const unsigned char trail = static_cast<unsigned char>(text[i]);
    if ((trail & 0xC0) != 0x80) return 0;
    value = (value << 6) | (trail & 0x3F);
  }
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  *codePoint = value;
  return count;
}

size_t EncodeUtf8(uint32_t codePoint, char* out) {
  if (codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) return 0;
  if (codePoint < 0x80) {
    out[0] = static_cast<char>(codePoint);
    return 1;
  }
  if (codePoint < 0x800) {
    out[0] = static_cast<char>(0xC0 | (codePoint >> 6));
    out[1] = static_cast<char>(0x80 | (codePoint & 0x3F));
    return 2;
  }
  if (codePoint < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (codePoint >> 12));
    out[1] = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (codePoint & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (codePoint >> 18));
  out[1] = static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (codePoint & 0x3F));
  return 4;
}

size_t CleanFeedText(const char* text, size_t length, FeedTextKind kind, char* out,
                     size_t outCapacity, bool* complete) {
  FieldWriter writer(out, outCapacity);
  const bool html = kind == FeedTextKind::kHtml;
  size_t at = 0;
  while (at < length && !writer.full()) {
    const char c = text[at];
    if (html && c == '<') {
      bool separates = false;
      const size_t next = SkipMarkup(text, length, at, &separates);
      if (next != at) {
        if (separates) writer.Space();
        at = next;
        continue;
      }
    }
    if (html && c == '&') {
      size_t next = at;
      uint32_t codePoint = 0;
      if (DecodeReference(text, length, at, &next, &codePoint)) {
        writer.PutCodePoint(codePoint);
        at = next;
        continue;
      }
    }
    uint32_t codePoint = 0;
    const size_t count = DecodeUtf8(text + at, length - at, &codePoint);
    if (count == 0) {
      writer.PutCodePoint(kReplacement);
      ++at;
    } else if (IsSpaceCodePoint(codePoint)) {
      writer.Space();
      at += count;
    } else {
      writer.Put(text + at, count);
      at += count;
    }
  }
  if (complete != nullptr) *complete = !writer.full();
  return writer.Finish();
}

size_t DecodeXmlContent(const char* text, size_t length, char* out, size_t outCapacity) {
  const size_t limit = outCapacity - 1;
  size_t written = 0;
  size_t at = 0;
  while (at < length && written < limit) {
    if (StartsWith(text, length, at, "<![CDATA[")) {
      const size_t start = at + 9;
      const size_t close = FindFrom(text, length, start, "]]>");
      size_t take = close - start;
      if (take > limit - written) take = limit - written;
      memcpy(out + written, text + start, take);
      written += take;
      at = close >= length ? length : close + 3;
      continue;
    }
    size_t next = at;
    uint32_t codePoint = 0;
    if (text[at] == '&' && DecodeReference(text, length, at, &next, &codePoint)) {
      char bytes[4];
      size_t count = EncodeUtf8(codePoint, bytes);
      if (count == 0) {
        bytes[0] = static_cast<char>(kReplacement);
        count = 1;
      }
      if (count > limit - written) break;
      memcpy(out + written, bytes, count);
      written += count;
      at = next;
      continue;
    }
    out[written++] = text[at++];
  }
  out[written] = '\0';
  return written;
}
