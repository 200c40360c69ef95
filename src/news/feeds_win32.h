// Fetching the news feeds on their schedule: fetch into staging, publish under the news lock.
#pragma once

#include <windows.h>

#include <cstddef>

#include "news/feeds.h"

// The lock over Feeds and the ticker's pending reset. Held only to publish or to copy.
void LockNews();
void UnlockNews();

// Whole zero-terminated UTF-8 text into the ANSI code page; `out` is emptied when it does not fit.
void Utf8ToAnsi(char* out, size_t outCapacity, const char* utf8);

// The four FeedUrl keys' texts, by feed index; the UI thread's.
extern char* const FeedAddressKeys[kFeedCount];

// UI thread, after the settings are read and after the feed addresses change: copies the four
// FeedUrl texts under a short lock for the feed fetches to read.
void PublishFeedAddresses();

// Worker thread: fetches every enabled feed in index order into staging and publishes them
// together with a ticker reset. A feed whose FeedUrl key holds an http(s) address is fetched
// from it (failing alone: it shows no items); any other non-empty key is reported and ignored.
// A feed server's feed whose answer is longer than the buffer keeps the items that arrived
// whole; a failed one stops the rest and clears NewsAvailable (the clock thread then reloads its
// skin without the bar), as does a stop.
bool FetchFeeds();

// True if any enabled published feed holds an item dated after LastFeedUpdate.
bool HasNewItems();

// The new-item notice: posts the tray icon change (news or normal) to ClockWindow, and the
// message when NewFlag asks for it; the UI thread plays the chimes.
void AnnounceNews(bool fresh);

// Any thread: schedules the next check CheckTime hours (clamped to 1-24) from now and has the
// background worker fetch and announce. A check that waits or runs already is not doubled.
void StartFeedCheck();

// UI thread: has the background worker fetch the feeds, after a check that is running, and post
// the news list `dialog` (when not null) MSG_NEWS_FETCHED when done. A fetch already waiting
// will fetch what is ticked by then, so a second one is not queued.
void StartNewsListFetch(HWND dialog);

