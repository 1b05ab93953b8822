// Host services for benchmark programs: bands are handed out dynamically to `threads` threads
// (the calling thread included), started per call as the plug-in's own host does; progress is
// accepted and ignored.
#pragma once

#include "base/KestrimondHost.h"
#include "tests/support/ThreadedBands.h"

class BenchHost : public KestrimondHost {
 public:
  explicit BenchHost(int32_t threads_ = 2)
      : KestrimondHost("bench", 1, 0, 0, ""), threads(threads_) {}

  int32_t GetProcessorCount(int32_t* count) override {
    *count = threads;
    return NoError();
  }

  int32_t RunParallel(int32_t n, void* data, KestrimondBandFunction fn) override {
    return RunBandsOnThreads(n, threads, data, fn, NoError());
  }

 private:
  int32_t threads;
};
