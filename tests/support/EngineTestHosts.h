// Host-services doubles for engine tests: count and fail allocations, cancel after a number of
// progress reports, record progress, and run bands either in order or on real threads.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <mutex>
#include <set>
#include <thread>
#include <utility>
#include <vector>

#include "base/KestrimondHost.h"
#include "tests/support/ThreadedBands.h"

class TestHost : public KestrimondHost {
 public:
  static constexpr int32_t kCancelled = -128;

  TestHost() : KestrimondHost("test", 1, 0, 0, "") {}

  // Configuration.
  int32_t processors = 1;           // what GetProcessorCount reports
  bool threaded = false;            // run bands on real threads (one per band up to `processors`)
  int64_t failAllocationAt = -1;    // 0-based index of the allocation that returns null
  int64_t cancelAfterReports = -1;  // report number (0-based) from which ReportProgress cancels

  // Observations.
  std::atomic<int64_t> allocations{0};
  std::atomic<int64_t> frees{0};
  std::vector<std::pair<int32_t, int32_t>> progress;  // only the calling thread reports

  int32_t ReportProgress(int32_t done, int32_t total) override {
    std::lock_guard<std::mutex> guard(lock);
    progress.emplace_back(done, total);
    if (cancelAfterReports >= 0 && int64_t(progress.size()) > cancelAfterReports) {
      return kCancelled;
    }
    return NoError();
  }

  void* AllocateMemory(size_t size) override {
    std::lock_guard<std::mutex> guard(lock);
    const int64_t index = allocations++;
    if (index == failAllocationAt) return nullptr;
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p != nullptr) live.insert(p);
    return p;
  }

  void FreeMemory(void* block) override {
    std::lock_guard<std::mutex> guard(lock);
    if (block == nullptr) return;
    ++frees;
    live.erase(block);
    std::free(block);
  }

  int32_t GetProcessorCount(int32_t* count) override {
    *count = processors;
    return NoError();
  }

  int32_t OutOfMemoryError() override { return -108; }

  // Dynamic hand-out of bands in increasing order; the calling thread works too and is the
  // only one that reports progress; a failing band on the calling thread stops the hand-out.
  int32_t RunParallel(int32_t n, void* data, KestrimondBandFunction fn) override {
    if (!threaded) return KestrimondHost::RunParallel(n, data, fn);
    return RunBandsOnThreads(n, processors, data, fn, NoError());
  }

  size_t LiveBlocks() {
    std::lock_guard<std::mutex> guard(lock);
    return live.size();
  }

  ~TestHost() override {
    for (void* p : live) std::free(p);
  }

 private:
  std::mutex lock;
  std::set<void*> live;
};
