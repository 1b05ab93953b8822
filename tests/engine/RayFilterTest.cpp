// The ray blur and the aberration filter against the plain reference, on threads against a
// sequential run, and their cancel and allocation-failure paths.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <tuple>
#include <vector>

#include "engine/DynamicRgbA.h"
#include "engine/QuenaraFilter.h"
#include "engine/RayIsa.h"
#include "engine/VolumetricAbberationFilter.h"
#include "tests/engine/HostBuffers.h"
#include "tests/engine/RayReference.h"
#include "tests/support/EngineTestHosts.h"

namespace {

using Map8 = DynamicRgbA<0, uint8_t, 0, 1, 0, 255>;
using Map16 = DynamicRgbA<0, uint16_t, 0, 1, 0, 32768>;

struct Params {
  int32_t ox = 0;
  int32_t oy = 0;
  double zoomStart = 0.5;
  double strength = 0.25;
  double holdout = 0.0;
  bool invert = false;
};

// Deterministic pseudo-random values in [lo, hi).
std::vector<float> Noise(size_t count, uint32_t seed, float lo = 0.0f, float hi = 1.0f) {
  std::vector<float> v(count);
  uint32_t s = seed * 2654435761u + 12345u;
  for (float& x : v) {
    s = s * 1664525u + 1013904223u;
    x = lo + (hi - lo) * float(s >> 8) / float(1u << 24);
  }
  return v;
}

// A one-channel strength map of the given depth filled with pseudo-random samples (or
// `constant` when it is not negative).
template <class Mask>
struct StrengthMap {
  using Sample = typename Mask::SampleType;
  HostImage<Sample> image;
  StrengthMap(int32_t w, int32_t h, uint32_t seed, int32_t constant = -1) : image(w, h, 1, 3) {
    const std::vector<float> r = Noise(size_t(w) * size_t(h), seed);
    for (int32_t y = 0; y < h; ++y) {
      for (int32_t x = 0; x < w; ++x) {
        const int32_t s =
            constant >= 0 ? constant : int32_t(r[size_t(y * w + x)] * Mask::kFullScale);
        image.Set(x, y, 0, Sample(s));
      }
    }
  }
  Mask View() { return image.template MakeView<Mask>(); }
  // Strength is the sample divided by the full scale (a division here, not the engine's
  // reciprocal).
  std::vector<double> Values() const {
    std::vector<double> v;
    for (int32_t y = 0; y < image.height; ++y) {
      for (int32_t x = 0; x < image.width; ++x) {
        v.push_back(double(image.Get(x, y, 0)) / double(Mask::kFullScale));
      }
    }
    return v;
  }
};

template <class Filter>
void Configure(Filter& f, const Params& p) {
  f.zoomStart = p.zoomStart;
  f.strength = p.strength;
  f.holdoutRadius = p.holdout;
  f.originX = p.ox;
  f.originY = p.oy;
  if constexpr (requires { f.invertGradient; }) f.invertGradient = p.invert ? 1 : 0;
}

// Runs the filter in place on `pixels` (F floats per pixel); returns the host result.
template <class Filter, class Map = Map8>
int32_t RunInPlace(TestHost& host, std::vector<float>& pixels, int32_t w, int32_t h,
                   const Params& p, const Map* map = nullptr, RayIsa isa = RayBestIsa()) {
  using Working = decltype(Filter::Base::source);
  Filter f(&host);
  f.source = Working::Packed(pixels.data(), w, h);
  f.destination = f.source;
  f.isa = isa;
  if (map != nullptr) f.strengthMap = RayStrengthMap::Of(*map);
  Configure(f, p);
  return f.Run(0, 1);
}

double MaxDifference(const std::vector<float>& got, const std::vector<double>& want) {
  double worst = 0.0;
  for (size_t i = 0; i < want.size(); ++i) {
    worst = std::max(worst, std::fabs(double(got[i]) - want[i]));
  }
  return worst;
}

// Single-precision accumulation of a few dozen contributions per pixel against the double
// reference: a few units in the sixth decimal at most.
constexpr double kAccumulationTolerance = 2e-5;

// The instruction sets this processor runs the step loops with.
std::vector<RayIsa> Isas() {
  if (RayBestIsa() == kRayIsaBaseline) return {kRayIsaBaseline};
  return {kRayIsaBaseline, RayBestIsa()};
}

// Filter output against the reference for one case, with an optional strength map, with every
// instruction set the processor has.
template <class Filter>
void ExpectMatchesReference(int32_t w, int32_t h, const Params& p, uint32_t seed, bool aberration,
                            bool withMap = false, float lo = 0.0f, float hi = 1.0f) {
  using Mask = typename Filter::MapFormat;
  constexpr int F = Filter::Base::F;
  std::vector<float> pixels = Noise(size_t(w) * size_t(h) * F, seed, lo, hi);
  rayref::Input in;
  in.width = w;
  in.height = h;
  in.alpha = Filter::Base::A;
  in.channels = F;
  in.pixels.assign(pixels.begin(), pixels.end());
  in.zoomStart = p.zoomStart;
  in.strength = p.strength;
  in.holdout = p.holdout;
  in.ox = p.ox;
  in.oy = p.oy;
  in.invert = p.invert;
  in.aberration = aberration;
  StrengthMap<Mask> map(w, h, seed + 7);
  Mask view{};
  if (withMap) {
    view = map.View();
    in.map = map.Values();
  }
  const std::vector<double> want = rayref::Run(in);
  for (const RayIsa isa : Isas()) {
    std::vector<float> image = pixels;
    TestHost host;
    ASSERT_EQ(RunInPlace<Filter>(host, image, w, h, p, &view, isa), host.NoError());
    EXPECT_EQ(host.LiveBlocks(), 0u);
    EXPECT_LE(MaxDifference(image, want), kAccumulationTolerance)
        << w << "x" << h << " origin (" << p.ox << ", " << p.oy << ") zoom " << p.zoomStart
        << " strength " << p.strength << " holdout " << p.holdout << " invert " << p.invert
        << " map " << withMap << " isa " << int(isa);
  }
}

// Origins that exercise every entry case of a w x h image: inside, on the border, beyond each
// side and each corner, and far away.
std::vector<std::pair<int32_t, int32_t>> Origins(int32_t w, int32_t h) {
  return {{w / 2, h / 3},   {0, 0},          {w - 1, h - 1},  {w / 3, 0},     {0, h / 2},
          {-4, h / 2},      {w / 2, -3},     {w + 2, h / 3},  {w / 3, h + 5}, {-3, -2},
          {w + 3, -5},      {w + 6, h + 1},  {-2, h + 4},     {-1, 1},        {w, h - 2},
          {-100000, h / 2}, {w / 2, 250000}, {-90000, -70000}};
}

// The filters of one working format, with the depth of the strength map their tests use.
template <int A, int K, class Mask = Map8>
struct Blur : QuenaraFilter<RayWorking<A, K>> {
  using MapFormat = Mask;
  using QuenaraFilter<RayWorking<A, K>>::QuenaraFilter;
};
template <int A, int K, class Mask = Map8>
struct Aberration : VolumetricAbberationFilter<RayWorking<A, K>> {
  using MapFormat = Mask;
  using VolumetricAbberationFilter<RayWorking<A, K>>::VolumetricAbberationFilter;
};
using BlurRgb = Blur<0, 3>;
using AberrationRgb = Aberration<0, 3>;

TEST(RayFilters, MatchThePlainReferenceForEveryEntryCase) {
  for (auto [w, h] : {std::pair{13, 9}, std::pair{7, 13}}) {
    for (auto [ox, oy] : Origins(w, h)) {
      Params p;
      p.ox = ox;
      p.oy = oy;
      p.strength = 0.7;
      ExpectMatchesReference<BlurRgb>(w, h, p, uint32_t(ox * 31 + oy), false);
      for (bool invert : {false, true}) {
        p.invert = invert;
        ExpectMatchesReference<AberrationRgb>(w, h, p, uint32_t(ox * 17 + oy), true);
      }
    }
  }
}

TEST(RayFilters, MatchThePlainReferenceForZoomStartsStrengthsAndHoldout) {
  for (double zoom : {-0.5, -0.2, 0.0, 0.3, 0.5}) {
    for (double strength : {0.0, 0.25, 1.0, 4.0}) {
      for (double holdout : {0.0, 0.35}) {
        Params p;
        p.ox = 5;
        p.oy = 3;
        p.zoomStart = zoom;
        p.strength = strength;
        p.holdout = holdout;
        ExpectMatchesReference<BlurRgb>(14, 10, p, 3, false);
        ExpectMatchesReference<Aberration<1, 3>>(13, 10, p, 8, true);
        p.ox = -6;
        p.oy = 12;
        p.invert = true;
        ExpectMatchesReference<BlurRgb>(14, 10, p, 4, false);
        ExpectMatchesReference<Aberration<1, 3>>(13, 10, p, 9, true);
      }
    }
  }
}

TEST(RayFilters, AberrationMatchesWhereWindowsGrowFasterThanTheRay) {
  // Long rows, so that groups of neighbouring steps have whole windows inside the ray. With
  // zoom start -0.5 a fifth boundary moves 1 + strength x its fraction slots per step: four
  // steps' reads then lie within 4 slots (strength 0.25), within 8 (1.2), or farther (3).
  for (double strength : {0.25, 1.2, 3.0}) {
    for (bool invert : {false, true}) {
      Params p;
      p.ox = 0;
      p.oy = 4;
      p.zoomStart = -0.5;
      p.strength = strength;
      p.invert = invert;
      ExpectMatchesReference<AberrationRgb>(64, 9, p, 41, true);
      p.ox = 63;
      ExpectMatchesReference<Aberration<1, 1>>(64, 9, p, 42, true, true);
    }
  }
}

// One to four floats per pixel (the step loops work in vector lanes), with and without alpha
// (the aberration treats it apart), with and without a strength map of either depth.
template <bool IsAberration, class... Filters>
void ExpectFormatsMatch(const Params& p) {
  uint32_t seed = 11;
  for (bool map : {false, true}) {
    (ExpectMatchesReference<Filters>(10, 8, p, seed++, IsAberration, map), ...);
  }
}

TEST(RayFilters, MatchThePlainReferenceForEveryChannelCountAndMapDepth) {
  Params p;
  p.ox = 5;
  p.oy = 3;
  p.strength = 1.2;
  ExpectFormatsMatch<false, Blur<0, 1>, Blur<1, 1>, Blur<0, 3, Map16>, Blur<1, 3>>(p);
  for (bool invert : {false, true}) {
    p.invert = invert;
    ExpectFormatsMatch<true, Aberration<0, 1>, Aberration<1, 1>, Aberration<1, 2, Map16>,
                       AberrationRgb, Aberration<1, 3>>(p);
  }
}

TEST(RayFilters, ThinImagesAndOutOfRangeValues) {
  Params p;
  p.strength = 1.5;
  for (auto [w, h, ox, oy] :
       {std::tuple{1, 9, 0, 4}, std::tuple{1, 9, -3, 2}, std::tuple{1, 9, 0, 12},
        std::tuple{12, 1, 5, 0}, std::tuple{12, 1, 15, 0}, std::tuple{12, 1, 3, -2},
        std::tuple{2, 2, 0, 1}, std::tuple{2, 2, 5, 5}}) {
    p.ox = ox;
    p.oy = oy;
    ExpectMatchesReference<BlurRgb>(w, h, p, uint32_t(w + h), false);
    ExpectMatchesReference<AberrationRgb>(w, h, p, uint32_t(w + h), true);
  }
  // Working values outside [0, 1] leave the filters clamped.
  p.ox = 6;
  p.oy = 4;
  ExpectMatchesReference<Blur<1, 3>>(13, 9, p, 21, false, false, -0.5f, 1.5f);
  ExpectMatchesReference<AberrationRgb>(9, 7, p, 40, true, false, -0.5f, 1.5f);
  // A single pixel has no rays and keeps its clamped value.
  std::vector<float> px = {1.5f, 0.25f, -0.5f};
  TestHost host;
  ASSERT_EQ(RunInPlace<BlurRgb>(host, px, 1, 1, p), host.NoError());
  EXPECT_EQ(px, (std::vector<float>{1.0f, 0.25f, 0.0f}));
}

// Parallel runs perform the same additions in the same order as sequential ones, so the
// results agree to the bit (and ThreadSanitizer sees the four bands at once).
template <class Filter>
void ExpectThreadedEqualsSequential(int32_t w, int32_t h, const Params& p) {
  const std::vector<float> src = Noise(size_t(w) * size_t(h) * Filter::Base::F, 77);
  std::vector<float> sequential = src;
  TestHost host;
  ASSERT_EQ(RunInPlace<Filter>(host, sequential, w, h, p), host.NoError());
  for (int32_t processors : {2, 4}) {
    std::vector<float> threaded = src;
    TestHost parallel;
    parallel.threaded = true;
    parallel.processors = processors;
    ASSERT_EQ(RunInPlace<Filter>(parallel, threaded, w, h, p), parallel.NoError());
    EXPECT_EQ(0, std::memcmp(threaded.data(), sequential.data(), src.size() * sizeof(float)))
        << processors << " threads, origin (" << p.ox << ", " << p.oy << ")";
    EXPECT_EQ(parallel.LiveBlocks(), 0u);
  }
}

TEST(RayFiltersThreads, FourBandsOnThreadsEqualSequentialRun) {
  Params p;
  p.strength = 0.5;
  for (auto [ox, oy] : {std::pair{91, 57}, std::pair{-40, 30}, std::pair{200, -9}}) {
    p.ox = ox;
    p.oy = oy;
    p.invert = ox < 0;
    ExpectThreadedEqualsSequential<BlurRgb>(181, 123, p);
    ExpectThreadedEqualsSequential<Aberration<1, 3>>(150, 110, p);
  }
  p.ox = 60;
  p.oy = 50;
  ExpectThreadedEqualsSequential<Blur<1, 1, Map16>>(120, 97, p);
}

TEST(RayFiltersFailures, CancelStopsAfterTheCurrentRayAndReleasesEverything) {
  const int32_t w = 9, h = 6;
  std::vector<float> px = Noise(size_t(w * h * 3), 4);
  const std::vector<float> before = px;
  TestHost host;
  host.cancelAfterReports = h + 2;  // six clear rows, two rays, cancelled on the third
  Params p;
  p.ox = 4;
  p.oy = 2;
  EXPECT_EQ(RunInPlace<BlurRgb>(host, px, w, h, p), TestHost::kCancelled);
  EXPECT_EQ(host.progress.size(), size_t(h + 3));
  EXPECT_EQ(host.LiveBlocks(), 0u);
  EXPECT_EQ(px, before);  // never normalised
}

template <class Filter>
void ExpectEveryAllocationFailureReleasesAll(bool threaded) {
  const int32_t w = 11, h = 8;
  const std::vector<float> src = Noise(size_t(w * h) * Filter::Base::F, 4);
  Params p;
  p.ox = 3;
  p.oy = 5;
  TestHost counter;
  std::vector<float> px = src;
  ASSERT_EQ(RunInPlace<Filter>(counter, px, w, h, p), counter.NoError());
  const int64_t total = counter.allocations.load();
  // The accumulation image, the seam block, and every band's sum buffers.
  EXPECT_EQ(total, 2 + 4 * Filter::kSumBuffers);
  for (int64_t i = 0; i < total; ++i) {
    TestHost host;
    host.threaded = threaded;
    host.processors = 4;
    host.failAllocationAt = i;
    std::vector<float> failed = src;
    EXPECT_EQ(RunInPlace<Filter>(host, failed, w, h, p), host.OutOfMemoryError()) << i;
    EXPECT_EQ(host.LiveBlocks(), 0u) << i;
    EXPECT_EQ(failed, src) << i;
  }
}

TEST(RayFiltersFailures, EachFailedAllocationGivesOutOfMemoryAndLeaksNothing) {
  for (bool threaded : {false, true}) {  // failures on worker bands too
    ExpectEveryAllocationFailureReleasesAll<BlurRgb>(threaded);
    ExpectEveryAllocationFailureReleasesAll<AberrationRgb>(threaded);
  }
}

}  // namespace
