#include <gtest/gtest.h>

#include <tuple>

#include "host/SetupFilterRecord.h"
#include "tests/support/PluginTestHost.h"

namespace {

std::tuple<int, int, int, int> Edges(const Rect& r) { return {r.top, r.left, r.bottom, r.right}; }

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
    EXPECT_EQ(Edges(r.inRect), std::make_tuple(0, 0, c.rows, c.columns));
    EXPECT_EQ(Edges(r.outRect), Edges(r.inRect));
    EXPECT_EQ(Edges(r.filterRect), std::make_tuple(0, 0, int(c.height), int(c.width)));
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
    EXPECT_EQ(std::tie(r.inLoPlane, r.outLoPlane, r.inHiPlane, r.outHiPlane),
              std::make_tuple(0, 0, c.hiPlane, c.hiPlane));
  }
}

}  // namespace
