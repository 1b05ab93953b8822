// Sample conversion, the band frame and the small filters (copy, mask multiply, sub-pixel
// shift), against values worked out by hand or a plain out-of-place computation.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "engine/ClearImageFilter.h"
#include "engine/CopyImageFilter.h"
#include "engine/DynamicRgbA.h"
#include "engine/LayoutDispatch.h"
#include "engine/MoveSubPixelImageFilter.h"
#include "engine/MultImageFilter.h"
#include "engine/SampleConvert.h"
#include "engine/StaticArgb.h"
#include "tests/engine/HostBuffers.h"
#include "tests/support/EngineTestHosts.h"

namespace {

using WorkGrey = StaticArgb<char, float, 0, 1, 0, 1>;
using WorkRgb = StaticArgb<char, float, 0, 3, 0, 1>;
using WorkGreyA = StaticArgb<char, float, 1, 1, 0, 1>;
using WorkRgba = StaticArgb<char, float, 1, 3, 0, 1>;
using Rgba8 = DynamicRgbA<0, uint8_t, 1, 3, 0, 255>;
using Rgba16 = DynamicRgbA<0, uint16_t, 1, 3, 0, 32768>;
using GreyA16 = DynamicRgbA<0, uint16_t, 1, 1, 0, 32768>;
using Grey8 = DynamicRgbA<0, uint8_t, 0, 1, 0, 255>;
using Mask16 = DynamicRgbA<0, uint16_t, 0, 1, 0, 32768>;

void FillRandom(FloatImage& img, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> u(0.0f, 1.0f);
  for (size_t i = 0; i < size_t(img.width) * size_t(img.height) * size_t(img.channels); ++i)
    img.data[i] = u(rng);
}

TEST(SampleConvert, TruncatesAndEverySampleSurvivesTheRoundTrip) {
  EXPECT_EQ((FloatToSample<255, uint8_t>(0.999)), 254);         // 254.745
  EXPECT_EQ((FloatToSample<255, uint8_t>(0.5)), 127);           // 127.5
  EXPECT_EQ((FloatToSample<32768, uint16_t>(0.99999)), 32767);  // 32767.67
  EXPECT_EQ(SampleToDouble<32768>(uint16_t(32768)), 1.0);
  for (int s = 0; s <= 255; ++s) {
    EXPECT_NEAR(double(SampleToFloat<255>(uint8_t(s))), s / 255.0, 1e-7) << s;
    ASSERT_EQ(int(FloatToSample<255, uint8_t>(SampleToFloat<255>(uint8_t(s)))), s) << s;
  }
  for (int s = 0; s <= 32768; ++s) {
    const float f = SampleToFloat<32768>(uint16_t(s));
    ASSERT_EQ(double(f), std::ldexp(double(s), -15)) << s;  // exact: 15 bits of mantissa
    ASSERT_EQ(int(FloatToSample<32768, uint16_t>(f)), s) << s;
  }
}

// The visitor answers with the layout it was given, read back from the tag's types.
struct LayoutCode {
  template <class Tag>
  int operator()(Tag) const {
    using Host = typename Tag::Host;
    static_assert(sizeof(typename Host::SampleType) == (Host::kFullScale == 255 ? 1 : 2));
    static_assert(Tag::Mask::kColours == 1 && Tag::Mask::kAlpha == 0 &&
                  Tag::Mask::kFullScale == Host::kFullScale);
    static_assert(Tag::Accumulation::kChannels == Tag::Working::kChannels + 1);
    return Host::kFullScale * 1000 + Tag::Working::kChannels * 100 + Host::kAlpha * 10 +
           Host::kColours;
  }
};

TEST(LayoutDispatch, MapsTheTwelveLayoutsAndRejectsEveryOther) {
  for (int depth : {8, 16}) {
    for (bool alpha : {false, true}) {
      for (int colours = 1; colours <= 3; ++colours) {
        int code = 0;
        ASSERT_TRUE(DispatchLayout(PixelLayout{depth, alpha, colours}, LayoutCode{}, code));
        EXPECT_EQ(code, (depth == 8 ? 255 : 32768) * 1000 + (colours + alpha) * 100 + alpha * 10 +
                            colours);
      }
    }
  }
  for (const PixelLayout& other : {PixelLayout{8, false, 0}, PixelLayout{16, true, 4},
                                   PixelLayout{32, false, 3}, PixelLayout{0, false, 1}}) {
    int code = 7;
    EXPECT_FALSE(DispatchLayout(other, LayoutCode{}, code));
    EXPECT_EQ(code, 7);
  }
}

TEST(BandFrame, TheLastBandTakesTheRemainderAndRunsScaleTheProgress) {
  const int32_t expected[4][2] = {{0, 2}, {2, 4}, {4, 6}, {6, 10}};  // 10 rows in 4 bands
  for (int32_t b = 0; b < 4; ++b) {
    EXPECT_EQ(ComputeBandRows(10, b, 4).first, expected[b][0]);
    EXPECT_EQ(ComputeBandRows(10, b, 4).end, expected[b][1]);
  }
  EXPECT_EQ(ComputeBandRows(2, 2, 4).first, ComputeBandRows(2, 2, 4).end);  // more bands than rows
  EXPECT_EQ(ComputeBandRows(2, 3, 4).end, 2);
  // Run 1 of 3 over 7 rows in bands of 0-1, 2-3, 4-6: each row once, against 3 x 7.
  TestHost host;
  host.processors = 3;
  std::vector<float> rows(7, 1.0f);
  ClearImageFilter<WorkGrey> clear(&host, WorkGrey::Packed(rows.data(), 1, 7));
  ASSERT_EQ(clear.Run(1, 3), host.NoError());
  ASSERT_EQ(host.progress.size(), 7u);
  for (int32_t y = 0; y < 7; ++y) EXPECT_EQ(host.progress[size_t(y)], std::make_pair(7 + y, 21));
  EXPECT_EQ(rows, std::vector<float>(7, 0.0f));
}

TEST(BandFrame, CancelStopsAfterTheReportingRowAndStartsNoFurtherBand) {
  TestHost host;
  host.processors = 4;
  host.cancelAfterReports = 5;  // the sixth report, after row 5, cancels
  std::vector<float> rows(40, 1.0f);
  ClearImageFilter<WorkGrey> clear(&host, WorkGrey::Packed(rows.data(), 1, 40));
  EXPECT_EQ(clear.Run(0, 1), TestHost::kCancelled);
  for (size_t y = 0; y < 40; ++y) EXPECT_EQ(rows[y], y < 6 ? 0.0f : 1.0f) << y;
  // Without reporting nothing can fail: band 1 of 2 over 9 rows runs rows 4..8.
  std::vector<int32_t> seen;
  EXPECT_EQ(ProcessBandRows(&host, 9, 1, 2, false, 0, 1, [&](int32_t y) { seen.push_back(y); }),
            host.NoError());
  EXPECT_EQ(seen, (std::vector<int32_t>{4, 5, 6, 7, 8}));
}

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
  EXPECT_EQ(d16.Get(0, 0, 3), 32768);
  EXPECT_EQ(d16.Get(1, 0, 0), 32735);  // float 0.999 is 0.99900001287; x 32768 = 32735.23
  EXPECT_EQ(d16.Get(3, 0, 1), 131);    // 0.004 * 32768 = 131.07
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
  // Without a source nothing is written.
  const std::vector<uint8_t> before = d.bytes;
  CopyImageFilter<WorkGrey, Grey8> none(&host, WorkGrey{}, d.MakeView<Grey8>());
  EXPECT_EQ(none.Run(0, 1), host.NoError());
  EXPECT_EQ(d.bytes, before);
}

TEST(MultImageFilter, ScalesEveryFloatByTheMaskSampleOnThreadsToo) {
  FloatImage img(17, 23, 3);
  FillRandom(img, 2);
  const FloatImage before = img;
  HostImage<uint16_t> mask(17, 23, 2, 5);  // two planes per pixel and padded rows
  for (int y = 0; y < 23; ++y)
    for (int x = 0; x < 17; ++x) mask.Set(x, y, 0, uint16_t((x * 1931 + y * 577) % 32769));
  mask.Set(0, 0, 0, 32768);  // multiplies by exactly 1
  TestHost threaded;
  threaded.processors = 2;
  threaded.threaded = true;
  MultImageFilter<WorkRgb, Mask16> mult(&threaded, img.MakeView<WorkRgb>(),
                                        mask.MakeView<Mask16>());
  ASSERT_EQ(mult.Run(0, 1), threaded.NoError());
  for (int y = 0; y < 23; ++y)
    for (int x = 0; x < 17; ++x)
      for (int c = 0; c < 3; ++c)
        ASSERT_FLOAT_EQ(img.At(x, y, c),
                        float(double(before.At(x, y, c)) * mask.Get(x, y, 0) / 32768.0));
  EXPECT_EQ(img.At(0, 0, 2), before.At(0, 0, 2));
  EXPECT_TRUE(img.GuardIntact());
}

// Out-of-place bilinear shift, straight from the weights and border rule.
FloatImage ReferenceShift(const FloatImage& img, double sx, double sy) {
  FloatImage out = img;
  const int dx = sx > 0 ? 1 : -1;
  const int dy = sy > 0 ? 1 : -1;
  const double ax = 1.0 - std::fabs(sx);
  const double ay = 1.0 - std::fabs(sy);
  for (int y = 0; y < img.height; ++y) {
    for (int x = 0; x < img.width; ++x) {
      const int nx = (x + dx < 0 || x + dx >= img.width) ? x : x + dx;
      const int ny = (y + dy < 0 || y + dy >= img.height) ? y : y + dy;
      for (int c = 0; c < img.channels; ++c) {
        out.At(x, y, c) =
            float(ax * ay * img.At(x, y, c) + (1 - ax) * ay * img.At(nx, y, c) +
                  ax * (1 - ay) * img.At(x, ny, c) + (1 - ax) * (1 - ay) * img.At(nx, ny, c));
      }
    }
  }
  return out;
}

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
  // An invalid view: nothing to do, nothing reported.
  TestHost idle;
  MoveSubPixelImageFilter<WorkRgba> none(&idle, WorkRgba{}, 0.5, 0.5);
  EXPECT_EQ(none.Run(0, 1), idle.NoError());
  EXPECT_TRUE(idle.progress.empty());
}

}  // namespace
