// Whole renders of the effect through the plug-in's own host services (worker pool, heap), at
// the final size of a 24-megapixel 16-bit RGB image and at preview size, with the default
// parameters. Counters report the peak of the memory the render takes through AllocateMemory
// against the budget of one working image, one accumulation image and small tables.
//
//   effect_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "bench/DuskImage.h"
#include "effect/QuenaraRender.h"
#include "effect/pfFilterQuenara.h"

namespace {

using Clock = std::chrono::steady_clock;

// CPU seconds of the whole process (all threads): on a machine shared with other work the
// wall time of a stage says little, its CPU time still says what it costs.
double ProcessCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// The plug-in's filter as the host, with its allocations counted and the time of each stage's
// first progress report noted (stage = the report's sixth of its total: selection, mask,
// linearisation, shift, blur, compositing).
class CountingFilter : public pfFilterQuenara {
 public:
  CountingFilter() : pfFilterQuenara("bench", 1, 0, 0, "") {}

  int32_t ReportProgress(int32_t done, int32_t total) override {
    const int32_t stage = total > 0 ? int32_t(int64_t(done) * 6 / total) : 0;
    if (stage >= 0 && stage < 6 && stageStart[size_t(stage)] == Clock::time_point{}) {
      stageStart[size_t(stage)] = Clock::now();
      stageCpu[size_t(stage)] = ProcessCpuSeconds();
    }
    return pfFilterQuenara::ReportProgress(done, total);
  }

  void* AllocateMemory(size_t size) override {
    void* p = pfFilterQuenara::AllocateMemory(size);
    std::lock_guard<std::mutex> guard(countLock);
    if (p != nullptr) {
      sizes[p] = size;
      current += size;
      if (current > peak) peak = current;
    }
    return p;
  }
  void FreeMemory(void* block) override {
    {
      std::lock_guard<std::mutex> guard(countLock);
      auto it = sizes.find(block);
      if (it != sizes.end()) {
        current -= it->second;
        sizes.erase(it);
      }
    }
    pfFilterQuenara::FreeMemory(block);
  }

  size_t peak = 0;
  std::array<Clock::time_point, 6> stageStart{};
  std::array<double, 6> stageCpu{};

 private:
  std::mutex countLock;
  std::map<void*, size_t> sizes;
  size_t current = 0;
};

void RenderDefault(benchmark::State& state) {
  const int32_t w = int32_t(state.range(0)), h = int32_t(state.range(1)),
                depth = int32_t(state.range(2));
  DuskImage image(w, h, depth);
  CountingFilter filter;
  const FilterRecord record = image.Record();
  const QuenaraRenderValues values = filter.GetRenderValues();  // the parameters' initial values
  std::array<double, 7> stageSeconds{};
  std::array<double, 7> stageCpuSeconds{};
  for (auto _ : state) {
    filter.stageStart = {};
    const Clock::time_point start = Clock::now();
    const double startCpu = ProcessCpuSeconds();
    const int32_t result = RenderQuenara(&filter, record, values);
    const Clock::time_point end = Clock::now();
    const double endCpu = ProcessCpuSeconds();
    if (result != 0) state.SkipWithError("render failed");
    benchmark::DoNotOptimize(image.out.data());
    // Each stage runs until the next one reports; the mask stage reports nothing without a
    // mask and counts with the selection.
    size_t running = 0;  // 0 set-up, 1 + s stage s
    Clock::time_point from = start;
    double fromCpu = startCpu;
    for (size_t s = 0; s < 6; ++s) {
      if (filter.stageStart[s] == Clock::time_point{}) continue;
      stageSeconds[running] += std::chrono::duration<double>(filter.stageStart[s] - from).count();
      stageCpuSeconds[running] += filter.stageCpu[s] - fromCpu;
      from = filter.stageStart[s];
      fromCpu = filter.stageCpu[s];
      running = 1 + s;
    }
    stageSeconds[running] += std::chrono::duration<double>(end - from).count();
    stageCpuSeconds[running] += endCpu - fromCpu;
  }
  // Budget: the working image (3 floats a pixel), one accumulation image (3 channels and a
  // weight) and small tables.
  const double pixels = double(w) * double(h);
  const double budget = pixels * 3 * 4 + pixels * 4 * 4;
  state.counters["peak_MB"] = double(filter.peak) / 1e6;
  state.counters["peak_vs_budget"] = double(filter.peak) / budget;
  state.counters["Mpixel"] = pixels / 1e6;
  // Milliseconds per render, wall and CPU: set-up (allocation, tables) until the selection's
  // first row, then each stage until the next one's first row.
  const char* names[7] = {"setup", "select", "mask", "linear", "shift", "blur", "composite"};
  for (size_t s = 0; s < 7; ++s) {
    if (stageSeconds[s] > 0.0) {
      state.counters[std::string("ms_") + names[s]] =
          benchmark::Counter(stageSeconds[s] * 1e3, benchmark::Counter::kAvgIterations);
      state.counters[std::string("cpu_ms_") + names[s]] =
          benchmark::Counter(stageCpuSeconds[s] * 1e3, benchmark::Counter::kAvgIterations);
    }
  }
}

BENCHMARK(RenderDefault)
    ->Args({6000, 4000, 16})
    ->Args({1000, 667, 16})
    ->Args({1000, 667, 8})
    // The dialog's preview of the 6000 x 4000 image in a 400 x 400 frame: reduced 16 times.
    ->Args({375, 250, 16})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

}  // namespace
