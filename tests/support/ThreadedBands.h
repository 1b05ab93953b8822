// Band hand-out on real threads for test and benchmark hosts: bands go out dynamically in
// increasing order to at most `threads` threads, the calling thread included; only the calling
// thread reports progress, and its first failing band stops the hand-out.
#pragma once

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "base/KestrimondHost.h"

inline int32_t RunBandsOnThreads(int32_t n, int32_t threads, void* data, KestrimondBandFunction fn,
                                 int32_t noError) {
  std::atomic<int32_t> next{0};
  std::vector<std::thread> workers;
  const int32_t count = std::min(n, std::max(threads, 1));
  for (int32_t i = 0; i + 1 < count; ++i) {
    workers.emplace_back([&] {
      for (int32_t band = next++; band < n; band = next++) fn(data, band, n, 0);
    });
  }
  int32_t result = noError;
  for (int32_t band = next++; band < n; band = next++) {
    result = fn(data, band, n, 1);
    if (result != noError) {
      next = n;
      break;
    }
  }
  for (auto& w : workers) w.join();
  return result;
}
