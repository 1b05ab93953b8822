#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "engine/DynamicRgbA.h"
#include "engine/HslRangeSelectionFilter.h"
#include "engine/StaticArgb.h"
#include "tests/engine/HostBuffers.h"
#include "tests/support/EngineTestHosts.h"

namespace {

using Rgb8 = DynamicRgbA<0, uint8_t, 0, 3, 0, 255>;
using Rgba8 = DynamicRgbA<0, uint8_t, 1, 3, 0, 255>;
using Rgb16 = DynamicRgbA<0, uint16_t, 0, 3, 0, 32768>;
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

// The selection of an image judged against itself.
template <class Host, typename Sample>
FloatImage Select(HostImage<Sample>& image, const HslRangeSettings& settings) {
  using Working = WorkingOf<Host>;
  TestHost host;
  FloatImage out(image.width, image.height, Working::kChannels, -1.0f);
  const Host view = image.template MakeView<Host>(Host::kColours);
  HslRangeSelectionFilter<Host, Working, Host> filter(&host, view, out.MakeView<Working>(), view,
                                                      settings);
  EXPECT_EQ(filter.Run(0, 1), host.NoError());
  EXPECT_TRUE(out.GuardIntact());
  return out;
}

template <class Host, typename Sample>
void RandomFill(HostImage<Sample>& img, unsigned seed) {
  std::mt19937 rng(seed);
  for (int y = 0; y < img.height; ++y)
    for (int x = 0; x < img.width; ++x)
      for (int p = 0; p < Host::kColours + Host::kAlpha; ++p)
        img.Set(x, y, p, Sample(rng() % (Host::kFullScale + 1)));
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

// Per-pixel reference for lightness-only settings: convert, premultiply with plain division,
// judge the lightness (two channels: by their mean), then weight every channel or write the
// weight itself.
template <class Host>
void ExpectMatchesReference(int32_t w, int32_t h, unsigned seed, const HslRangeSettings& s) {
  auto img = Image<Host>(w, h);
  RandomFill<Host>(img, seed);
  const FloatImage out = Select<Host>(img, s);
  constexpr int A = Host::kAlpha;
  constexpr int K = Host::kColours;
  const double D = Host::kFullScale;
  for (int y = 0; y < img.height; ++y) {
    for (int x = 0; x < img.width; ++x) {
      const double a = A ? img.Get(x, y, K) : D;
      double v[4];
      for (int k = 0; k < K; ++k) v[k] = img.Get(x, y, k) * a / (D * D);
      double mx = *std::max_element(v, v + K), mn = *std::min_element(v, v + K);
      if (K == 2) mx = mn = (v[0] + v[1]) / 2;
      const double lo = std::min(s.lightnessLow, s.lightnessHigh);
      const double hi = std::max(s.lightnessLow, s.lightnessHigh);
      const double weight = Ramp((mx + mn) / 2, lo, hi, s.lightnessClimax, s.lightnessSoften);
      if (A) {
        ASSERT_NEAR(out.At(x, y, 0), a * a / (D * D) * (s.weightOnly ? 1.0 : weight), kTolerance);
      }
      for (int k = 0; k < K; ++k) {
        ASSERT_NEAR(out.At(x, y, A + k), s.weightOnly ? weight : v[k] * weight, kTolerance)
            << x << "," << y;
      }
    }
  }
}

TEST(HslRangeSelection, RandomImagesMatchAPlainReference) {
  const HslRangeSettings cases[] = {Lightness(0.1, 0.9, 0.3, 1.7),
                                    Lightness(0.55, 0.2, -0.6, 0.4),
                                    Lightness(0.0, 1.0, 1.0, 3.0),
                                    Lightness(0.3, 0.7),
                                    WeightOnly(Lightness(0.2, 0.8, 0.0, 1.0)),
                                    WeightOnly(Lightness(0.6, 1.0))};
  for (const HslRangeSettings& s : cases) {
    ExpectMatchesReference<Rgba8>(13, 11, 21, s);
    ExpectMatchesReference<GreyA16>(9, 7, 22, s);
    ExpectMatchesReference<TwoA8>(8, 6, 23, s);
    ExpectMatchesReference<Rgb16>(10, 3, 24, s);
  }
}

TEST(HslRangeSelection, HueRangesWrapAroundAndShiftByWholeTurns) {
  HostImage<uint8_t> img = Image<Rgb8>(6, 1);
  // Hues in turns: red 0, (255,0,51) 1 - 0.2/6, (255,51,0) 0.2/6, cyan 0.5, green 1/3, grey 0.
  const uint8_t px[6][3] = {{255, 0, 0},   {255, 0, 51}, {255, 51, 0},
                            {0, 255, 255}, {0, 255, 0},  {128, 128, 128}};
  for (int x = 0; x < 6; ++x)
    for (int k = 0; k < 3; ++k) img.Set(x, 0, k, px[x][k]);
  struct {
    double low, high, shift, soften;
    float expected[6];
  } const cases[] = {
      // [0.9, 1.1] wraps to v >= 0.9 or v <= 0.1, peak in the middle: red at the peak, the
      // two neighbours a third of the way down.
      {0.9, 1.1, 0.0, 1.0, {1, 2.0f / 3, 2.0f / 3, 0, 0, 1}},
      {0.9, 1.1, 0.0, 0.0, {1, 1, 1, 0, 0, 1}},
      // [0.8, 0.9] shifted by +0.2 is [1.0, 1.1], one whole turn above [0, 0.1].
      {0.8, 0.9, 0.2, 0.0, {1, 0, 1, 0, 0, 1}},
      // [0.1, 0.2] shifted by -0.2 is [-0.1, 0], one whole turn below [0.9, 1.0]: red is out.
      {0.1, 0.2, -0.2, 0.0, {0, 1, 0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    HslRangeSettings s = WeightOnly({});
    s.hueLow = c.low;
    s.hueHigh = c.high;
    s.hueShift = c.shift;
    s.hueClimax = 0.0;
    s.hueSoften = c.soften;
    const FloatImage w = Select<Rgb8>(img, s);
    for (int x = 0; x < 6; ++x) EXPECT_NEAR(w.At(x, 0, 0), c.expected[x], kTolerance) << x;
  }
}

}  // namespace
