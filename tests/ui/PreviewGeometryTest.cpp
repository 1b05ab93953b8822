// The preview's zoom, layout and bitmap arithmetic, with values worked out by hand.
#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

#include "ui/PreviewGeometry.h"

namespace {

std::pair<int32_t, int32_t> XY(int32_t x, int32_t y) { return {x, y}; }

TEST(PreviewZoom, FactorsRatiosAndLabels) {
  // 3000 x 2000 in 400 x 300: 3000/400 + 1 = 8, 2000/300 + 1 = 7.
  EXPECT_EQ(pfFitFactor(3000, 2000, 400, 300), 8);
  // Exactly twice the frame gets 3.
  EXPECT_EQ(pfFitFactor(800, 100, 400, 400), 3);
  EXPECT_EQ(pfFitFactor(6000, 4000, 400, 400), 16);

  // 100%, 133.3% and 33.33% are the dialog test's.
  EXPECT_EQ(pfZoomLabel(8), "12.5%");
  EXPECT_EQ(pfZoomLabel(-1), "200%");
  EXPECT_EQ(pfZoomLabel(-2), "266.7%");

  // One abandoned render at factor 2: host 3, the display keeps factor 2's size.
  auto level = [](int32_t factor, int32_t coarse) {
    const pfScaleLevel l = pfScaleLevelFor(factor, coarse);
    return std::make_pair(l.hostFactor, l.pixelRatio);
  };
  EXPECT_EQ(level(2, 1), std::make_pair(3, 2.0 / 3.0));
  // Factor 0: the unreduced image enlarged to 133 %.
  EXPECT_EQ(level(0, 0), std::make_pair(1, 0.75));
  EXPECT_EQ(level(-1, 1), std::make_pair(2, 0.25));
}

TEST(PreviewZoom, KeepsTheCentreAcrossAZoom) {
  // 1000 x 800 preview in a 200 x 100 frame at ratio 1, panned to (300, 100): the centre is
  // (300 + 100, 100 + 50). Zoomed to ratio 0.5 it stays there: pan (400 - 50, 150 - 25).
  pfPoint c = pfViewCentre(300, 100, 200, 100, 1.0, 1000, 800);
  EXPECT_EQ(XY(c.x, c.y), XY(400, 150));
  pfPoint pan = pfPanForCentre(c.x, c.y, 200, 100, 0.5);
  EXPECT_EQ(XY(pan.x, pan.y), XY(350, 125));
  // An image smaller than the frame is centred whatever the pan says.
  c = pfViewCentre(77, 99, 200, 100, 1.0, 150, 90);
  EXPECT_EQ(XY(c.x, c.y), XY(75, 45));
}

TEST(PreviewLayout, CentresSmallImagesAndClampsThePan) {
  const pfFrame frame{0, 0, 400, 300};
  // 100 x 50 at ratio 0.5 shows as 200 x 100, centred: (100, 100); the pan clamps to 0.
  pfPreviewLayout l = pfLayoutPreview(100, 50, 0.5, frame, 30, 40);
  EXPECT_EQ(XY(l.x0, l.y0), XY(100, 100));
  EXPECT_EQ(XY(l.panX, l.panY), XY(0, 0));
  EXPECT_EQ(XY(l.sourceWidth, l.sourceHeight), XY(100, 50));
  // The handle of (0.25, 0.5): 100 + 200 / 4, 100 + 100 / 2.
  pfPoint h = pfHandleCentre(l, 0.5, 0.25, 0.5);
  EXPECT_EQ(XY(h.x, h.y), XY(150, 150));
  // The pointer there maps back to the same point.
  double fx = 0, fy = 0;
  pfScreenToImage(100, 50, 0.5, frame, l.panX, l.panY, 150, 150, fx, fy);
  EXPECT_DOUBLE_EQ(fx, 0.25);
  EXPECT_DOUBLE_EQ(fy, 0.5);

  // 1000 x 600 at ratio 1 in the 400 x 300 frame: the pan stops at 600 and 300.
  l = pfLayoutPreview(1000, 600, 1.0, frame, 900, 500);
  EXPECT_EQ(XY(l.panX, l.panY), XY(600, 300));
  EXPECT_EQ(l.x0, 0);
  EXPECT_EQ(XY(l.drawWidth, l.drawHeight), XY(400, 300));
  // panY counts from the bottom: at the largest pan the image's top row is at the frame's top,
  // so row 150 (y = 0.25) is at 150.
  h = pfHandleCentre(l, 1.0, 0.75, 0.25);
  EXPECT_EQ(XY(h.x, h.y), XY(750 - 600, 150));
  pfScreenToImage(1000, 600, 1.0, frame, l.panX, l.panY, 150, 150, fx, fy);
  EXPECT_DOUBLE_EQ(fx, 0.75);
  EXPECT_DOUBLE_EQ(fy, 0.25);
}

TEST(PreviewBitmap, StrideRowsAndSamples) {
  EXPECT_EQ(pfBitmapStride(31), 32);
  EXPECT_EQ(pfBitmapStride(32), 64);
  EXPECT_EQ(pfPreviewColourPlanes(3, 0, 3, 3), 3);
  EXPECT_EQ(pfPreviewColourPlanes(1, 0, 1, 1), 1);
  EXPECT_EQ(pfPreviewColourPlanes(11, 3, 0, 4), 3);
  EXPECT_EQ(pfPreviewColourPlanes(2, 0, 1, 1), 0);  // indexed colour: not shown

  // 16-bit RGB, 2 x 2, rows 12 bytes apart: the top row goes to the last bitmap row, samples
  // divided by 129, blue first.
  const uint16_t samples[2][6] = {{32768, 129, 258, 0, 0, 0}, {1290, 2580, 3870, 0, 0, 32767}};
  std::vector<uint8_t> bytes(24);
  std::memcpy(bytes.data(), samples, 24);
  const pfPreviewSource src{bytes.data(), 12, 2, 2, 16, 3, 3, -1, 2, 2};
  std::vector<uint8_t> bitmap(size_t(pfBitmapStride(2)) * 2 * 3, 7);
  pfConvertToBitmap(src, bitmap.data(), pfBitmapStride(2), 2);
  // The top row, last in the bitmap: blue 258 / 129, green, red 32768 / 129.
  EXPECT_EQ(std::vector<uint8_t>(bitmap.begin() + 96, bitmap.begin() + 99),
            (std::vector<uint8_t>{2, 1, 254}));
  // The bottom row: the second pixel's blue is 32767 / 129; past the width untouched.
  EXPECT_EQ(std::vector<uint8_t>(bitmap.begin(), bitmap.begin() + 7),
            (std::vector<uint8_t>{30, 20, 10, 254, 0, 0, 7}));
}

TEST(PreviewBitmap, TransparencyOverTheCheckerboard) {
  // 8-bit grey + alpha, a 4 x 1 preview of a 64 x 16 image: each preview column spans 16 image
  // columns, so the squares alternate 208, 255, 208, 255.
  const uint8_t px[8] = {100, 0, 100, 0, 100, 255, 100, 51};
  const pfPreviewSource src{px, 8, 4, 1, 8, 2, 1, 1, 64, 16};
  std::vector<uint8_t> bitmap(size_t(pfBitmapStride(4)) * 3);
  pfConvertToBitmap(src, bitmap.data(), pfBitmapStride(4), 1);
  // Opaque 100 on the third; alpha 0.2 on the fourth: 100 * 0.2 + 255 * 0.8 = 224.
  EXPECT_EQ(std::vector<uint8_t>(bitmap.begin(), bitmap.begin() + 12),
            (std::vector<uint8_t>{208, 208, 208, 255, 255, 255, 100, 100, 100, 224, 224, 224}));
}

}  // namespace
