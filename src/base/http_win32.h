// Minimal blocking HTTP/1.0 client over Winsock, bounded in time and size.
#pragma once

#include <winsock2.h>

#include <cstddef>

#include "base/http.h"

// Limits of one request, in milliseconds. A dotted address is never looked up.
constexpr unsigned kResolveLimitMs = 5000;
constexpr unsigned kConnectLimitMs = 5000;
constexpr unsigned kIdleLimitMs = 5000;
constexpr unsigned kRequestLimitMs = 10000;
// How often a wait looks at StopRequested: a stop ends any request within this.
constexpr unsigned kStopPollMs = 50;

// The IPv4 address of `host` in network order: a dotted address as written, a name by a lookup
// on a helper thread that the caller gives up on after `limitMs` or at the stop
// (StopRequested). A stalled resolver then holds only the helper, which ends by itself.
// Fails, leaving *address alone, when the name is not found in time.
bool LookUpHost(const char* host, unsigned long* address, unsigned limitMs);

// The TCP port requests go to. Always 80 in the program; the Wine tests point it at their own
// loopback server.
extern unsigned short HttpPort;
// Bytes asked of each receive of a fetch into memory: 4, as designed. The Wine tests measure
// other sizes against it.
extern int HttpReceiveStep;

// Starts Winsock, resolves the host (dotted addresses directly, names by a lookup of at most
// kResolveLimitMs) and connects within kConnectLimitMs. On failure the socket is closed,
// Winsock cleaned up and *connection is INVALID_SOCKET.
bool HttpConnect(SOCKET* connection, const char* url);
// Sends the whole zero-terminated text within the request's limits.
bool SendAll(SOCKET connection, const char* text);

// Fetches `url` into `buffer` (kAnswerCapacity bytes, zero-filled by this call): every byte
// received, headers included, at most kAnswerMax, read 4 bytes per receive. The transport
// verdict is kOk when the peer closed normally; otherwise why the read stopped (*received still
// tells how much came).
HttpVerdict HttpFetchToMemory(const char* url, SOCKET* connection, char* buffer, size_t* received);

// Fetch and judge: true only when the answer is "HTTP/1.x 200" with a header end, no transfer
// coding and its Content-Length met. *body and *bodySize give the body inside `buffer`.
bool HttpGetToMemory(const char* url, SOCKET* connection, char* buffer, const char** body,
                     size_t* bodySize, HttpVerdict* verdict);

// An open request whose answer is read piece by piece (see HttpDownload), within its own time
// limits: `idleMs` without a byte and `totalMs` in all.
struct HttpStream {
  SOCKET socket;
  DWORD start;
  unsigned totalMs;
  unsigned idleMs;
  DWORD idleStart;
};

// Connects and sends the request. On failure the socket is closed again.
HttpVerdict HttpOpenStream(const char* url, HttpStream* stream, unsigned idleMs, unsigned totalMs);
// The next piece of the answer: > 0 bytes, 0 when the peer closed, -1 on failure (*why: a
// receive error, a time limit, or the program stopping).
int HttpReadStream(HttpStream* stream, char* buffer, size_t capacity, HttpVerdict* why);
// Closes the connection and cleans Winsock up; safe to call twice.
void HttpCloseStream(HttpStream* stream);

// Skin downloads: the body (after the header that ends with the text/plain Content-Type line)
// into a file created or truncated at `path`. Idle and connect limits as above; no total limit
// beyond kDownloadLimitMs.
constexpr unsigned kDownloadLimitMs = 120000;
bool HttpGetToFile(const char* url, SOCKET* connection, const char* path);
bool ReceiveToFile(SOCKET connection, const char* path);
