#include "host/pfWorkerPool.h"

#include <algorithm>

namespace {
// Created when the library loads and deleted when it unloads, like the host's thread.
pfWorkerPool thePool;
}  // namespace

pfWorkerPool& pfWorkerPool::Instance() { return thePool; }

bool pfWorkerPool::TakeBand(int32_t n, int32_t* band) {
  pfLockGuard guard(bandLock);
  if (nextBand >= n) return false;
  *band = nextBand++;
  return true;
}

void pfWorkerPool::StopHandOut(int32_t n) {
  pfLockGuard guard(bandLock);
  nextBand = n;
}

void pfWorkerPool::RecordWorkerFailure(int32_t n, int32_t result) {
  pfLockGuard guard(bandLock);
  if (!workerFailed) {
    workerFailed = true;
    workerFailure = result;
  }
  nextBand = n;
}

uint32_t pfWorkerPool::WorkerRoutine(pfWorkerSlot* slot) {
  pfWorkerPool& pool = Instance();
  const int32_t n = slot->bandCount;
  int32_t band = 0;
  while (pool.TakeBand(n, &band)) {
    const int32_t result = slot->bandFunction(slot->data, band, n, 0);
    if (result != slot->host->NoError()) {
      pool.RecordWorkerFailure(n, result);
      break;
    }
  }
  return 0;
}

int32_t pfWorkerPool::Run(KestrimondHost* host, int32_t n, int32_t processors, void* data,
                          KestrimondBandFunction bandFunction) {
  {
    pfLockGuard guard(bandLock);
    nextBand = 0;
    workerFailed = false;
    workerFailure = host->NoError();
  }
  const int32_t threads = std::min({n, processors, kMaxThreads});

  // One thread fewer than the worker count: the calling thread works as well.
  int32_t started = 0;
  for (int32_t i = 0; i + 1 < threads; ++i) {
    pfWorkerSlot& slot = workerSlots[started];
    slot.bandCount = n;
    slot.ordinal = started;
    slot.host = host;
    slot.data = data;
    slot.bandFunction = bandFunction;
    slot.threadHandle = nullptr;
    slot.threadId = 0;
    // A thread that cannot start only costs parallelism: the bands it would have taken are
    // handed to the threads that run.
    if (StartWorkerThread(&slot)) ++started;
  }
  lastStartedWorkers = started;

  int32_t result = host->NoError();
  int32_t band = 0;
  while (TakeBand(n, &band)) {
    result = bandFunction(data, band, n, 1);
    if (result != host->NoError()) {
      StopHandOut(n);
      break;
    }
  }

  for (int32_t i = 0; i < started; ++i) JoinWorkerThread(&workerSlots[i]);
  for (int32_t i = 0; i < started; ++i) CloseWorkerThread(&workerSlots[i]);

  if (result == host->NoError()) {
    pfLockGuard guard(bandLock);
    if (workerFailed) result = workerFailure;
  }
  return result;
}
