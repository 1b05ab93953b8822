#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "engine/QuenaraFilter.h"
#include "engine/RayGeometry.h"
#include "tests/engine/RayFilterHarness.h"

using namespace rayharness;

namespace {

// The filter of one working format, with the depth of the strength map its tests use.
template <int A, int K, class Mask = Map8>
struct Blur : QuenaraFilter<StaticArgb<char, float, A, K, 0, 1>> {
  using MapFormat = Mask;
  using QuenaraFilter<StaticArgb<char, float, A, K, 0, 1>>::QuenaraFilter;
};
using BlurRgb = Blur<0, 3>;

TEST(RayFilter, MatchesPlainReferenceForEveryEntryCase) {
  for (auto [w, h] : {std::pair{13, 9}, std::pair{8, 15}}) {
    for (auto [ox, oy] : Origins(w, h)) {
      Params p;
      p.ox = ox;
      p.oy = oy;
      p.strength = 0.6;
      ExpectMatchesReference<BlurRgb>(w, h, p, uint32_t(ox * 31 + oy), false);
    }
  }
}

TEST(RayFilter, MatchesPlainReferenceForZoomStartsStrengthsAndHoldout) {
  for (double zoom : {-0.5, -0.2, 0.0, 0.5}) {
    for (double strength : {0.0, 0.25, 1.0, 4.0}) {
      for (double holdout : {0.0, 0.35}) {
        Params p;
        p.ox = 5;
        p.oy = 3;
        p.zoomStart = zoom;
        p.strength = strength;
        p.holdout = holdout;
        ExpectMatchesReference<BlurRgb>(14, 10, p, 3, false);
        p.ox = -6;
        p.oy = 12;
        ExpectMatchesReference<BlurRgb>(14, 10, p, 4, false);
      }
    }
  }
}

TEST(RayFilter, MatchesPlainReferenceForEveryFormatAndMapDepth) {
  Params p;
  p.ox = 4;
  p.oy = 6;
  p.strength = 0.8;
  for (bool map : {false, true}) {
    ExpectMatchesReference<Blur<0, 1>>(11, 9, p, 11, false, map);
    ExpectMatchesReference<Blur<0, 2>>(11, 9, p, 12, false, map);
    ExpectMatchesReference<Blur<0, 3>>(11, 9, p, 13, false, map);
    ExpectMatchesReference<Blur<1, 1>>(11, 9, p, 14, false, map);
    ExpectMatchesReference<Blur<1, 2>>(11, 9, p, 15, false, map);
    ExpectMatchesReference<Blur<1, 3>>(11, 9, p, 16, false, map);
    ExpectMatchesReference<Blur<0, 1, Map16>>(11, 9, p, 17, false, map);
    ExpectMatchesReference<Blur<1, 3, Map16>>(11, 9, p, 18, false, map);
  }
}

TEST(RayFilter, ThinImagesAndOutOfRangeValues) {
  Params p;
  p.strength = 1.5;
  for (auto [w, h, ox, oy] :
       {std::tuple{1, 9, 0, 4}, std::tuple{1, 9, -3, 2}, std::tuple{1, 9, 0, 12},
        std::tuple{12, 1, 5, 0}, std::tuple{12, 1, 15, 0}, std::tuple{12, 1, 3, -2},
        std::tuple{2, 2, 0, 1}, std::tuple{2, 2, 5, 5}}) {
    p.ox = ox;
    p.oy = oy;
    ExpectMatchesReference<BlurRgb>(w, h, p, uint32_t(w + h), false);
  }
  // Working values outside [0, 1] leave the filter clamped.
  p.ox = 6;
  p.oy = 4;
  ExpectMatchesReference<Blur<1, 3>>(13, 9, p, 21, false, false, -0.5f, 1.5f);
}

TEST(RayFilter, OnePixelImageHasNoRaysAndKeepsItsClampedValue) {
  std::vector<float> px = {1.5f, 0.25f, -0.5f};
  TestHost host;
  Params p;
  ASSERT_EQ(RunInPlace<BlurRgb>(host, px, 1, 1, p), host.NoError());
  EXPECT_EQ(px, (std::vector<float>{1.0f, 0.25f, 0.0f}));
  EXPECT_EQ(host.LiveBlocks(), 0u);
}

TEST(RayFilter, OriginPixelTakesWeightOneFromEveryRayAndEveryBorderPixelIsReached) {
  const int32_t w = 17, h = 12;
  for (auto [ox, oy] : {std::pair{8, 5}, std::pair{0, 0}, std::pair{16, 3}, std::pair{4, 11}}) {
    std::vector<float> px = Noise(size_t(w * h * 3), 5);
    TestHost host;
    BlurRgb f(&host);
    f.source = f.destination = StaticArgb<char, float, 0, 3, 0, 1>::Packed(px.data(), w, h);
    Params p;
    p.ox = ox;
    p.oy = oy;
    Configure(f, p);
    ASSERT_EQ(f.AccumulateRays(), host.NoError());
    // One ray per border pixel: 2 (w + h) - 4; each starts on the origin pixel with weight 1.
    EXPECT_EQ(f.accumulation.PixelAddress(ox, oy)[3], float(2 * (w + h) - 4));
    double total = 0.0;
    for (int32_t y = 0; y < h; ++y) {
      for (int32_t x = 0; x < w; ++x) {
        const float weight = f.accumulation.PixelAddress(x, y)[3];
        total += weight;
        EXPECT_GT(weight, 0.0f) << x << "," << y;
        if (x == 0 || y == 0 || x == w - 1 || y == h - 1) {
          EXPECT_GE(weight, 0.999f) << x << "," << y;
        }
      }
    }
    // Every step inside the image adds weight 1 in total.
    rayref::Input in = ReferenceInput<BlurRgb>(px, w, h, p);
    EXPECT_NEAR(total, double(rayref::Run(in).steps), 1e-3);
    f.ReleaseAccumulation();
    EXPECT_EQ(host.LiveBlocks(), 0u);
  }
}

TEST(RayFilter, ZeroStrengthZeroMapAndFullHoldoutAllGiveTheUnblurredWalk) {
  // Every window has length 0 in all three cases, so the results agree exactly.
  const int32_t w = 15, h = 11;
  const std::vector<float> src = Noise(size_t(w * h * 3), 8);
  Params p;
  p.ox = 7;
  p.oy = 5;
  p.strength = 0.0;
  std::vector<float> zeroStrength = src;
  TestHost host;
  ASSERT_EQ(RunInPlace<BlurRgb>(host, zeroStrength, w, h, p), host.NoError());

  p.strength = 0.9;
  StrengthMap<Map8> zeros(w, h, 1, 0);
  const Map8 zeroView = zeros.View();
  std::vector<float> zeroMap = src;
  ASSERT_EQ(RunInPlace<BlurRgb>(host, zeroMap, w, h, p, &zeroView), host.NoError());
  EXPECT_EQ(zeroMap, zeroStrength);

  // A holdout radius of 1 is half the diagonal: no pixel lies further from a central origin.
  p.holdout = 1.0;
  std::vector<float> held = src;
  ASSERT_EQ(RunInPlace<BlurRgb>(host, held, w, h, p), host.NoError());
  EXPECT_EQ(held, zeroStrength);

  // And it is not the identity: the minor-axis interpolation still mixes neighbours.
  EXPECT_NE(zeroStrength, src);
  // Full-scale 16-bit map samples (32768) mean full strength: same as no map.
  StrengthMap<Map16> full(w, h, 1, 32768);
  const Map16 fullView = full.View();
  p.holdout = 0.0;
  std::vector<float> noMap = src, fullMap = src;
  using Blur16 = Blur<0, 3, Map16>;
  ASSERT_EQ(RunInPlace<Blur16>(host, noMap, w, h, p), host.NoError());
  ASSERT_EQ(RunInPlace<Blur16>(host, fullMap, w, h, p, &fullView), host.NoError());
  EXPECT_EQ(noMap, fullMap);
}

TEST(RayFilter, MapSmallerThanTheImageIsIgnored) {
  const int32_t w = 12, h = 9;
  const std::vector<float> src = Noise(size_t(w * h * 3), 9);
  Params p;
  p.ox = 6;
  p.oy = 4;
  p.strength = 0.7;
  StrengthMap<Map8> small(w - 1, h, 3, 0);
  const Map8 smallView = small.View();
  std::vector<float> withSmall = src, without = src;
  TestHost host;
  ASSERT_EQ(RunInPlace<BlurRgb>(host, withSmall, w, h, p, &smallView), host.NoError());
  ASSERT_EQ(RunInPlace<BlurRgb>(host, without, w, h, p), host.NoError());
  EXPECT_EQ(withSmall, without);
}

TEST(RayFilter, InvalidOrMismatchedViewsTouchNothing) {
  std::vector<float> px = Noise(30 * 3, 1);
  const std::vector<float> before = px;
  TestHost host;
  BlurRgb f(&host);
  f.source = StaticArgb<char, float, 0, 3, 0, 1>::Packed(px.data(), 6, 5);
  EXPECT_EQ(f.Run(0, 1), host.NoError());  // destination invalid
  f.destination = StaticArgb<char, float, 0, 3, 0, 1>::Packed(px.data(), 5, 6);
  EXPECT_EQ(f.Run(0, 1), host.NoError());  // sizes differ
  EXPECT_EQ(px, before);
  EXPECT_EQ(host.allocations.load(), 0);
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

TEST(RayFilterThreads, FourBandsOnThreadsEqualSequentialRun) {
  Params p;
  p.strength = 0.5;
  for (auto [ox, oy] : {std::pair{91, 57}, std::pair{0, 40}, std::pair{-40, 30},
                        std::pair{150, 140}, std::pair{200, -9}}) {
    p.ox = ox;
    p.oy = oy;
    ExpectThreadedEqualsSequential<BlurRgb>(181, 123, p);
  }
  p.ox = 60;
  p.oy = 50;
  ExpectThreadedEqualsSequential<Blur<1, 1, Map16>>(120, 97, p);
}

TEST(RayFilterProgress, ReportsClearRowsThenRaysThenRows) {
  const int32_t w = 6, h = 4;
  std::vector<float> px = Noise(size_t(w * h * 3), 2);
  TestHost host;
  BlurRgb f(&host);
  f.source = f.destination = StaticArgb<char, float, 0, 3, 0, 1>::Packed(px.data(), w, h);
  Params p;
  p.ox = 2;
  p.oy = 1;
  Configure(f, p);
  ASSERT_EQ(f.Run(1, 2), host.NoError());
  // Clear: rows against 3 x 2 x H. Rays and normalise rows: X = 3H + 2W = 24 per run, each
  // band copy counting from 0: top 5 rays, right 3, bottom 5, left 3, then 4 one-row bands.
  std::vector<std::pair<int32_t, int32_t>> want;
  for (int32_t y = 0; y < h; ++y) want.emplace_back(12 + y, 24);
  for (int32_t rays : {5, 3, 5, 3}) {
    for (int32_t i = 0; i < rays; ++i) want.emplace_back(24 + i, 48);
  }
  for (int32_t band = 0; band < 4; ++band) want.emplace_back(24, 48);
  EXPECT_EQ(host.progress, want);
}

TEST(RayFilterFailures, CancelStopsAfterTheCurrentRayAndReleasesEverything) {
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

TEST(RayFilterFailures, EachFailedAllocationGivesOutOfMemoryAndLeaksNothing) {
  ExpectEveryAllocationFailureReleasesAll<BlurRgb>(false);
  ExpectEveryAllocationFailureReleasesAll<BlurRgb>(true);  // failures on worker bands too
}

}  // namespace
