// Render dispatch: the layout chosen for each image mode, depth and plane count, the host
// records built for it, the effect fields filled from the parameter values, and whole renders
// of every layout on images whose result is known without computing it (flat, mirror
// symmetry, the mask shown as it was delivered).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "effect/QuenaraRender.h"
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
  EXPECT_EQ(c.layout.depth, depth);
  EXPECT_EQ(c.layout.alpha, alpha);
  EXPECT_EQ(c.layout.colours, colours);
}

bool Supported(const FilterRecord& r) {
  QuenaraLayoutChoice c;
  return ChooseQuenaraLayout(r, c);
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

TEST(RenderDispatch, UnsupportedModesDepthsAndCountsRenderNothing) {
  for (int16_t mode : {0, 2, 4, 5, 6, 8, 9, 12, 13, 15, -1})
    EXPECT_FALSE(Supported(Record(mode, 8, 3, 0))) << mode;
  for (int32_t depth : {1, 32, 24})
    EXPECT_FALSE(Supported(Record(plugInModeRGBColor, depth, 3, 0)));
  EXPECT_FALSE(Supported(Record(plugInModeRGBColor, 8, 0, 0, 0, 0)));

  TestHost host;
  std::vector<uint8_t> in(200 * 4, 77), out(200 * 4, 66);
  FilterRecord r = Record(plugInModeRGBColor, 32, 3, 0);
  r.inData = in.data();
  r.outData = out.data();
  r.inRowBytes = r.outRowBytes = 20 * 4;
  EXPECT_EQ(RenderQuenara(&host, r, QuenaraRenderValues{}), 0);
  EXPECT_EQ(out, std::vector<uint8_t>(200 * 4, 66));
  EXPECT_EQ(host.allocations, 0);
}

// The fields FillQuenaraEffect writes, for K colours.
template <int Colours>
struct Fields {
  static constexpr int K = Colours;
  double intensity = 0, strength = 0, zoomStart = 0, holdoutRadius = 0;
  bool invertGradient = false;
  double hue = 0, saturation = 0, lightness = 0, gammaExponent = 0, contrast = 0;
  bool colourAdjust = false, linearLight = true;
  int32_t mode = 0, show = 0, blendMode = 0;
  double originX = 0, originY = 0;
  HslRangeSettings selection;
};

TEST(RenderDispatch, EffectFieldsFromTheParameters) {
  QuenaraRenderValues v;
  v.intensity = 2.5;
  v.strength = 0.4;
  v.zoomStart = -0.25;
  v.holdoutRadius = 0.1;
  v.invertGradient = true;
  v.gammaCorrection = false;
  v.gammaCorrective = 2.0;
  v.contrast = 0.7;
  v.selectionLow = 51.0;
  v.selectionHigh = 204.0;
  v.selectionSoften = 1.5;
  v.selectionClimax = -0.5;
  v.mode = 2;
  v.blendMode = 17;
  v.show = 3;
  Fields<3> e;
  FillQuenaraEffect(e, v, 1000, 600);
  EXPECT_EQ(e.intensity, 2.5);
  EXPECT_EQ(e.strength, 0.4);
  EXPECT_EQ(e.zoomStart, -0.25);
  EXPECT_EQ(e.holdoutRadius, 0.1);
  EXPECT_TRUE(e.invertGradient);
  EXPECT_FALSE(e.linearLight);
  EXPECT_EQ(e.gammaExponent, 0.5);
  EXPECT_EQ(e.contrast, 0.7);
  EXPECT_EQ(e.mode, 2);
  EXPECT_EQ(e.blendMode, 17);
  EXPECT_EQ(e.show, 3);
  EXPECT_EQ(e.originX, 500.0);
  EXPECT_EQ(e.originY, 300.0);
  EXPECT_EQ(e.selection.weightOnly, 1);
  EXPECT_EQ(e.selection.lightnessLow, 0.2);  // 51 / 255, also at depth 16
  EXPECT_EQ(e.selection.lightnessHigh, 0.8);
  EXPECT_EQ(e.selection.lightnessSoften, 1.5);
  EXPECT_EQ(e.selection.lightnessClimax, -0.5);
  EXPECT_FALSE(e.colourAdjust);
  // The same origin on the image delivered at reduction 4.
  FillQuenaraEffect(e, v, 250, 150);
  EXPECT_EQ(e.originX, 125.0);
  EXPECT_EQ(e.originY, 75.0);
  for (int32_t show : {1, 2, 4}) {
    v.show = show;
    FillQuenaraEffect(e, v, 10, 10);
    EXPECT_EQ(e.selection.weightOnly, 0) << show;
  }
  // The gamma exponent has a floor, NaN included.
  for (double g : {0.0, -1.0, std::numeric_limits<double>::quiet_NaN()}) {
    v.gammaCorrective = g;
    FillQuenaraEffect(e, v, 10, 10);
    EXPECT_NEAR(e.gammaExponent, 1000.0, 1e-9) << g;
  }
  // The colour adjustment runs only for three colours with an adjustment.
  Fields<1> grey;
  Fields<2> two;
  for (double* field : {&v.hue, &v.saturation, &v.lightness}) {
    *field = -0.3;
    FillQuenaraEffect(grey, v, 10, 10);
    FillQuenaraEffect(two, v, 10, 10);
    FillQuenaraEffect(e, v, 10, 10);
    EXPECT_FALSE(grey.colourAdjust);
    EXPECT_FALSE(two.colourAdjust);
    EXPECT_TRUE(e.colourAdjust);
    *field = 0.0;
  }
}

// A host-delivered image of any layout: interleaved planes (colours, transparency, one extra
// layer-mask plane that the effect must not touch), padded rows, and a mask buffer.
struct Delivered {
  Delivered(int32_t depth_, bool alpha_, int32_t colours_, int32_t w, int32_t h)
      : depth(depth_),
        alpha(alpha_),
        colours(colours_),
        width(w),
        height(h),
        sampleBytes(depth_ == 16 ? 2 : 1),
        planes(colours_ + (alpha_ ? 1 : 0) + 1),
        rowBytes((w * planes + 5) * sampleBytes),
        maskRowBytes((w + 3) * sampleBytes),
        in(size_t(rowBytes) * h),
        out(in.size(), 0xCD),
        mask(size_t(maskRowBytes) * h) {}

  int32_t Full() const { return depth == 16 ? 32768 : 255; }
  size_t At(int32_t x, int32_t y, int32_t s) const {
    return size_t(y) * rowBytes + (size_t(x) * planes + size_t(s)) * sampleBytes;
  }
  int32_t Read(const uint8_t* p) const {
    uint16_t v = *p;
    if (sampleBytes == 2) std::memcpy(&v, p, 2);
    return v;
  }
  void Write(uint8_t* p, int32_t v) const {
    const uint16_t u = uint16_t(v);
    if (sampleBytes == 2)
      std::memcpy(p, &u, 2);
    else
      *p = uint8_t(v);
  }
  int32_t Out(int32_t x, int32_t y, int32_t s) const { return Read(&out[At(x, y, s)]); }
  void SetMask(int32_t x, int32_t y, int32_t v) {
    Write(&mask[size_t(y) * maskRowBytes + size_t(x) * sampleBytes], v);
  }
  // Fills colours with f(x, y, k), the alpha with a(x, y) and the extra plane with 0x5A.
  template <class Colour, class Alpha>
  void Fill(Colour f, Alpha a) {
    for (int32_t y = 0; y < height; ++y) {
      for (int32_t x = 0; x < width; ++x) {
        for (int32_t k = 0; k < colours; ++k) Write(&in[At(x, y, k)], f(x, y, k));
        if (alpha) Write(&in[At(x, y, colours)], a(x, y));
        Write(&in[At(x, y, planes - 1)], 0x5A);
      }
    }
  }

  FilterRecord MakeRecord(bool withMask = false) {
    FilterRecord r;
    std::memset(&r, 0, sizeof r);
    r.imageMode = colours == 1
                      ? (depth == 16 ? plugInModeGray16 : plugInModeGrayScale)
                      : (colours == 3 ? (depth == 16 ? plugInModeRGB48 : plugInModeRGBColor)
                                      : plugInModeMultichannel);
    r.depth = depth;
    r.inLayerPlanes = int16_t(colours);
    r.inTransparencyMask = alpha ? 1 : 0;
    r.inLayerMasks = 1;
    r.outRect = Rect{0, 0, int16_t(height), int16_t(width)};
    r.inData = in.data();
    r.outData = out.data();
    r.inRowBytes = r.outRowBytes = rowBytes;
    if (withMask) {
      r.maskData = mask.data();
      r.maskRowBytes = maskRowBytes;
    }
    return r;
  }

  int32_t depth;
  bool alpha;
  int32_t colours, width, height, sampleBytes, planes, rowBytes, maskRowBytes;
  std::vector<uint8_t> in, out, mask;
};

struct LayoutCase {
  int32_t depth;
  bool alpha;
  int32_t colours;
};

class EveryLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(EveryLayout, RecordsAddressPlanesAlphaAndMaskAtTheImageDepth) {
  const LayoutCase c = GetParam();
  Delivered b(c.depth, c.alpha, c.colours, 7, 5);
  b.Fill([](int32_t, int32_t, int32_t) { return 9; }, [](int32_t, int32_t) { return 3; });
  const int32_t scale = c.depth == 16 ? 300 : 7;
  for (int32_t y = 0; y < 5; ++y)
    for (int32_t x = 0; x < 7; ++x) b.SetMask(x, y, (x * 5 + y) * scale);
  TestHost host;
  QuenaraRenderValues v;
  v.show = 4;  // shows the size selection: the mask read through its record
  v.useSizeSelection = true;
  ASSERT_EQ(RenderQuenara(&host, b.MakeRecord(true), v), 0);
  for (int32_t y = 0; y < 5; ++y) {
    for (int32_t x = 0; x < 7; ++x) {
      for (int32_t k = 0; k < c.colours; ++k) ASSERT_EQ(b.Out(x, y, k), (x * 5 + y) * scale);
      if (c.alpha) {
        ASSERT_EQ(b.Out(x, y, c.colours), b.Full());
      }
      ASSERT_EQ(b.Out(x, y, b.planes - 1), c.depth == 16 ? 0xCDCD : 0xCD);  // untouched
    }
  }
  // The same mask without "extern is strength" goes to the mask view: the size selection
  // display then has no mask and shows white.
  v.useSizeSelection = false;
  ASSERT_EQ(RenderQuenara(&host, b.MakeRecord(true), v), 0);
  EXPECT_EQ(b.Out(3, 2, 0), b.Full());
}

INSTANTIATE_TEST_SUITE_P(RenderDispatch, EveryLayout,
                         ::testing::Values(LayoutCase{8, false, 1}, LayoutCase{8, false, 2},
                                           LayoutCase{8, false, 3}, LayoutCase{8, true, 1},
                                           LayoutCase{8, true, 2}, LayoutCase{8, true, 3},
                                           LayoutCase{16, false, 1}, LayoutCase{16, false, 2},
                                           LayoutCase{16, false, 3}, LayoutCase{16, true, 1},
                                           LayoutCase{16, true, 2}, LayoutCase{16, true, 3}),
                         [](const auto& info) {
                           // Appended piece by piece: GCC 12 at -O3 on i686 warns falsely
                           // (-Wrestrict) about a chain of string additions here.
                           const LayoutCase& c = info.param;
                           std::string name = "d";
                           name += std::to_string(c.depth);
                           name += c.alpha ? "_alpha_" : "_";
                           name += std::to_string(c.colours);
                           return name;
                         });

// Strength, zoom start and holdout radius have no enforced maximum, and scripts or preset files
// may hold any double: the render must stay inside its buffers whatever they are. NaN means the
// parameter's default; a holdout radius beyond the half-diagonal blurs nothing, however far.
TEST(RenderDispatch, AnyGeometryValueRendersInsideTheImage) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  Delivered b(16, true, 3, 23, 17);
  b.Fill([](int32_t x, int32_t y, int32_t k) { return (x * 1400 + y * 900 + k * 5000) % 32769; },
         [](int32_t x, int32_t) { return 20000 + x * 300; });
  TestHost host;
  auto render = [&](const QuenaraRenderValues& v) {
    EXPECT_EQ(RenderQuenara(&host, b.MakeRecord(), v), 0);
    return b.out;
  };
  for (int32_t mode : {1, 2}) {
    QuenaraRenderValues v;
    v.mode = mode;
    const std::vector<uint8_t> standard = render(v);
    for (double QuenaraRenderValues::*field :
         {&QuenaraRenderValues::strength, &QuenaraRenderValues::zoomStart,
          &QuenaraRenderValues::holdoutRadius, &QuenaraRenderValues::originX,
          &QuenaraRenderValues::originY}) {
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
          for (int32_t y = 0; y < b.height; ++y) {
            for (int32_t x = 0; x < b.width; ++x) {
              for (int32_t s = 0; s < 4; ++s) ASSERT_LE(b.Out(x, y, s), 32768);
              ASSERT_EQ(b.Out(x, y, b.planes - 1), 0xCDCD);
            }
          }
        }
      }
    }
  }
}

}  // namespace
