// Feed check: fetch into staging, publish under the news lock, schedule the next check.
#include "news/feeds_win32.h"

#include <windows.h>

#include <cstring>

#include "base/app_state.h"
#include "base/clock_source_win32.h"
#include "base/http_win32.h"
#include "base/test_hooks_win32.h"
#include "base/messages.h"
#include "base/window_handles_win32.h"
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

// One fetch at a time; the buffers and the staging table belong to it.
volatile LONG fetching = 0;
char answer[kAnswerCapacity];
char converted[kAnswerCapacity];
FeedRecord staging[kFeedCount];

HANDLE checkThread = nullptr;
volatile LONG checkRunning = 0;

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
  if (!ParseFeedDocument(converted, feed)) {
    TraceEvent("feed %s failed: no title", feed->url);
    return false;
  }
  TraceEvent("feed %s: %d items", feed->url, feed->item_count);
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
  if (InterlockedCompareExchange(&fetching, 1, 0) != 0) {
    TraceEvent("FetchFeeds: another fetch runs");
    return false;
  }
  const int bits = FeedBits(ViewBrand);
  memset(staging, 0, sizeof staging);
  for (int i = 0; i < kFeedCount; ++i) {
    if ((bits & (1 << i)) == 0) continue;
    BuildFeedUrl(i, FeedServer, staging[i].url, sizeof staging[i].url);
    if (staging[i].url[0] == '\0' || !ParseFeed(&staging[i])) {
      const bool wasShown = NewsAvailable == 1;
      NewsAvailable = 0;
      // The bar baked into the face goes with the next load of the skin.
      if (wasShown && ClockState == kClockRunning) ClockState = kClockReload;
      TraceEvent("FetchFeeds failed at feed %d", i);
      InterlockedExchange(&fetching, 0);
      return false;
    }
  }
  LockNews();
  memcpy(Feeds, staging, sizeof Feeds);
  RequestTickerReset();
  UnlockNews();
  TraceEvent("FetchFeeds published");
  InterlockedExchange(&fetching, 0);
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

void CheckFeeds() {
  FetchFeeds();
  LocalTime now;
  ReadLocalTime(&now);
  NextCheck = ScheduleNextCheck(now, ClampCheckTime(CheckTime));
  TraceEvent("CheckFeeds next %02d %02d:%02d", NextCheck.day, NextCheck.hour, NextCheck.minute);
  const bool fresh = HasNewItems();
  if (fresh) LastFeedUpdate = ReadUnixTime();
  AnnounceNews(fresh);
}

namespace {

DWORD WINAPI CheckThread(LPVOID) {
  CheckFeeds();
  InterlockedExchange(&checkRunning, 0);
  return 0;
}

}  // namespace

void StartFeedCheck() {
  if (InterlockedCompareExchange(&checkRunning, 1, 0) != 0) {
    TraceEvent("StartFeedCheck: a check still runs");
    return;
  }
  if (checkThread != nullptr) {
    CloseHandle(checkThread);
    checkThread = nullptr;
  }
  checkThread = CreateThread(nullptr, 0, CheckThread, nullptr, 0, nullptr);
  if (checkThread == nullptr) InterlockedExchange(&checkRunning, 0);
}

void WaitFeedCheck(unsigned ms) {
  if (checkThread == nullptr) return;
  WaitForSingleObject(checkThread, ms);
}
