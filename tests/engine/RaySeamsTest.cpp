#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <vector>

#include "engine/RayGeometry.h"
#include "engine/RaySeamBlock.h"
#include "engine/RaySeams.h"

namespace {

// Walks every ray of every edge as the filters do and records which edges add straight into
// each pixel. The filters' bands may run concurrently, so no pixel may be written directly by
// two edges, and every other write must have a cell in the edge's own strip.
void CheckGeometry(int32_t w, int32_t h, int32_t ox, int32_t oy) {
  std::vector<uint8_t> owners(size_t(w) * size_t(h), 0);
  std::vector<float> memory(size_t(RaySeamBlock<2>::Bytes(w, h) / sizeof(float)) + 1);
  RaySeamBlock<2> block(memory.data(), w, h);
  block.Reset(0);
  for (int32_t edge = 0; edge < 4; ++edge) {
    if (RayEdgeSkipped(w, h, ox, oy, edge)) continue;
    const RayBandSeams seams = BandSeams(w, h, ox, oy, edge);
    block.Prepare(edge, seams);
    for (int32_t i = 1; i <= RayCount(w, h, edge); ++i) {
      const RayPoint end = RayEndPixel(w, h, edge, i);
      RayWalk walk;
      if (!PlanRay(w, h, ox, oy, end.x, end.y, walk)) continue;
      RaySegment segments[5];
      const int32_t count = SeamSegments(seams, walk, segments);
      ASSERT_EQ(segments[count - 1].end, walk.steps);  // the runs cover the walk
      double u = walk.u0;
      int32_t s = 0;
      for (int32_t k = 0; k < walk.steps; ++k, u += walk.slope) {
        while (k >= segments[s].end) ++s;
        const RayTap tap = MinorTap(u, walk.minorExtent);
        if (!tap.inside) continue;
        const int32_t major = walk.startMajor + k * walk.majorStep;
        for (int32_t minor : {tap.index, tap.index + tap.dir}) {
          const int32_t x = walk.yMajor ? minor : major;
          const int32_t y = walk.yMajor ? major : minor;
          if (segments[s].mode == kRayDirect) {
            owners[size_t(y * w + x)] |= uint8_t(1 << edge);
          } else {
            const int32_t line = segments[s].mode == kRayStrip0 ? 0 : 1;
            EXPECT_LT(line, seams.lines);
            EXPECT_TRUE(block.Covers(edge, line, x, y))
                << w << "x" << h << " origin (" << ox << ", " << oy << ") edge " << edge
                << " pixel (" << x << ", " << y << ")";
          }
        }
      }
    }
  }
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      EXPECT_LE(std::popcount(owners[size_t(y * w + x)]), 1)
          << w << "x" << h << " origin (" << ox << ", " << oy << ") pixel (" << x << ", " << y
          << ") written directly by edges " << int(owners[size_t(y * w + x)]);
    }
  }
}

TEST(RaySeams, NoPixelIsWrittenDirectlyByTwoEdgesAndStripsHoldTheRest) {
  const std::pair<int32_t, int32_t> sizes[] = {{1, 1}, {1, 6},  {6, 1},   {2, 2},
                                               {3, 7}, {16, 9}, {31, 47}, {64, 40}};
  for (auto [w, h] : sizes) {
    std::vector<int32_t> xs = {-100000, -2 * w - 3, -w,    -3, -1,    0,     1,         w / 3,
                               w / 2,   w - 2,      w - 1, w,  w + 1, w + 4, 2 * w + 5, 77777};
    std::vector<int32_t> ys = {-90000, -2 * h - 1, -h,    -2, -1,    0,     1,     h / 4,
                               h / 2,  h - 2,      h - 1, h,  h + 2, h + 7, 3 * h, 123456};
    for (int32_t ox : xs) {
      for (int32_t oy : ys) CheckGeometry(w, h, ox, oy);
    }
  }
}

// The two pixels a step splats into across the minor axis, worked out by hand: the truncated
// index, the neighbour on the side of the fraction (none past an edge), and off the image the
// nearest pixel, which feeds the signal but takes no weight.
TEST(RayGeometry, MinorTapWeightsAndEdgeRules) {
  const struct {
    double u;
    int32_t index, dir;
    double weight;
    bool inside;
  } cases[] = {{2.25, 2, 1, 0.75, true}, {3.0, 3, -1, 1.0, true}, {0.0, 0, 0, 1.0, true},
               {-0.4, 0, 0, 0.6, true},  {5.5, 5, 0, 0.5, true},  {-1.0, 0, 0, 1.0, false},
               {6.0, 5, 0, 1.0, false}};
  for (const auto& c : cases) {
    const RayTap t = MinorTap(c.u, 6);
    EXPECT_EQ(t.index, c.index) << c.u;
    EXPECT_EQ(t.dir, c.dir) << c.u;
    EXPECT_DOUBLE_EQ(t.weight, c.weight) << c.u;
    EXPECT_EQ(t.inside, c.inside) << c.u;
  }
}

}  // namespace
