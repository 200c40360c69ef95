// Feed check: fetch into staging, publish under the news lock, schedule the next check.
#include "news/feeds_win32.h"

#include <windows.h>

#include <cstring>

#include "base/app_state.h"
#include "base/clock_source_win32.h"
#include "base/http_win32.h"
#include "base/messages.h"
#include "base/test_hooks_win32.h"
#include "base/window_handles_win32.h"
#include "base/worker_win32.h"
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

// Fetches and parses one feed into `feed`; false on any network, HTTP or document failure.
bool ParseFeed(FeedRecord* feed) {
  memset(feed->items, 0, sizeof feed->items);
  feed->item_count = 0;
  SOCKET connection = INVALID_SOCKET;
  const char* body = nullptr;
  size_t bodySize = 0;
  HttpVerdict verdict = HttpVerdict::kOk;
  if (!HttpGetToMemory(feed->url, &connection, answer, &body, &bodySize, &verdict)) {
    TraceEvent("feed %s failed: %s", feed->url, HttpVerdictName(verdict));
    return false;
  }
  // The body ends where the answer does; the buffer's zero fill terminates it.
  Utf8ToAnsi(converted, sizeof converted, body);
  if (!ParseFeedDocument(converted, feed, verdict == HttpVerdict::kCut)) {
    TraceEvent("feed %s failed: no title", feed->url);
    return false;
  }
  TraceEvent("feed %s: %d items%s", feed->url, feed->item_count,
             verdict == HttpVerdict::kCut ? ", cut at the buffer" : "");
  return true;
}

}  // namespace

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
  for (int i = 0; i < kFeedCount; ++i) {
    if ((bits & (1 << i)) == 0) continue;
    BuildFeedUrl(i, FeedServer, staging[i].url, sizeof staging[i].url);
    if (WorkerStopping(&BackgroundWorker) || staging[i].url[0] == '\0' || !ParseFeed(&staging[i])) {
      // The bar baked into the face goes with the clock thread's next look at NewsBarShown.
      NewsAvailable = 0;
      TraceEvent("FetchFeeds failed at feed %d", i);
      return false;
    }
  }
  LockNews();
  memcpy(Feeds, staging, sizeof Feeds);
  RequestTickerReset();
  UnlockNews();
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

// The feed check reads no addresses yet, so there is nothing to hand over; the transport for
// feeds given by address fills this in.
void PublishFeedAddresses() {}
