#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "engine/ClearImageFilter.h"
#include "engine/CopyImageFilter.h"
#include "engine/DynamicRgbA.h"
#include "engine/MoveSubPixelImageFilter.h"
#include "engine/MultImageFilter.h"
#include "engine/StaticArgb.h"
#include "tests/engine/HostBuffers.h"
#include "tests/support/EngineTestHosts.h"

namespace {

using WorkGrey = StaticArgb<char, float, 0, 1, 0, 1>;
using WorkRgb = StaticArgb<char, float, 0, 3, 0, 1>;
using WorkGreyA = StaticArgb<char, float, 1, 1, 0, 1>;
using WorkRgba = StaticArgb<char, float, 1, 3, 0, 1>;
using AccuRgba = StaticArgb<char, float, 1, 3, 1, 1>;
using Rgba8 = DynamicRgbA<0, uint8_t, 1, 3, 0, 255>;
using Rgba16 = DynamicRgbA<0, uint16_t, 1, 3, 0, 32768>;
using GreyA16 = DynamicRgbA<0, uint16_t, 1, 1, 0, 32768>;
using Grey8 = DynamicRgbA<0, uint8_t, 0, 1, 0, 255>;
using Mask8 = DynamicRgbA<0, uint8_t, 0, 1, 0, 255>;
using Mask16 = DynamicRgbA<0, uint16_t, 0, 1, 0, 32768>;

void FillRandom(FloatImage& img, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> u(0.0f, 1.0f);
  for (int32_t y = 0; y < img.height; ++y)
    for (int32_t x = 0; x < img.width; ++x)
      for (int32_t c = 0; c < img.channels; ++c) img.At(x, y, c) = u(rng);
}

}  // namespace

// ---- ClearImageFilter ----

TEST(ClearImageFilter, ZeroesAllFiveFloatsOfAlphaColourWeightPixels) {
  for (bool threaded : {false, true}) {
    TestHost host;
    host.processors = 3;
    host.threaded = threaded;
    FloatImage img(7, 5, 5, 3.5f);
    ClearImageFilter<AccuRgba> clear(&host, img.MakeView<AccuRgba>());
    ASSERT_EQ(clear.Run(0, 1), host.NoError());
    for (size_t i = 0; i < 7 * 5 * 5; ++i) ASSERT_EQ(img.data[i], 0.0f) << i;
    EXPECT_TRUE(img.GuardIntact());
  }
}

// ---- CopyImageFilter ----

TEST(CopyImageFilter, TruncatesEachChannelAndPutsAlphaAtItsOffset) {
  TestHost host;
  FloatImage src(4, 1, 4);
  const float px[4][4] = {{1.0f, 1.0f, 0.5f, 0.0f},
                          {0.5f, 0.999f, 0.25f, 0.75f},
                          {0.0f, 0.1f, 0.2f, 0.3f},
                          {0.999f, 0.0039f, 0.004f, 0.99999f}};
  for (int x = 0; x < 4; ++x)
    for (int c = 0; c < 4; ++c) src.At(x, 0, c) = px[x][c];
  // 8-bit: five planes per pixel, alpha in plane 4, plane 3 belongs to someone else.
  HostImage<uint8_t> d8(4, 1, 5);
  CopyImageFilter<WorkRgba, Rgba8> c8(&host, src.MakeView<WorkRgba>(), d8.MakeView<Rgba8>(4));
  ASSERT_EQ(c8.Run(0, 1), host.NoError());
  // trunc(f * 255) worked out by hand; alpha (float 0) lands in plane 4.
  const int expected8[4][4] = {{255, 127, 0, 255},   // colours 1.0 0.5 0.0, alpha 1.0
                               {254, 63, 191, 127},  // 254.745 63.75 191.25, alpha 127.5
                               {25, 51, 76, 0},      // 25.5 51 76.5 (float 0.2*255 = 51.0000007)
                               {0, 1, 254, 254}};    // 0.9945 1.02 254.997, alpha 254.745
  for (int x = 0; x < 4; ++x) {
    for (int k = 0; k < 3; ++k) EXPECT_EQ(d8.Get(x, 0, k), expected8[x][k]) << x << "," << k;
    EXPECT_EQ(d8.Get(x, 0, 4), expected8[x][3]) << x;
    EXPECT_EQ(d8.Get(x, 0, 3), 0xEE) << "foreign plane touched at " << x;
  }
  // 16-bit with alpha at sample 3.
  HostImage<uint16_t> d16(4, 1, 4);
  CopyImageFilter<WorkRgba, Rgba16> c16(&host, src.MakeView<WorkRgba>(), d16.MakeView<Rgba16>(3));
  ASSERT_EQ(c16.Run(0, 1), host.NoError());
  EXPECT_EQ(d16.Get(0, 0, 0), 32768);
  EXPECT_EQ(d16.Get(0, 0, 1), 16384);
  EXPECT_EQ(d16.Get(0, 0, 3), 32768);
  EXPECT_EQ(d16.Get(1, 0, 0), 32735);  // float 0.999 is 0.99900001287; x 32768 = 32735.23
  EXPECT_EQ(d16.Get(1, 0, 3), 16384);
  EXPECT_EQ(d16.Get(3, 0, 1), 131);    // 0.004 * 32768 = 131.07
  EXPECT_EQ(d16.Get(3, 0, 2), 32767);  // 0.99999 * 32768 = 32767.67
}

TEST(CopyImageFilter, CentresTheImagesAndZeroesUncoveredPixels) {
  TestHost host;
  // Larger source 5x4 into 3x2: offsets (1, 1).
  FloatImage big(5, 4, 1);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) big.At(x, y, 0) = SampleToFloat<255>(uint8_t(10 * y + x));
  HostImage<uint8_t> d(3, 2, 1);
  CopyImageFilter<WorkGrey, Grey8> copy(&host, big.MakeView<WorkGrey>(), d.MakeView<Grey8>());
  ASSERT_EQ(copy.Run(0, 1), host.NoError());
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(d.Get(x, y, 0), 10 * (y + 1) + (x + 1)) << x << "," << y;

  // Smaller source 2x2 into 5x3 with alpha: ox = (2-5)/2 = -1, oy = (2-3)/2 = 0 (truncation
  // toward zero), so destination (1..2, 0..1) reads source (0..1, 0..1).
  FloatImage small(2, 2, 2, 1.0f);
  HostImage<uint16_t> d2(5, 3, 2);
  CopyImageFilter<WorkGreyA, GreyA16> copy2(&host, small.MakeView<WorkGreyA>(),
                                            d2.MakeView<GreyA16>(1));
  ASSERT_EQ(copy2.Run(0, 1), host.NoError());
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 5; ++x) {
      const bool covered = y < 2 && x >= 1 && x <= 2;
      EXPECT_EQ(d2.Get(x, y, 0), covered ? 32768 : 0) << x << "," << y;
      EXPECT_EQ(d2.Get(x, y, 1), covered ? 32768 : 0) << x << "," << y;
    }
  }
}

TEST(CopyImageFilter, InvalidViewsWriteNothing) {
  TestHost host;
  FloatImage src(2, 2, 4, 0.5f);
  HostImage<uint8_t> d(2, 2, 4);
  const std::vector<uint8_t> before = d.bytes;
  CopyImageFilter<WorkRgba, Rgba8> noSource(&host, WorkRgba{}, d.MakeView<Rgba8>(3));
  EXPECT_EQ(noSource.Run(0, 1), host.NoError());
  Rgba8 invalid = d.MakeView<Rgba8>(3);
  invalid.valid = false;
  CopyImageFilter<WorkRgba, Rgba8> noDest(&host, src.MakeView<WorkRgba>(), invalid);
  EXPECT_EQ(noDest.Run(0, 1), host.NoError());
  EXPECT_EQ(d.bytes, before);
}

// ---- MultImageFilter ----

TEST(MultImageFilter, ScalesEveryFloatByTheMaskSample) {
  TestHost host;
  FloatImage img(3, 2, 4);
  FillRandom(img, 1);
  FloatImage original = img;
  // A mask with two planes per pixel (columnBytes 2) and padded rows.
  HostImage<uint8_t> mask(3, 2, 2, 5);
  const uint8_t m[2][3] = {{255, 128, 0}, {1, 64, 200}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) mask.Set(x, y, 0, m[y][x]);
  MultImageFilter<WorkRgba, Mask8> mult(&host, img.MakeView<WorkRgba>(), mask.MakeView<Mask8>());
  ASSERT_EQ(mult.Run(0, 1), host.NoError());
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x) {
      for (int c = 0; c < 4; ++c) {
        const double expected = double(original.At(x, y, c)) * m[y][x] / 255.0;
        EXPECT_FLOAT_EQ(img.At(x, y, c), float(expected)) << x << "," << y << "," << c;
      }
    }
  }
  EXPECT_EQ(img.At(0, 0, 2), original.At(0, 0, 2));  // 255 multiplies by exactly 1
  EXPECT_TRUE(img.GuardIntact());
}

TEST(MultImageFilter, SixteenBitMaskAndThreadedBandsMatchSequential) {
  FloatImage a(17, 23, 3);
  FillRandom(a, 2);
  FloatImage b = a;
  FloatImage original = a;
  HostImage<uint16_t> mask(17, 23, 1);
  for (int y = 0; y < 23; ++y)
    for (int x = 0; x < 17; ++x) mask.Set(x, y, 0, uint16_t((x * 1931 + y * 577) % 32769));
  TestHost sequential;
  TestHost threaded;
  threaded.processors = 2;
  threaded.threaded = true;
  MultImageFilter<WorkRgb, Mask16> m1(&sequential, a.MakeView<WorkRgb>(), mask.MakeView<Mask16>());
  MultImageFilter<WorkRgb, Mask16> m2(&threaded, b.MakeView<WorkRgb>(), mask.MakeView<Mask16>());
  ASSERT_EQ(m1.Run(0, 1), sequential.NoError());
  ASSERT_EQ(m2.Run(0, 1), threaded.NoError());
  EXPECT_EQ(a.data, b.data);
  EXPECT_EQ(a.At(0, 0, 0), 0.0f);  // mask sample 0
  for (int y = 0; y < 23; ++y)
    for (int x = 0; x < 17; ++x)
      for (int c = 0; c < 3; ++c)
        ASSERT_FLOAT_EQ(a.At(x, y, c),
                        float(double(original.At(x, y, c)) * mask.Get(x, y, 0) / 32768.0));
}

TEST(MultImageFilter, InvalidMaskLeavesTheImageAlone) {
  TestHost host;
  FloatImage img(4, 3, 4);
  FillRandom(img, 3);
  const FloatImage original = img;
  MultImageFilter<WorkRgba, Mask8> mult(&host, img.MakeView<WorkRgba>(), Mask8{});
  EXPECT_EQ(mult.Run(0, 1), host.NoError());
  EXPECT_EQ(img.data, original.data);
}

// ---- MoveSubPixelImageFilter ----

namespace {

// Out-of-place bilinear shift, straight from the weights and border rule.
FloatImage ReferenceShift(FloatImage img, double sx, double sy) {
  FloatImage out = img;
  const int dx = sx > 0 ? 1 : -1;
  const int dy = sy > 0 ? 1 : -1;
  const double ax = 1.0 - std::fabs(sx);
  const double ay = 1.0 - std::fabs(sy);
  const double w00 = ax * ay, w10 = (1 - ax) * ay, w01 = ax * (1 - ay), w11 = (1 - ax) * (1 - ay);
  for (int y = 0; y < img.height; ++y) {
    for (int x = 0; x < img.width; ++x) {
      const int nx = (x + dx < 0 || x + dx >= img.width) ? x : x + dx;
      const int ny = (y + dy < 0 || y + dy >= img.height) ? y : y + dy;
      for (int c = 0; c < img.channels; ++c) {
        out.At(x, y, c) = float(w00 * img.At(x, y, c) + w10 * img.At(nx, y, c) +
                                w01 * img.At(x, ny, c) + w11 * img.At(nx, ny, c));
      }
    }
  }
  return out;
}

}  // namespace

TEST(MoveSubPixelImageFilter, InPlaceShiftEqualsOutOfPlaceInEveryDirection) {
  const double shifts[][2] = {{0.3, 0.7}, {-0.3, 0.7}, {0.3, -0.7}, {-0.3, -0.7},
                              {1.0, 0.0}, {0.0, -1.0}, {-0.5, 0.25}};
  for (const auto& s : shifts) {
    FloatImage img(9, 6, 4);
    FillRandom(img, 4);
    const FloatImage expected = ReferenceShift(img, s[0], s[1]);
    TestHost host;
    MoveSubPixelImageFilter<WorkRgba> move(&host, img.MakeView<WorkRgba>(), s[0], s[1]);
    ASSERT_EQ(move.Run(0, 1), host.NoError());
    EXPECT_EQ(img.data, expected.data) << "shift " << s[0] << "," << s[1];
  }
}

TEST(MoveSubPixelImageFilter, HandWorkedWeightsAndBorders) {
  TestHost host;
  FloatImage img(4, 2, 1);
  const float v[2][4] = {{0.0f, 0.5f, 1.0f, 0.25f}, {0.75f, 0.125f, 0.5f, 1.0f}};
  auto reset = [&] {
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 4; ++x) img.At(x, y, 0) = v[y][x];
  };
  // (0, 0): unchanged.
  reset();
  MoveSubPixelImageFilter<WorkGrey>(&host, img.MakeView<WorkGrey>(), 0.0, 0.0).Run(0, 1);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(img.At(x, y, 0), v[y][x]);
  // (0.5, 0): average with the right neighbour; the last column keeps its value.
  reset();
  MoveSubPixelImageFilter<WorkGrey>(&host, img.MakeView<WorkGrey>(), 0.5, 0.0).Run(0, 1);
  EXPECT_EQ(img.At(0, 0, 0), 0.25f);
  EXPECT_EQ(img.At(1, 0, 0), 0.75f);
  EXPECT_EQ(img.At(2, 0, 0), 0.625f);
  EXPECT_EQ(img.At(3, 0, 0), 0.25f);
  EXPECT_EQ(img.At(0, 1, 0), 0.4375f);
  EXPECT_EQ(img.At(3, 1, 0), 1.0f);
  // (-0.2, 0): 0.8 of itself plus 0.2 of the left neighbour; the first column keeps its value.
  reset();
  MoveSubPixelImageFilter<WorkGrey>(&host, img.MakeView<WorkGrey>(), -0.2, 0.0).Run(0, 1);
  EXPECT_EQ(img.At(0, 0, 0), 0.0f);
  EXPECT_FLOAT_EQ(img.At(1, 0, 0), 0.4f);  // 0.8 * 0.5 + 0.2 * 0
  EXPECT_FLOAT_EQ(img.At(2, 0, 0), 0.9f);  // 0.8 * 1 + 0.2 * 0.5
  EXPECT_FLOAT_EQ(img.At(3, 0, 0), 0.4f);  // 0.8 * 0.25 + 0.2 * 1
  EXPECT_FLOAT_EQ(img.At(0, 1, 0), 0.75f);
  // (0, 0.5): average with the row below; the last row keeps its value.
  reset();
  MoveSubPixelImageFilter<WorkGrey>(&host, img.MakeView<WorkGrey>(), 0.0, 0.5).Run(0, 1);
  EXPECT_EQ(img.At(0, 0, 0), 0.375f);
  EXPECT_EQ(img.At(3, 0, 0), 0.625f);
  EXPECT_EQ(img.At(0, 1, 0), 0.75f);
  EXPECT_TRUE(img.GuardIntact());
}

TEST(MoveSubPixelImageFilter, ReportsEveryRowAndStopsOnCancel) {
  TestHost host;
  FloatImage img(3, 5, 1);
  FillRandom(img, 5);
  const FloatImage original = img;
  MoveSubPixelImageFilter<WorkGrey> move(&host, img.MakeView<WorkGrey>(), 0.0, -0.5);
  ASSERT_EQ(move.Run(2, 4), host.NoError());
  ASSERT_EQ(host.progress.size(), 5u);
  for (int32_t i = 0; i < 5; ++i) EXPECT_EQ(host.progress[size_t(i)], std::make_pair(10 + i, 20));

  // Upward shift runs from the bottom row; a cancel after the first report leaves rows 0-3.
  img = original;
  TestHost cancelling;
  cancelling.cancelAfterReports = 0;
  MoveSubPixelImageFilter<WorkGrey> move2(&cancelling, img.MakeView<WorkGrey>(), 0.0, -0.5);
  EXPECT_EQ(move2.Run(0, 1), TestHost::kCancelled);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(img.At(x, y, 0), original.At(x, y, 0));
  for (int x = 0; x < 3; ++x)
    EXPECT_FLOAT_EQ(img.At(x, 4, 0), float(0.5 * original.data[size_t(12 + x)] +
                                           0.5 * original.data[size_t(9 + x)]));

  // An invalid view: nothing to do, nothing reported.
  TestHost idle;
  MoveSubPixelImageFilter<WorkGrey> none(&idle, WorkGrey{}, 0.5, 0.5);
  EXPECT_EQ(none.Run(0, 1), idle.NoError());
  EXPECT_TRUE(idle.progress.empty());
}
