// Ray blur and aberration filter on a 6000 x 4000 RGB float working image (origin at the
// centre, zoom start 0.5) with the four edge bands on two threads, as the pipeline runs them.
// The time includes allocating and clearing the accumulation image and the normalising pass.
//
// Two hosts: the test host takes every block from the general heap, so each run touches
// 384 MB of fresh pages for its accumulation image (on a virtual machine the page faults alone
// cost about a second of processor time); the pooled host hands freed blocks out again, as a
// host's own buffer pool does, which leaves the filter's own work. Two strengths show that the
// cost does not depend on the blur length; a one-thread run shows what the second core gains.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <map>
#include <mutex>
#include <vector>

#include "engine/DynamicRgbA.h"
#include "engine/QuenaraFilter.h"
#include "engine/VolumetricAbberationFilter.h"
#include "tests/support/EngineTestHosts.h"

namespace {

using Working = StaticArgb<char, float, 0, 3, 0, 1>;
using Blur = QuenaraFilter<Working>;
using Aberration = VolumetricAbberationFilter<Working>;

// Keeps freed blocks and hands them out again for requests of the same size.
class PooledHost : public TestHost {
 public:
  void* AllocateMemory(size_t size) override {
    std::lock_guard<std::mutex> guard(poolLock);
    void* block = nullptr;
    auto it = pool.find(size);
    if (it != pool.end()) {
      block = it->second;
      pool.erase(it);
    } else {
      block = std::malloc(size);
    }
    if (block != nullptr) sizes[block] = size;
    return block;
  }
  void FreeMemory(void* block) override {
    std::lock_guard<std::mutex> guard(poolLock);
    auto it = sizes.find(block);
    if (it == sizes.end()) return;
    pool.emplace(it->second, block);
    sizes.erase(it);
  }
  ~PooledHost() override {
    for (auto& entry : pool) std::free(entry.second);
  }

 private:
  std::mutex poolLock;
  std::multimap<size_t, void*> pool;
  std::map<void*, size_t> sizes;
};

std::vector<float> Picture(int32_t w, int32_t h) {
  std::vector<float> v(size_t(w) * size_t(h) * 3);
  uint32_t s = 1;
  for (float& x : v) {
    s = s * 1664525u + 1013904223u;
    x = float(s >> 8) / float(1u << 24);
  }
  return v;
}

// Args: width, height, strength in percent, threads.
template <class Filter, class Host>
void BM_RayFilter(benchmark::State& state) {
  const int32_t w = int32_t(state.range(0));
  const int32_t h = int32_t(state.range(1));
  const std::vector<float> picture = Picture(w, h);
  std::vector<float> work;
  Host host;
  host.threaded = state.range(3) > 1;
  host.processors = int32_t(state.range(3));
  auto run = [&] {
    Filter f(&host);
    f.source = f.destination = Working::Packed(work.data(), w, h);
    f.originX = w / 2;
    f.originY = h / 2;
    f.strength = double(state.range(2)) / 100.0;
    f.zoomStart = 0.5;
    return f.Run(0, 1);
  };
  // Every repetition gets a new host: fill the pool once, untimed (the plain test host keeps
  // nothing, so this changes nothing for it).
  work = picture;
  if (run() != host.NoError()) state.SkipWithError("filter failed");
  for (auto _ : state) {
    state.PauseTiming();
    work = picture;
    state.ResumeTiming();
    if (run() != host.NoError()) state.SkipWithError("filter failed");
    benchmark::DoNotOptimize(work.data());
  }
}

void Sizes(benchmark::internal::Benchmark* b) {
  b->ArgNames({"w", "h", "strength%", "threads"})
      ->Args({6000, 4000, 25, 2})
      ->Args({6000, 4000, 100, 2})
      ->Args({6000, 4000, 25, 1})
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime()
      ->Iterations(1)
      ->Repetitions(7)
      ->ReportAggregatesOnly(true);
}

BENCHMARK_TEMPLATE(BM_RayFilter, Blur, PooledHost)->Apply(Sizes);
BENCHMARK_TEMPLATE(BM_RayFilter, Aberration, PooledHost)->Apply(Sizes);
BENCHMARK_TEMPLATE(BM_RayFilter, Blur, TestHost)->Apply(Sizes);
BENCHMARK_TEMPLATE(BM_RayFilter, Aberration, TestHost)->Apply(Sizes);

}  // namespace
