// Fetching the news feeds on their schedule: fetch into staging, publish under the news lock.
#pragma once

#include <cstddef>

#include "news/feeds.h"

// The lock over Feeds and the ticker's pending reset. Held only to publish or to copy.
void LockNews();
void UnlockNews();

// Whole zero-terminated UTF-8 text into the ANSI code page; `out` is emptied when it does not fit.
void Utf8ToAnsi(char* out, size_t outCapacity, const char* utf8);

// Fetches every enabled feed in index order into staging and publishes them together with a
// ticker reset. A failed feed stops the rest and clears NewsAvailable (and asks a running
// clock to reload its skin without the bar). Only one fetch runs at a time: a call while
// another runs returns false at once and changes nothing.
bool FetchFeeds();

// True if any enabled published feed holds an item dated after LastFeedUpdate.
bool HasNewItems();

// The new-item notice: posts the tray icon change (news or normal) to ClockWindow, and the
// message when NewFlag asks for it; the UI thread plays the chimes.
void AnnounceNews(bool fresh);

// Fetch, reschedule NextCheck (CheckTime clamped to 1-24 hours) and announce. Blocks for at
// most the four requests' limits.
void CheckFeeds();

// The clock thread's scheduled check: CheckFeeds on a thread of its own, so the clock keeps
// drawing; nothing when one is still running.
void StartFeedCheck();
// At exit, after StopRequested: waits up to `ms` for a running scheduled check to end.
void WaitFeedCheck(unsigned ms);
