// Speed of the engine's stages around the ray blur on a 24-megapixel image (6000 x 4000) with
// bands on one and two threads: on 8-bit RGB the HSL range selection (default and softened
// lightness ranges), the mask multiplication, the copy back to host samples, clearing an
// accumulation image and the sub-pixel shift; on 16-bit RGB with the effect's default
// parameters the linearisation and the compositing bands.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "engine/ClearImageFilter.h"
#include "engine/CopyImageFilter.h"
#include "engine/HslRangeSelectionFilter.h"
#include "engine/LayoutDispatch.h"
#include "engine/MoveSubPixelImageFilter.h"
#include "engine/MultImageFilter.h"
#include "engine/QuenaraEffect.h"
#include "tests/support/EngineTestHosts.h"

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

// The argument is the number of threads: 2 is the target machine. The CPU column is that of
// the whole process, which stays meaningful when other work loads the machine.
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
  BenchHost host(int32_t(state.range(0)));
  for (auto _ : state) {
    MoveSubPixelImageFilter<Working> filter(&host, b.WorkingView(), 0.3, -0.4);
    benchmark::DoNotOptimize(filter.Run(0, 1));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * int64_t(kWidth) * kHeight);
}

// 16-bit RGB with three planes, as the whole-render benchmark delivers it, and its output.
using Layout16 = LayoutTag<uint16_t, 32768, 0, 3>;
using Effect16 = QuenaraEffect<Layout16::Host, Layout16::Mask>;

struct Buffers16 {
  std::vector<uint16_t> in;
  std::vector<uint16_t> out;

  Buffers16() : in(size_t(kWidth) * kHeight * 3), out(in.size()) {
    std::mt19937 rng(11);
    for (auto& s : in) s = uint16_t(rng() % 32769);
  }

  Layout16::Host View(std::vector<uint16_t>& samples) {
    Layout16::Host v;
    v.base = reinterpret_cast<uint8_t*>(samples.data());
    v.cursor = v.base;
    v.width = kWidth;
    v.height = kHeight;
    v.rowBytes = kWidth * 6;
    v.columnBytes = 6;
    v.valid = true;
    return v;
  }
};

Buffers16& Shared16() {
  static Buffers16 buffers;
  return buffers;
}

// Random levels in the working image, so that the table loads hit all over the tables.
void FillWorkingWithNoise(std::vector<float>& working) {
  std::mt19937 rng(3);
  std::uniform_real_distribution<float> level(0.0f, 1.0f);
  for (auto& f : working) f = level(rng);
}

void BM_Linearise(benchmark::State& state) {
  Buffers& b = Shared();
  FillWorkingWithNoise(b.working);
  const std::vector<float> noise = b.working;
  std::vector<float> table(Effect16::kLinearTableSize);
  Effect16::FillLinearTable(table.data());
  for (auto _ : state) {
    state.PauseTiming();  // keep the levels spread: linearising twice would darken them
    std::copy(noise.begin(), noise.end(), b.working.begin());
    state.ResumeTiming();
    const Effect16::LinearLight linear{b.WorkingView(), table.data()};
    for (int32_t y = 0; y < kHeight; ++y) linear.LineariseRow(b.WorkingView().Row(y));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * int64_t(kWidth) * kHeight);
}

// The compositing bands as the effect runs them: default parameters (linear light, gamma 1,
// contrast 0, "normal"), undoing the half-pixel shift of a centred origin.
struct CompositeBands {
  KestrimondHost* host;
  CompositingBand<Layout16::Host> band;
  int32_t ProcessBand(int32_t index, int32_t count, bool report) const {
    return band.Process(index, count, report);
  }
};

void BM_Composite16(benchmark::State& state) {
  Buffers& b = Shared();
  FillWorkingWithNoise(b.working);
  Buffers16& b16 = Shared16();
  BenchHost host(int32_t(state.range(0)));
  QuenaraSettings settings;
  settings.linearLight = true;
  CompositeBands bands{&host, CompositingBand<Layout16::Host>(&host, settings)};
  bands.band.source = b16.View(b16.in);
  bands.band.destination = b16.View(b16.out);
  bands.band.blurred = b.WorkingView();
  bands.band.shiftX = 0.5;
  bands.band.shiftY = 0.5;
  bands.band.progressIndex = 5;
  bands.band.progressTotal = 6;
  for (auto _ : state) {
    benchmark::DoNotOptimize(RunBands(bands));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * int64_t(kWidth) * kHeight);
}

// Milliseconds of wall time, CPU time of all threads, on one and on two threads.
void OneAndTwoThreads(benchmark::internal::Benchmark* b) {
  b->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()->Arg(1)->Arg(2);
}

// The shift and the linearisation run on the calling thread only.
void CallingThread(benchmark::internal::Benchmark* b) {
  b->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()->Arg(1);
}

}  // namespace

BENCHMARK(BM_SelectionDefault)->Apply(OneAndTwoThreads);
BENCHMARK(BM_SelectionLightnessBand)->Apply(OneAndTwoThreads);
BENCHMARK(BM_SelectionSoftened)->Apply(OneAndTwoThreads);
BENCHMARK(BM_Mask)->Apply(OneAndTwoThreads);
BENCHMARK(BM_CopyToHost)->Apply(OneAndTwoThreads);
BENCHMARK(BM_ClearAccumulation)->Apply(OneAndTwoThreads);
BENCHMARK(BM_MoveSubPixel)->Apply(CallingThread);
BENCHMARK(BM_Linearise)->Apply(CallingThread);
BENCHMARK(BM_Composite16)->Apply(OneAndTwoThreads);
