// A background thread that runs short jobs one after another from a short queue, with a stop
// flag the jobs poll and a bounded stop at exit.
#pragma once

#include <windows.h>

#include <atomic>

#include "base/job_queue.h"

// The kinds of job, so a second request for work already waiting or running can be refused.
enum JobKind : int {
  kJobFeedCheck = 1,   // fetch the feeds, reschedule, announce
  kJobFeedFetch,       // fetch the feeds for the news list
  kJobSkinDownload,
  kJobLinkLaunch,
};

// The thread exists only while jobs wait or run: the first job starts it and it ends when the
// queue is empty, so an idle worker holds no thread and nothing waits on an empty queue.
struct Worker {
  INIT_ONCE once = INIT_ONCE_STATIC_INIT;
  CRITICAL_SECTION lock = {};
  JobQueue queue = {};       // under the lock
  HANDLE thread = nullptr;   // the latest thread, or null; under the lock
  bool threadAlive = false;  // under the lock
  std::atomic<bool> stopping{false};
};

// The program's worker for network work: feed checks, news-list fetches and skin downloads.
extern Worker BackgroundWorker;

// Any thread. Queues the job under `rule` and starts the thread when none runs. False when the
// rule refuses it, the queue is full, the worker is stopping or no thread could be made; the
// caller then still owns the job's context.
bool PostJob(Worker* worker, const Job& job, JobRule rule);

// What the running job polls: the worker is being stopped, so it should end soon.
bool WorkerStopping(const Worker* worker);

// Refuses new jobs, drops the waiting ones (their drop is called here) and waits at most `ms`
// for the running job. True when the thread has ended; the worker then takes jobs again.
bool StopWorker(Worker* worker, unsigned ms);
