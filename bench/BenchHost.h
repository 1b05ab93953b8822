// Host services for benchmark programs: bands are handed out dynamically to `threads` threads
// (the calling thread included), started per call as the plug-in's own host does; progress is
// accepted and ignored.
#pragma once

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "host/KestrimondHost.h"

class BenchHost : public KestrimondHost {
 public:
  explicit BenchHost(int32_t threads_ = 2)
      : KestrimondHost("bench", 1, 0, 0, ""), threads(threads_) {}

  int32_t GetProcessorCount(int32_t* count) override {
    *count = threads;
    return NoError();
  }

  int32_t RunParallel(int32_t n, void* data, KestrimondBandFunction fn) override {
    std::atomic<int32_t> next{0};
    std::vector<std::thread> workers;
    const int32_t count = std::min(n, std::max(threads, 1));
    for (int32_t i = 0; i + 1 < count; ++i) {
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

 private:
  int32_t threads;
};
