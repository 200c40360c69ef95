// HTTP/1.0 request building and answer checking: the portable half of the HTTP client.
#pragma once

#include <cstddef>
#include <cstdint>

// Host and path each fit in this many bytes with their terminator.
constexpr size_t kUrlPartCapacity = 256;
// The request line is built in a buffer of this size; longer URLs are refused.
constexpr size_t kRequestCapacity = 256;
// An answer is read into a buffer of this size and may fill it up to one byte less.
constexpr size_t kAnswerCapacity = 32768;
constexpr size_t kAnswerMax = kAnswerCapacity - 1;

// Splits "http://host/path" into host (up to the first '/' after "http://") and path (that '/'
// and the rest). No port is parsed. False, both outputs empty, when "http://" is missing, no '/'
// follows the host, the host is empty or a part does not fit kUrlPartCapacity - 1 bytes.
bool SplitUrl(const char* url, char* host, char* path);

// "GET <url> HTTP/1.0\r\n\r\n" into `out` (kRequestCapacity bytes); false when it does not fit.
bool BuildRequest(const char* url, char* out, size_t outCapacity);

// Whether `host` is a dotted IPv4 address (four decimal numbers 0-255), so no lookup is needed.
bool IsDottedAddress(const char* host, unsigned char octets[4]);

// How a received answer is judged.
enum class HttpVerdict {
  kOk,             // "HTTP/1.x 200", header end, no transfer coding, Content-Length met
  kNoAnswer,       // nothing received
  kBadStatusLine,  // not "HTTP/1.x NNN ..."
  kNotOk,          // a status other than 200
  kNoHeaderEnd,    // no blank line ending the header
  kTransferCoding, // a Transfer-Encoding header
  kShortBody,      // fewer body bytes than Content-Length
  kLongBody,       // more body bytes than Content-Length
  kTooLong,        // the answer did not fit the buffer
  kCut,            // a 200 answer longer than the buffer, of which the first bytes were kept
  kReceiveError,   // the connection failed while reading
  kTimedOut,       // a time limit ran out
  kStopped,        // the program is stopping
  kConnectFailed,  // no connection (lookup, connect or send)
  kBadUrl,
};

const char* HttpVerdictName(HttpVerdict verdict);

// What a fetch left: the bytes received and how the read ended.
struct HttpAnswer {
  const char* data;
  size_t size;
  bool overflowed;     // the server sent more than the buffer holds
  bool receiveError;   // the read ended with an error rather than the peer closing
};

// Judges a complete answer. On kOk, *bodyOffset and *bodySize give the body inside data. An
// answer that overflowed is kCut when what was kept starts with a 200 header that ends within
// it, has no transfer coding and promises no fewer body bytes than were kept; *bodyOffset and
// *bodySize then give the kept part of the body.
HttpVerdict CheckHttpAnswer(const HttpAnswer& answer, size_t* bodyOffset, size_t* bodySize);

// A header without Content-Length; larger values are held at kLargestContentLength.
constexpr size_t kNoContentLength = static_cast<size_t>(-1);
constexpr size_t kLargestContentLength = 0x7FFFFFFF;

// Judges the header at the start of an answer, of which `size` bytes are at hand: kOk when it is
// "HTTP/1.x 200", ends within them and has no transfer coding. Then *bodyOffset is where the
// body starts and *contentLength the promised body length, or kNoContentLength.
HttpVerdict CheckHttpHeader(const char* data, size_t size, size_t* bodyOffset,
                            size_t* contentLength);

// Whether `received` body bytes keep the header's promise (kShortBody, kLongBody or kOk).
HttpVerdict CheckBodyLength(size_t received, size_t contentLength);

// A download read piece by piece: the header (at most kDownloadHeaderMax bytes) is judged by
// CheckHttpHeader, then the body is handed on as it comes, never more than the Content-Length
// nor than the body limit.
constexpr size_t kDownloadHeaderMax = 8192;

// Takes body bytes; false when they could not be kept (the download fails).
using HttpBodyWrite = bool (*)(void* context, const char* data, size_t size);

struct HttpDownload {
  char head[kDownloadHeaderMax];
  size_t headSize;
  bool inBody;
  size_t contentLength;  // kNoContentLength when the header gave none
  uint64_t bodyBytes;
  uint64_t bodyLimit;
  HttpVerdict failure;  // kOk until the answer has failed
};

void StartHttpDownload(HttpDownload* download, uint64_t bodyLimit);
// The next piece received. False once the answer has failed: stop reading.
bool FeedHttpDownload(HttpDownload* download, const char* piece, size_t size, HttpBodyWrite write,
                      void* context);
// The verdict once the transport has ended with `transport` (kOk: the peer closed normally):
// kOk only for a 200 answer whose header ended and whose body met its Content-Length.
HttpVerdict EndHttpDownload(const HttpDownload* download, HttpVerdict transport);
