// The background worker under Wine: jobs run in order on a thread of their own, and a stop drops
// what waits and waits for the running job no longer than it is told.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <string>

#include "base/worker_win32.h"

namespace {

std::string ran;
std::atomic<int> done{0};
std::atomic<DWORD> jobThread{0};
HANDLE release = nullptr;

void Run(void* letter) {
  jobThread = GetCurrentThreadId();
  ran += static_cast<char>(reinterpret_cast<intptr_t>(letter));
  ++done;
}
void Drop(void* letter) { ran += static_cast<char>(reinterpret_cast<intptr_t>(letter) - 'a' + 'A'); }
Job Letter(char c) { return Job{Run, Drop, reinterpret_cast<void*>(static_cast<intptr_t>(c)), kJobFeedFetch}; }

// Holds the worker until released, never looking at the stop.
std::atomic<int> holds{0};
void Hold(void*) {
  ++holds;
  WaitForSingleObject(release, 5000);
}

TEST(Worker, RunsJobsInOrderOffTheCallerAndStopsWithinItsBound) {
  release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  const Job hold = {Hold, nullptr, nullptr, kJobFeedCheck};
  ASSERT_TRUE(PostJob(&BackgroundWorker, hold, JobRule::kOneAtATime));
  EXPECT_FALSE(PostJob(&BackgroundWorker, hold, JobRule::kOneAtATime));
  ASSERT_TRUE(PostJob(&BackgroundWorker, Letter('a'), JobRule::kQueue));
  ASSERT_TRUE(PostJob(&BackgroundWorker, Letter('b'), JobRule::kQueue));
  SetEvent(release);
  for (int i = 0; i < 500 && done < 2; ++i) Sleep(10);
  EXPECT_EQ(ran, "ab");
  EXPECT_NE(jobThread.load(), GetCurrentThreadId());
  // A job that does not end is left after the bound, the waiting ones are dropped, and no work
  // is taken until it has gone.
  ResetEvent(release);
  ASSERT_TRUE(PostJob(&BackgroundWorker, hold, JobRule::kOneAtATime));
  ASSERT_TRUE(PostJob(&BackgroundWorker, Letter('c'), JobRule::kQueue));
  for (int i = 0; i < 500 && holds < 2; ++i) Sleep(10);
  const DWORD start = GetTickCount();
  EXPECT_FALSE(StopWorker(&BackgroundWorker, 200));
  EXPECT_LT(GetTickCount() - start, 700u);
  EXPECT_FALSE(PostJob(&BackgroundWorker, Letter('d'), JobRule::kQueue));
  SetEvent(release);
  EXPECT_TRUE(StopWorker(&BackgroundWorker, 5000));
  EXPECT_TRUE(PostJob(&BackgroundWorker, Letter('e'), JobRule::kQueue));
  for (int i = 0; i < 500 && done < 3; ++i) Sleep(10);
  EXPECT_EQ(ran, "abCe");
  EXPECT_TRUE(StopWorker(&BackgroundWorker, 5000));
  CloseHandle(release);
}

}  // namespace
