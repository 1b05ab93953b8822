// Speed of the engine's first stages on a 24-megapixel 8-bit RGB image (6000 x 4000) with bands
// on two threads: the HSL range selection (default and softened lightness ranges) and the mask
// multiplication, plus the copy back to host samples, clearing an accumulation image and the
// single-threaded sub-pixel shift.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "bench/BenchHost.h"
#include "engine/ClearImageFilter.h"
#include "engine/CopyImageFilter.h"
#include "engine/HslRangeSelectionFilter.h"
#include "engine/LayoutDispatch.h"
#include "engine/MoveSubPixelImageFilter.h"
#include "engine/MultImageFilter.h"

namespace {

constexpr int32_t kWidth = 6000;
constexpr int32_t kHeight = 4000;

using Layout = LayoutTag<uint8_t, 255, 0, 3>;
using Host = Layout::Host;
using Mask = Layout::Mask;
using Working = Layout::Working;
using Accumulation = Layout::Accumulation;

// One set of buffers shared by all benchmarks: host RGB with a fourth interleaved plane (as
// hosts deliver layers), a one-channel mask, a float working image and an accumulation image.
struct Buffers {
  std::vector<uint8_t> rgb;
  std::vector<uint8_t> mask;
  std::vector<float> working;
  std::vector<float> accumulation;

  Buffers()
      : rgb(size_t(kWidth) * kHeight * 4),
        mask(size_t(kWidth) * kHeight),
        working(size_t(kWidth) * kHeight * Working::kChannels, 0.5f),
        accumulation(size_t(kWidth) * kHeight * Accumulation::kChannels) {
    // Noise, so that no branch or cache gets an easy ride.
    std::mt19937 rng(7);
    for (auto& b : rgb) b = uint8_t(rng());
    for (auto& b : mask) b = uint8_t(rng());
  }

  Host HostView() {
    Host v;
    v.base = rgb.data();
    v.cursor = v.base;
    v.width = kWidth;
    v.height = kHeight;
    v.rowBytes = kWidth * 4;
    v.columnBytes = 4;
    v.valid = true;
    return v;
  }

  Mask MaskView() {
    Mask v;
    v.base = mask.data();
    v.cursor = v.base;
    v.width = kWidth;
    v.height = kHeight;
    v.rowBytes = kWidth;
    v.columnBytes = 1;
    v.valid = true;
    return v;
  }

  Working WorkingView() { return Working::Packed(working.data(), kWidth, kHeight); }
};

Buffers& Shared() {
  static Buffers buffers;
  return buffers;
}

// The argument is the number of threads: 2 is the target machine; with 1 the CPU column is
// the whole cost, which stays meaningful when other work loads the machine.
void RunSelection(benchmark::State& state, const HslRangeSettings& settings) {
  Buffers& b = Shared();
  BenchHost host(int32_t(state.range(0)));
  for (auto _ : state) {
    HslRangeSelectionFilter<Host, Working, Host> filter(&host, b.HostView(), b.WorkingView(),
                                                        b.HostView(), settings);
    benchmark::DoNotOptimize(filter.Run(0, 1));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * int64_t(kWidth) * kHeight);
}

HslRangeSettings LightnessBand(double soften) {
  HslRangeSettings s;
  s.lightnessLow = 30.0 / 255;
  s.lightnessHigh = 220.0 / 255;
  s.lightnessClimax = 0.2;
  s.lightnessSoften = soften;
  return s;
}

void BM_SelectionDefault(benchmark::State& state) { RunSelection(state, HslRangeSettings{}); }
void BM_SelectionLightnessBand(benchmark::State& state) { RunSelection(state, LightnessBand(0.0)); }
void BM_SelectionSoftened(benchmark::State& state) { RunSelection(state, LightnessBand(1.5)); }

void BM_Mask(benchmark::State& state) {
  Buffers& b = Shared();
  BenchHost host(int32_t(state.range(0)));
  for (auto _ : state) {
    MultImageFilter<Working, Mask> filter(&host, b.WorkingView(), b.MaskView());
    benchmark::DoNotOptimize(filter.Run(0, 1));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * int64_t(kWidth) * kHeight);
}

void BM_CopyToHost(benchmark::State& state) {
  Buffers& b = Shared();
  BenchHost host(int32_t(state.range(0)));
  for (auto _ : state) {
    CopyImageFilter<Working, Host> filter(&host, b.WorkingView(), b.HostView());
    benchmark::DoNotOptimize(filter.Run(0, 1));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * int64_t(kWidth) * kHeight);
}

void BM_ClearAccumulation(benchmark::State& state) {
  Buffers& b = Shared();
  BenchHost host(int32_t(state.range(0)));
  for (auto _ : state) {
    ClearImageFilter<Accumulation> filter(
        &host, Accumulation::Packed(b.accumulation.data(), kWidth, kHeight));
    benchmark::DoNotOptimize(filter.Run(0, 1));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * int64_t(kWidth) * kHeight);
}

void BM_MoveSubPixel(benchmark::State& state) {
  Buffers& b = Shared();
  BenchHost host(1);
  for (auto _ : state) {
    MoveSubPixelImageFilter<Working> filter(&host, b.WorkingView(), 0.3, -0.4);
    benchmark::DoNotOptimize(filter.Run(0, 1));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * int64_t(kWidth) * kHeight);
}

}  // namespace

BENCHMARK(BM_SelectionDefault)->Unit(benchmark::kMillisecond)->UseRealTime()->Arg(1)->Arg(2);
BENCHMARK(BM_SelectionLightnessBand)->Unit(benchmark::kMillisecond)->UseRealTime()->Arg(1)->Arg(2);
BENCHMARK(BM_SelectionSoftened)->Unit(benchmark::kMillisecond)->UseRealTime()->Arg(1)->Arg(2);
BENCHMARK(BM_Mask)->Unit(benchmark::kMillisecond)->UseRealTime()->Arg(1)->Arg(2);
BENCHMARK(BM_CopyToHost)->Unit(benchmark::kMillisecond)->UseRealTime()->Arg(1)->Arg(2);
BENCHMARK(BM_ClearAccumulation)->Unit(benchmark::kMillisecond)->UseRealTime()->Arg(1)->Arg(2);
BENCHMARK(BM_MoveSubPixel)->Unit(benchmark::kMillisecond)->UseRealTime();
