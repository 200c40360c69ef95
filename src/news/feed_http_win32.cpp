// Feeds given by address over WinHTTP: asynchronous requests waited on in short slices, so the
// time bounds and a stop at exit end a transfer however the network behaves.
#include "news/feed_http_win32.h"

#include <windows.h>
#include <winhttp.h>

#include <atomic>
#include <cstdio>
#include <cstring>

#include "base/test_hooks_win32.h"
#include "news/feed_http.h"
#include "news/news_list.h"
#include "version.h"

namespace {

// Room for an address after redirects; a feed key's own is shorter.
constexpr int kUrlCapacity = 2048;
// How often a wait looks at the worker's stop flag.
constexpr DWORD kPollMs = 50;
// Bytes asked of one read.
constexpr DWORD kReadStep = 64 * 1024;

// What the status callback reports for the one request in flight. One transfer runs at a time
// (the worker's); a callback that comes after a request was given up on finds another handle
// here and is ignored, so the record outlives every request as a static.
struct Completion {
  HANDLE event = nullptr;   // auto-reset: a completion or an error arrived
  HANDLE closed = nullptr;  // auto-reset: the request's handle is gone
  std::atomic<HINTERNET> request{nullptr};
  std::atomic<DWORD> kind{0};
  std::atomic<DWORD> bytes{0};
  std::atomic<DWORD> error{0};
};

Completion completion;
INIT_ONCE completionOnce = INIT_ONCE_STATIC_INIT;

BOOL CALLBACK InitCompletion(PINIT_ONCE, PVOID, PVOID*) {
  completion.event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  completion.closed = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  return completion.event != nullptr && completion.closed != nullptr;
}

void CALLBACK OnStatus(HINTERNET handle, DWORD_PTR context, DWORD status, LPVOID info,
                       DWORD length) {
  Completion* c = reinterpret_cast<Completion*>(context);
  if (c == nullptr || handle == nullptr || handle != c->request.load()) return;
  switch (status) {
    case WINHTTP_CALLBACK_STATUS_HANDLE_CLOSING:
      TraceEvent("feed request closed");
      SetEvent(c->closed);
      return;
    case WINHTTP_CALLBACK_STATUS_REQUEST_ERROR:
      c->error = info != nullptr ? static_cast<WINHTTP_ASYNC_RESULT*>(info)->dwError : 0;
      break;
    case WINHTTP_CALLBACK_STATUS_READ_COMPLETE:
      c->bytes = length;
      break;
    case WINHTTP_CALLBACK_STATUS_DATA_AVAILABLE:
      c->bytes = info != nullptr ? *static_cast<DWORD*>(info) : 0;
      break;
    case WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE:
    case WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE:
      break;
    default:
      return;
  }
  c->kind = status;
  SetEvent(c->event);
}

// Waits for the completion `want` of the step just started, until `deadline` (a tick) or the
// stop. kFailed with *error on the request's error.
FeedFetchVerdict Await(DWORD want, ULONGLONG deadline, const Worker* worker, DWORD* error) {
  for (;;) {
    if (worker != nullptr && WorkerStopping(worker)) return FeedFetchVerdict::kStopped;
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return FeedFetchVerdict::kTimeout;
    const DWORD slice = deadline - now < kPollMs ? static_cast<DWORD>(deadline - now) : kPollMs;
    if (WaitForSingleObject(completion.event, slice) != WAIT_OBJECT_0) continue;
    const DWORD kind = completion.kind.load();
    if (kind == WINHTTP_CALLBACK_STATUS_REQUEST_ERROR) {
      *error = completion.error.load();
      return FeedFetchVerdict::kFailed;
    }
    if (kind == want) return FeedFetchVerdict::kOk;
  }
}

// Before an asynchronous call: forgets what the step before it reported.
void ArmCompletion() {
  ResetEvent(completion.event);
  completion.kind = 0;
}

// After an asynchronous call that returned `started`: its failure, or the wait for `want`.
FeedFetchVerdict AwaitCall(BOOL started, DWORD want, ULONGLONG deadline, const Worker* worker,
                           DWORD* error) {
  if (!started) {
    *error = GetLastError();
    return FeedFetchVerdict::kFailed;
  }
  return Await(want, deadline, worker, error);
}

ULONGLONG StepDeadline(ULONGLONG total) {
  const ULONGLONG step = GetTickCount64() + kFeedStepLimitMs;
  return step < total ? step : total;
}

// The session: the system's proxy settings. Windows 8.1 and later resolve them per request
// (automatic detection, a script or a fixed proxy); older systems have no such access type, so
// the user's fixed proxy is used when one is set, else the machine's WinHTTP proxy.
HINTERNET OpenSession(const wchar_t* agent) {
  HINTERNET session = TestLacksAutomaticProxy()
                          ? nullptr
                          : WinHttpOpen(agent, WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY,
                                        WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS,
                                        WINHTTP_FLAG_ASYNC);
  if (session != nullptr) return session;
  TraceEvent("feed session: no automatic proxy here (%lu), the fixed one is used",
             static_cast<unsigned long>(GetLastError()));
  WINHTTP_CURRENT_USER_IE_PROXY_CONFIG user = {};
  if (WinHttpGetIEProxyConfigForCurrentUser(&user)) {
    if (user.lpszProxy != nullptr && user.lpszProxy[0] != L'\0') {
      session = WinHttpOpen(agent, WINHTTP_ACCESS_TYPE_NAMED_PROXY, user.lpszProxy,
                            user.lpszProxyBypass != nullptr ? user.lpszProxyBypass
                                                            : WINHTTP_NO_PROXY_BYPASS,
                            WINHTTP_FLAG_ASYNC);
    }
    if (user.lpszAutoConfigUrl != nullptr) GlobalFree(user.lpszAutoConfigUrl);
    if (user.lpszProxy != nullptr) GlobalFree(user.lpszProxy);
    if (user.lpszProxyBypass != nullptr) GlobalFree(user.lpszProxyBypass);
  }
  if (session != nullptr) return session;
  return WinHttpOpen(agent, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                     WINHTTP_NO_PROXY_BYPASS, WINHTTP_FLAG_ASYNC);
}

// A header's text as printable ASCII into `out`; false (out empty) when absent, too long or
// anything else.
bool QueryAsciiHeader(HINTERNET request, DWORD query, char* out, size_t outCapacity) {
  out[0] = '\0';
  wchar_t wide[kUrlCapacity];
  DWORD size = sizeof wide;
  if (!WinHttpQueryHeaders(request, query, WINHTTP_HEADER_NAME_BY_INDEX, wide, &size,
                           WINHTTP_NO_HEADER_INDEX)) {
    return false;
  }
  const size_t length = size / sizeof(wchar_t);
  if (length + 1 > outCapacity) return false;
  for (size_t i = 0; i < length; ++i) {
    if (wide[i] < 0x20 || wide[i] >= 0x7F) {
      out[0] = '\0';
      return false;
    }
    out[i] = static_cast<char>(wide[i]);
  }
  out[length] = '\0';
  return true;
}

char* AllocateBody() {
  return static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, kFeedBodyLimit + 1));
}

void ReleaseBody(char* data) {
  if (data == nullptr) return;
  TraceEvent("feed body freed");
  HeapFree(GetProcessHeap(), 0, data);
}

// One request of a fetch: its handles, and a body it was reading into when it was given up on.
struct Hop {
  HINTERNET connect = nullptr;
  HINTERNET request = nullptr;
  char* unsettledBody = nullptr;
};

// Lets go of a hop's handles, waiting a little for WinHTTP to report the request gone so no
// late report of it is taken for the next one's. A read given up on may still complete into its
// buffer on WinHTTP's thread until that report, the request's last: only then is the buffer
// freed. When the report is late the buffer is left allocated on purpose; a small leak is
// better than WinHTTP writing into freed memory.
void CloseHop(Hop* hop) {
  bool gone = true;
  if (hop->request != nullptr) {
    ResetEvent(completion.closed);
    WinHttpCloseHandle(hop->request);
    gone = WaitForSingleObject(completion.closed, kFeedCloseWaitMs) == WAIT_OBJECT_0;
    completion.request = nullptr;
  }
  if (hop->unsettledBody != nullptr) {
    if (gone) {
      ReleaseBody(hop->unsettledBody);
    } else {
      TraceEvent("feed body kept");
    }
  }
  if (hop->connect != nullptr) WinHttpCloseHandle(hop->connect);
  hop->request = nullptr;
  hop->connect = nullptr;
  hop->unsettledBody = nullptr;
}

// Opens and sends the request for `url` and waits for its answer's headers.
FeedFetchVerdict StartHop(HINTERNET session, const char* url, const char* extraHeaders,
                          ULONGLONG total, const Worker* worker, Hop* hop, DWORD* error) {
  wchar_t wideUrl[kUrlCapacity];
  if (MultiByteToWideChar(CP_ACP, 0, url, -1, wideUrl, kUrlCapacity) <= 0) {
    return FeedFetchVerdict::kBadAddress;
  }
  URL_COMPONENTS parts = {};
  parts.dwStructSize = sizeof parts;
  parts.dwSchemeLength = static_cast<DWORD>(-1);
  parts.dwHostNameLength = static_cast<DWORD>(-1);
  parts.dwUrlPathLength = static_cast<DWORD>(-1);
  parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  if (!WinHttpCrackUrl(wideUrl, 0, 0, &parts) || parts.dwHostNameLength == 0 ||
      (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS)) {
    return FeedFetchVerdict::kBadAddress;
  }
  wchar_t host[256];
  if (parts.dwHostNameLength >= 256) return FeedFetchVerdict::kBadAddress;
  memcpy(host, parts.lpszHostName, parts.dwHostNameLength * sizeof(wchar_t));
  host[parts.dwHostNameLength] = L'\0';
  // The path runs on into the query; the fragment was never part of what is sent.
  wchar_t object[kUrlCapacity];
  const DWORD objectLength = parts.dwUrlPathLength + parts.dwExtraInfoLength;
  if (objectLength + 2 > kUrlCapacity) return FeedFetchVerdict::kBadAddress;
  if (parts.dwUrlPathLength == 0) {
    object[0] = L'/';
    memcpy(object + 1, parts.lpszExtraInfo, parts.dwExtraInfoLength * sizeof(wchar_t));
    object[1 + parts.dwExtraInfoLength] = L'\0';
  } else {
    memcpy(object, parts.lpszUrlPath, objectLength * sizeof(wchar_t));
    object[objectLength] = L'\0';
  }
  wchar_t* hash = wcschr(object, L'#');
  if (hash != nullptr) *hash = L'\0';

  hop->connect = WinHttpConnect(session, host, parts.nPort, 0);
  if (hop->connect == nullptr) {
    *error = GetLastError();
    return FeedFetchVerdict::kFailed;
  }
  hop->request = WinHttpOpenRequest(hop->connect, L"GET", object, nullptr, WINHTTP_NO_REFERER,
                                    WINHTTP_DEFAULT_ACCEPT_TYPES,
                                    parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0);
  if (hop->request == nullptr) {
    *error = GetLastError();
    return FeedFetchVerdict::kFailed;
  }
  completion.request = hop->request;
  DWORD_PTR context = reinterpret_cast<DWORD_PTR>(&completion);
  // Redirects are ours to follow: their number and their schemes are checked at each one.
  DWORD never = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
  DWORD noRedirects = WINHTTP_DISABLE_REDIRECTS;
  const bool policySet =
      WinHttpSetOption(hop->request, WINHTTP_OPTION_REDIRECT_POLICY, &never, sizeof never) != FALSE;
  const bool featureSet = WinHttpSetOption(hop->request, WINHTTP_OPTION_DISABLE_FEATURE,
                                           &noRedirects, sizeof noRedirects) != FALSE;
  if ((!policySet && !featureSet) ||
      !WinHttpSetOption(hop->request, WINHTTP_OPTION_CONTEXT_VALUE, &context, sizeof context) ||
      !WinHttpSetTimeouts(hop->request, kFeedStepLimitMs, kFeedStepLimitMs, kFeedStepLimitMs,
                          kFeedStepLimitMs)) {
    *error = GetLastError();
    return FeedFetchVerdict::kFailed;
  }
  wchar_t headers[1024];
  if (MultiByteToWideChar(CP_ACP, 0, extraHeaders, -1, headers, 1024) <= 0) {
    return FeedFetchVerdict::kBadAddress;
  }
  ArmCompletion();
  // Resolve, connect and send are each bounded by WinHTTP's own timeouts set above.
  const FeedFetchVerdict verdict = AwaitCall(
      WinHttpSendRequest(hop->request, headers, static_cast<DWORD>(-1L), WINHTTP_NO_REQUEST_DATA,
                         0, 0, context),
      WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE, total, worker, error);
  if (verdict != FeedFetchVerdict::kOk) return verdict;
  ArmCompletion();
  return AwaitCall(WinHttpReceiveResponse(hop->request, nullptr),
                   WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE, StepDeadline(total), worker, error);
}

// Reads the body into `buffer` (kFeedBodyLimit + 1 bytes): at most kFeedBodyLimit kept, *cut
// when more was there.
FeedFetchVerdict ReadBody(HINTERNET request, char* buffer, size_t* size, bool* cut,
                          ULONGLONG total, const Worker* worker, DWORD* error) {
  *size = 0;
  *cut = false;
  for (;;) {
    // One byte past the bound is asked for, to tell a body of exactly the bound from a longer one.
    const size_t room = kFeedBodyLimit + 1 - *size;
    if (room == 0) {
      *cut = true;
      *size = kFeedBodyLimit;
      return FeedFetchVerdict::kOk;
    }
    // Only what has arrived is read: a read asked for more can wait inside WinHTTP (under
    // Wine it does, for the whole receive timeout), where no stop is seen.
    ArmCompletion();
    FeedFetchVerdict verdict = AwaitCall(WinHttpQueryDataAvailable(request, nullptr),
                                         WINHTTP_CALLBACK_STATUS_DATA_AVAILABLE,
                                         StepDeadline(total), worker, error);
    if (verdict != FeedFetchVerdict::kOk) return verdict;
    const DWORD available = completion.bytes.load();
    if (available == 0) return FeedFetchVerdict::kOk;
    DWORD ask = room < kReadStep ? static_cast<DWORD>(room) : kReadStep;
    if (available < ask) ask = available;
    ArmCompletion();
    verdict = AwaitCall(WinHttpReadData(request, buffer + *size, ask, nullptr),
                        WINHTTP_CALLBACK_STATUS_READ_COMPLETE, StepDeadline(total), worker, error);
    if (verdict != FeedFetchVerdict::kOk) return verdict;
    const DWORD got = completion.bytes.load();
    if (got == 0) return FeedFetchVerdict::kOk;
    if (got > room) return FeedFetchVerdict::kFailed;
    *size += got;
  }
}

bool IsRedirect(DWORD status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// The extra request headers: compression we can undo, and the validators when given.
void BuildHeaders(const FeedValidators* validators, char* out, size_t outCapacity) {
  int n = snprintf(out, outCapacity, "Accept-Encoding: gzip\r\n");
  if (validators != nullptr && validators->etag[0] != '\0' && n > 0) {
    n += snprintf(out + n, outCapacity - static_cast<size_t>(n), "If-None-Match: %s\r\n",
                  validators->etag);
  }
  if (validators != nullptr && validators->lastModified[0] != '\0' && n > 0 &&
      static_cast<size_t>(n) < outCapacity) {
    snprintf(out + n, outCapacity - static_cast<size_t>(n), "If-Modified-Since: %s\r\n",
             validators->lastModified);
  }
}

// The 200 answer's body: read, and inflated when it came gzip-coded.
FeedFetchVerdict TakeBody(Hop* hop, ULONGLONG total, const Worker* worker, FeedBody* body,
                          FeedFetchResult* result) {
  HINTERNET request = hop->request;
  char coding[32];
  QueryAsciiHeader(request, WINHTTP_QUERY_CONTENT_ENCODING, coding, sizeof coding);
  result->gzip = _stricmp(coding, "gzip") == 0 || _stricmp(coding, "x-gzip") == 0;
  if (!result->gzip && coding[0] != '\0' && _stricmp(coding, "identity") != 0) {
    return FeedFetchVerdict::kEncoding;
  }
  char* raw = AllocateBody();
  if (raw == nullptr) return FeedFetchVerdict::kNoMemory;
  size_t size = 0;
  bool cut = false;
  const FeedFetchVerdict read = ReadBody(request, raw, &size, &cut, total, worker, &result->error);
  if (read != FeedFetchVerdict::kOk) {
    // A read may still be under way: the buffer goes with the request.
    hop->unsettledBody = raw;
    return read;
  }
  if (!result->gzip) {
    raw[size] = '\0';
    body->data = raw;
    body->size = size;
    result->cut = cut;
    return FeedFetchVerdict::kOk;
  }
  char* plain = AllocateBody();
  if (plain == nullptr) {
    ReleaseBody(raw);
    return FeedFetchVerdict::kNoMemory;
  }
  size_t plainSize = 0;
  const GunzipStatus status =
      GunzipCut(reinterpret_cast<const unsigned char*>(raw), size,
                reinterpret_cast<unsigned char*>(plain), kFeedBodyLimit, &plainSize);
  ReleaseBody(raw);
  TraceEvent("feed body: %u gzip bytes into %u, %s", static_cast<unsigned>(size),
             static_cast<unsigned>(plainSize), GunzipStatusName(status));
  // Data that stops early (the body was cut, or the peer ended it) still reads as a cut
  // document; data that is wrong is not read at all.
  if (status == GunzipStatus::kBroken || status == GunzipStatus::kNoMemory) {
    ReleaseBody(plain);
    return status == GunzipStatus::kNoMemory ? FeedFetchVerdict::kNoMemory
                                              : FeedFetchVerdict::kEncoding;
  }
  plain[plainSize] = '\0';
  body->data = plain;
  body->size = plainSize;
  result->cut = status != GunzipStatus::kComplete;
  return FeedFetchVerdict::kOk;
}

FeedFetchVerdict Fetch(HINTERNET session, const char* url, const FeedValidators* validators,
                       const Worker* worker, FeedBody* body, FeedFetchResult* result) {
  const ULONGLONG total = GetTickCount64() + kFeedTotalLimitMs;
  char headers[512];
  BuildHeaders(validators, headers, sizeof headers);
  char current[kUrlCapacity];
  if (strlen(url) >= sizeof current) return FeedFetchVerdict::kBadAddress;
  strcpy(current, url);
  for (;;) {
    Hop hop;
    FeedFetchVerdict verdict =
        StartHop(session, current, headers, total, worker, &hop, &result->error);
    DWORD status = 0;
    DWORD statusSize = sizeof status;
    if (verdict == FeedFetchVerdict::kOk &&
        !WinHttpQueryHeaders(hop.request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &statusSize,
                             WINHTTP_NO_HEADER_INDEX)) {
      result->error = GetLastError();
      verdict = FeedFetchVerdict::kFailed;
    }
    result->status = static_cast<int>(status);
    if (verdict == FeedFetchVerdict::kOk && IsRedirect(status)) {
      char location[kUrlCapacity];
      char next[kUrlCapacity];
      if (!QueryAsciiHeader(hop.request, WINHTTP_QUERY_LOCATION, location, sizeof location) ||
          !ResolveRedirect(current, location, next, sizeof next)) {
        verdict = FeedFetchVerdict::kBadAddress;
      } else if (!RedirectAllowed(current, next)) {
        verdict = FeedFetchVerdict::kRedirectRefused;
      } else if (result->redirects == kFeedRedirectLimit) {
        verdict = FeedFetchVerdict::kTooManyRedirects;
      } else {
        ++result->redirects;
        TraceEvent("feed redirect %d: %s", result->redirects, next);
        strcpy(current, next);
        CloseHop(&hop);
        continue;
      }
    } else if (verdict == FeedFetchVerdict::kOk && status == 304) {
      // Only an answer to validators we sent means "what you hold is current".
      verdict = validators != nullptr ? FeedFetchVerdict::kNotModified : FeedFetchVerdict::kStatus;
    } else if (verdict == FeedFetchVerdict::kOk && status == 200) {
      QueryAsciiHeader(hop.request, WINHTTP_QUERY_ETAG, result->validators.etag,
                       sizeof result->validators.etag);
      QueryAsciiHeader(hop.request, WINHTTP_QUERY_LAST_MODIFIED, result->validators.lastModified,
                       sizeof result->validators.lastModified);
      verdict = TakeBody(&hop, total, worker, body, result);
    } else if (verdict == FeedFetchVerdict::kOk) {
      verdict = FeedFetchVerdict::kStatus;
    }
    CloseHop(&hop);
    return verdict;
  }
}

}  // namespace

bool FetchFeedAddress(const char* url, const FeedValidators* validators, const Worker* worker,
                      FeedBody* body, FeedFetchResult* result) {
  memset(result, 0, sizeof *result);
  body->data = nullptr;
  body->size = 0;
  if (!InitOnceExecuteOnce(&completionOnce, InitCompletion, nullptr, nullptr)) {
    result->verdict = FeedFetchVerdict::kNoSession;
    return false;
  }
  char agent[64];
  snprintf(agent, sizeof agent, "TarvoClock/%s", TARVO_VERSION_TEXT);
  wchar_t wideAgent[64];
  MultiByteToWideChar(CP_ACP, 0, agent, -1, wideAgent, 64);
  HINTERNET session = OpenSession(wideAgent);
  if (session == nullptr ||
      WinHttpSetStatusCallback(session, OnStatus,
                               WINHTTP_CALLBACK_FLAG_ALL_COMPLETIONS | WINHTTP_CALLBACK_FLAG_HANDLES,
                               0) == WINHTTP_INVALID_STATUS_CALLBACK) {
    result->error = GetLastError();
    result->verdict = FeedFetchVerdict::kNoSession;
    if (session != nullptr) WinHttpCloseHandle(session);
    return false;
  }
  result->verdict = Fetch(session, url, validators, worker, body, result);
  WinHttpCloseHandle(session);
  return result->verdict == FeedFetchVerdict::kOk;
}

void FreeFeedBody(FeedBody* body) {
  ReleaseBody(body->data);
  body->data = nullptr;
  body->size = 0;
}

const char* FeedFetchVerdictName(FeedFetchVerdict verdict) {
  switch (verdict) {
    case FeedFetchVerdict::kOk: return "ok";
    case FeedFetchVerdict::kNotModified: return "not modified";
    case FeedFetchVerdict::kBadAddress: return "bad address";
    case FeedFetchVerdict::kNoSession: return "no session";
    case FeedFetchVerdict::kNoMemory: return "no memory";
    case FeedFetchVerdict::kFailed: return "failed";
    case FeedFetchVerdict::kStatus: return "status";
    case FeedFetchVerdict::kTooManyRedirects: return "too many redirects";
    case FeedFetchVerdict::kRedirectRefused: return "redirect refused";
    case FeedFetchVerdict::kEncoding: return "content coding";
    case FeedFetchVerdict::kTimeout: return "timeout";
    case FeedFetchVerdict::kStopped: return "stopped";
  }
  return "?";
}

FeedFailure FeedFetchFailure(const FeedFetchResult& result) {
  switch (result.verdict) {
    case FeedFetchVerdict::kOk:
    case FeedFetchVerdict::kNotModified:
      return FeedFailure::kNone;
    case FeedFetchVerdict::kStatus:
      return FailureOfStatus(result.status);
    case FeedFetchVerdict::kTimeout:
      return FeedFailure::kTimeout;
    case FeedFetchVerdict::kFailed:
      break;
    default:
      return FeedFailure::kOther;
  }
  switch (result.error) {
    case ERROR_WINHTTP_NAME_NOT_RESOLVED:
    case ERROR_WINHTTP_CANNOT_CONNECT:
    case ERROR_WINHTTP_CONNECTION_ERROR:
      return FeedFailure::kUnreachable;
    // Wine reports a certificate it does not trust (unknown root, expired, another host's) as
    // a secure channel that could not be set up.
    case ERROR_WINHTTP_SECURE_CHANNEL_ERROR:
    case ERROR_WINHTTP_SECURE_FAILURE:
    case ERROR_WINHTTP_SECURE_INVALID_CA:
    case ERROR_WINHTTP_SECURE_INVALID_CERT:
    case ERROR_WINHTTP_SECURE_CERT_CN_INVALID:
    case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID:
    case ERROR_WINHTTP_SECURE_CERT_REVOKED:
    case ERROR_WINHTTP_SECURE_CERT_WRONG_USAGE:
      return FeedFailure::kCertificate;
    case ERROR_WINHTTP_TIMEOUT:
      return FeedFailure::kTimeout;
    default:
      return FeedFailure::kOther;
  }
}
