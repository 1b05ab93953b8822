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
#include <cstring>
#include <ctime>
#include <map>
#include <mutex>
#include <string>
#include <vector>

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

struct HostImage {
  HostImage(int32_t w, int32_t h, int32_t depth)
      : width(w),
        height(h),
        sampleBytes(depth == 16 ? 2 : 1),
        rowBytes(w * 3 * sampleBytes),
        in(size_t(rowBytes) * h),
        out(in.size()) {
    // A dusk gradient with a grid of bright lamps, so that the selection and the blur see
    // structure rather than a constant.
    const int32_t full = depth == 16 ? 32768 : 255;
    for (int32_t y = 0; y < h; ++y) {
      for (int32_t x = 0; x < w; ++x) {
        const bool lamp = (x % 397) < 6 && (y % 311) < 6;
        for (int32_t k = 0; k < 3; ++k) {
          const int32_t v = lamp ? full : int32_t(int64_t(full) * (y + k * h / 8) / (2 * h));
          const size_t at =
              size_t(y) * rowBytes + size_t(x) * 3 * sampleBytes + size_t(k) * sampleBytes;
          if (sampleBytes == 2) {
            const uint16_t s = uint16_t(v);
            std::memcpy(&in[at], &s, 2);
          } else {
            in[at] = uint8_t(v);
          }
        }
      }
    }
  }

  FilterRecord Record() {
    FilterRecord r;
    std::memset(&r, 0, sizeof r);
    r.imageMode = sampleBytes == 2 ? plugInModeRGB48 : plugInModeRGBColor;
    r.depth = sampleBytes * 8;
    r.inLayerPlanes = 3;
    r.planes = 3;
    r.outRect = Rect{0, 0, int16_t(height), int16_t(width)};
    r.inData = in.data();
    r.outData = out.data();
    r.inRowBytes = r.outRowBytes = rowBytes;
    return r;
  }

  int32_t width, height, sampleBytes, rowBytes;
  std::vector<uint8_t> in, out;
};

void RenderDefault(benchmark::State& state) {
  const int32_t w = int32_t(state.range(0)), h = int32_t(state.range(1)),
                depth = int32_t(state.range(2));
  HostImage image(w, h, depth);
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
