// Render dispatch: the layout chosen for each image mode, depth and plane count, the effect
// fields converted from the parameter values, the records of every layout addressed at their
// depth (the mask shown as it was delivered), and absurd geometry values kept inside the image.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <tuple>
#include <vector>

#include "effect/QuenaraRender.h"
#include "tests/engine/HostBuffers.h"
#include "tests/support/EngineTestHosts.h"

namespace {

FilterRecord Record(int16_t mode, int32_t depth, int16_t layer, int16_t transparency,
                    int16_t nonLayer = 0, int16_t planes = 0) {
  FilterRecord r;
  std::memset(&r, 0, sizeof r);
  r.imageMode = mode;
  r.depth = depth;
  r.inLayerPlanes = layer;
  r.inTransparencyMask = transparency;
  r.inNonLayerPlanes = nonLayer;
  r.planes = planes;
  r.outRect = Rect{0, 0, 10, 20};  // top, left, bottom, right
  return r;
}

void ExpectLayout(const FilterRecord& r, int32_t depth, bool alpha, int32_t colours) {
  QuenaraLayoutChoice c;
  ASSERT_TRUE(ChooseQuenaraLayout(r, c));
  EXPECT_EQ(std::tie(c.layout.depth, c.layout.alpha, c.layout.colours),
            std::tie(depth, alpha, colours));
}

TEST(RenderDispatch, LayoutFromModeDepthAndPlanes) {
  ExpectLayout(Record(plugInModeRGBColor, 8, 3, 0), 8, false, 3);
  ExpectLayout(Record(plugInModeRGB48, 16, 3, 1), 16, true, 3);
  ExpectLayout(Record(plugInModeGray16, 16, 1, 1), 16, true, 1);
  // Depth 0 counts as 8.
  ExpectLayout(Record(plugInModeGrayScale, 0, 1, 0), 8, false, 1);
  // Background layers report their planes as non-layer planes.
  ExpectLayout(Record(plugInModeRGBColor, 8, 0, 0, 3), 8, false, 3);
  // Nothing reported but `planes`: greyscale takes it, limited to one channel.
  ExpectLayout(Record(plugInModeGrayScale, 8, 0, 0, 0, 3), 8, false, 1);
  // Multichannel: up to three channels, fewer as they come.
  ExpectLayout(Record(plugInModeMultichannel, 8, 0, 0, 5), 8, false, 3);
  ExpectLayout(Record(plugInModeMultichannel, 8, 0, 0, 2), 8, false, 2);
  ExpectLayout(Record(plugInModeDeepMultichannel, 16, 2, 1), 16, true, 2);
  // A transparency count without its plane is dropped; `planes` raises the total again.
  FilterRecord r = Record(plugInModeRGBColor, 8, 3, 1);
  r.inLayerMasks = -1;  // total 3 < 3 + 1
  ExpectLayout(r, 8, false, 3);
  r.planes = 4;
  ExpectLayout(r, 8, true, 3);
}

// The values the engine takes converted (the others pass through as they are).
TEST(RenderDispatch, SettingsFromTheParameters) {
  QuenaraRenderValues v;
  v.gammaCorrection = false;
  v.gammaCorrective = 2.0;
  v.selectionLow = 51.0;
  v.selectionHigh = 204.0;
  v.show = 3;
  QuenaraSettings e = MakeQuenaraSettings(v, 1000, 600, 3);
  EXPECT_FALSE(e.linearLight || e.colourAdjust);
  EXPECT_EQ(e.gammaExponent, 0.5);
  EXPECT_EQ(std::make_tuple(e.originX, e.originY), std::make_tuple(500.0, 300.0));
  EXPECT_EQ(e.selection.weightOnly, 1);
  // 51 / 255 and 204 / 255, also at depth 16.
  EXPECT_EQ(std::make_tuple(e.selection.lightnessLow, e.selection.lightnessHigh),
            std::make_tuple(0.2, 0.8));
  // The same origin on the image delivered at reduction 4.
  v.show = 1;
  e = MakeQuenaraSettings(v, 250, 150, 3);
  EXPECT_EQ(std::make_tuple(e.originX, e.originY, e.selection.weightOnly),
            std::make_tuple(125.0, 75.0, 0));
  // The gamma exponent has a floor, NaN included.
  for (double g : {0.0, -1.0, std::numeric_limits<double>::quiet_NaN()}) {
    v.gammaCorrective = g;
    e = MakeQuenaraSettings(v, 10, 10, 3);
    EXPECT_NEAR(e.gammaExponent, 1000.0, 1e-9) << g;
  }
  // The colour adjustment runs only for three colours with an adjustment.
  for (double* field : {&v.hue, &v.saturation, &v.lightness}) {
    *field = -0.3;
    EXPECT_FALSE(MakeQuenaraSettings(v, 10, 10, 2).colourAdjust);
    EXPECT_TRUE(MakeQuenaraSettings(v, 10, 10, 3).colourAdjust);
    *field = 0.0;
  }
}

// A host-delivered image: colours, transparency and one layer-mask plane that the render must
// not touch, interleaved in padded rows (HostImage starts every byte at 0xEE).
template <typename Sample>
FilterRecord Delivered(int32_t colours, bool alpha, HostImage<Sample>& in, HostImage<Sample>& out,
                       HostImage<Sample>* mask = nullptr) {
  const bool wide = sizeof(Sample) == 2;
  const int16_t mode = colours == 1   ? (wide ? plugInModeGray16 : plugInModeGrayScale)
                       : colours == 3 ? (wide ? plugInModeRGB48 : plugInModeRGBColor)
                                      : plugInModeMultichannel;
  FilterRecord r = Record(mode, wide ? 16 : 8, int16_t(colours), alpha ? 1 : 0);
  r.inLayerMasks = 1;
  r.outRect = Rect{0, 0, int16_t(in.height), int16_t(in.width)};
  r.inData = in.bytes.data();
  r.outData = out.bytes.data();
  r.inRowBytes = r.outRowBytes = in.rowBytes;
  if (mask != nullptr) {
    r.maskData = mask->bytes.data();
    r.maskRowBytes = mask->rowBytes;
  }
  return r;
}

// The size selection display writes the mask as it was delivered, opaque: every plane and the
// mask are addressed at the image's depth.
template <typename Sample>
void ExpectMaskShownInEveryPlane(int32_t colours, bool alpha) {
  const bool wide = sizeof(Sample) == 2;
  const int32_t full = wide ? 32768 : 255, scale = wide ? 300 : 7;
  const int32_t planes = colours + (alpha ? 1 : 0) + 1;
  HostImage<Sample> in(7, 5, planes), out(7, 5, planes), mask(7, 5, 1, 3);
  in.Fill(Sample(9));
  for (int32_t y = 0; y < 5; ++y)
    for (int32_t x = 0; x < 7; ++x) mask.Set(x, y, 0, Sample((x * 5 + y) * scale));
  TestHost host;
  QuenaraRenderValues v;
  v.show = 4;
  v.useSizeSelection = true;
  ASSERT_EQ(RenderQuenara(&host, Delivered(colours, alpha, in, out, &mask), v), 0);
  for (int32_t y = 0; y < 5; ++y) {
    for (int32_t x = 0; x < 7; ++x) {
      for (int32_t k = 0; k < colours; ++k) ASSERT_EQ(out.Get(x, y, k), (x * 5 + y) * scale);
      if (alpha) {
        ASSERT_EQ(out.Get(x, y, colours), full);
      }
      ASSERT_EQ(out.Get(x, y, planes - 1), Sample(0xEEEE));  // untouched
    }
  }
  // The same mask without "extern is strength" goes to the mask view: the size selection
  // display then has no mask and shows white.
  v.useSizeSelection = false;
  ASSERT_EQ(RenderQuenara(&host, Delivered(colours, alpha, in, out, &mask), v), 0);
  EXPECT_EQ(out.Get(3, 2, 0), full);
}

TEST(RenderDispatch, RecordsAddressPlanesAlphaAndMaskAtTheImageDepth) {
  for (int32_t colours = 1; colours <= 3; ++colours) {
    for (bool alpha : {false, true}) {
      SCOPED_TRACE(testing::Message() << colours << " colours, alpha " << alpha);
      ExpectMaskShownInEveryPlane<uint8_t>(colours, alpha);
      ExpectMaskShownInEveryPlane<uint16_t>(colours, alpha);
    }
  }
}

// Strength, zoom start and holdout radius have no enforced maximum, and scripts or preset files
// may hold any double: the render must stay inside its buffers whatever they are. NaN means the
// parameter's default; a holdout radius beyond the half-diagonal blurs nothing, however far.
TEST(RenderDispatch, AnyGeometryValueRendersInsideTheImage) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  HostImage<uint16_t> in(23, 17, 5), out(23, 17, 5);
  for (int32_t y = 0; y < 17; ++y) {
    for (int32_t x = 0; x < 23; ++x) {
      for (int32_t k = 0; k < 3; ++k)
        in.Set(x, y, k, uint16_t((x * 1400 + y * 900 + k * 5000) % 32769));
      in.Set(x, y, 3, uint16_t(20000 + x * 300));
    }
  }
  TestHost host;
  auto render = [&](const QuenaraRenderValues& v) {
    EXPECT_EQ(RenderQuenara(&host, Delivered(3, true, in, out), v), 0);
    return out.bytes;
  };
  using V = QuenaraRenderValues;
  for (int32_t mode : {1, 2}) {
    QuenaraRenderValues v;
    v.mode = mode;
    const std::vector<uint8_t> standard = render(v);
    for (double V::*field :
         {&V::strength, &V::zoomStart, &V::holdoutRadius, &V::originX, &V::originY}) {
      QuenaraRenderValues w = v;
      w.*field = nan;
      EXPECT_EQ(render(w), standard) << "mode " << mode;
    }
    QuenaraRenderValues w = v;
    w.holdoutRadius = 10.0;
    const std::vector<uint8_t> unblurred = render(w);
    EXPECT_NE(unblurred, standard);
    for (double radius : {1e308, inf}) {
      w.holdoutRadius = radius;
      EXPECT_EQ(render(w), unblurred) << radius;
    }
    w = v;
    for (double strength : {1e306, inf}) {
      for (double origin : {0.5, 1e300, -inf}) {
        for (double zoom : {0.5, 1e308, -inf}) {
          w.strength = strength;
          w.originX = origin;
          w.zoomStart = zoom;
          render(w);
          for (int32_t y = 0; y < 17; ++y) {
            for (int32_t x = 0; x < 23; ++x) {
              for (int32_t s = 0; s < 4; ++s) ASSERT_LE(out.Get(x, y, s), 32768);
              ASSERT_EQ(out.Get(x, y, 4), 0xEEEE);
            }
          }
        }
      }
    }
  }
}

}  // namespace
