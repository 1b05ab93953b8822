// The effect pipeline: the origin's sub-pixel fraction, strength 0, linear light, display modes
// (failed allocations and cancels: tests/host/FaultInjectionTest.cpp). Expected pixels come from a
// plain reference of the stages involved (selection with default settings is the identity, the
// compositing curve with gamma 1 is the 15-bit quantisation).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/LayoutDispatch.h"
#include "engine/QuenaraEffect.h"
#include "tests/engine/HostBuffers.h"
#include "tests/support/EngineTestHosts.h"

namespace {

using GreyA16 = LayoutTag<uint16_t, 32768, 1, 1>;
using Rgba8 = LayoutTag<uint8_t, 255, 1, 3>;

constexpr int kOneStep = 1;  // single-precision pixels against a double reference

// Output curve with gamma 1: the level quantised to 15 bits, optionally through BT.709.
double Encode(double v, bool linear) {
  double e = std::trunc(std::clamp(v, 0.0, 1.0) * 32767.0) / 32767.0;
  if (linear) e = e >= 0.018 ? 1.099 * std::pow(e, 0.45) - 0.099 : 4.5 * e;
  return e;
}

// The linearisation table's value for a working value v, stored as a float as the working
// image stores it.
float Linear(double v) {
  const double x = std::trunc(v * 32767.0) / 32768.0;
  return float(x > 0.081 ? std::pow((x + 0.099) / 1.099, 1.0 / 0.45) : x / 4.5);
}

template <class Tag>
struct Pipeline {
  using Sample = typename Tag::Host::SampleType;
  static constexpr int K = Tag::kColours;
  Pipeline(int32_t w, int32_t h)
      : source(w, h, K + 1), destination(w, h, K + 1), maskImage(w, h, 1), effect(&host) {
    effect.source = source.template MakeView<typename Tag::Host>(K);
    effect.destination = destination.template MakeView<typename Tag::Host>(K);
    effect.selectionSource = effect.source;
    effect.settings.linearLight = false;
    destination.Fill(7);
  }
  // Colours from f(x, y, k), opaque.
  template <class F>
  void Paint(F f) {
    for (int32_t y = 0; y < source.height; ++y) {
      for (int32_t x = 0; x < source.width; ++x) {
        for (int k = 0; k < K; ++k) source.Set(x, y, k, Sample(f(x, y, k)));
        source.Set(x, y, K, Sample(Tag::Host::kFullScale));
      }
    }
  }
  typename Tag::Mask Mask() { return maskImage.template MakeView<typename Tag::Mask>(); }

  TestHost host;
  HostImage<Sample> source;
  HostImage<Sample> destination;
  HostImage<Sample> maskImage;
  QuenaraEffect<typename Tag::Host, typename Tag::Mask> effect;
};

TEST(QuenaraEffect, TheShiftUndoneAfterTheBlurIsTheOriginFraction) {
  using E = QuenaraEffect<Rgba8::Host, Rgba8::Mask>;
  EXPECT_NEAR(E::OriginFraction(10.3), -0.2, 1e-12);
  EXPECT_EQ(E::OriginPixel(10.3), 10);
  EXPECT_NEAR(E::OriginFraction(-10.3), 0.2, 1e-12);
  EXPECT_EQ(E::OriginPixel(-10.3), -10);
  EXPECT_EQ(E::OriginFraction(7.0), -0.5);
  EXPECT_EQ(E::OriginFraction(7.5), 0.0);       // a pixel centre
  EXPECT_EQ(E::OriginPixel(1e12), 1073741824);  // held where int32 cannot overflow
  Pipeline<Rgba8> p(8, 8);
  p.Paint([](int32_t, int32_t, int) { return 100; });
  p.effect.settings.originX = 3.2;
  p.effect.settings.originY = -2.7;
  ASSERT_EQ(p.effect.Run(0, 1), 0);
  EXPECT_NEAR(p.effect.shiftX, 0.3, 1e-12);  // -(|0.2| - 0.5)
  EXPECT_NEAR(p.effect.shiftY, 0.2, 1e-12);  // -(-(|-0.7| - 0.5))
}

TEST(QuenaraEffect, StrengthZeroNeitherShiftsNorBlursAndLinearLightLeavesAlphaAlone) {
  // Rows wider than the stretches the levels are indexed in. Rows 0 and 1 are opaque: every
  // colour goes through the curve (and the linearisation table). Row 2 is translucent under
  // "(none) replace", which writes the working alpha a^2 (the selection premultiplies): it must
  // not be linearised. Its grey g stays below a, so the straight colour does not raise it.
  Pipeline<GreyA16> p(301, 3);
  for (int32_t x = 0; x < 301; ++x) {
    for (int32_t y = 0; y < 2; ++y) {
      p.source.Set(x, y, 0, uint16_t((x * 7919 + y * 3457) % 32769));
      p.source.Set(x, y, 1, 32768);
    }
    p.source.Set(x, 2, 0, uint16_t(x * 50));
    p.source.Set(x, 2, 1, uint16_t(32768 - x * 50));
  }
  p.host.threaded = true;
  p.host.processors = 3;
  for (bool linear : {false, true}) {
    p.effect.settings.strength = 0.0;
    p.effect.settings.originX = 2.3;  // a fraction that would shift by 0.2 pixel
    p.effect.settings.originY = 1.9;
    p.effect.settings.linearLight = linear;
    p.effect.settings.blendMode = 23;
    ASSERT_EQ(p.effect.Run(0, 1), 0);
    EXPECT_EQ(p.effect.shiftX, 0.0);
    EXPECT_EQ(p.effect.shiftY, 0.0);
    for (int32_t x = 0; x < 301; ++x) {
      for (int32_t y = 0; y < 2; ++y) {
        const double v = float(p.source.Get(x, y, 0) * 3.0517578125e-05);
        const double w = linear ? double(Linear(v)) : v;
        ASSERT_NEAR(p.destination.Get(x, y, 0), int(Encode(w, linear) * 32768.0), kOneStep)
            << x << "," << y << " linear " << linear;
      }
      const double alpha = (32768 - x * 50) / 32768.0;
      ASSERT_NEAR(p.destination.Get(x, 2, 1), int(alpha * alpha * 32768.0), kOneStep) << x;
    }
  }
}

}  // namespace
