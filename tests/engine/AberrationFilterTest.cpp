#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/VolumetricAbberationFilter.h"
#include "tests/engine/RayFilterHarness.h"

using namespace rayharness;

namespace {

// The filter of one working format, with the depth of the strength map its tests use.
template <int A, int K, class Mask = Map8>
struct Aberration : VolumetricAbberationFilter<StaticArgb<char, float, A, K, 0, 1>> {
  using MapFormat = Mask;
  using VolumetricAbberationFilter<StaticArgb<char, float, A, K, 0, 1>>::VolumetricAbberationFilter;
};
using AberrationRgb = Aberration<0, 3>;
using AberrationRgba = Aberration<1, 3>;

TEST(AberrationFilter, MatchesPlainReferenceForEveryEntryCase) {
  for (auto [w, h] : {std::pair{12, 9}, std::pair{7, 13}}) {
    for (auto [ox, oy] : Origins(w, h)) {
      for (bool invert : {false, true}) {
        Params p;
        p.ox = ox;
        p.oy = oy;
        p.strength = 0.7;
        p.invert = invert;
        ExpectMatchesReference<AberrationRgb>(w, h, p, uint32_t(ox * 17 + oy), true);
      }
    }
  }
}

TEST(AberrationFilter, MatchesPlainReferenceForZoomStartsStrengthsAndHoldout) {
  for (double zoom : {-0.5, 0.0, 0.3, 0.5}) {
    for (double strength : {0.0, 0.25, 1.0, 3.0}) {
      for (double holdout : {0.0, 0.4}) {
        Params p;
        p.ox = 6;
        p.oy = 4;
        p.zoomStart = zoom;
        p.strength = strength;
        p.holdout = holdout;
        ExpectMatchesReference<Aberration<1, 3>>(13, 10, p, 8, true);
        p.ox = 20;
        p.oy = -7;
        p.invert = true;
        ExpectMatchesReference<Aberration<1, 3>>(13, 10, p, 9, true);
      }
    }
  }
}

TEST(AberrationFilter, MatchesPlainReferenceWhereWindowsGrowFasterThanTheRay) {
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

TEST(AberrationFilter, MatchesPlainReferenceForEveryFormatAndMapDepth) {
  Params p;
  p.ox = 5;
  p.oy = 3;
  p.strength = 1.2;
  for (bool map : {false, true}) {
    for (bool invert : {false, true}) {
      p.invert = invert;
      ExpectMatchesReference<Aberration<0, 1>>(10, 8, p, 31, true, map);
      ExpectMatchesReference<Aberration<0, 2>>(10, 8, p, 32, true, map);
      ExpectMatchesReference<Aberration<0, 3>>(10, 8, p, 33, true, map);
      ExpectMatchesReference<Aberration<1, 1>>(10, 8, p, 34, true, map);
      ExpectMatchesReference<Aberration<1, 2>>(10, 8, p, 35, true, map);
      ExpectMatchesReference<Aberration<1, 3>>(10, 8, p, 36, true, map);
      ExpectMatchesReference<Aberration<0, 3, Map16>>(10, 8, p, 37, true, map);
      ExpectMatchesReference<Aberration<1, 2, Map16>>(10, 8, p, 38, true, map);
    }
  }
  // Thin images and values outside [0, 1].
  p.ox = 0;
  p.oy = 3;
  ExpectMatchesReference<AberrationRgb>(1, 9, p, 39, true);
  p.ox = 4;
  p.oy = 0;
  ExpectMatchesReference<AberrationRgb>(9, 1, p, 40, true, false, -0.5f, 1.5f);
}

TEST(AberrationFilterThreads, FourBandsOnThreadsEqualSequentialRun) {
  const int32_t w = 150, h = 110;
  const std::vector<float> src = Noise(size_t(w * h * 4), 55);
  for (auto [ox, oy] : {std::pair{70, 40}, std::pair{-30, 20}, std::pair{149, 109}}) {
    Params p;
    p.ox = ox;
    p.oy = oy;
    p.strength = 0.4;
    p.invert = ox < 0;
    std::vector<float> sequential = src;
    TestHost host;
    ASSERT_EQ(RunInPlace<AberrationRgba>(host, sequential, w, h, p), host.NoError());
    for (int32_t processors : {2, 4}) {
      TestHost parallel;
      parallel.threaded = true;
      parallel.processors = processors;
      std::vector<float> threaded = src;
      ASSERT_EQ(RunInPlace<AberrationRgba>(parallel, threaded, w, h, p), parallel.NoError());
      EXPECT_EQ(0, std::memcmp(threaded.data(), sequential.data(), src.size() * sizeof(float)))
          << processors << " threads";
      EXPECT_EQ(parallel.LiveBlocks(), 0u);
    }
  }
}

TEST(AberrationFilterFailures, EachFailedAllocationAndACancelReleaseEverything) {
  const int32_t w = 10, h = 7;
  const std::vector<float> src = Noise(size_t(w * h * 3), 12);
  Params p;
  p.ox = 2;
  p.oy = 5;
  TestHost counter;
  std::vector<float> px = src;
  ASSERT_EQ(RunInPlace<AberrationRgb>(counter, px, w, h, p), counter.NoError());
  ASSERT_EQ(counter.allocations.load(), 2 + 4 * 5);  // five sum buffers per band
  for (bool threaded : {false, true}) {
    for (int64_t i = 0; i < 22; ++i) {
      TestHost host;
      host.threaded = threaded;
      host.processors = 4;
      host.failAllocationAt = i;
      std::vector<float> failed = src;
      EXPECT_EQ(RunInPlace<AberrationRgb>(host, failed, w, h, p), host.OutOfMemoryError()) << i;
      EXPECT_EQ(host.LiveBlocks(), 0u) << i;
      EXPECT_EQ(failed, src) << i;
    }
  }
  TestHost host;
  host.cancelAfterReports = h + 12;  // the clear, the top edge's 9 rays, 3 of the right edge
  std::vector<float> cancelled = src;
  EXPECT_EQ(RunInPlace<AberrationRgb>(host, cancelled, w, h, p), TestHost::kCancelled);
  EXPECT_EQ(host.progress.size(), size_t(h + 13));
  EXPECT_EQ(host.LiveBlocks(), 0u);
  EXPECT_EQ(cancelled, src);
}

}  // namespace
