#include <gtest/gtest.h>

#include "host/SetupFilterRecord.h"
#include "tests/host/TestFilter.h"
#include "tests/support/PluginTestHost.h"

namespace {

void ExpectRect(const Rect& r, int top, int left, int bottom, int right) {
  EXPECT_EQ(r.top, top);
  EXPECT_EQ(r.left, left);
  EXPECT_EQ(r.bottom, bottom);
  EXPECT_EQ(r.right, right);
}

TEST(SetupFilterRecord, ScaleFactorsGiveReducedRectsAndSixteenDotSixteenRates) {
  const struct {
    uint32_t scale;
    int16_t height, width;
    int rows, columns;
  } cases[] = {{4, 701, 1001, 175, 250},  // remainders dropped
               {0, 17, 33, 17, 33}};      // zero acts as one
  for (const auto& c : cases) {
    SCOPED_TRACE(c.scale);
    PluginTestHost host(c.width, c.height);
    FilterRecord& r = host.Record();
    EXPECT_EQ(SetupFilterRecord(&r, c.scale), noErr);
    ExpectRect(r.inRect, 0, 0, c.rows, c.columns);
    ExpectRect(r.outRect, 0, 0, c.rows, c.columns);
    ExpectRect(r.filterRect, 0, 0, c.height, c.width);
    const Fixed rate = Fixed(c.scale == 0 ? 1 : c.scale) << 16;
    EXPECT_EQ(r.inputRate, rate);
    EXPECT_EQ(r.maskRate, rate);
    EXPECT_EQ(host.advanceCalls, 1);
  }
  PluginTestHost host;
  host.advanceResult = memFullErr;
  EXPECT_EQ(SetupFilterRecord(&host.Record(), 1), memFullErr);  // the host's answer
}

TEST(SetupFilterRecord, SelectionCases) {
  const struct {
    PiBoolean haveMask, isFloating, autoMaskIn, autoMaskOut;
    bool maskRectSet;
  } cases[] = {
      {0, 0, 1, 1, false},  // no selection: neither touched
      {1, 0, 1, 0, true},   // fixed selection: the plug-in masks itself
      {1, 1, 1, 1, true},   // floating selection: the host's choice stands
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << int(c.haveMask) << int(c.isFloating));
    PluginTestHost host(40, 21);
    FilterRecord& r = host.Record();
    r.haveMask = c.haveMask;
    r.isFloating = c.isFloating;
    r.autoMask = c.autoMaskIn;
    r.maskRect = Rect{-3, -4, -5, -6};
    SetupFilterRecord(&r, 2);
    EXPECT_EQ(r.autoMask, c.autoMaskOut);
    if (c.maskRectSet) {
      ExpectRect(r.maskRect, 0, 0, 10, 20);
    } else {
      ExpectRect(r.maskRect, -3, -4, -5, -6);
    }
  }
}

TEST(SetupFilterRecord, RequestsEveryPlaneOfTheLayerOrThePlaneCount) {
  const struct {
    int16_t planes, layer, transparency, layerMasks, nonLayer, hiPlane;
  } cases[] = {{4, 3, 1, 2, 0, 5},   // layer masks and inverted layer masks count too
               {3, 0, 0, 0, 1, 2}};  // a host that describes fewer planes than it has
  for (const auto& c : cases) {
    PluginTestHost host;
    FilterRecord& r = host.Record();
    r.planes = c.planes;
    r.inLayerPlanes = c.layer;
    r.inTransparencyMask = c.transparency;
    r.inLayerMasks = r.inInvertedLayerMasks = int16_t(c.layerMasks / 2);
    r.inNonLayerPlanes = c.nonLayer;
    SetupFilterRecord(&r, 1);
    EXPECT_EQ(r.inLoPlane, 0);
    EXPECT_EQ(r.outLoPlane, 0);
    EXPECT_EQ(r.inHiPlane, c.hiPlane);
    EXPECT_EQ(r.outHiPlane, c.hiPlane);
  }
}

// ---- colour requests -------------------------------------------------------------------------

// RGB images ask in RGB; grey images in grey: 8-bit grey gets the grey of the chosen colour
// (0.292687786 * 200 + 0.552149646 * 100 + 0.155162568 * 50 = 121.5106502 on the 0..255
// scale), 16-bit grey keeps the colour.
TEST(RequestColor, AsksTheHostInTheImagesSpaceAndTakesItsAnswer) {
  const double grey = 121.5106502 / 255.0;
  const struct {
    int16_t mode, sourceSpace;
    double r, g, b, tolerance;
  } cases[] = {{plugInModeRGBColor, 0, 200 / 255.0, 100 / 255.0, 50 / 255.0, 1e-15},
               {plugInModeGrayScale, 4, grey, grey, grey, 1e-9},
               {plugInModeGray16, 4, 200 / 255.0, 100 / 255.0, 50 / 255.0, 1e-15}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    PluginTestHost host;
    TestFilter filter;
    host.Record().imageMode = c.mode;
    host.colorAnswer[0] = 200;
    host.colorAnswer[1] = 100;
    host.colorAnswer[2] = 50;
    double r = 0.5, g = 0.25, b = 0.999;
    EXPECT_TRUE(filter.RequestColor(&host.Record(), r, g, b));
    const ColorServicesInfo& q = host.colorRequest;
    EXPECT_EQ(q.sourceSpace, c.sourceSpace);
    // 127.5, 63.75 and 254.745 truncated.
    EXPECT_EQ(q.colorComponents[0], 127);
    EXPECT_EQ(q.colorComponents[1], 63);
    EXPECT_EQ(q.colorComponents[2], 254);
    EXPECT_NEAR(r, c.r, c.tolerance);
    EXPECT_NEAR(g, c.g, c.tolerance);
    EXPECT_NEAR(b, c.b, c.tolerance);
    host.colorResult = userCanceledErr;  // a refusal keeps the colour
    EXPECT_FALSE(filter.RequestColor(&host.Record(), r, g, b));
    EXPECT_NEAR(r, c.r, c.tolerance);
  }
}

}  // namespace
