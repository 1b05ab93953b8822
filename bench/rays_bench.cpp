// Ray blur and aberration filter on a 6000 x 4000 RGB float working image (origin at the
// centre, zoom start 0.5) with the four edge bands on two threads, as the pipeline runs them.
// The time includes allocating and clearing the accumulation image and the normalising pass.
// Two strengths show that the cost does not depend on the blur length; a one-thread run shows
// what the bands gain from the second core.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "engine/DynamicRgbA.h"
#include "engine/QuenaraFilter.h"
#include "engine/VolumetricAbberationFilter.h"
#include "tests/support/EngineTestHosts.h"

namespace {

using Working = StaticArgb<char, float, 0, 3, 0, 1>;
using Mask = DynamicRgbA<0, uint8_t, 0, 1, 0, 255>;
using Blur = QuenaraFilter<Working, Mask>;
using Aberration = VolumetricAbberationFilter<Working, Mask>;

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
template <class Filter>
void BM_RayFilter(benchmark::State& state) {
  const int32_t w = int32_t(state.range(0));
  const int32_t h = int32_t(state.range(1));
  const std::vector<float> picture = Picture(w, h);
  std::vector<float> work;
  TestHost host;
  host.threaded = state.range(3) > 1;
  host.processors = int32_t(state.range(3));
  for (auto _ : state) {
    state.PauseTiming();
    work = picture;
    state.ResumeTiming();
    Filter f(&host);
    f.source = f.destination = Working::Packed(work.data(), w, h);
    f.originX = w / 2;
    f.originY = h / 2;
    f.strength = double(state.range(2)) / 100.0;
    f.zoomStart = 0.5;
    if (f.Run(0, 1) != host.NoError()) state.SkipWithError("filter failed");
    benchmark::DoNotOptimize(work.data());
  }
}

BENCHMARK_TEMPLATE(BM_RayFilter, Blur)
    ->ArgNames({"w", "h", "strength%", "threads"})
    ->Args({6000, 4000, 25, 2})
    ->Args({6000, 4000, 100, 2})
    ->Args({6000, 4000, 25, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);

BENCHMARK_TEMPLATE(BM_RayFilter, Aberration)
    ->ArgNames({"w", "h", "strength%", "threads"})
    ->Args({6000, 4000, 25, 2})
    ->Args({6000, 4000, 100, 2})
    ->Args({6000, 4000, 25, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);

}  // namespace
