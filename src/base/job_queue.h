// The queue of a background worker: the jobs that wait, the kind that runs, and the rules that
// refuse a job whose work is already waiting or under way.
#pragma once

constexpr int kJobQueueCapacity = 8;

// What a job meets when one of its kind is already there.
enum class JobRule {
  kQueue,       // queued while there is room
  kOnePending,  // refused while one of its kind waits: that one will do the same work
  kOneAtATime,  // refused while one of its kind waits or runs
};

struct Job {
  void (*run)(void* context);
  void (*drop)(void* context);  // optional: releases the context of a job that never runs
  void* context;
  int kind;
};

struct JobQueue {
  Job waiting[kJobQueueCapacity];
  int count;
  bool running;
  int runningKind;
};

void ResetJobQueue(JobQueue* queue);

// Queues `job` under `rule`; false, the queue unchanged, when the rule refuses it or the queue is
// full.
bool AdmitJob(JobQueue* queue, const Job& job, JobRule rule);

// Whether AdmitJob would take `job` now.
bool JobAdmissible(const JobQueue& queue, const Job& job, JobRule rule);

// The oldest waiting job becomes the running one; false when none waits.
bool StartNextJob(JobQueue* queue, Job* job);

// The running job has returned.
void EndRunningJob(JobQueue* queue);

// Takes every waiting job out, oldest first, into `out` (kJobQueueCapacity entries); returns
// how many.
int TakeWaitingJobs(JobQueue* queue, Job* out);
