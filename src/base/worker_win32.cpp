// The background worker: one thread at a time running queued jobs in order.
#include "base/worker_win32.h"

Worker BackgroundWorker;

namespace {

BOOL CALLBACK InitWorker(PINIT_ONCE, PVOID parameter, PVOID*) {
  Worker* worker = static_cast<Worker*>(parameter);
  InitializeCriticalSection(&worker->lock);
  ResetJobQueue(&worker->queue);
  return TRUE;
}

void Lock(Worker* worker) {
  InitOnceExecuteOnce(&worker->once, InitWorker, worker, nullptr);
  EnterCriticalSection(&worker->lock);
}

void Unlock(Worker* worker) { LeaveCriticalSection(&worker->lock); }

DWORD WINAPI WorkerThread(LPVOID parameter) {
  Worker* worker = static_cast<Worker*>(parameter);
  for (;;) {
    Job job;
    Lock(worker);
    if (worker->stopping.load() || !StartNextJob(&worker->queue, &job)) {
      worker->threadAlive = false;
      Unlock(worker);
      return 0;
    }
    Unlock(worker);
    job.run(job.context);
    Lock(worker);
    EndRunningJob(&worker->queue);
    Unlock(worker);
  }
}

}  // namespace

bool PostJob(Worker* worker, const Job& job, JobRule rule) {
  Lock(worker);
  bool queued = false;
  if (!worker->stopping.load() && JobAdmissible(worker->queue, job, rule)) {
    if (!worker->threadAlive) {
      // The thread before this one has left its loop; only its handle is left to close.
      if (worker->thread != nullptr) CloseHandle(worker->thread);
      worker->thread = CreateThread(nullptr, 0, WorkerThread, worker, 0, nullptr);
      worker->threadAlive = worker->thread != nullptr;
    }
    // The new thread waits for the lock, so the job is in the queue before it looks.
    queued = worker->threadAlive && AdmitJob(&worker->queue, job, rule);
  }
  Unlock(worker);
  return queued;
}

bool WorkerStopping(const Worker* worker) { return worker->stopping.load(); }

bool StopWorker(Worker* worker, unsigned ms) {
  Job dropped[kJobQueueCapacity];
  Lock(worker);
  worker->stopping = true;
  const int n = TakeWaitingJobs(&worker->queue, dropped);
  HANDLE running = worker->threadAlive ? worker->thread : nullptr;
  Unlock(worker);
  for (int i = 0; i < n; ++i) {
    if (dropped[i].drop != nullptr) dropped[i].drop(dropped[i].context);
  }
  // Only PostJob closes the handle, and it refuses while stopping.
  const bool ended = running == nullptr || WaitForSingleObject(running, ms) == WAIT_OBJECT_0;
  if (ended) {
    Lock(worker);
    if (worker->thread != nullptr) CloseHandle(worker->thread);
    worker->thread = nullptr;
    worker->threadAlive = false;
    ResetJobQueue(&worker->queue);
    worker->stopping = false;
    Unlock(worker);
  }
  return ended;
}
