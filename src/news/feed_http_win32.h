// Feeds given by address: an HTTP(S) GET through WinHTTP into memory, within the feed bounds.
#pragma once

#include <windows.h>

#include <cstddef>

#include "base/worker_win32.h"
#include "news/feeds.h"

// Bounds of one feed fetch. The body bound holds for what arrives and for what it inflates to.
constexpr size_t kFeedBodyLimit = 2 * 1024 * 1024;
constexpr unsigned kFeedStepLimitMs = 5000;    // resolve, connect, send, and each receive
constexpr unsigned kFeedTotalLimitMs = 15000;  // one feed, redirects included
constexpr int kFeedRedirectLimit = 5;
// How long a request that is given up on is waited for to let go of its handle. WinHTTP may
// hold it longer (a receive under way keeps it); its late reports are then ignored, and the
// body it may still read into is left allocated.
constexpr unsigned kFeedCloseWaitMs = 100;

// The validators of a feed's last 200 answer, sent back so an unchanged feed answers 304.
struct FeedValidators {
  char etag[256];
  char lastModified[64];
};

enum class FeedFetchVerdict {
  kOk,            // a 200 answer: the body, cut at the bound when `cut`
  kNotModified,   // a 304 to the validators sent
  kBadAddress,    // not an address WinHTTP takes, or a redirect to one
  kNoSession,     // WinHTTP could not be set up
  kNoMemory,
  kFailed,        // the network, TLS (a certificate that does not verify) or the protocol
  kStatus,        // an answer other than 200, 304 or a redirect
  kTooManyRedirects,
  kRedirectRefused,  // from https down to http, or to another scheme
  kEncoding,      // a content coding not asked for, or gzip data that does not inflate
  kTimeout,
  kStopped,       // the worker is being stopped
};

struct FeedFetchResult {
  FeedFetchVerdict verdict;
  DWORD error;     // the WinHTTP or system error of kFailed, else 0
  int status;      // the last HTTP status seen, or 0
  int redirects;   // how many were followed
  bool gzip;       // the body came gzip-coded
  bool cut;        // the body (or what it inflated to) reached kFeedBodyLimit and was cut there
  FeedValidators validators;  // from the 200 answer ("" when it had none)
};

// A body in memory: `size` bytes at `data`, zero-terminated; owned until FreeFeedBody.
struct FeedBody {
  char* data;
  size_t size;
};

// Fetches `url` (http or https) with the system's proxy and certificate store, following at most
// kFeedRedirectLimit redirects (http to https too, never https to http), sending `validators`
// when not null and asking for gzip, which it inflates. Gives up at the bounds above, or within
// about kFeedCloseWaitMs + a poll once `worker` is stopping (null: never). True with *body set
// for kOk; false otherwise, with *body left empty. `result` says what happened either way.
bool FetchFeedAddress(const char* url, const FeedValidators* validators, const Worker* worker,
                      FeedBody* body, FeedFetchResult* result);

void FreeFeedBody(FeedBody* body);

// A short English name of a verdict, for diagnostics.
const char* FeedFetchVerdictName(FeedFetchVerdict verdict);

// The kind of failure a fetch that brought no body (and no 304) was, as the news list tells it.
FeedFailure FeedFetchFailure(const FeedFetchResult& result);
