// The ray blur and the aberration filter against the plain reference, and on threads against a
// sequential run. (Their allocation failures: the effect's test.)
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

// One case in the reference's terms; the pixels, channels and map are filled per run.
using Params = rayref::Input;

Params Case(int32_t w, int32_t h, int64_t ox, int64_t oy, double strength = 0.25,
            bool invert = false) {
  Params p;
  p.width = w;
  p.height = h;
  p.ox = ox;
  p.oy = oy;
  p.strength = strength;
  p.invert = invert;
  return p;
}

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

// A one-channel strength map of the mask's depth with pseudo-random samples; the reference
// gets each sample divided by the full scale (a division, not the engine's reciprocal).
template <class Mask>
struct StrengthMap {
  HostImage<typename Mask::SampleType> image;
  std::vector<double> values;
  StrengthMap(int32_t w, int32_t h, uint32_t seed) : image(w, h, 1, 3) {
    const std::vector<float> r = Noise(size_t(w) * size_t(h), seed);
    for (int32_t i = 0; i < w * h; ++i) {
      const auto sample = typename Mask::SampleType(r[size_t(i)] * Mask::kFullScale);
      image.Set(i % w, i / w, 0, sample);
      values.push_back(double(sample) / double(Mask::kFullScale));
    }
  }
  RayStrengthMap View() { return RayStrengthMap::Of(image.template MakeView<Mask>()); }
};

// Runs the filter in place on `pixels` (F floats per pixel); returns the host result.
template <class Filter>
int32_t RunInPlace(TestHost& host, std::vector<float>& pixels, const Params& p,
                   RayStrengthMap map = {}, RayIsa isa = RayBestIsa()) {
  using Working = decltype(Filter::Base::source);
  Filter f(&host);
  f.source = f.destination = Working::Packed(pixels.data(), p.width, p.height);
  f.isa = isa;
  f.strengthMap = map;
  f.zoomStart = p.zoomStart;
  f.strength = p.strength;
  f.holdoutRadius = p.holdout;
  f.originX = int32_t(p.ox);
  f.originY = int32_t(p.oy);
  if constexpr (requires { f.invertGradient; }) f.invertGradient = p.invert ? 1 : 0;
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
void ExpectMatchesReference(Params p, uint32_t seed, bool withMap = false, float lo = 0.0f,
                            float hi = 1.0f) {
  const int32_t w = p.width, h = p.height;
  const std::vector<float> pixels = Noise(size_t(w) * size_t(h) * Filter::Base::F, seed, lo, hi);
  p.alpha = Filter::Base::A;
  p.channels = Filter::Base::F;
  p.pixels.assign(pixels.begin(), pixels.end());
  p.aberration = Filter::kAberration;
  StrengthMap<typename Filter::MapFormat> map(w, h, seed + 7);
  if (withMap) p.map = map.values;
  const std::vector<double> want = rayref::Run(p);
  for (const RayIsa isa : Isas()) {
    std::vector<float> image = pixels;
    TestHost host;
    ASSERT_EQ(RunInPlace<Filter>(host, image, p, withMap ? map.View() : RayStrengthMap{}, isa),
              host.NoError());
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
  static constexpr bool kAberration = false;
  using QuenaraFilter<RayWorking<A, K>>::QuenaraFilter;
};
template <int A, int K, class Mask = Map8>
struct Aberration : VolumetricAbberationFilter<RayWorking<A, K>> {
  using MapFormat = Mask;
  static constexpr bool kAberration = true;
  using VolumetricAbberationFilter<RayWorking<A, K>>::VolumetricAbberationFilter;
};
using BlurRgb = Blur<0, 3>;
using AberrationRgb = Aberration<0, 3>;

TEST(RayFilters, MatchThePlainReferenceForEveryEntryCase) {
  for (auto [w, h] : {std::pair{13, 9}, std::pair{7, 13}}) {
    for (auto [ox, oy] : Origins(w, h)) {
      ExpectMatchesReference<BlurRgb>(Case(w, h, ox, oy, 0.7), uint32_t(ox * 31 + oy));
      for (bool invert : {false, true})
        ExpectMatchesReference<AberrationRgb>(Case(w, h, ox, oy, 0.7, invert), uint32_t(ox + oy));
    }
  }
}

TEST(RayFilters, MatchThePlainReferenceForZoomStartsStrengthsAndHoldout) {
  for (double zoom : {-0.5, -0.2, 0.0, 0.3, 0.5}) {
    for (double strength : {0.0, 0.25, 1.0, 4.0}) {
      for (double holdout : {0.0, 0.35}) {
        for (Params p : {Case(14, 10, 5, 3, strength), Case(14, 10, -6, 12, strength, true)}) {
          p.zoomStart = zoom;
          p.holdout = holdout;
          ExpectMatchesReference<BlurRgb>(p, 3);
          ExpectMatchesReference<Aberration<1, 3>>(p, 8);
        }
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
      Params p = Case(64, 9, 0, 4, strength, invert);
      p.zoomStart = -0.5;
      ExpectMatchesReference<AberrationRgb>(p, 41);
      p.ox = 63;
      ExpectMatchesReference<Aberration<1, 1>>(p, 42, true);
    }
  }
}

// One to four floats per pixel (the step loops work in vector lanes), with and without alpha
// (the aberration treats it apart), with and without a strength map of either depth.
template <class... Filters>
void ExpectFormatsMatch(const Params& p) {
  uint32_t seed = 11;
  for (bool map : {false, true}) (ExpectMatchesReference<Filters>(p, seed++, map), ...);
}

TEST(RayFilters, MatchThePlainReferenceForEveryChannelCountAndMapDepth) {
  ExpectFormatsMatch<Blur<0, 1>, Blur<1, 1>, Blur<0, 3, Map16>, Blur<1, 3>>(Case(10, 8, 5, 3, 1.2));
  for (bool invert : {false, true}) {
    ExpectFormatsMatch<Aberration<0, 1>, Aberration<1, 1>, Aberration<1, 2, Map16>, AberrationRgb,
                       Aberration<1, 3>>(Case(10, 8, 5, 3, 1.2, invert));
  }
}

TEST(RayFilters, ThinImagesOutOfRangeValuesAndASmallMap) {
  for (auto [w, h, ox, oy] :
       {std::tuple{1, 9, 0, 4}, std::tuple{1, 9, -3, 2}, std::tuple{1, 9, 0, 12},
        std::tuple{12, 1, 5, 0}, std::tuple{12, 1, 15, 0}, std::tuple{12, 1, 3, -2},
        std::tuple{2, 2, 0, 1}, std::tuple{2, 2, 5, 5}}) {
    ExpectMatchesReference<BlurRgb>(Case(w, h, ox, oy, 1.5), uint32_t(w + h));
    ExpectMatchesReference<AberrationRgb>(Case(w, h, ox, oy, 1.5), uint32_t(w + h));
  }
  // Working values outside [0, 1] leave the filters clamped.
  ExpectMatchesReference<Blur<1, 3>>(Case(13, 9, 6, 4, 1.5), 21, false, -0.5f, 1.5f);
  ExpectMatchesReference<AberrationRgb>(Case(9, 7, 6, 4, 1.5), 40, false, -0.5f, 1.5f);
  // A single pixel has no rays and keeps its clamped value.
  std::vector<float> px = {1.5f, 0.25f, -0.5f};
  TestHost host;
  ASSERT_EQ(RunInPlace<BlurRgb>(host, px, Case(1, 1, 6, 4)), host.NoError());
  EXPECT_EQ(px, (std::vector<float>{1.0f, 0.25f, 0.0f}));
  // A map narrower than the image is never read: the run is the one without a map.
  StrengthMap<Map8> narrow(11, 9, 3);
  std::vector<float> withMap = Noise(12 * 9 * 3, 9), without = withMap;
  ASSERT_EQ(RunInPlace<BlurRgb>(host, withMap, Case(12, 9, 6, 4), narrow.View()), 0);
  ASSERT_EQ(RunInPlace<BlurRgb>(host, without, Case(12, 9, 6, 4)), 0);
  EXPECT_EQ(withMap, without);
}

// Parallel runs perform the same additions in the same order as sequential ones, so the
// results agree to the bit (and ThreadSanitizer sees the four bands at once).
template <class Filter>
void ExpectThreadedEqualsSequential(const Params& p) {
  const std::vector<float> src = Noise(size_t(p.width) * size_t(p.height) * Filter::Base::F, 77);
  std::vector<float> sequential = src;
  TestHost host;
  ASSERT_EQ(RunInPlace<Filter>(host, sequential, p), host.NoError());
  for (int32_t processors : {2, 4}) {
    std::vector<float> threaded = src;
    TestHost parallel;
    parallel.threaded = true;
    parallel.processors = processors;
    ASSERT_EQ(RunInPlace<Filter>(parallel, threaded, p), parallel.NoError());
    EXPECT_EQ(0, std::memcmp(threaded.data(), sequential.data(), src.size() * sizeof(float)))
        << processors << " threads, origin (" << p.ox << ", " << p.oy << ")";
    EXPECT_EQ(parallel.LiveBlocks(), 0u);
  }
}

TEST(RayFiltersThreads, FourBandsOnThreadsEqualSequentialRun) {
  for (auto [ox, oy] : {std::pair{91, 57}, std::pair{-40, 30}, std::pair{200, -9}}) {
    ExpectThreadedEqualsSequential<BlurRgb>(Case(181, 123, ox, oy, 0.5, ox < 0));
    ExpectThreadedEqualsSequential<Aberration<1, 3>>(Case(150, 110, ox, oy, 0.5, ox < 0));
  }
  ExpectThreadedEqualsSequential<Blur<1, 1>>(Case(120, 97, 60, 50, 0.5));
}

}  // namespace
