#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "engine/DynamicRgbA.h"
#include "engine/HslRangeFactorCache.h"
#include "engine/HslRangeSelectionFilter.h"
#include "engine/StaticArgb.h"
#include "tests/engine/HostBuffers.h"
#include "tests/support/EngineTestHosts.h"

namespace {

using Grey8 = DynamicRgbA<0, uint8_t, 0, 1, 0, 255>;
using Two8 = DynamicRgbA<0, uint8_t, 0, 2, 0, 255>;
using Rgb8 = DynamicRgbA<0, uint8_t, 0, 3, 0, 255>;
using Rgba8 = DynamicRgbA<0, uint8_t, 1, 3, 0, 255>;
using Rgb16 = DynamicRgbA<0, uint16_t, 0, 3, 0, 32768>;
using Rgba16 = DynamicRgbA<0, uint16_t, 1, 3, 0, 32768>;
using GreyA16 = DynamicRgbA<0, uint16_t, 1, 1, 0, 32768>;
using TwoA8 = DynamicRgbA<0, uint8_t, 1, 2, 0, 255>;

template <class Host>
using WorkingOf = StaticArgb<char, float, Host::kAlpha, Host::kColours, 0, 1>;

constexpr double kTolerance = 1e-6;  // reciprocals and float storage against plain division

HslRangeSettings Lightness(double low, double high, double climax = 1.0, double soften = 0.0) {
  HslRangeSettings s;
  s.lightnessLow = low;
  s.lightnessHigh = high;
  s.lightnessClimax = climax;
  s.lightnessSoften = soften;
  return s;
}

HslRangeSettings WeightOnly(HslRangeSettings s) {
  s.weightOnly = 1;
  return s;
}

// Host images are stored with colour planes first and, with alpha, the alpha in the last plane
// the view uses; one extra plane that no view reads sits after it.
template <class Host, typename Sample = typename Host::SampleType>
HostImage<Sample> Image(int32_t w, int32_t h) {
  return HostImage<Sample>(w, h, Host::kColours + Host::kAlpha + 1);
}

template <class Host, typename Sample>
FloatImage Select(HostImage<Sample>& colour, HostImage<Sample>& selection,
                  const HslRangeSettings& settings, int32_t width = -1, int32_t height = -1,
                  TestHost* hostIn = nullptr) {
  using Working = WorkingOf<Host>;
  TestHost local;
  TestHost* host = hostIn ? hostIn : &local;
  FloatImage out(width < 0 ? colour.width : width, height < 0 ? colour.height : height,
                 Working::kChannels, -1.0f);
  HslRangeSelectionFilter<Host, Working, Host> filter(
      host, colour.template MakeView<Host>(Host::kColours), out.MakeView<Working>(),
      selection.template MakeView<Host>(Host::kColours), settings);
  EXPECT_EQ(filter.Run(0, 1), host->NoError());
  EXPECT_TRUE(out.GuardIntact());
  return out;
}

template <class Host, typename Sample>
FloatImage Select(HostImage<Sample>& image, const HslRangeSettings& settings) {
  return Select<Host>(image, image, settings);
}

void SetGreyRow(HostImage<uint8_t>& img, const std::vector<int>& greys) {
  for (size_t x = 0; x < greys.size(); ++x) img.Set(int32_t(x), 0, 0, uint8_t(greys[x]));
}

// The triangular ramp over [lo, hi] worked out directly (no wrap, no shift).
double Ramp(double v, double lo, double hi, double climax, double soften) {
  if (v < lo || v > hi) return 0.0;
  if (soften == 0.0) return 1.0;
  const double t = hi == lo ? 0.0 : (v - lo) / (hi - lo);
  const double peak = (climax + 1.0) / 2.0;
  if (t < peak) return std::pow(t / peak, soften);
  if (peak == 1.0) return 1.0;
  return std::pow(std::max(0.0, 1.0 - (t - peak) / (1.0 - peak)), soften);
}

}  // namespace

TEST(HslRangeSelection, DefaultSettingsPassTheConvertedColourSource) {
  HostImage<uint8_t> rgb = Image<Rgb8>(6, 5);
  std::mt19937 rng(11);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 6; ++x)
      for (int k = 0; k < 3; ++k) rgb.Set(x, y, k, uint8_t(rng() % 256));
  FloatImage out = Select<Rgb8>(rgb, HslRangeSettings{});
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 6; ++x)
      for (int k = 0; k < 3; ++k) EXPECT_FLOAT_EQ(out.At(x, y, k), float(rgb.Get(x, y, k) / 255.0));

  // 16-bit with alpha: every channel times the alpha, 1/2^30 being exact.
  HostImage<uint16_t> rgba = Image<Rgba16>(2, 1);
  const uint16_t px[2][4] = {{32768, 16384, 0, 32768}, {32768, 1000, 32768, 16384}};
  for (int x = 0; x < 2; ++x)
    for (int p = 0; p < 4; ++p) rgba.Set(x, 0, p, px[x][p]);
  FloatImage out16 = Select<Rgba16>(rgba, HslRangeSettings{});
  EXPECT_EQ(out16.At(0, 0, 0), 1.0f);
  EXPECT_EQ(out16.At(0, 0, 1), 1.0f);
  EXPECT_EQ(out16.At(0, 0, 2), 0.5f);
  EXPECT_EQ(out16.At(0, 0, 3), 0.0f);
  EXPECT_EQ(out16.At(1, 0, 0), 0.25f);  // alpha 0.5 squared
  EXPECT_EQ(out16.At(1, 0, 1), 0.5f);
  EXPECT_FLOAT_EQ(out16.At(1, 0, 2), float(1000.0 / 65536.0));
  EXPECT_EQ(out16.At(1, 0, 3), 0.5f);
}

TEST(HslRangeSelection, LowAndHighAt255PassOnlyBlack) {
  HostImage<uint8_t> img = Image<Rgb8>(5, 1);
  const uint8_t px[5][3] = {{0, 0, 0}, {1, 0, 0}, {128, 128, 128}, {255, 255, 255}, {0, 0, 255}};
  for (int x = 0; x < 5; ++x)
    for (int k = 0; k < 3; ++k) img.Set(x, 0, k, px[x][k]);
  FloatImage w = Select<Rgb8>(img, WeightOnly(Lightness(1.0, 1.0)));
  const float expected[5] = {1, 0, 0, 0, 0};
  for (int x = 0; x < 5; ++x)
    for (int k = 0; k < 3; ++k) EXPECT_EQ(w.At(x, 0, k), expected[x]) << x;

  // A fully transparent white pixel is black after premultiplication and passes; its alpha
  // channel holds the converted alpha, 0.
  HostImage<uint8_t> rgba = Image<Rgba8>(2, 1);
  for (int k = 0; k < 3; ++k) {
    rgba.Set(0, 0, k, 255);
    rgba.Set(1, 0, k, 255);
  }
  rgba.Set(0, 0, 3, 0);
  rgba.Set(1, 0, 3, 255);
  FloatImage wa = Select<Rgba8>(rgba, WeightOnly(Lightness(1.0, 1.0)));
  EXPECT_EQ(wa.At(0, 0, 0), 0.0f);
  for (int k = 1; k < 4; ++k) EXPECT_EQ(wa.At(0, 0, k), 1.0f);
  EXPECT_EQ(wa.At(1, 0, 0), 1.0f);
  for (int k = 1; k < 4; ++k) EXPECT_EQ(wa.At(1, 0, k), 0.0f);
}

TEST(HslRangeSelection, SwappedBoundsSelectTheSameRange) {
  HostImage<uint8_t> img = Image<Grey8>(5, 1);
  SetGreyRow(img, {25, 51, 128, 204, 230});
  const FloatImage a = Select<Grey8>(img, WeightOnly(Lightness(0.8, 0.2)));
  const FloatImage b = Select<Grey8>(img, WeightOnly(Lightness(0.2, 0.8)));
  EXPECT_EQ(a.data, b.data);
  const float expected[5] = {0, 1, 1, 1, 0};  // 51/255 = 0.2 and 204/255 = 0.8 are inside
  for (int x = 0; x < 5; ++x) EXPECT_EQ(a.At(x, 0, 0), expected[x]) << x;
}

TEST(HslRangeSelection, SoftenOneGivesATriangleWithItsPeakAtTheClimax) {
  HostImage<uint8_t> img = Image<Grey8>(8, 1);
  const std::vector<int> greys{0, 51, 102, 127, 128, 153, 204, 255};
  SetGreyRow(img, greys);
  // Climax 0: 2l below the middle, 2(1 - l) above.
  const FloatImage mid = Select<Grey8>(img, WeightOnly(Lightness(0.0, 1.0, 0.0, 1.0)));
  const double midExpected[8] = {0.0, 0.4, 0.8, 254.0 / 255, 254.0 / 255, 0.8, 0.4, 0.0};
  for (int x = 0; x < 8; ++x) EXPECT_NEAR(mid.At(x, 0, 0), midExpected[x], kTolerance) << x;
  // Climax -1: peak at the low end, 1 - l. Climax 1: peak at the high end, l.
  const FloatImage low = Select<Grey8>(img, WeightOnly(Lightness(0.0, 1.0, -1.0, 1.0)));
  const FloatImage high = Select<Grey8>(img, WeightOnly(Lightness(0.0, 1.0, 1.0, 1.0)));
  for (int x = 0; x < 8; ++x) {
    EXPECT_NEAR(low.At(x, 0, 0), 1.0 - greys[size_t(x)] / 255.0, kTolerance) << x;
    EXPECT_NEAR(high.At(x, 0, 0), greys[size_t(x)] / 255.0, kTolerance) << x;
  }
  // Soften 2 over [0.2, 0.6] around the middle: l = 0.4 is the peak, 76/255 lies a quarter
  // (and a bit) up the range.
  SetGreyRow(img, {51, 76, 102, 140, 153, 200, 20, 0});
  const FloatImage sq = Select<Grey8>(img, WeightOnly(Lightness(0.2, 0.6, 0.0, 2.0)));
  EXPECT_NEAR(sq.At(0, 0, 0), 0.0, kTolerance);
  const double t76 = (76 / 255.0 - 0.2) / 0.4;
  EXPECT_NEAR(sq.At(1, 0, 0), (t76 / 0.5) * (t76 / 0.5), kTolerance);
  EXPECT_NEAR(sq.At(2, 0, 0), 1.0, kTolerance);
  const double t140 = (140 / 255.0 - 0.2) / 0.4;
  EXPECT_NEAR(sq.At(3, 0, 0), std::pow(1.0 - (t140 - 0.5) / 0.5, 2.0), kTolerance);
  EXPECT_NEAR(sq.At(4, 0, 0), 0.0, kTolerance);
  EXPECT_EQ(sq.At(5, 0, 0), 0.0f);
  EXPECT_EQ(sq.At(6, 0, 0), 0.0f);
}

TEST(HslRangeSelection, HueRangesWrapAroundAndShiftByWholeTurns) {
  HostImage<uint8_t> img = Image<Rgb8>(6, 1);
  // Hues in turns: red 0, (255,0,51) 1 - 0.2/6, (255,51,0) 0.2/6, cyan 0.5, green 1/3, grey 0.
  const uint8_t px[6][3] = {{255, 0, 0},   {255, 0, 51}, {255, 51, 0},
                            {0, 255, 255}, {0, 255, 0},  {128, 128, 128}};
  for (int x = 0; x < 6; ++x)
    for (int k = 0; k < 3; ++k) img.Set(x, 0, k, px[x][k]);
  const double hues[6] = {0.0, 1.0 - 0.2 / 6, 0.2 / 6, 0.5, 1.0 / 3, 0.0};

  // [0.9, 1.1] wraps to v >= 0.9 or v <= 0.1, over a width of 0.2, peak in the middle.
  HslRangeSettings wrap = WeightOnly({});
  wrap.hueLow = 0.9;
  wrap.hueHigh = 1.1;
  wrap.hueClimax = 0.0;
  wrap.hueSoften = 1.0;
  const FloatImage w = Select<Rgb8>(img, wrap);
  for (int x = 0; x < 6; ++x) {
    double expected = 0.0;
    if (hues[x] >= 0.9 || hues[x] <= 0.1) {
      const double t = (hues[x] >= 0.9 ? hues[x] - 0.9 : hues[x] + 0.1) / 0.2;
      expected = t < 0.5 ? t / 0.5 : 1.0 - (t - 0.5) / 0.5;
    }
    EXPECT_NEAR(w.At(x, 0, 0), expected, kTolerance) << x;
  }
  EXPECT_NEAR(w.At(0, 0, 0), 1.0, kTolerance);  // red sits at the peak
  EXPECT_NEAR(w.At(1, 0, 0), 2.0 / 3, kTolerance);
  EXPECT_NEAR(w.At(2, 0, 0), 2.0 / 3, kTolerance);

  // Without a ramp the wrapped range is a plain pass / fail.
  wrap.hueSoften = 0.0;
  const FloatImage flat = Select<Rgb8>(img, wrap);
  const float flatExpected[6] = {1, 1, 1, 0, 0, 1};
  for (int x = 0; x < 6; ++x) EXPECT_EQ(flat.At(x, 0, 0), flatExpected[x]) << x;

  // [0.8, 0.9] shifted by +0.2 is [1.0, 1.1], one whole turn above [0, 0.1].
  HslRangeSettings up = WeightOnly({});
  up.hueLow = 0.8;
  up.hueHigh = 0.9;
  up.hueShift = 0.2;
  const FloatImage u = Select<Rgb8>(img, up);
  const float upExpected[6] = {1, 0, 1, 0, 0, 1};
  for (int x = 0; x < 6; ++x) EXPECT_EQ(u.At(x, 0, 0), upExpected[x]) << x;

  // [0.1, 0.2] shifted by -0.2 is [-0.1, 0], one whole turn below [0.9, 1.0]: red is out.
  HslRangeSettings down = WeightOnly({});
  down.hueLow = 0.1;
  down.hueHigh = 0.2;
  down.hueShift = -0.2;
  const FloatImage d = Select<Rgb8>(img, down);
  const float downExpected[6] = {0, 1, 0, 0, 0, 0};
  for (int x = 0; x < 6; ++x) EXPECT_EQ(d.At(x, 0, 0), downExpected[x]) << x;
}

TEST(HslRangeSelection, SelectionJudgesPremultipliedColoursAndWeightsEveryChannel) {
  HostImage<uint8_t> img = Image<Rgba8>(2, 1);
  const uint8_t px[2][4] = {{255, 255, 255, 128}, {200, 100, 50, 255}};
  for (int x = 0; x < 2; ++x)
    for (int p = 0; p < 4; ++p) img.Set(x, 0, p, px[x][p]);
  // Half-transparent white has lightness 128/255 = 0.50196 after premultiplication.
  const double a2 = 128.0 * 128.0 / (255.0 * 255.0);
  const double white = 255.0 * 128.0 / (255.0 * 255.0);
  FloatImage out = Select<Rgba8>(img, Lightness(0.5, 0.51));
  EXPECT_NEAR(out.At(0, 0, 0), a2, kTolerance);
  for (int k = 1; k < 4; ++k) EXPECT_NEAR(out.At(0, 0, k), white, kTolerance);
  // The opaque orange (lightness 125/255 = 0.49) is outside and written as 0.
  for (int c = 0; c < 4; ++c) EXPECT_EQ(out.At(1, 0, c), 0.0f);

  out = Select<Rgba8>(img, Lightness(0.6, 1.0));
  for (int c = 0; c < 4; ++c) EXPECT_EQ(out.At(0, 0, c), 0.0f);
  out = Select<Rgba8>(img, WeightOnly(Lightness(0.6, 1.0)));
  EXPECT_NEAR(out.At(0, 0, 0), a2, kTolerance);  // alpha keeps its converted value
  for (int k = 1; k < 4; ++k) EXPECT_EQ(out.At(0, 0, k), 0.0f);

  // A ramp weight scales the premultiplied colours: soften 1, climax 1 over [0, 1] is l.
  out = Select<Rgba8>(img, Lightness(0.0, 1.0, 1.0, 1.0));
  const double l = 125.0 / 255.0;
  EXPECT_NEAR(out.At(1, 0, 0), l, kTolerance);
  EXPECT_NEAR(out.At(1, 0, 1), 200.0 / 255.0 * l, kTolerance);
  EXPECT_NEAR(out.At(1, 0, 3), 50.0 / 255.0 * l, kTolerance);
}

TEST(HslRangeSelection, TwoChannelImagesAreJudgedByTheirMean) {
  HostImage<uint8_t> img = Image<Two8>(1, 1);
  img.Set(0, 0, 0, 0);
  img.Set(0, 0, 1, 255);
  FloatImage in = Select<Two8>(img, Lightness(0.45, 0.55));
  EXPECT_EQ(in.At(0, 0, 0), 0.0f);
  EXPECT_EQ(in.At(0, 0, 1), 1.0f);
  FloatImage out = Select<Two8>(img, Lightness(0.9, 1.0));
  EXPECT_EQ(out.At(0, 0, 1), 0.0f);  // as RGB (0, 1, x) its lightness would have been >= 0.5
}

TEST(HslRangeSelection, DisabledSelectionConvertsWithoutPremultiplying) {
  HostImage<uint8_t> colour = Image<Rgba8>(3, 1);
  const uint8_t px[4] = {200, 100, 50, 128};
  for (int p = 0; p < 4; ++p) colour.Set(1, 0, p, px[p]);
  HslRangeSettings off = Lightness(1.0, 1.0);  // would reject the pixel if it were applied
  off.enabled = 0;
  // The selection source is not read: an invalid one is fine.
  auto run = [&](const HslRangeSettings& s, int32_t width) {
    TestHost host;
    FloatImage out(width, 1, 4, -1.0f);
    Rgba8 none{};
    HslRangeSelectionFilter<Rgba8, WorkingOf<Rgba8>, Rgba8> f(
        &host, colour.MakeView<Rgba8>(3), out.MakeView<WorkingOf<Rgba8>>(), none, s);
    EXPECT_EQ(f.Run(0, 1), host.NoError());
    return out;
  };
  FloatImage out = run(off, 3);
  EXPECT_FLOAT_EQ(out.At(1, 0, 0), 128.0f / 255.0f);
  EXPECT_FLOAT_EQ(out.At(1, 0, 1), 200.0f / 255.0f);
  EXPECT_FLOAT_EQ(out.At(1, 0, 3), 50.0f / 255.0f);
  off.weightOnly = 1;
  out = run(off, 3);
  for (int c = 0; c < 4; ++c) EXPECT_EQ(out.At(1, 0, c), 1.0f);
  // A destination wider than the colour source: the uncovered columns get 0.
  out = run(off, 5);
  for (int c = 0; c < 4; ++c) {
    EXPECT_EQ(out.At(0, 0, c), 0.0f);
    EXPECT_EQ(out.At(4, 0, c), 0.0f);
    EXPECT_EQ(out.At(2, 0, c), 1.0f);
  }
  // Enabled with an invalid selection source: nothing is written.
  out = run(Lightness(0.0, 1.0), 3);
  for (int c = 0; c < 4; ++c) EXPECT_EQ(out.At(1, 0, c), -1.0f);
}

TEST(HslRangeSelection, EachSourceIsCentredOnTheDestination) {
  // Selection 4x3 around a 2x1 destination: offsets (1, 1). Only (1, 1) is black.
  HostImage<uint8_t> selection = Image<Grey8>(4, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) selection.Set(x, y, 0, 255);
  selection.Set(1, 1, 0, 0);
  HostImage<uint8_t> colour = Image<Grey8>(2, 1);
  colour.Set(0, 0, 0, 51);
  colour.Set(1, 0, 0, 102);
  FloatImage out = Select<Grey8>(colour, selection, Lightness(0.0, 0.0));
  EXPECT_FLOAT_EQ(out.At(0, 0, 0), 0.2f);
  EXPECT_EQ(out.At(1, 0, 0), 0.0f);

  // Colour 1x1 and selection 1x1 in a 3x1 destination: offset (1 - 3) / 2 = -1, so only the
  // middle column has either source. Uncovered colour reads as transparent black.
  HostImage<uint8_t> one = Image<Rgba8>(1, 1);
  for (int p = 0; p < 4; ++p) one.Set(0, 0, p, 255);
  FloatImage w = Select<Rgba8>(one, one, WeightOnly(Lightness(0.9, 1.0)), 3, 1);
  for (int c = 0; c < 4; ++c) {
    EXPECT_EQ(w.At(0, 0, c), 0.0f);
    EXPECT_EQ(w.At(1, 0, c), 1.0f);
    EXPECT_EQ(w.At(2, 0, c), 0.0f);
  }
  // A selection source that covers only the middle while the colour covers everything.
  HostImage<uint8_t> wide = Image<Rgba8>(3, 1);
  for (int x = 0; x < 3; ++x)
    for (int p = 0; p < 4; ++p) wide.Set(x, 0, p, 255);
  w = Select<Rgba8>(wide, one, WeightOnly(Lightness(0.9, 1.0)), 3, 1);
  EXPECT_EQ(w.At(0, 0, 0), 1.0f);  // alpha from the colour source
  EXPECT_EQ(w.At(0, 0, 1), 0.0f);  // no selection pixel: weight 0
  EXPECT_EQ(w.At(1, 0, 1), 1.0f);
}

namespace {

// Per-pixel reference for lightness-only settings: convert, premultiply with plain division,
// judge the lightness, weight every channel.
template <class Host, typename Sample>
void ExpectMatchesReference(HostImage<Sample>& img, const HslRangeSettings& s,
                            const FloatImage& out) {
  constexpr int A = Host::kAlpha;
  constexpr int K = Host::kColours;
  const double D = Host::kFullScale;
  for (int y = 0; y < img.height; ++y) {
    for (int x = 0; x < img.width; ++x) {
      const double a = A ? img.Get(x, y, K) : D;
      double v[4];
      for (int k = 0; k < K; ++k) v[k] = img.Get(x, y, k) * a / (D * D);
      double mx, mn;
      if (K == 2) {
        mx = mn = (v[0] + v[1]) / 2;
      } else {
        mx = *std::max_element(v, v + K);
        mn = *std::min_element(v, v + K);
      }
      const double l = (mx + mn) / 2;
      const double lo = std::min(s.lightnessLow, s.lightnessHigh);
      const double hi = std::max(s.lightnessLow, s.lightnessHigh);
      const double weight = Ramp(l, lo, hi, s.lightnessClimax, s.lightnessSoften);
      if (A) {
        ASSERT_NEAR(out.At(x, y, 0), a * a / (D * D) * weight, kTolerance);
      }
      for (int k = 0; k < K; ++k) {
        ASSERT_NEAR(out.At(x, y, A + k), v[k] * weight, kTolerance) << x << "," << y;
      }
    }
  }
}

template <class Host, typename Sample>
void RandomFill(HostImage<Sample>& img, unsigned seed) {
  std::mt19937 rng(seed);
  for (int y = 0; y < img.height; ++y)
    for (int x = 0; x < img.width; ++x)
      for (int p = 0; p < Host::kColours + Host::kAlpha; ++p)
        img.Set(x, y, p, Sample(rng() % (Host::kFullScale + 1)));
}

}  // namespace

TEST(HslRangeSelection, RandomImagesMatchAPlainReference) {
  const HslRangeSettings cases[] = {Lightness(0.1, 0.9, 0.3, 1.7), Lightness(0.55, 0.2, -0.6, 0.4),
                                    Lightness(0.0, 1.0, 1.0, 3.0), Lightness(0.3, 0.7)};
  for (const HslRangeSettings& s : cases) {
    HostImage<uint8_t> rgba = Image<Rgba8>(13, 11);
    RandomFill<Rgba8>(rgba, 21);
    ExpectMatchesReference<Rgba8>(rgba, s, Select<Rgba8>(rgba, s));
    HostImage<uint16_t> ga = Image<GreyA16>(9, 7);
    RandomFill<GreyA16>(ga, 22);
    ExpectMatchesReference<GreyA16>(ga, s, Select<GreyA16>(ga, s));
    HostImage<uint8_t> two = Image<TwoA8>(8, 6);
    RandomFill<TwoA8>(two, 23);
    ExpectMatchesReference<TwoA8>(two, s, Select<TwoA8>(two, s));
    HostImage<uint16_t> rgb = Image<Rgb16>(10, 3);
    RandomFill<Rgb16>(rgb, 24);
    ExpectMatchesReference<Rgb16>(rgb, s, Select<Rgb16>(rgb, s));
  }
}

TEST(HslRangeSelection, ThreadedBandsEqualASequentialRun) {
  HostImage<uint8_t> img = Image<Rgba8>(41, 37);
  RandomFill<Rgba8>(img, 31);
  const HslRangeSettings s = Lightness(0.1, 0.8, 0.2, 1.3);
  TestHost threaded;
  threaded.processors = 3;
  threaded.threaded = true;
  const FloatImage a = Select<Rgba8>(img, img, s);
  const FloatImage b = Select<Rgba8>(img, img, s, -1, -1, &threaded);
  EXPECT_EQ(a.data, b.data);
  // Only the calling thread reported, each row of its bands once against the height.
  for (const auto& p : threaded.progress) {
    EXPECT_EQ(p.second, 37);
    EXPECT_LT(p.first, 37);
  }
}

TEST(HslRangeSelection, OpenHueAndSaturationSkipTheFullConversionWithoutChangingResults) {
  // A hue range of [-0.5, 1.5] wraps and so takes the full hue / saturation path, yet lets
  // every hue through with factor 1: the result must be bit for bit the lightness-only one.
  HslRangeSettings fast = Lightness(0.2, 0.9, -0.3, 1.4);
  HslRangeSettings full = fast;
  full.hueLow = -0.5;
  full.hueHigh = 1.5;
  HostImage<uint8_t> rgb = Image<Rgb8>(19, 7);
  RandomFill<Rgb8>(rgb, 41);
  EXPECT_EQ(Select<Rgb8>(rgb, fast).data, Select<Rgb8>(rgb, full).data);
  HostImage<uint8_t> rgba = Image<Rgba8>(19, 7);
  RandomFill<Rgba8>(rgba, 42);
  EXPECT_EQ(Select<Rgba8>(rgba, fast).data, Select<Rgba8>(rgba, full).data);
  // Open lightness ranges too: [-0.5, 1.5] wraps and is judged, the default is not.
  HslRangeSettings judged = full;
  judged.lightnessLow = -0.5;
  judged.lightnessHigh = 1.5;
  judged.lightnessSoften = 0.0;
  HslRangeSettings open = fast;
  open.lightnessLow = 0.0;
  open.lightnessHigh = 1.0;
  open.lightnessSoften = 0.0;
  EXPECT_EQ(Select<Rgba8>(rgba, open).data, Select<Rgba8>(rgba, judged).data);
  EXPECT_EQ(Select<Rgb8>(rgb, WeightOnly(open)).data, Select<Rgb8>(rgb, WeightOnly(judged)).data);
  // Separate colour and selection images take a path of their own.
  HostImage<uint8_t> other = Image<Rgba8>(19, 7);
  RandomFill<Rgba8>(other, 43);
  EXPECT_EQ(Select<Rgba8>(other, rgba, fast).data, Select<Rgba8>(other, rgba, full).data);
}

TEST(HslRangeFactorCache, ReturnsExactlyTheRangeFactorUnderHeavyReuseAndEviction) {
  const HslRange range(0.1, 0.8, 0.4, 2.3, 0.0);
  HslRangeFactorCache cache(range);
  std::mt19937 rng(51);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  std::vector<double> values;
  for (int i = 0; i < 20000; ++i) values.push_back(u(rng));
  for (int pass = 0; pass < 3; ++pass) {
    for (size_t i = 0; i < values.size(); ++i) {
      const double v = values[(i * 7919 + size_t(pass)) % values.size()];
      ASSERT_EQ(cache.Factor(v), range.Factor(v)) << v;
    }
  }
  const HslRange hard(0.1, 0.8, 0.4, 0.0, 0.0);
  HslRangeFactorCache plain(hard);
  EXPECT_EQ(plain.Factor(0.05), 0.0);
  EXPECT_EQ(plain.Factor(0.5), 1.0);
}
