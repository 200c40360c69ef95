// HTTP/1.0 request building and answer checking.
#include "base/http.h"

#include <cstring>

namespace {

constexpr char kScheme[] = "http://";
constexpr size_t kSchemeLength = sizeof kScheme - 1;

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Whether the `length` bytes at `line` start with `name` followed by ':', case-insensitively.
bool HeaderIs(const char* line, size_t length, const char* name) {
  const size_t n = strlen(name);
  if (length <= n) return false;
  for (size_t i = 0; i < n; ++i) {
    if (Lower(line[i]) != name[i]) return false;
  }
  return line[n] == ':';
}

// Finds "\r\n\r\n" (or "\n\n") within the first `size` bytes; returns the offset just past it.
bool FindHeaderEnd(const char* data, size_t size, size_t* end) {
  for (size_t i = 0; i < size; ++i) {
    if (data[i] != '\n') continue;
    if (i + 1 < size && data[i + 1] == '\n') {
      *end = i + 2;
      return true;
    }
    if (i + 2 < size && data[i + 1] == '\r' && data[i + 2] == '\n') {
      *end = i + 3;
      return true;
    }
  }
  return false;
}

}  // namespace

bool SplitUrl(const char* url, char* host, char* path) {
  host[0] = '\0';
  path[0] = '\0';
  if (url == nullptr || strncmp(url, kScheme, kSchemeLength) != 0) return false;
  const char* start = url + kSchemeLength;
  const char* slash = strchr(start, '/');
  if (slash == nullptr || slash == start) return false;
  const size_t hostLength = static_cast<size_t>(slash - start);
  const size_t pathLength = strlen(slash);
  if (hostLength >= kUrlPartCapacity || pathLength >= kUrlPartCapacity) return false;
  memcpy(host, start, hostLength);
  host[hostLength] = '\0';
  memcpy(path, slash, pathLength + 1);
  return true;
}

bool BuildRequest(const char* url, char* out, size_t outCapacity) {
  static const char kHead[] = "GET ";
  static const char kTail[] = " HTTP/1.0\r\n\r\n";
  const size_t urlLength = strlen(url);
  const size_t total = (sizeof kHead - 1) + urlLength + (sizeof kTail - 1);
  if (outCapacity == 0 || total >= outCapacity) {
    if (outCapacity > 0) out[0] = '\0';
    return false;
  }
  memcpy(out, kHead, sizeof kHead - 1);
  memcpy(out + sizeof kHead - 1, url, urlLength);
  memcpy(out + sizeof kHead - 1 + urlLength, kTail, sizeof kTail);
  return true;
}

bool IsDottedAddress(const char* host, unsigned char octets[4]) {
  const char* p = host;
  for (int part = 0; part < 4; ++part) {
    if (*p < '0' || *p > '9') return false;
    int value = 0;
    int digits = 0;
    while (*p >= '0' && *p <= '9') {
      value = value * 10 + (*p - '0');
      if (++digits > 3 || value > 255) return false;
      ++p;
    }
    octets[part] = static_cast<unsigned char>(value);
    if (part < 3) {
      if (*p != '.') return false;
      ++p;
    }
  }
  return *p == '\0';
}

const char* HttpVerdictName(HttpVerdict verdict) {
  switch (verdict) {
    case HttpVerdict::kOk: return "ok";
    case HttpVerdict::kNoAnswer: return "no answer";
    case HttpVerdict::kBadStatusLine: return "bad status line";
    case HttpVerdict::kNotOk: return "status not 200";
    case HttpVerdict::kNoHeaderEnd: return "no header end";
    case HttpVerdict::kTransferCoding: return "transfer coding";
    case HttpVerdict::kShortBody: return "short body";
    case HttpVerdict::kLongBody: return "long body";
    case HttpVerdict::kTooLong: return "too long";
    case HttpVerdict::kCut: return "cut at the buffer";
    case HttpVerdict::kReceiveError: return "receive error";
    case HttpVerdict::kTimedOut: return "timed out";
    case HttpVerdict::kStopped: return "stopped";
    case HttpVerdict::kConnectFailed: return "connect failed";
    case HttpVerdict::kBadUrl: return "bad url";
  }
  return "?";
}

HttpVerdict CheckHttpHeader(const char* d, size_t n, size_t* bodyOffset, size_t* contentLength) {
  *bodyOffset = 0;
  *contentLength = kNoContentLength;
  if (n == 0) return HttpVerdict::kNoAnswer;
  // "HTTP/1.x NNN"
  static const char kVersion[] = "HTTP/1.";
  if (n < 12 || memcmp(d, kVersion, 7) != 0 || d[7] < '0' || d[7] > '9' || d[8] != ' ' ||
      d[9] < '1' || d[9] > '5' || d[10] < '0' || d[10] > '9' || d[11] < '0' || d[11] > '9') {
    return HttpVerdict::kBadStatusLine;
  }
  if (n > 12 && d[12] != ' ' && d[12] != '\r' && d[12] != '\n') return HttpVerdict::kBadStatusLine;
  size_t headerEnd = 0;
  if (!FindHeaderEnd(d, n, &headerEnd)) {
    return memcmp(d + 9, "200", 3) == 0 ? HttpVerdict::kNoHeaderEnd : HttpVerdict::kNotOk;
  }
  if (memcmp(d + 9, "200", 3) != 0) return HttpVerdict::kNotOk;
  // Header lines between the status line and the blank line.
  bool haveLength = false;
  size_t length = kNoContentLength;
  size_t at = 0;
  while (at < headerEnd && d[at] != '\n') ++at;
  ++at;  // past the status line
  while (at < headerEnd) {
    size_t lineEnd = at;
    while (lineEnd < headerEnd && d[lineEnd] != '\n') ++lineEnd;
    size_t lineLength = lineEnd - at;
    if (lineLength > 0 && d[at + lineLength - 1] == '\r') --lineLength;
    if (lineLength == 0) break;
    const char* line = d + at;
    if (HeaderIs(line, lineLength, "transfer-encoding")) return HttpVerdict::kTransferCoding;
    if (HeaderIs(line, lineLength, "content-length")) {
      size_t i = 15;
      while (i < lineLength && (line[i] == ' ' || line[i] == '\t')) ++i;
      if (i == lineLength) return HttpVerdict::kBadStatusLine;
      size_t value = 0;
      for (; i < lineLength && line[i] >= '0' && line[i] <= '9'; ++i) {
        // Held at the largest length, which fails against the bytes that can arrive.
        const size_t digit = static_cast<size_t>(line[i] - '0');
        value = value > (kLargestContentLength - digit) / 10 ? kLargestContentLength
                                                              : value * 10 + digit;
      }
      while (i < lineLength && (line[i] == ' ' || line[i] == '\t')) ++i;
      if (i != lineLength) return HttpVerdict::kBadStatusLine;
      if (haveLength && value != length) return HttpVerdict::kBadStatusLine;
      haveLength = true;
      length = value;
    }
    at = lineEnd + 1;
  }
  *bodyOffset = headerEnd;
  *contentLength = length;
  return HttpVerdict::kOk;
}

HttpVerdict CheckHttpAnswer(const HttpAnswer& answer, size_t* bodyOffset, size_t* bodySize) {
  *bodyOffset = 0;
  *bodySize = 0;
  if (answer.receiveError && !answer.overflowed) return HttpVerdict::kReceiveError;
  size_t headerEnd = 0;
  size_t contentLength = kNoContentLength;
  const HttpVerdict header = CheckHttpHeader(answer.data, answer.size, &headerEnd, &contentLength);
  if (header != HttpVerdict::kOk) return header;
  const size_t kept = answer.size - headerEnd;
  HttpVerdict body = CheckBodyLength(kept, contentLength);
  // Cut short by the buffer, the body may fall short of its length but never exceed it.
  if (answer.overflowed && body != HttpVerdict::kLongBody) body = HttpVerdict::kCut;
  if (body != HttpVerdict::kOk && body != HttpVerdict::kCut) return body;
  *bodyOffset = headerEnd;
  *bodySize = kept;
  return body;
}

HttpVerdict CheckBodyLength(size_t received, size_t contentLength) {
  if (contentLength == kNoContentLength) return HttpVerdict::kOk;
  if (received < contentLength) return HttpVerdict::kShortBody;
  if (received > contentLength) return HttpVerdict::kLongBody;
  return HttpVerdict::kOk;
}

void StartHttpDownload(HttpDownload* download, uint64_t bodyLimit) {
  download->headSize = 0;
  download->inBody = false;
  download->contentLength = kNoContentLength;
  download->bodyBytes = 0;
  download->bodyLimit = bodyLimit;
  download->failure = HttpVerdict::kOk;
}

bool FeedHttpDownload(HttpDownload* download, const char* piece, size_t size, HttpBodyWrite write,
                      void* context) {
  if (download->failure != HttpVerdict::kOk) return false;
  if (!download->inBody) {
    // Only as much as the header may still take: the rest of the piece is body.
    const size_t room = sizeof download->head - download->headSize;
    const size_t take = size < room ? size : room;
    memcpy(download->head + download->headSize, piece, take);
    const size_t before = download->headSize;
    download->headSize += take;
    // Only the new bytes (and the three before them) can complete the blank line.
    const size_t from = before > 3 ? before - 3 : 0;
    size_t end = 0;
    if (!FindHeaderEnd(download->head + from, download->headSize - from, &end)) {
      if (download->headSize == sizeof download->head) {
        download->failure = HttpVerdict::kNoHeaderEnd;
        return false;
      }
      return true;
    }
    size_t bodyOffset = 0;
    const HttpVerdict header = CheckHttpHeader(download->head, download->headSize, &bodyOffset,
                                               &download->contentLength);
    if (header != HttpVerdict::kOk) {
      download->failure = header;
      return false;
    }
    if (download->contentLength != kNoContentLength && download->contentLength > download->bodyLimit) {
      download->failure = HttpVerdict::kTooLong;
      return false;
    }
    if (bodyOffset <= before || bodyOffset > download->headSize) {
      download->failure = HttpVerdict::kNoHeaderEnd;
      return false;
    }
    download->inBody = true;
    // What of this piece lies past the header end is the first body data.
    const size_t consumed = bodyOffset - before;
    piece += consumed;
    size -= consumed;
  }
  if (size == 0) return true;
  const bool haveLength = download->contentLength != kNoContentLength;
  const uint64_t allowed = haveLength ? download->contentLength : download->bodyLimit;
  if (download->bodyBytes + size > allowed) {
    download->failure = haveLength ? HttpVerdict::kLongBody : HttpVerdict::kTooLong;
    return false;
  }
  if (!write(context, piece, size)) {
    download->failure = HttpVerdict::kReceiveError;
    return false;
  }
  download->bodyBytes += size;
  return true;
}

HttpVerdict EndHttpDownload(const HttpDownload* download, HttpVerdict transport) {
  if (download->failure != HttpVerdict::kOk) return download->failure;
  if (transport != HttpVerdict::kOk) return transport;
  if (!download->inBody) {
    size_t bodyOffset = 0;
    size_t contentLength = kNoContentLength;
    const HttpVerdict header =
        CheckHttpHeader(download->head, download->headSize, &bodyOffset, &contentLength);
    return header == HttpVerdict::kOk ? HttpVerdict::kNoHeaderEnd : header;
  }
  if (download->contentLength != kNoContentLength && download->bodyBytes < download->contentLength) {
    return HttpVerdict::kShortBody;
  }
  return HttpVerdict::kOk;
}
