// SNTP time setting: one request over UDP from an ephemeral port to the server, at most three
// seconds for a valid reply (RFC 4330 sections 5 and 8, checks in timesvc/sntp.h), then the
// clock set in UTC through the seam of base/clock_source_win32.
#include <winsock2.h>
#include <windows.h>

#include "timesvc/sntp_win32.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/clock_source_win32.h"
#include "base/http_win32.h"
#include "base/test_hooks_win32.h"
#include "timesvc/sntp.h"

namespace {

// Larger than any SNTP reply without extension fields: Winsock fails a datagram longer than
// the buffer with WSAEMSGSIZE, and such a datagram is dropped as not being the reply.
constexpr int kReceiveBufferSize = 512;

void Say(FILE* stream, const char* format, ...) __attribute__((format(printf, 2, 3)));
void Say(FILE* stream, const char* format, ...) {
  va_list args;
  va_start(args, format);
  vfprintf(stream, format, args);
  va_end(args);
  fflush(stream);
}

bool winsockStarted = false;

void CleanUpWinsock() { WSACleanup(); }

// Winsock 1.1, started once for the process and cleaned up at exit.
bool StartWinsock() {
  if (winsockStarted) return true;
  WSADATA data;
  if (WSAStartup(MAKEWORD(1, 1), &data) != 0) {
    Say(stderr, "Error: WinSockの初期化失敗\n");
    return false;
  }
  if (atexit(CleanUpWinsock) != 0) {
    WSACleanup();
    Say(stderr, "Error: atexit(WSACleanup)失敗\n");
    return false;
  }
  winsockStarted = true;
  return true;
}

// Eight unpredictable bytes for the request's transmit timestamp, never all zero.
void MakeNonce(uint8_t nonce[8]) {
  using GenRandom = BOOLEAN(WINAPI*)(PVOID, ULONG);
  static GenRandom genRandom = nullptr;
  static bool looked = false;
  if (!looked) {
    looked = true;
    HMODULE advapi = LoadLibraryA("advapi32.dll");
    if (advapi != nullptr) {
      genRandom = reinterpret_cast<GenRandom>(
          reinterpret_cast<void*>(GetProcAddress(advapi, "SystemFunction036")));
    }
  }
  if (genRandom == nullptr || !genRandom(nonce, 8)) {
    // No system generator: mix what differs between calls and processes (splitmix64).
    static uint64_t counter = 0;
    LARGE_INTEGER qpc;
    QueryPerformanceCounter(&qpc);
    uint64_t x = static_cast<uint64_t>(qpc.QuadPart) ^
                 (static_cast<uint64_t>(GetCurrentProcessId()) << 32) ^ GetTickCount() ^
                 (++counter * 0x9E3779B97F4A7C15ull);
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    x ^= x >> 31;
    memcpy(nonce, &x, 8);
  }
  bool zero = true;
  for (int i = 0; i < 8; ++i) zero = zero && nonce[i] == 0;
  if (zero) nonce[7] = 1;
}

int64_t MicrosecondsSince(const LARGE_INTEGER& start) {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return (now.QuadPart - start.QuadPart) * 1000000 / frequency.QuadPart;
}

void FormatTime(const LocalTime& t, char* text, size_t size) {
  snprintf(text, size, "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.year, t.month, t.day, t.hour,
           t.minute, t.second, t.milliseconds);
}

SYSTEMTIME ToSystemTime(const LocalTime& utc) {
  SYSTEMTIME st = {};
  st.wYear = static_cast<WORD>(utc.year);
  st.wMonth = static_cast<WORD>(utc.month);
  st.wDayOfWeek = static_cast<WORD>(utc.dayOfWeek);
  st.wDay = static_cast<WORD>(utc.day);
  st.wHour = static_cast<WORD>(utc.hour);
  st.wMinute = static_cast<WORD>(utc.minute);
  st.wSecond = static_cast<WORD>(utc.second);
  st.wMilliseconds = static_cast<WORD>(utc.milliseconds);
  return st;
}

// How one exchange ended.
enum class Outcome { kTime, kFailed };

// Waits for the reply to `nonce` on the connected socket until the deadline, dropping every
// datagram that is not it. On kTime, *reply holds the checked reply.
Outcome AwaitReply(SOCKET s, const sockaddr_in& server, const uint8_t nonce[8],
                   const LARGE_INTEGER& sent, SntpReply* reply) {
  char buffer[kReceiveBufferSize];
  for (;;) {
    const int64_t left = static_cast<int64_t>(kSntpWaitMs) * 1000 - MicrosecondsSince(sent);
    if (left <= 0) {
      Say(stderr, "Error: サーバから応答がありません\n");
      return Outcome::kFailed;
    }
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(s, &readable);
    timeval wait = {static_cast<long>(left / 1000000), static_cast<long>(left % 1000000)};
    const int ready = select(0, &readable, nullptr, nullptr, &wait);
    if (ready == SOCKET_ERROR) {
      Say(stderr, "Error: 応答待ちの失敗 (%d)\n", WSAGetLastError());
      return Outcome::kFailed;
    }
    if (ready == 0 || !FD_ISSET(s, &readable)) continue;  // the time left is looked at again
    sockaddr_in from = {};
    int fromLength = sizeof from;
    const int got = recvfrom(s, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from),
                             &fromLength);
    if (got == SOCKET_ERROR) {
      const int error = WSAGetLastError();
      if (error == WSAEMSGSIZE) {
        Say(stdout, "応答を破棄: %d バイトを超える\n", kReceiveBufferSize);
        continue;
      }
      // A closed port answers with ICMP, which a connected socket reports here.
      Say(stderr, "Error: サーバからの受信失敗 (%d)\n", error);
      return Outcome::kFailed;
    }
    if (fromLength < static_cast<int>(sizeof from) || from.sin_family != AF_INET ||
        from.sin_addr.s_addr != server.sin_addr.s_addr || from.sin_port != server.sin_port) {
      Say(stdout, "応答を破棄: 別の送信元 %s:%u\n", inet_ntoa(from.sin_addr), ntohs(from.sin_port));
      continue;
    }
    const SntpFault fault =
        CheckSntpReply(reinterpret_cast<const uint8_t*>(buffer), static_cast<size_t>(got), nonce,
                       reply);
    if (fault == SntpFault::kNone) return Outcome::kTime;
    if (SntpFaultIsForeign(fault)) {
      Say(stdout, "応答を破棄: %s (%d バイト)\n", SntpFaultName(fault), got);
      continue;
    }
    // The server's own answer to our request, saying it has no time to give: no retry.
    if (fault == SntpFault::kKissOfDeath) {
      Say(stderr, "Error: サーバに拒否されました (kiss-o'-death %s)\n", reply->kissCode);
    } else {
      Say(stderr, "Error: サーバの時刻は使えません (%s)\n", SntpFaultName(fault));
    }
    return Outcome::kFailed;
  }
}

// The exchange on an open socket; the caller closes it.
int Exchange(SOCKET s, const char* host, uint16_t port, const char* server) {
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  unsigned long resolved = 0;
  if (!LookUpHost(host, &resolved, kSntpLookupMs)) {
    Say(stderr, "Error: ホストアドレス取得失敗\n");
    return kSyncNoTime;
  }
  address.sin_addr.s_addr = resolved;
  // Connected: the system picks an ephemeral local port and delivers only the server's
  // datagrams (the source is checked again on each one).
  if (connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) == SOCKET_ERROR) {
    Say(stderr, "Error: サーバへの接続失敗 (%d)\n", WSAGetLastError());
    return kSyncNoTime;
  }
  uint8_t nonce[8];
  MakeNonce(nonce);
  uint8_t request[kSntpPacketSize];
  BuildSntpRequest(nonce, request);
  LARGE_INTEGER sent;
  QueryPerformanceCounter(&sent);
  if (send(s, reinterpret_cast<const char*>(request), sizeof request, 0) != sizeof request) {
    Say(stderr, "Error: サーバへの送信失敗\n");
    return kSyncNoTime;
  }
  SntpReply reply;
  if (AwaitReply(s, address, nonce, sent, &reply) != Outcome::kTime) return kSyncNoTime;
  const int64_t elapsed = MicrosecondsSince(sent);
  LARGE_INTEGER received;
  QueryPerformanceCounter(&received);
  const NtpTimestamp atReceipt = AddHalfRoundTrip(reply, static_cast<uint64_t>(elapsed));
  const LocalTime utc = UtcFromNtp(atReceipt);

  LocalTime before;
  ReadLocalTime(&before);
  char beforeText[40], utcText[40], localText[40] = "?";
  FormatTime(before, beforeText, sizeof beforeText);
  FormatTime(utc, utcText, sizeof utcText);
  SYSTEMTIME st = ToSystemTime(utc);
  SYSTEMTIME local = {};
  if (SystemTimeToTzSpecificLocalTime(nullptr, &st, &local)) {
    snprintf(localText, sizeof localText, "%04u-%02u-%02u %02u:%02u:%02u.%03u", local.wYear,
             local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond,
             local.wMilliseconds);
  }
  Say(stdout, "ローカル時刻  = %s\n", beforeText);
  Say(stdout, "NTPサーバ時刻 = %s (UTC %s, %s, 往復 %ld us)\n", localText, utcText, server,
      static_cast<long>(elapsed));
  // The clock is set to the server's time now: what passed since the reply came (the lines
  // above included) is added.
  st = ToSystemTime(
      UtcFromNtp(AddMicroseconds(atReceipt, static_cast<uint64_t>(MicrosecondsSince(received)))));
  if (!SetClockUtc(st)) {
    Say(stderr, "Error: 時刻の設定に失敗 (%lu)\n", GetLastError());
    return kSyncRefused;
  }
  Say(stdout, "NTPサーバの時刻に同期しました\n");
  return kSyncDone;
}

}  // namespace

int SyncClock(const char* server) {
  LARGE_INTEGER started;
  QueryPerformanceCounter(&started);
  char host[kSntpHostCapacity];
  uint16_t port = 0;
  int result = kSyncNoTime;
  if (!ParseServerText(server, host, sizeof host, &port)) {
    Say(stderr, "Error: サーバ名が正しくありません (%s)\n", server != nullptr ? server : "");
  } else if (StartWinsock()) {
    const SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (s == INVALID_SOCKET) {
      Say(stderr, "Error: Socket作成失敗\n");
    } else {
      result = Exchange(s, host, port, server);
      closesocket(s);
    }
  }
  TraceEvent("SyncClock %s result %d (%s) in %ld us", server != nullptr ? server : "(null)", result,
             result == kSyncDone ? "set" : result == kSyncRefused ? "refused" : "no time",
             static_cast<long>(MicrosecondsSince(started)));
  return result;
}

const char* SyncFailureText(int result) {
  if (result == kSyncDone) return nullptr;
  return result == kSyncRefused ? kSyncRefusedText : kSyncNoTimeText;
}
