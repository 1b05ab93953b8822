// The process-wide worker pool behind pfFilter::RunParallel. Bands are handed out dynamically
// in increasing order under a lock; the calling thread works too and is the only one that may
// report progress, so cancel and the preview's message pumping stay on the host's thread.
//
// Beyond the calling thread's own result, a failing band on a worker thread also stops the
// hand-out and becomes the result of the run (unless the calling thread failed itself): a user
// who cancels or runs out of memory expects the render to stop and say so, whichever thread
// happened to notice.
//
// The pool's state is process-wide, so a run is not re-entrant: a band must not call Run.
#pragma once

#include <cstdint>

#include "base/KestrimondHost.h"
#include "base/pfLock.h"

// One worker thread's start block. threadHandle is the platform's handle (a HANDLE on Windows,
// the std::thread object natively); threadId the system's identifier where it has one.
struct pfWorkerSlot {
  int32_t bandCount = 0;
  int32_t ordinal = 0;
  KestrimondHost* host = nullptr;
  void* data = nullptr;
  KestrimondBandFunction bandFunction = nullptr;
  void* threadHandle = nullptr;
  uint32_t threadId = 0;
};

class pfWorkerPool {
 public:
  static constexpr int32_t kMaxThreads = 64;

  static pfWorkerPool& Instance();

  // Runs bands 0 .. n-1 of bandFunction on min(n, processors, 64) threads including the
  // calling thread, and returns once every started thread has ended.
  int32_t Run(KestrimondHost* host, int32_t n, int32_t processors, void* data,
              KestrimondBandFunction bandFunction);

  // Body of a worker thread; the platform's thread start calls it with the thread's slot.
  static uint32_t WorkerRoutine(pfWorkerSlot* slot);

  // Worker threads the last Run started (the calling thread not counted). For diagnostics.
  int32_t LastStartedWorkers() const { return lastStartedWorkers; }

 private:
  // Takes the next band under bandLock; false when none is left.
  bool TakeBand(int32_t n, int32_t* band);
  // Stops the hand-out; a worker's failure is remembered (the first one wins).
  void StopHandOut(int32_t n);
  void RecordWorkerFailure(int32_t n, int32_t result);

  int32_t nextBand = 0;
  bool workerFailed = false;
  int32_t workerFailure = 0;
  int32_t lastStartedWorkers = 0;
  pfLock bandLock;
  pfWorkerSlot workerSlots[kMaxThreads];
};

// Platform thread services (pfWorkerThreadsWin32.cpp with _beginthreadex, pfWorkerThreadsStd.cpp
// with std::thread). StartWorkerThread starts pfWorkerPool::WorkerRoutine(slot) at once at below
// normal priority and fills the slot's handle and identifier; false when no thread could start.
bool StartWorkerThread(pfWorkerSlot* slot);
// Waits without time limit for the slot's thread to end.
void JoinWorkerThread(pfWorkerSlot* slot);
void CloseWorkerThread(pfWorkerSlot* slot);
// Number of processors the operating system reports (at least 1).
int32_t SystemProcessorCount();
