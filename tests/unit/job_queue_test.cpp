// The background worker's queue: order, and which job a kind already waiting or running refuses.
#include "base/job_queue.h"

#include <gtest/gtest.h>

namespace {

void Nothing(void*) {}

Job Of(int kind) { return Job{Nothing, nullptr, nullptr, kind}; }

TEST(JobQueue, RulesRefuseWorkAlreadyWaitingOrRunning) {
  struct Case {
    const char* what;
    int waitingKind;  // 0: none waits
    int runningKind;  // 0: none runs
    JobRule rule;
    bool admitted;
  };
  const Case cases[] = {
      {"empty", 0, 0, JobRule::kOneAtATime, true},
      {"same kind runs, one at a time", 0, 1, JobRule::kOneAtATime, false},
      {"same kind runs, one pending: it follows the running one", 0, 1, JobRule::kOnePending, true},
      {"same kind waits, one pending", 1, 0, JobRule::kOnePending, false},
      {"same kind waits, one at a time", 1, 0, JobRule::kOneAtATime, false},
      {"same kind waits, queue", 1, 0, JobRule::kQueue, true},
      {"another kind runs", 0, 2, JobRule::kOneAtATime, true},
      {"another kind waits", 2, 0, JobRule::kOnePending, true},
  };
  for (const Case& c : cases) {
    JobQueue queue;
    ResetJobQueue(&queue);
    if (c.runningKind != 0) {
      ASSERT_TRUE(AdmitJob(&queue, Of(c.runningKind), JobRule::kQueue));
      Job started;
      ASSERT_TRUE(StartNextJob(&queue, &started));
    }
    if (c.waitingKind != 0) {
      ASSERT_TRUE(AdmitJob(&queue, Of(c.waitingKind), JobRule::kQueue));
    }
    const int before = queue.count;
    EXPECT_EQ(AdmitJob(&queue, Of(1), c.rule), c.admitted) << c.what;
    EXPECT_EQ(queue.count, before + (c.admitted ? 1 : 0)) << c.what;
  }
}

TEST(JobQueue, RunsInOrderHoldsAFewAndHandsTheWaitingBackAtAStop) {
  JobQueue queue;
  ResetJobQueue(&queue);
  for (int kind = 1; kind <= kJobQueueCapacity; ++kind) ASSERT_TRUE(AdmitJob(&queue, Of(kind), JobRule::kQueue));
  EXPECT_FALSE(AdmitJob(&queue, Of(99), JobRule::kQueue)) << "full";
  Job job;
  ASSERT_TRUE(StartNextJob(&queue, &job));
  EXPECT_EQ(job.kind, 1);
  EXPECT_TRUE(queue.running);
  EndRunningJob(&queue);
  EXPECT_FALSE(queue.running);
  Job taken[kJobQueueCapacity];
  ASSERT_EQ(TakeWaitingJobs(&queue, taken), kJobQueueCapacity - 1);
  EXPECT_EQ(taken[0].kind, 2);
  EXPECT_EQ(taken[kJobQueueCapacity - 2].kind, kJobQueueCapacity);
  EXPECT_FALSE(StartNextJob(&queue, &job));
  EXPECT_FALSE(AdmitJob(&queue, Job{nullptr, nullptr, nullptr, 1}, JobRule::kQueue)) << "no work";
}

}  // namespace
