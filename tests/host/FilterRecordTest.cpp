#include <gtest/gtest.h>

#include "host/SetupFilterRecord.h"
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

}  // namespace
