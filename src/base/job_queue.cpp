// The queue of a background worker and its admission rules.
#include "base/job_queue.h"

void ResetJobQueue(JobQueue* queue) {
  queue->count = 0;
  queue->running = false;
  queue->runningKind = 0;
}

bool JobAdmissible(const JobQueue& queue, const Job& job, JobRule rule) {
  if (job.run == nullptr || queue.count < 0 || queue.count >= kJobQueueCapacity) return false;
  if (rule == JobRule::kQueue) return true;
  for (int i = 0; i < queue.count; ++i) {
    if (queue.waiting[i].kind == job.kind) return false;
  }
  return !(rule == JobRule::kOneAtATime && queue.running && queue.runningKind == job.kind);
}

bool AdmitJob(JobQueue* queue, const Job& job, JobRule rule) {
  if (!JobAdmissible(*queue, job, rule)) return false;
  queue->waiting[queue->count++] = job;
  return true;
}

bool StartNextJob(JobQueue* queue, Job* job) {
  if (queue->count <= 0) return false;
  *job = queue->waiting[0];
  for (int i = 1; i < queue->count; ++i) queue->waiting[i - 1] = queue->waiting[i];
  --queue->count;
  queue->running = true;
  queue->runningKind = job->kind;
  return true;
}

void EndRunningJob(JobQueue* queue) {
  queue->running = false;
  queue->runningKind = 0;
}

int TakeWaitingJobs(JobQueue* queue, Job* out) {
  const int n = queue->count < 0 ? 0 : queue->count;
  for (int i = 0; i < n; ++i) out[i] = queue->waiting[i];
  queue->count = 0;
  return n;
}
