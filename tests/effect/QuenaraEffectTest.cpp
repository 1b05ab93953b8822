// The effect pipeline: stage order and progress, the origin's sub-pixel fraction, strength 0,
// linear light, display modes, and the release of every buffer on every path. Expected pixels
// come from a plain reference of the stages involved (selection with default settings is the
// identity, the compositing curve with gamma 1 is the 15-bit quantisation).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/LayoutDispatch.h"
#include "engine/QuenaraEffect.h"
#include "tests/effect/HostImage.h"
#include "tests/support/EngineTestHosts.h"

namespace {

using Rgb16 = LayoutTag<uint16_t, 32768, 0, 3>;
using GreyA16 = LayoutTag<uint16_t, 32768, 1, 1>;
using Rgba8 = LayoutTag<uint8_t, 255, 1, 3>;
using Rgb8 = LayoutTag<uint8_t, 255, 0, 3>;
using Grey8 = LayoutTag<uint8_t, 255, 0, 1>;

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
  Pipeline(int32_t w, int32_t h)
      : source(w, h), destination(w, h), maskImage(w, h, 1), effect(&host) {
    effect.source = source.View();
    effect.destination = destination.View();
    effect.selectionSource = source.View();
    effect.linearLight = false;
    destination.Fill(7);
  }
  typename Tag::Mask Mask() { return maskImage.View(); }

  TestHost host;
  HostImage<typename Tag::Host> source;
  HostImage<typename Tag::Host> destination;
  HostImage<typename Tag::Mask> maskImage;
  QuenaraEffect<typename Tag::Host, typename Tag::Mask> effect;
};

TEST(QuenaraEffect, OriginFractionAndWholePixel) {
  using E = QuenaraEffect<Rgb8::Host, Rgb8::Mask>;
  EXPECT_NEAR(E::OriginFraction(10.3), -0.2, 1e-12);
  EXPECT_EQ(E::OriginPixel(10.3), 10);
  EXPECT_NEAR(E::OriginFraction(-10.3), 0.2, 1e-12);
  EXPECT_EQ(E::OriginPixel(-10.3), -10);
  EXPECT_EQ(E::OriginFraction(7.0), -0.5);
  EXPECT_EQ(E::OriginFraction(7.5), 0.0);       // a pixel centre
  EXPECT_EQ(E::OriginPixel(1e12), 1073741824);  // held where int32 cannot overflow
}

TEST(QuenaraEffect, StrengthZeroNeitherShiftsNorBlurs) {
  Pipeline<Rgb16> p(6, 5);
  for (int32_t y = 0; y < 5; ++y)
    for (int32_t x = 0; x < 6; ++x)
      for (int k = 0; k < 3; ++k)
        p.source.At(x, y, k) = uint16_t((x * 7919 + y * 3457 + k * 11003) % 32769);
  for (bool linear : {false, true}) {
    p.effect.strength = 0.0;
    p.effect.originX = 2.3;  // a fraction that would shift by 0.2 pixel
    p.effect.originY = 1.9;
    p.effect.linearLight = linear;
    ASSERT_EQ(p.effect.Run(0, 1), 0);
    EXPECT_EQ(p.effect.shiftX, 0.0);
    EXPECT_EQ(p.effect.shiftY, 0.0);
    for (int32_t y = 0; y < 5; ++y) {
      for (int32_t x = 0; x < 6; ++x) {
        for (int k = 0; k < 3; ++k) {
          const double v = float(p.source.At(x, y, k) * 3.0517578125e-05);
          const double w = linear ? double(Linear(v)) : v;
          EXPECT_NEAR(p.destination.At(x, y, k), int(Encode(w, linear) * 32768.0), kOneStep)
              << x << "," << y << "," << k << " linear " << linear;
        }
      }
    }
  }
}

TEST(QuenaraEffect, ShiftUndoneAfterBlurIsTheOriginFraction) {
  Pipeline<Grey8> p(8, 8);
  p.source.Fill(100);
  p.effect.originX = 3.2;
  p.effect.originY = -2.7;
  ASSERT_EQ(p.effect.Run(0, 1), 0);
  EXPECT_NEAR(p.effect.shiftX, 0.3, 1e-12);  // -(|0.2| - 0.5)
  EXPECT_NEAR(p.effect.shiftY, 0.2, 1e-12);  // -(-(|-0.7| - 0.5))
  EXPECT_TRUE(p.effect.blurred.valid);
}

TEST(QuenaraEffect, LinearisationLeavesAlphaAlone) {
  // Grey 0.1 under alpha 0.75: the working pixel is (a^2, g a^2) premultiplied by the selection;
  // blend 23 writes the blurred alpha, which must be a^2 and not its linearised value.
  Pipeline<GreyA16> p(3, 2);
  for (int32_t y = 0; y < 2; ++y) {
    for (int32_t x = 0; x < 3; ++x) {
      p.source.At(x, y, 0) = 3277;   // 0.1
      p.source.Alpha(x, y) = 24576;  // 0.75
    }
  }
  p.effect.strength = 0.0;
  p.effect.linearLight = true;
  p.effect.blendMode = 23;
  ASSERT_EQ(p.effect.Run(0, 1), 0);
  const double alpha = 0.75 * 0.75;
  for (int32_t x = 0; x < 3; ++x)
    EXPECT_NEAR(p.destination.Alpha(x, 1), int(alpha * 32768.0), kOneStep);
  EXPECT_GT(std::fabs(Linear(alpha) - alpha), 0.1);  // linearising it would show
}

TEST(QuenaraEffect, LinearLightOverWideRows) {
  // Rows wider than the stretches the levels are indexed in: every colour goes through the
  // table, every alpha stays as it was.
  Pipeline<Rgb16> p(301, 7);
  for (int32_t y = 0; y < 7; ++y)
    for (int32_t x = 0; x < 301; ++x)
      for (int k = 0; k < 3; ++k)
        p.source.At(x, y, k) = uint16_t((x * 7919 + y * 3457 + k * 11003) % 32769);
  p.host.threaded = true;
  p.host.processors = 3;
  p.effect.strength = 0.0;
  p.effect.linearLight = true;
  ASSERT_EQ(p.effect.Run(0, 1), 0);
  for (int32_t y = 0; y < 7; ++y) {
    for (int32_t x = 0; x < 301; ++x) {
      for (int k = 0; k < 3; ++k) {
        const double v = float(p.source.At(x, y, k) * 3.0517578125e-05);
        ASSERT_NEAR(p.destination.At(x, y, k), int(Encode(Linear(v), true) * 32768.0), kOneStep)
            << x << "," << y << "," << k;
      }
    }
  }

  Pipeline<GreyA16> a(301, 5);
  for (int32_t y = 0; y < 5; ++y) {
    for (int32_t x = 0; x < 301; ++x) {
      a.source.At(x, y, 0) = uint16_t(x * 50);
      a.source.Alpha(x, y) = uint16_t(32768 - x * 50);
    }
  }
  a.host.threaded = true;
  a.host.processors = 2;
  a.effect.strength = 0.0;
  a.effect.linearLight = true;
  a.effect.blendMode = 23;  // writes the blurred alpha
  ASSERT_EQ(a.effect.Run(0, 1), 0);
  for (int32_t y = 0; y < 5; ++y) {
    for (int32_t x = 0; x < 301; ++x) {
      const double alpha = (32768 - x * 50) / 32768.0;
      // The premultiplied grey g a stays below the working alpha a^2 (g < a), so the alpha is
      // not raised by the straight colour.
      ASSERT_NEAR(a.destination.Alpha(x, y), int(alpha * alpha * 32768.0), kOneStep) << x;
    }
  }
}

TEST(QuenaraEffect, SizeSelectionDisplayWithoutMaskIsOpaqueWhite) {
  Pipeline<Rgba8> p(4, 3);
  p.source.Fill(40);
  p.effect.show = 4;
  ASSERT_EQ(p.effect.Run(0, 1), 0);
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 4; ++x)
      for (int s = 0; s < 4; ++s) EXPECT_EQ(p.destination.At(x, y, s), 255);
}

TEST(QuenaraEffect, SizeSelectionDisplayShowsTheMask) {
  Pipeline<Rgb8> p(4, 3);
  p.source.Fill(40);
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 4; ++x) p.maskImage.At(x, y, 0) = uint8_t(x * 60 + y);
  p.effect.sizeMask = p.Mask();
  p.effect.show = 4;
  ASSERT_EQ(p.effect.Run(0, 1), 0);
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 4; ++x)
      for (int k = 0; k < 3; ++k) EXPECT_EQ(p.destination.At(x, y, k), x * 60 + y);
}

TEST(QuenaraEffect, SelectedImageDisplayIsTheSourceTimesTheMask) {
  Pipeline<Rgb8> p(16, 16);
  for (int32_t y = 0; y < 16; ++y)
    for (int32_t x = 0; x < 16; ++x)
      for (int k = 0; k < 3; ++k) p.source.At(x, y, k) = uint8_t(y * 16 + x);
  p.effect.show = 2;
  ASSERT_EQ(p.effect.Run(0, 1), 0);
  // Without a mask every 8-bit value comes back as it was.
  for (int32_t y = 0; y < 16; ++y)
    for (int32_t x = 0; x < 16; ++x) ASSERT_EQ(p.destination.At(x, y, 1), y * 16 + x);

  p.maskImage.Fill(0);
  for (int32_t x = 0; x < 16; ++x) p.maskImage.At(x, 0, 0) = 128;
  p.effect.mask = p.Mask();
  ASSERT_EQ(p.effect.Run(0, 1), 0);
  for (int32_t x = 0; x < 16; ++x) {
    EXPECT_NEAR(p.destination.At(x, 0, 0), int(x / 255.0 * (128 / 255.0) * 255.0), kOneStep);
    EXPECT_EQ(p.destination.At(x, 5, 0), 0);
  }
}

TEST(QuenaraEffect, SelectionOnlyDisplayShowsTheWeightOpaque) {
  Pipeline<Rgba8> p(4, 2);
  for (int32_t x = 0; x < 4; ++x) {
    for (int32_t y = 0; y < 2; ++y) {
      for (int k = 0; k < 3; ++k) p.source.At(x, y, k) = uint8_t(x < 2 ? 30 : 220);
      p.source.Alpha(x, y) = 255;
    }
  }
  p.effect.show = 3;
  p.effect.selection.weightOnly = 1;
  p.effect.selection.lightnessLow = 100 / 255.0;  // dark pixels fall outside
  ASSERT_EQ(p.effect.Run(0, 1), 0);
  for (int32_t x = 0; x < 4; ++x) {
    EXPECT_EQ(p.destination.At(x, 0, 0), x < 2 ? 0 : 255);
    EXPECT_EQ(p.destination.Alpha(x, 0), 255);
  }
}

TEST(QuenaraEffect, ProgressRunsThroughTheSixStages) {
  Pipeline<Rgb8> p(5, 4);
  p.source.Fill(90);
  p.maskImage.Fill(255);
  p.effect.mask = p.Mask();  // without a mask the mask stage has nothing to do
  p.effect.linearLight = true;
  p.effect.originX = 2.5;
  p.effect.originY = 2.0;
  ASSERT_EQ(p.effect.Run(0, 1), 0);
  const int32_t H = 4;
  std::vector<int32_t> rowStages;  // stages reported in rows of 6 x H
  for (const auto& [done, total] : p.host.progress) {
    if (total == 6 * H) rowStages.push_back(done / H);
  }
  // Selection, mask, linearisation, shift, then compositing, each over its H rows, in order.
  const std::vector<int32_t> expected = {0, 0, 0, 0, 1, 1, 1, 1, 2, 2,
                                         2, 2, 3, 3, 3, 3, 5, 5, 5, 5};
  EXPECT_EQ(rowStages, expected);
  // The blur reports in between, against its own unit of rays and rows.
  const auto blur = std::find_if(p.host.progress.begin(), p.host.progress.end(),
                                 [&](const auto& r) { return r.second != 6 * H; });
  ASSERT_NE(blur, p.host.progress.end());
  EXPECT_EQ(blur - p.host.progress.begin(), 16);
}

TEST(QuenaraEffect, EveryBufferIsReleasedOnEveryPath) {
  // Count what one full run allocates and reports, then fail each allocation and cancel at
  // each report in turn.
  auto make = [](Pipeline<Rgba8>& p, int show) {
    p.source.Fill(120);
    p.effect.show = show;
    p.effect.linearLight = true;
    p.effect.originX = 1.5;
    p.effect.originY = 2.5;
  };
  for (int show : {1, 2, 4}) {
    int64_t allocations = 0;
    size_t reports = 0;
    {
      Pipeline<Rgba8> p(5, 4);
      make(p, show);
      ASSERT_EQ(p.effect.Run(0, 1), 0);
      allocations = p.host.allocations;
      reports = p.host.progress.size();
      EXPECT_EQ(p.host.LiveBlocks(), 0u);
    }
    for (int64_t i = 0; i < allocations; ++i) {
      Pipeline<Rgba8> p(5, 4);
      make(p, show);
      p.host.failAllocationAt = i;
      EXPECT_EQ(p.effect.Run(0, 1), -108) << "show " << show << " allocation " << i;
      EXPECT_EQ(p.host.LiveBlocks(), 0u) << "show " << show << " allocation " << i;
    }
    for (size_t j = 0; j < reports; ++j) {
      Pipeline<Rgba8> p(5, 4);
      make(p, show);
      p.host.cancelAfterReports = int64_t(j);
      EXPECT_EQ(p.effect.Run(0, 1), TestHost::kCancelled) << "show " << show << " report " << j;
      EXPECT_EQ(p.host.LiveBlocks(), 0u) << "show " << show << " report " << j;
    }
  }
}

TEST(QuenaraEffect, FailedFirstAllocationWritesNothing) {
  Pipeline<Rgb8> p(4, 4);
  p.host.failAllocationAt = 0;
  EXPECT_EQ(p.effect.Run(0, 1), -108);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 4; ++x) EXPECT_EQ(p.destination.At(x, y, 0), 7);
}

TEST(QuenaraEffect, ThreadedRunEqualsSerialRun) {
  Pipeline<Rgba8> serial(23, 17), threaded(23, 17);
  for (auto* p : {&serial, &threaded}) {
    for (int32_t y = 0; y < 17; ++y)
      for (int32_t x = 0; x < 23; ++x)
        for (int s = 0; s < 4; ++s)
          p->source.At(x, y, s) = uint8_t((x * 37 + y * 91 + s * 53) % 256);
    p->effect.originX = 7.3;
    p->effect.originY = 9.8;
    p->effect.linearLight = true;
    p->effect.blendMode = 3;
  }
  threaded.host.threaded = true;
  threaded.host.processors = 3;
  ASSERT_EQ(serial.effect.Run(0, 1), 0);
  ASSERT_EQ(threaded.effect.Run(0, 1), 0);
  // The blur's four edges add into one image in an order threads may change: one step.
  for (int32_t y = 0; y < 17; ++y)
    for (int32_t x = 0; x < 23; ++x)
      for (int s = 0; s < 4; ++s)
        EXPECT_NEAR(serial.destination.At(x, y, s), threaded.destination.At(x, y, s), kOneStep);
}

}  // namespace
