// The engine-level host services for tests and benchmarks, in one implementation: count
// allocations, cancel after a number of progress reports, record progress, and run bands either
// in order or on real threads (handed out dynamically in increasing order, the calling thread
// working too and alone reporting progress, its first failing band stopping the hand-out).
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

class TestHost : public KestrimondHost {
 public:
  static constexpr int32_t kCancelled = -128;

  TestHost() : KestrimondHost("test", 1, 0, 0, "") {}

  // Configuration.
  int32_t processors = 1;           // what GetProcessorCount reports
  bool threaded = false;            // run bands on real threads (one per band up to `processors`)
  int64_t cancelAfterReports = -1;  // report number (0-based) from which ReportProgress cancels
  bool recordProgress = true;       // off for benchmarks, whose runs would collect millions

  // Observations.
  std::atomic<int64_t> allocations{0};
  std::atomic<int64_t> frees{0};
  std::vector<std::pair<int32_t, int32_t>> progress;  // only the calling thread reports

  int32_t ReportProgress(int32_t done, int32_t total) override {
    std::lock_guard<std::mutex> guard(lock);
    if (recordProgress) progress.emplace_back(done, total);
    const int64_t report = reports++;
    if (cancelAfterReports >= 0 && report >= cancelAfterReports) return kCancelled;
    return NoError();
  }

  void* AllocateMemory(size_t size) override {
    std::lock_guard<std::mutex> guard(lock);
    ++allocations;
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

  int32_t RunParallel(int32_t n, void* data, KestrimondBandFunction fn) override {
    if (!threaded) return KestrimondHost::RunParallel(n, data, fn);
    std::atomic<int32_t> next{0};
    std::vector<std::thread> workers;
    for (int32_t i = 0; i + 1 < std::min(n, std::max(processors, 1)); ++i) {
      workers.emplace_back([&] {
        for (int32_t band = next++; band < n; band = next++) fn(data, band, n, 0);
      });
    }
    int32_t result = NoError();
    for (int32_t band = next++; band < n; band = next++) {
      result = fn(data, band, n, 1);
      if (result != NoError()) {
        next = n;
        break;
      }
    }
    for (auto& w : workers) w.join();
    return result;
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
  int64_t reports = 0;
};

// The benchmark programs' host: the same services on `threads` threads (started per call, as the
// plug-in's own host does), nothing recorded.
class BenchHost : public TestHost {
 public:
  explicit BenchHost(int32_t threads = 2) {
    processors = threads;
    threaded = true;
    recordProgress = false;
  }
};
