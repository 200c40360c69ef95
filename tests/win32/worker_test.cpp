// The background worker under Wine: jobs run in order on one thread of its own, and a stop drops
// what waits and waits for the running job no longer than it is told.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <string>

#include "base/worker_win32.h"

namespace {

struct Record {
  std::string ran;
  std::string dropped;
  DWORD thread = 0;
  bool oneThread = true;
  std::atomic<int> done{0};
};
Record record;
HANDLE release = nullptr;

void Run(void* letter) {
  const DWORD self = GetCurrentThreadId();
  if (record.thread != 0 && record.thread != self) record.oneThread = false;
  record.thread = self;
  record.ran += static_cast<char>(reinterpret_cast<intptr_t>(letter));
  ++record.done;
}

void Drop(void* letter) { record.dropped += static_cast<char>(reinterpret_cast<intptr_t>(letter)); }

// Holds the worker until released or stopped.
void Hold(void*) {
  while (!WorkerStopping(&BackgroundWorker) && WaitForSingleObject(release, 10) == WAIT_TIMEOUT) {
  }
  ++record.done;
}

// Holds the worker without looking at the stop.
void Deaf(void*) {
  WaitForSingleObject(release, 5000);
  ++record.done;
}

Job Letter(char c, int kind) {
  return Job{Run, Drop, reinterpret_cast<void*>(static_cast<intptr_t>(c)), kind};
}

TEST(Worker, RunsJobsInOrderOffTheCallerAndStopsWithinItsBound) {
  release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  ASSERT_TRUE(PostJob(&BackgroundWorker, Job{Hold, nullptr, nullptr, kJobFeedCheck}, JobRule::kOneAtATime));
  EXPECT_FALSE(PostJob(&BackgroundWorker, Job{Hold, nullptr, nullptr, kJobFeedCheck}, JobRule::kOneAtATime));
  ASSERT_TRUE(PostJob(&BackgroundWorker, Letter('a', kJobFeedFetch), JobRule::kOnePending));
  EXPECT_FALSE(PostJob(&BackgroundWorker, Letter('x', kJobFeedFetch), JobRule::kOnePending));
  ASSERT_TRUE(PostJob(&BackgroundWorker, Letter('b', kJobLinkLaunch), JobRule::kQueue));
  SetEvent(release);
  for (int i = 0; i < 500 && record.done < 3; ++i) Sleep(10);
  EXPECT_EQ(record.ran, "ab");
  EXPECT_TRUE(record.oneThread);
  EXPECT_NE(record.thread, GetCurrentThreadId());

  // A stop ends a job that polls it at once and drops the ones waiting, unrun.
  ResetEvent(release);
  record.done = 0;
  ASSERT_TRUE(PostJob(&BackgroundWorker, Job{Hold, nullptr, nullptr, kJobFeedCheck}, JobRule::kOneAtATime));
  ASSERT_TRUE(PostJob(&BackgroundWorker, Letter('c', kJobFeedFetch), JobRule::kOnePending));
  Sleep(50);
  DWORD start = GetTickCount();
  EXPECT_TRUE(StopWorker(&BackgroundWorker, 2000));
  EXPECT_LT(GetTickCount() - start, 500u);
  EXPECT_EQ(record.ran, "ab");
  EXPECT_EQ(record.dropped, "c");

  // A job that never looks is left after the bound; the worker refuses work until it is gone.
  ASSERT_TRUE(PostJob(&BackgroundWorker, Job{Deaf, nullptr, nullptr, kJobSkinDownload}, JobRule::kOneAtATime));
  Sleep(50);
  start = GetTickCount();
  EXPECT_FALSE(StopWorker(&BackgroundWorker, 200));
  EXPECT_LT(GetTickCount() - start, 700u);
  EXPECT_FALSE(PostJob(&BackgroundWorker, Letter('d', kJobFeedFetch), JobRule::kQueue));
  SetEvent(release);
  EXPECT_TRUE(StopWorker(&BackgroundWorker, 5000));
  record.done = 0;
  ASSERT_TRUE(PostJob(&BackgroundWorker, Letter('e', kJobFeedFetch), JobRule::kQueue));
  for (int i = 0; i < 500 && record.done < 1; ++i) Sleep(10);
  EXPECT_EQ(record.ran, "abe");
  EXPECT_TRUE(StopWorker(&BackgroundWorker, 5000));
  CloseHandle(release);
}

}  // namespace
