// Feed check: fetch into staging, publish under the news lock, schedule the next check.
#include "news/feeds_win32.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "base/app_state.h"
#include "base/clock_source_win32.h"
#include "base/http_win32.h"
#include "base/messages.h"
#include "base/test_hooks_win32.h"
#include "base/window_handles_win32.h"
#include "base/worker_win32.h"
#include "news/feed_ansi_win32.h"
#include "news/feed_formats.h"
#include "news/feed_http_win32.h"
#include "news/feed_schedule.h"
#include "news/news_list.h"
#include "news/news_state.h"
#include "news/ticker_win32.h"
#include "settings/settings.h"

namespace {

CRITICAL_SECTION newsLock;
INIT_ONCE lockOnce = INIT_ONCE_STATIC_INIT;

BOOL CALLBACK InitLock(PINIT_ONCE, PVOID, PVOID*) {
  InitializeCriticalSection(&newsLock);
  return TRUE;
}

// The buffers and the staging table belong to the fetch, which runs only on the background
// worker's thread, one job after another.
char answer[kAnswerCapacity];
char converted[kAnswerCapacity];
FeedRecord staging[kFeedCount];
FeedStatus stagedStatuses[kFeedCount];

// The status an answer other than 200 gave, read from its status line; 0 when there is none.
// The answer buffer is zero-filled by the fetch, so the scan ends inside it.
int AnswerStatus(const char* data) {
  if (strncmp(data, "HTTP/1.", 7) != 0 || data[7] == '\0' || data[8] != ' ') return 0;
  int status = 0;
  for (int i = 9; i < 12; ++i) {
    if (data[i] < '0' || data[i] > '9') return 0;
    status = status * 10 + (data[i] - '0');
  }
  return status;
}

// What the news list says of a feed server fetch that failed with `verdict`.
FeedFailure ServerFailure(HttpVerdict verdict, int* httpStatus) {
  *httpStatus = 0;
  switch (verdict) {
    case HttpVerdict::kNotOk:
      *httpStatus = AnswerStatus(answer);
      return FailureOfStatus(*httpStatus);
    case HttpVerdict::kConnectFailed:
      return FeedFailure::kUnreachable;
    case HttpVerdict::kTimedOut:
      return FeedFailure::kTimeout;
    default:
      return FeedFailure::kOther;
  }
}

// A try of a feed at `now` that ended in `failure` (kNone: it brought the feed).
void NoteTry(FeedStatus* status, int64_t now, FeedFailure failure, int httpStatus) {
  status->lastTry = now;
  if (failure == FeedFailure::kNone) status->lastSuccess = now;
  status->failure = failure;
  status->httpStatus = httpStatus;
}

// Fetches and parses one feed into `feed`; false on any network, HTTP or document failure, which
// `status` tells unless the fetch was stopped.
bool ParseFeed(FeedRecord* feed, FeedStatus* status) {
  memset(feed->items, 0, sizeof feed->items);
  feed->item_count = 0;
  SOCKET connection = INVALID_SOCKET;
  const char* body = nullptr;
  size_t bodySize = 0;
  HttpVerdict verdict = HttpVerdict::kOk;
  const int64_t now = ReadUnixTime();
  if (!HttpGetToMemory(feed->url, &connection, answer, &body, &bodySize, &verdict)) {
    TraceEvent("feed %s failed: %s", feed->url, HttpVerdictName(verdict));
    int httpStatus = 0;
    const FeedFailure failure = ServerFailure(verdict, &httpStatus);
    if (verdict != HttpVerdict::kStopped) NoteTry(status, now, failure, httpStatus);
    return false;
  }
  // The body ends where the answer does; the buffer's zero fill terminates it.
  Utf8ToAnsi(converted, sizeof converted, body);
  if (!ParseFeedDocument(converted, feed, verdict == HttpVerdict::kCut)) {
    TraceEvent("feed %s failed: no title", feed->url);
    NoteTry(status, now, FeedFailure::kNotFeed, 0);
    return false;
  }
  NoteTry(status, now, FeedFailure::kNone, 0);
  TraceEvent("feed %s: %d items%s", feed->url, feed->item_count,
             verdict == HttpVerdict::kCut ? ", cut at the buffer" : "");
  return true;
}

// The feed address keys as the UI thread last published them; the worker copies them out at
// each fetch. Only PublishFeedAddresses writes them.
SRWLOCK addressLock = SRWLOCK_INIT;
char publishedAddresses[kFeedCount][kPathCapacity];

// The validators of each address feed's last 200 answer and the address they belong to, kept
// only by the worker's fetches: staged with the records, held once they are published, so they
// always describe the items a 304 keeps.
struct HeldValidators {
  char url[sizeof(FeedRecord::url)];
  FeedValidators validators;
};
HeldValidators held[kFeedCount];
HeldValidators stagedValidators[kFeedCount];

void CopyFeedAddresses(char (*out)[kPathCapacity]) {
  AcquireSRWLockShared(&addressLock);
  memcpy(out, publishedAddresses, sizeof publishedAddresses);
  ReleaseSRWLockShared(&addressLock);
}

// A key that holds no address is not fetched: said once per check where the user can see it
// with a debug viewer, and in the test trace.
void ReportRefusedAddress(int index) {
  char line[160];
  snprintf(line, sizeof line,
           "TarvoClock: FeedUrl%d は http:// か https:// のアドレスではないので使いません。\n",
           index);
  OutputDebugStringA(line);
  TraceEvent("feed %d: FeedUrl%d is no http(s) address, the feed server's feed is used", index,
             index);
}

// The published record of feed `index` into `feed`: what a 304 says is still current.
void KeepPublishedItems(int index, FeedRecord* feed) {
  LockNews();
  *feed = Feeds[index];
  UnlockNews();
}

// Fetches and parses the address feed `index` into `feed`, which is left without items when it
// fails, and notes the try in `status`. The held validators are those of the published record's
// answer (both change only when a check publishes, and only this thread publishes), so they go
// with the request exactly when that record holds this address's items, and a 304 always has
// items to keep.
void FetchAddressFeed(int index, const char* url, FeedRecord* feed, FeedStatus* status) {
  snprintf(feed->url, sizeof feed->url, "%s", url);
  feed->by_address = true;
  const HeldValidators& mine = held[index];
  HeldValidators& staged = stagedValidators[index];
  const FeedValidators* validators = strcmp(mine.url, url) == 0 ? &mine.validators : nullptr;
  FeedBody body = {};
  FeedFetchResult result;
  const int64_t now = ReadUnixTime();
  const bool fetched = FetchFeedAddress(url, validators, &BackgroundWorker, &body, &result);
  if (!fetched && result.verdict == FeedFetchVerdict::kNotModified && validators != nullptr) {
    KeepPublishedItems(index, feed);
    staged = mine;
    NoteTry(status, now, FeedFailure::kNone, 0);
    TraceEvent("feed %s: not modified, %d items kept", url, feed->item_count);
    return;
  }
  if (!fetched) {
    TraceEvent("feed %s failed: %s (status %d, error %lu, %d redirects)", url,
               FeedFetchVerdictName(result.verdict), result.status,
               static_cast<unsigned long>(result.error), result.redirects);
    if (result.verdict != FeedFetchVerdict::kStopped) {
      NoteTry(status, now, FeedFetchFailure(result), result.status);
    }
    return;
  }
  FeedParseReport report;
  if (!ParseUrlFeed(body.data, body.size, feed, &report)) {
    TraceEvent("feed %s failed: %s", url, FeedParseStatusName(report.status));
    const bool noMemory = report.status == FeedParseStatus::kNoMemory;
    NoteTry(status, now, noMemory ? FeedFailure::kOther : FeedFailure::kNotFeed, 0);
    FreeFeedBody(&body);
    return;
  }
  FreeFeedBody(&body);
  FeedRecordToAnsi(feed);
  snprintf(staged.url, sizeof staged.url, "%s", url);
  staged.validators = result.validators;
  NoteTry(status, now, FeedFailure::kNone, 0);
  TraceEvent("feed %s: %d items (%s%s%s, %d redirects)", url, feed->item_count,
             FeedParseStatusName(report.status), result.gzip ? ", gzip" : "",
             result.cut ? ", cut at the bound" : "", result.redirects);
}

bool IsWebAddress(FeedAddressKind kind) {
  return kind == FeedAddressKind::kHttp || kind == FeedAddressKind::kHttps;
}

// The statuses go out even when the feeds do not, so the list can tell why they did not.
void PublishStatuses() {
  LockNews();
  memcpy(FeedStatuses, stagedStatuses, sizeof FeedStatuses);
  UnlockNews();
}

}  // namespace

char* const FeedAddressKeys[kFeedCount] = {FeedUrl0, FeedUrl1, FeedUrl2, FeedUrl3};

void PublishFeedAddresses() {
  AcquireSRWLockExclusive(&addressLock);
  for (int i = 0; i < kFeedCount; ++i) {
    snprintf(publishedAddresses[i], sizeof publishedAddresses[i], "%s", FeedAddressKeys[i]);
  }
  ReleaseSRWLockExclusive(&addressLock);
}

void LockNews() {
  InitOnceExecuteOnce(&lockOnce, InitLock, nullptr, nullptr);
  EnterCriticalSection(&newsLock);
}

void UnlockNews() { LeaveCriticalSection(&newsLock); }

void Utf8ToAnsi(char* out, size_t outCapacity, const char* utf8) {
  if (outCapacity == 0) return;
  out[0] = '\0';
  const int wideLength = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
  if (wideLength <= 0) return;
  wchar_t* wide = static_cast<wchar_t*>(
      HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, static_cast<size_t>(wideLength) * 2 + 2));
  if (wide == nullptr) return;
  MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide, wideLength);
  const int n = WideCharToMultiByte(CP_ACP, 0, wide, -1, out, static_cast<int>(outCapacity),
                                    nullptr, nullptr);
  if (n <= 0) out[0] = '\0';
  out[outCapacity - 1] = '\0';
  HeapFree(GetProcessHeap(), 0, wide);
}

bool FetchFeeds() {
  const int bits = FeedBits(ViewBrand);
  memset(staging, 0, sizeof staging);
  memset(stagedValidators, 0, sizeof stagedValidators);
  // Only this thread writes the statuses, so the copy it starts from is current.
  LockNews();
  memcpy(stagedStatuses, FeedStatuses, sizeof stagedStatuses);
  UnlockNews();
  char addresses[kFeedCount][kPathCapacity];
  CopyFeedAddresses(addresses);
  FeedAddressKind kinds[kFeedCount];
  // Once the user has chosen a feed of their own, those are the news: on a PC that cannot reach
  // the feed server, a failing server feed must not take the bar from them for the whole run.
  bool ownFeeds = false;
  for (int i = 0; i < kFeedCount; ++i) {
    kinds[i] = ClassifyFeedAddress(addresses[i]);
    if ((bits & (1 << i)) != 0 && IsWebAddress(kinds[i])) ownFeeds = true;
  }
  for (int i = 0; i < kFeedCount; ++i) {
    if ((bits & (1 << i)) == 0) continue;
    bool failed = WorkerStopping(&BackgroundWorker);
    if (IsWebAddress(kinds[i]) && !failed) {
      // A feed of the user's own that fails shows no items; the others and the bar stay.
      FetchAddressFeed(i, addresses[i], &staging[i], &stagedStatuses[i]);
      failed = WorkerStopping(&BackgroundWorker);
    } else if (!failed) {
      if (kinds[i] == FeedAddressKind::kRefused) ReportRefusedAddress(i);
      BuildFeedUrl(i, FeedServer, staging[i].url, sizeof staging[i].url);
      const bool parsed = staging[i].url[0] != '\0' && ParseFeed(&staging[i], &stagedStatuses[i]);
      // Beside the user's own feeds it fails alone, as theirs do: a failed parse holds no items.
      failed = !parsed && !ownFeeds;
    }
    if (failed) {
      // The bar baked into the face goes with the clock thread's next look at NewsBarShown.
      NewsAvailable = 0;
      PublishStatuses();
      TraceEvent("FetchFeeds failed at feed %d", i);
      return false;
    }
  }
  const int64_t now = ReadUnixTime();
  LockNews();
  for (int i = 0; i < kFeedCount; ++i) NoteFirstSeen(&staging[i], Feeds[i], now);
  memcpy(Feeds, staging, sizeof Feeds);
  memcpy(FeedStatuses, stagedStatuses, sizeof FeedStatuses);
  // A bar an earlier check took away comes back with the user's own feeds; the clock thread
  // bakes it into the face again when it sees NewsBarShown change.
  if (ownFeeds) NewsAvailable = 1;
  RequestTickerReset();
  UnlockNews();
  memcpy(held, stagedValidators, sizeof held);
  TraceEvent("FetchFeeds published");
  return true;
}

bool HasNewItems() {
  LockNews();
  const bool fresh = FeedsHaveNewItems(Feeds, ViewBrand, LastFeedUpdate);
  UnlockNews();
  return fresh;
}

void AnnounceNews(bool fresh) {
  TraceEvent("AnnounceNews %d", fresh ? 1 : 0);
  // The tray icon and the sound belong to the UI thread; this may be a check's own thread.
  PostMessageA(ClockWindow, MSG_NEWS_ICON, fresh ? 1 : 0, 0);
  if (fresh && NoticeShowsMessage(NewFlag)) PostMessageA(ClockWindow, MSG_NEWS_UPDATED, 0, 0);
}

namespace {

void CheckJob(void*) {
  FetchFeeds();
  const bool fresh = HasNewItems();
  if (fresh) LastFeedUpdate = ReadUnixTime();
  AnnounceNews(fresh);
}

void ListFetchJob(void* dialog) {
  FetchFeeds();
  if (dialog != nullptr) PostMessageA(static_cast<HWND>(dialog), MSG_NEWS_FETCHED, 0, 0);
}

}  // namespace

void StartFeedCheck() {
  LocalTime now;
  ReadLocalTime(&now);
  // Scheduled from the start, so a check still running at the next minute is not due again.
  const int64_t next = ScheduleNextCheck(now, ClampCheckTime(CheckTime));
  // A check that waits or runs already stands for this one, so the schedule moves either way.
  NextCheckMinute = next;
  const LocalTime at = WallTimeFromSeconds(next * 60, 0);
  const Job job = {CheckJob, nullptr, nullptr, kJobFeedCheck};
  const bool queued = PostJob(&BackgroundWorker, job, JobRule::kOneAtATime);
  TraceEvent("CheckFeeds next %02d %02d:%02d%s", at.day, at.hour, at.minute,
             queued ? "" : ", a check waits or runs already");
}

void StartNewsListFetch(HWND dialog) {
  const Job job = {ListFetchJob, nullptr, dialog, kJobFeedFetch};
  if (!PostJob(&BackgroundWorker, job, JobRule::kOnePending)) {
    TraceEvent("news list fetch: one waits already");
    return;
  }
  TraceEvent("news list fetch queued");
}
