// Minimal blocking HTTP/1.0 client over Winsock, bounded in time and size.
#include "base/http_win32.h"

#include <windows.h>

#include <cstring>

#include "base/app_state.h"
#include "base/test_hooks_win32.h"

unsigned short HttpPort = 80;
int HttpReceiveStep = 4;

namespace {

// The clock of one request: when it started and when it last made progress.
struct Deadline {
  DWORD start;
  DWORD limit;
};

DWORD Elapsed(DWORD since) { return GetTickCount() - since; }

void CloseAndCleanUp(SOCKET* connection) {
  if (*connection != INVALID_SOCKET) closesocket(*connection);
  *connection = INVALID_SOCKET;
  WSACleanup();
}

// A host name lookup on a thread of its own, so that the caller can give up on it. The record
// is shared by the two threads and freed by the last one to let go.
struct Lookup {
  LONG references;
  char host[kUrlPartCapacity];
  unsigned long address;
  LONG found;
  HANDLE done;
};

void ReleaseLookup(Lookup* lookup) {
  if (InterlockedDecrement(&lookup->references) == 0) {
    CloseHandle(lookup->done);
    HeapFree(GetProcessHeap(), 0, lookup);
  }
}

DWORD WINAPI LookupThread(LPVOID parameter) {
  Lookup* lookup = static_cast<Lookup*>(parameter);
  WSADATA data;
  if (WSAStartup(0x0101, &data) == 0) {
    hostent* entry = gethostbyname(lookup->host);
    if (entry != nullptr && entry->h_addrtype == AF_INET && entry->h_length == 4 &&
        entry->h_addr_list != nullptr && entry->h_addr_list[0] != nullptr) {
      memcpy(&lookup->address, entry->h_addr_list[0], 4);
      InterlockedExchange(&lookup->found, 1);
    }
    WSACleanup();
  }
  SetEvent(lookup->done);
  ReleaseLookup(lookup);
  return 0;
}

}  // namespace

bool LookUpHost(const char* host, unsigned long* address, unsigned limitMs) {
  unsigned char octets[4];
  if (IsDottedAddress(host, octets)) {
    memcpy(address, octets, 4);
    return true;
  }
  Lookup* lookup = static_cast<Lookup*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(Lookup)));
  if (lookup == nullptr) return false;
  lookup->references = 2;
  const size_t hostLength = strnlen(host, sizeof lookup->host - 1);
  memcpy(lookup->host, host, hostLength);
  lookup->done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE thread = lookup->done == nullptr ? nullptr
                                          : CreateThread(nullptr, 0, LookupThread, lookup, 0, nullptr);
  if (thread == nullptr) {
    if (lookup->done != nullptr) CloseHandle(lookup->done);
    HeapFree(GetProcessHeap(), 0, lookup);
    return false;
  }
  CloseHandle(thread);
  const DWORD start = GetTickCount();
  bool ok = false;
  while (StopRequested == 0 && Elapsed(start) < limitMs) {
    if (WaitForSingleObject(lookup->done, kStopPollMs) == WAIT_OBJECT_0) {
      ok = lookup->found != 0;
      if (ok) *address = lookup->address;
      break;
    }
  }
  if (!ok) TraceEvent("lookup of %s failed or timed out", host);
  ReleaseLookup(lookup);
  return ok;
}

namespace {

// Waits until the socket is readable (or writable), in slices that look at StopRequested.
// kOk when ready; kTimedOut when `idleMs` passed without it or the request's total ran out.
HttpVerdict WaitReady(SOCKET s, bool forWrite, DWORD idleStart, unsigned idleMs,
                      const Deadline& total) {
  for (;;) {
    if (StopRequested != 0) return HttpVerdict::kStopped;
    const DWORD idle = Elapsed(idleStart);
    const DWORD spent = Elapsed(total.start);
    if (idle >= idleMs || spent >= total.limit) return HttpVerdict::kTimedOut;
    DWORD slice = kStopPollMs;
    if (idleMs - idle < slice) slice = idleMs - idle;
    if (total.limit - spent < slice) slice = total.limit - spent;
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    fd_set failed;
    FD_ZERO(&failed);
    FD_SET(s, &failed);
    timeval tv = {static_cast<long>(slice / 1000), static_cast<long>((slice % 1000) * 1000)};
    const int r = select(0, forWrite ? nullptr : &set, forWrite ? &set : nullptr, &failed, &tv);
    if (r == SOCKET_ERROR) return HttpVerdict::kReceiveError;
    if (r > 0) {
      if (FD_ISSET(s, &failed)) return forWrite ? HttpVerdict::kConnectFailed : HttpVerdict::kOk;
      return HttpVerdict::kOk;
    }
  }
}

HttpVerdict Connect(SOCKET* connection, const char* url, const Deadline& total) {
  *connection = INVALID_SOCKET;
  char host[kUrlPartCapacity];
  char path[kUrlPartCapacity];
  if (!SplitUrl(url, host, path)) return HttpVerdict::kBadUrl;
  WSADATA data;
  if (WSAStartup(0x0101, &data) != 0) return HttpVerdict::kConnectFailed;
  unsigned long address = 0;
  if (!LookUpHost(host, &address, kResolveLimitMs)) {
    CloseAndCleanUp(connection);
    return StopRequested != 0 ? HttpVerdict::kStopped : HttpVerdict::kConnectFailed;
  }
  sockaddr_in to = {};
  to.sin_family = AF_INET;
  to.sin_port = htons(HttpPort);
  to.sin_addr.s_addr = address;
  *connection = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (*connection == INVALID_SOCKET) {
    CloseAndCleanUp(connection);
    return HttpVerdict::kConnectFailed;
  }
  u_long nonBlocking = 1;
  ioctlsocket(*connection, FIONBIO, &nonBlocking);
  if (connect(*connection, reinterpret_cast<sockaddr*>(&to), sizeof to) == SOCKET_ERROR) {
    if (WSAGetLastError() != WSAEWOULDBLOCK) {
      CloseAndCleanUp(connection);
      return HttpVerdict::kConnectFailed;
    }
    HttpVerdict ready = WaitReady(*connection, true, GetTickCount(), kConnectLimitMs, total);
    int error = 0;
    int length = sizeof error;
    if (ready == HttpVerdict::kOk &&
        (getsockopt(*connection, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) != 0 ||
         error != 0)) {
      ready = HttpVerdict::kConnectFailed;
    }
    if (ready != HttpVerdict::kOk) {
      CloseAndCleanUp(connection);
      return ready == HttpVerdict::kTimedOut || ready == HttpVerdict::kStopped ? ready
                                                                                : HttpVerdict::kConnectFailed;
    }
  }
  return HttpVerdict::kOk;
}

HttpVerdict Send(SOCKET s, const char* text, const Deadline& total) {
  size_t left = strlen(text);
  DWORD idleStart = GetTickCount();
  while (left > 0) {
    HttpVerdict ready = WaitReady(s, true, idleStart, kIdleLimitMs, total);
    if (ready != HttpVerdict::kOk) return ready == HttpVerdict::kStopped ? ready : HttpVerdict::kConnectFailed;
    const int sent = send(s, text, static_cast<int>(left), 0);
    if (sent == SOCKET_ERROR) {
      if (WSAGetLastError() == WSAEWOULDBLOCK) continue;
      return HttpVerdict::kConnectFailed;
    }
    text += sent;
    left -= static_cast<size_t>(sent);
    idleStart = GetTickCount();
  }
  return HttpVerdict::kOk;
}

// Receives until the peer closes, handing each piece (at most `step` bytes) to `take`, which
// returns false to end the read as too long. The verdict says how the read ended.
template <typename Take>
HttpVerdict ReceiveAll(SOCKET s, int step, const Deadline& total, Take take) {
  char piece[256];
  if (step > static_cast<int>(sizeof piece)) step = sizeof piece;
  DWORD idleStart = GetTickCount();
  for (;;) {
    HttpVerdict ready = WaitReady(s, false, idleStart, kIdleLimitMs, total);
    if (ready != HttpVerdict::kOk) return ready;
    // Read what is there, `step` bytes at a time, before waiting again.
    for (;;) {
      const int got = recv(s, piece, step, 0);
      if (got == 0) return HttpVerdict::kOk;
      if (got == SOCKET_ERROR) {
        if (WSAGetLastError() == WSAEWOULDBLOCK) break;
        return HttpVerdict::kReceiveError;
      }
      if (!take(piece, static_cast<size_t>(got))) return HttpVerdict::kTooLong;
      idleStart = GetTickCount();
      if (StopRequested != 0) return HttpVerdict::kStopped;
      if (Elapsed(total.start) >= total.limit) return HttpVerdict::kTimedOut;
    }
  }
}

}  // namespace

bool HttpConnect(SOCKET* connection, const char* url) {
  const Deadline total = {GetTickCount(), kRequestLimitMs};
  return Connect(connection, url, total) == HttpVerdict::kOk;
}

bool SendAll(SOCKET connection, const char* text) {
  const Deadline total = {GetTickCount(), kRequestLimitMs};
  return Send(connection, text, total) == HttpVerdict::kOk;
}

HttpVerdict HttpFetchToMemory(const char* url, SOCKET* connection, char* buffer, size_t* received) {
  memset(buffer, 0, kAnswerCapacity);
  *received = 0;
  const Deadline total = {GetTickCount(), kRequestLimitMs};
  char request[kRequestCapacity];
  if (!BuildRequest(url, request, sizeof request)) return HttpVerdict::kBadUrl;
  HttpVerdict verdict = Connect(connection, url, total);
  if (verdict != HttpVerdict::kOk) return verdict;
  verdict = Send(*connection, request, total);
  if (verdict == HttpVerdict::kOk) {
    size_t size = 0;
    const int step = HttpReceiveStep < 1 ? 1 : HttpReceiveStep;
    verdict = ReceiveAll(*connection, step, total, [&](const char* piece, size_t n) {
      if (size + n > kAnswerMax) return false;
      memcpy(buffer + size, piece, n);
      size += n;
      return true;
    });
    *received = size;
  }
  CloseAndCleanUp(connection);
  return verdict;
}

bool HttpGetToMemory(const char* url, SOCKET* connection, char* buffer, const char** body,
                     size_t* bodySize, HttpVerdict* verdict) {
  size_t received = 0;
  HttpVerdict v = HttpFetchToMemory(url, connection, buffer, &received);
  size_t offset = 0;
  *bodySize = 0;
  *body = buffer;
  if (v == HttpVerdict::kOk) {
    const HttpAnswer answer = {buffer, received, false, false};
    v = CheckHttpAnswer(answer, &offset, bodySize);
    *body = buffer + offset;
  }
  if (verdict != nullptr) *verdict = v;
  TraceEvent("http %s: %u bytes, %s", url, static_cast<unsigned>(received), HttpVerdictName(v));
  return v == HttpVerdict::kOk;
}

HttpVerdict HttpOpenStream(const char* url, HttpStream* stream, unsigned idleMs,
                           unsigned totalMs) {
  stream->socket = INVALID_SOCKET;
  stream->start = GetTickCount();
  stream->totalMs = totalMs;
  stream->idleMs = idleMs;
  stream->idleStart = stream->start;
  const Deadline total = {stream->start, totalMs};
  char request[kRequestCapacity] = {};
  if (!BuildRequest(url, request, sizeof request)) return HttpVerdict::kBadUrl;
  HttpVerdict verdict = Connect(&stream->socket, url, total);
  if (verdict != HttpVerdict::kOk) return verdict;
  verdict = Send(stream->socket, request, total);
  if (verdict != HttpVerdict::kOk) CloseAndCleanUp(&stream->socket);
  stream->idleStart = GetTickCount();
  return verdict;
}

int HttpReadStream(HttpStream* stream, char* buffer, size_t capacity, HttpVerdict* why) {
  const Deadline total = {stream->start, stream->totalMs};
  const int step = capacity > 0x10000 ? 0x10000 : static_cast<int>(capacity);
  for (;;) {
    const HttpVerdict ready = WaitReady(stream->socket, false, stream->idleStart, stream->idleMs, total);
    if (ready != HttpVerdict::kOk) {
      *why = ready;
      return -1;
    }
    const int got = recv(stream->socket, buffer, step, 0);
    if (got == SOCKET_ERROR) {
      if (WSAGetLastError() == WSAEWOULDBLOCK) continue;
      *why = HttpVerdict::kReceiveError;
      return -1;
    }
    if (got > 0) stream->idleStart = GetTickCount();
    return got;
  }
}

void HttpCloseStream(HttpStream* stream) {
  if (stream->socket != INVALID_SOCKET) CloseAndCleanUp(&stream->socket);
}

namespace {

// A download is judged as a whole: "HTTP/1.x 200" with its header ending in the text/plain line
// within the first 256 bytes, no transfer coding, and the Content-Length (when given) met by a
// peer that closed normally. The body goes to "<path>.part" and takes the path's place only then,
// so a failed download leaves no partial file and keeps the one that was there before.
HttpVerdict ReceiveBodyToFile(SOCKET connection, const char* path, const Deadline& total) {
  char partPath[MAX_PATH];
  const size_t pathLength = strnlen(path, MAX_PATH);
  static const char kPart[] = ".part";
  if (pathLength + sizeof kPart > sizeof partPath) return HttpVerdict::kBadUrl;
  memcpy(partPath, path, pathLength);
  memcpy(partPath + pathLength, kPart, sizeof kPart);
  HANDLE file = CreateFileA(partPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return HttpVerdict::kConnectFailed;
  char head[256];
  size_t headSize = 0;
  bool inBody = false;
  bool written = true;
  HttpVerdict headVerdict = HttpVerdict::kOk;
  size_t contentLength = kNoContentLength;
  size_t bodyBytes = 0;
  auto write = [&](const char* data, size_t n) {
    DWORD done = 0;
    written = written && WriteFile(file, data, static_cast<DWORD>(n), &done, nullptr) && done == n;
    bodyBytes += n;
  };
  HttpVerdict verdict = ReceiveAll(connection, 256, total, [&](const char* piece, size_t n) {
    if (inBody) {
      write(piece, n);
      return written;
    }
    const size_t take = n < sizeof head - headSize ? n : sizeof head - headSize;
    memcpy(head + headSize, piece, take);
    headSize += take;
    static const char kMark[] = "text/plain\r\n\r\n";
    const size_t markLength = sizeof kMark - 1;
    for (size_t i = 0; i + markLength <= headSize; ++i) {
      if (memcmp(head + i, kMark, markLength) != 0) continue;
      size_t bodyOffset = 0;
      headVerdict = CheckHttpHeader(head, headSize, &bodyOffset, &contentLength);
      if (headVerdict == HttpVerdict::kOk && bodyOffset != i + markLength) {
        headVerdict = HttpVerdict::kNoHeaderEnd;
      }
      if (headVerdict != HttpVerdict::kOk) return false;
      inBody = true;
      write(head + bodyOffset, headSize - bodyOffset);
      if (take < n) write(piece + take, n - take);
      return written;
    }
    // A header that does not end within 256 bytes is not the download server's.
    return headSize < sizeof head;
  });
  CloseHandle(file);
  if (headVerdict != HttpVerdict::kOk) {
    verdict = headVerdict;
  } else if (verdict == HttpVerdict::kOk) {
    if (!inBody) {
      verdict = HttpVerdict::kNoHeaderEnd;
    } else if (!written) {
      verdict = HttpVerdict::kReceiveError;
    } else {
      verdict = CheckBodyLength(bodyBytes, contentLength);
    }
  }
  if (verdict == HttpVerdict::kOk && !MoveFileExA(partPath, path, MOVEFILE_REPLACE_EXISTING)) {
    verdict = HttpVerdict::kConnectFailed;
  }
  if (verdict != HttpVerdict::kOk) DeleteFileA(partPath);
  TraceEvent("http download %s: %u body bytes, %s", path, static_cast<unsigned>(bodyBytes),
             HttpVerdictName(verdict));
  return verdict;
}

}  // namespace

bool ReceiveToFile(SOCKET connection, const char* path) {
  const Deadline total = {GetTickCount(), kDownloadLimitMs};
  return ReceiveBodyToFile(connection, path, total) == HttpVerdict::kOk;
}

bool HttpGetToFile(const char* url, SOCKET* connection, const char* path) {
  const Deadline total = {GetTickCount(), kDownloadLimitMs};
  char request[kRequestCapacity] = {};
  if (!BuildRequest(url, request, sizeof request)) return false;
  HttpVerdict verdict = Connect(connection, url, total);
  if (verdict != HttpVerdict::kOk) return false;
  verdict = Send(*connection, request, total);
  if (verdict == HttpVerdict::kOk) verdict = ReceiveBodyToFile(*connection, path, total);
  CloseAndCleanUp(connection);
  return verdict == HttpVerdict::kOk;
}
