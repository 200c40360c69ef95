// The background worker's queue: order, room, and the kinds a rule refuses.
#include "base/job_queue.h"

#include <gtest/gtest.h>

namespace {

void Nothing(void*) {}
Job Of(int kind) { return Job{Nothing, nullptr, nullptr, kind}; }

TEST(JobQueue, RulesRefuseWorkAlreadyWaitingOrRunningAndTheQueueKeepsItsOrder) {
  struct Case {
    int waiting, running;  // kinds already there, 0 for none
    JobRule rule;
    bool admitted;
  } const cases[] = {
      {0, 1, JobRule::kOneAtATime, false}, {0, 1, JobRule::kOnePending, true},
      {1, 0, JobRule::kOnePending, false}, {1, 0, JobRule::kQueue, true},
      {2, 2, JobRule::kOneAtATime, true},
  };
  for (const Case& c : cases) {
    JobQueue queue;
    ResetJobQueue(&queue);
    Job job;
    const bool ready = (c.running == 0 || (AdmitJob(&queue, Of(c.running), JobRule::kQueue) &&
                                           StartNextJob(&queue, &job))) &&
                       (c.waiting == 0 || AdmitJob(&queue, Of(c.waiting), JobRule::kQueue));
    ASSERT_TRUE(ready);
    EXPECT_EQ(AdmitJob(&queue, Of(1), c.rule), c.admitted) << c.waiting << c.running;
  }
  JobQueue queue;
  ResetJobQueue(&queue);
  for (int kind = 1; kind <= kJobQueueCapacity; ++kind) ASSERT_TRUE(AdmitJob(&queue, Of(kind), JobRule::kQueue));
  EXPECT_FALSE(AdmitJob(&queue, Of(99), JobRule::kQueue)) << "full";
  Job job;
  ASSERT_TRUE(StartNextJob(&queue, &job));
  EXPECT_EQ(job.kind, 1);
  Job taken[kJobQueueCapacity];
  ASSERT_EQ(TakeWaitingJobs(&queue, taken), kJobQueueCapacity - 1);
  EXPECT_EQ(taken[0].kind, 2);
  EXPECT_FALSE(StartNextJob(&queue, &job));
}

}  // namespace
