#include <gtest/gtest.h>

#include "host/SetupFilterRecord.h"
#include "tests/host/FakeHost.h"
#include "tests/host/TestFilter.h"

namespace {

void ExpectRect(const Rect& r, int top, int left, int bottom, int right) {
  EXPECT_EQ(r.top, top);
  EXPECT_EQ(r.left, left);
  EXPECT_EQ(r.bottom, bottom);
  EXPECT_EQ(r.right, right);
}

TEST(SetupFilterRecord, ReducedRequestOfAnOddSizedImage) {
  FakeHost host;
  FilterRecord& r = host.record;
  r.imageSize.h = 1001;
  r.imageSize.v = 701;
  r.planes = 3;
  r.inNonLayerPlanes = 3;
  r.wantsAbsolute = 1;
  EXPECT_EQ(SetupFilterRecord(&r, 4), noErr);
  // 701 / 4 = 175 rows, 1001 / 4 = 250 columns, remainders dropped.
  ExpectRect(r.inRect, 0, 0, 175, 250);
  ExpectRect(r.outRect, 0, 0, 175, 250);
  ExpectRect(r.filterRect, 0, 0, 701, 1001);
  EXPECT_EQ(r.inputRate, 4 << 16);
  EXPECT_EQ(r.maskRate, 4 << 16);
  EXPECT_EQ(r.inputPadding, 255);
  EXPECT_EQ(r.outputPadding, 255);
  EXPECT_EQ(r.maskPadding, 0);
  EXPECT_EQ(r.wantsAbsolute, 0);
  EXPECT_EQ(host.advanceCalls, 1);
}

TEST(SetupFilterRecord, ScaleFactorsGiveSixteenDotSixteenRates) {
  const struct {
    uint32_t scale;
    int rows, columns;
    Fixed rate;
  } cases[] = {{0, 17, 33, 65536}, {1, 17, 33, 65536}, {2, 8, 16, 131072}};  // zero acts as one
  for (const auto& c : cases) {
    FakeHost host;
    FilterRecord& r = host.record;
    r.imageSize = Point{17, 33};
    SetupFilterRecord(&r, c.scale);
    SCOPED_TRACE(c.scale);
    ExpectRect(r.inRect, 0, 0, c.rows, c.columns);
    ExpectRect(r.outRect, 0, 0, c.rows, c.columns);
    EXPECT_EQ(r.inputRate, c.rate);
    EXPECT_EQ(r.maskRate, c.rate);
  }
}

TEST(SetupFilterRecord, SelectionCases) {
  struct Case {
    PiBoolean haveMask, isFloating, autoMaskIn, autoMaskOut;
    bool maskRectSet;
  };
  const Case cases[] = {
      {0, 0, 1, 1, false},  // no selection: neither touched
      {0, 0, 0, 0, false}, {0, 1, 1, 1, false},
      {1, 0, 1, 0, true},  // fixed selection: the plug-in masks itself
      {1, 1, 1, 1, true},  // floating selection: the host's choice stands
  };
  for (const Case& c : cases) {
    FakeHost host;
    FilterRecord& r = host.record;
    r.imageSize.h = 40;
    r.imageSize.v = 21;
    r.haveMask = c.haveMask;
    r.isFloating = c.isFloating;
    r.autoMask = c.autoMaskIn;
    r.maskRect = Rect{-3, -4, -5, -6};
    SetupFilterRecord(&r, 2);
    EXPECT_EQ(r.autoMask, c.autoMaskOut) << int(c.haveMask) << int(c.isFloating);
    if (c.maskRectSet) {
      ExpectRect(r.maskRect, 0, 0, 10, 20);
    } else {
      ExpectRect(r.maskRect, -3, -4, -5, -6);
    }
  }
}

TEST(SetupFilterRecord, RequestsEveryPlaneOfTheLayer) {
  FakeHost host;
  FilterRecord& r = host.record;
  r.planes = 4;
  r.inLayerPlanes = 3;
  r.inTransparencyMask = 1;
  r.inLayerMasks = 1;
  r.inInvertedLayerMasks = 1;
  r.inNonLayerPlanes = 0;
  SetupFilterRecord(&r, 1);
  EXPECT_EQ(r.inLoPlane, 0);
  EXPECT_EQ(r.outLoPlane, 0);
  EXPECT_EQ(r.inHiPlane, 5);
  EXPECT_EQ(r.outHiPlane, 5);
}

TEST(SetupFilterRecord, FallsBackToThePlaneCountWhenKindsAreMissing) {
  FakeHost host;
  FilterRecord& r = host.record;
  r.planes = 3;
  r.inLayerPlanes = 0;
  r.inNonLayerPlanes = 1;  // a host that describes fewer planes than it has
  SetupFilterRecord(&r, 1);
  EXPECT_EQ(r.inHiPlane, 2);
  EXPECT_EQ(r.outHiPlane, 2);
}

TEST(SetupFilterRecord, ReturnsTheHostsAnswer) {
  FakeHost host;
  host.advanceResult = memFullErr;
  EXPECT_EQ(SetupFilterRecord(&host.record, 1), memFullErr);
  EXPECT_EQ(host.advanceCalls, 1);
}

// ---- colour requests -------------------------------------------------------------------------

TEST(RequestColor, AsksTheHostInRgbAndTakesItsAnswer) {
  FakeHost host;
  TestFilter filter;
  host.record.imageMode = plugInModeRGBColor;
  host.colorAnswer[0] = 10;
  host.colorAnswer[1] = 20;
  host.colorAnswer[2] = 255;
  double r = 0.5, g = 0.25, b = 0.999;
  EXPECT_TRUE(filter.RequestColor(&host.record, r, g, b));
  const ColorServicesInfo& q = host.colorRequest;
  EXPECT_EQ(q.infoSize, int32_t(sizeof(ColorServicesInfo)));
  EXPECT_EQ(q.selector, 0);
  EXPECT_EQ(q.sourceSpace, 0);
  EXPECT_EQ(q.resultSpace, 0);
  EXPECT_EQ(q.resultGamutInfoValid, 0);
  EXPECT_EQ(q.reservedSourceSpaceInfo, nullptr);
  EXPECT_EQ(q.reservedResultSpaceInfo, nullptr);
  EXPECT_EQ(q.reserved, nullptr);
  EXPECT_EQ(q.selectorParameter.pickerPrompt, nullptr);
  // 127.5, 63.75 and 254.745 truncated.
  EXPECT_EQ(q.colorComponents[0], 127);
  EXPECT_EQ(q.colorComponents[1], 63);
  EXPECT_EQ(q.colorComponents[2], 254);
  EXPECT_EQ(q.colorComponents[3], 0);
  EXPECT_DOUBLE_EQ(r, 10 / 255.0);
  EXPECT_DOUBLE_EQ(g, 20 / 255.0);
  EXPECT_DOUBLE_EQ(b, 1.0);
  EXPECT_EQ(filter.recording->alternativeCalls, 0);
}

TEST(RequestColor, GreyImagesAskInGrey) {
  // 0.292687786 * 200 + 0.552149646 * 100 + 0.155162568 * 50 = 121.5106502 on the 0..255 scale:
  // 8-bit grey gets the grey of the chosen colour, 16-bit grey keeps the colour.
  const double grey = 121.5106502 / 255.0;
  const struct {
    int16_t mode;
    double r, g, b, tolerance;
  } cases[] = {{plugInModeGrayScale, grey, grey, grey, 1e-9},
               {plugInModeGray16, 200 / 255.0, 100 / 255.0, 50 / 255.0, 1e-15}};
  for (const auto& c : cases) {
    FakeHost host;
    TestFilter filter;
    host.record.imageMode = c.mode;
    host.colorAnswer[0] = 200;
    host.colorAnswer[1] = 100;
    host.colorAnswer[2] = 50;
    double r = 0, g = 0, b = 0;
    SCOPED_TRACE(c.mode);
    EXPECT_TRUE(filter.RequestColor(&host.record, r, g, b));
    EXPECT_EQ(host.colorRequest.sourceSpace, 4);
    EXPECT_EQ(host.colorRequest.resultSpace, 0);
    EXPECT_NEAR(r, c.r, c.tolerance);
    EXPECT_NEAR(g, c.g, c.tolerance);
    EXPECT_NEAR(b, c.b, c.tolerance);
  }
}

TEST(RequestColor, RefusalKeepsTheColour) {
  FakeHost host;
  TestFilter filter;
  host.record.imageMode = plugInModeGrayScale;
  host.colorResult = userCanceledErr;
  double r = 0.1, g = 0.2, b = 0.3;
  EXPECT_FALSE(filter.RequestColor(&host.record, r, g, b));
  EXPECT_EQ(r, 0.1);
  EXPECT_EQ(g, 0.2);
  EXPECT_EQ(b, 0.3);
}

TEST(RequestColor, WithoutColourServicesTheDialogChooses) {
  FakeHost host;
  TestFilter filter;
  host.record.imageMode = plugInModeRGBColor;
  host.record.colorServices = nullptr;
  filter.recording->alternativeResult = true;
  filter.recording->alternative[0] = 0.25;
  filter.recording->alternative[1] = 0.5;
  filter.recording->alternative[2] = 0.75;
  double r = 0, g = 0, b = 0;
  EXPECT_TRUE(filter.RequestColor(&host.record, r, g, b));
  EXPECT_EQ(filter.recording->alternativeCalls, 1);
  EXPECT_EQ(host.colorCalls, 0);
  EXPECT_EQ(r, 0.25);
  EXPECT_EQ(g, 0.5);
  EXPECT_EQ(b, 0.75);

  filter.recording->alternativeResult = false;
  EXPECT_FALSE(filter.RequestColor(&host.record, r, g, b));
  EXPECT_EQ(r, 0.25);
}

}  // namespace
