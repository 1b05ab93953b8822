#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <utility>
#include <vector>

#include "engine/RayGeometry.h"

namespace {

TEST(RayGeometry, EveryBorderPixelEndsExactlyOneRay) {
  for (auto [w, h] : {std::pair{4, 3}, std::pair{2, 2}, std::pair{2, 5}, std::pair{7, 2}}) {
    std::multiset<std::pair<int32_t, int32_t>> ends;
    for (int32_t edge = 0; edge < 4; ++edge) {
      for (int32_t i = 1; i <= RayCount(w, h, edge); ++i) {
        const RayPoint e = RayEndPixel(w, h, edge, i);
        ends.insert({e.x, e.y});
      }
    }
    std::multiset<std::pair<int32_t, int32_t>> border;
    for (int32_t y = 0; y < h; ++y) {
      for (int32_t x = 0; x < w; ++x) {
        if (x == 0 || y == 0 || x == w - 1 || y == h - 1) border.insert({x, y});
      }
    }
    EXPECT_EQ(ends, border) << w << "x" << h;
  }
  // A single column has no top or bottom edge: the right edge ends at rows 1..H-1 and the left
  // edge at rows H-2..0, so inner rows end two rays, one from each direction.
  std::vector<int32_t> right, left;
  for (int32_t i = 1; i <= RayCount(1, 5, kRayEdgeRight); ++i) {
    right.push_back(RayEndPixel(1, 5, kRayEdgeRight, i).y);
  }
  for (int32_t i = 1; i <= RayCount(1, 5, kRayEdgeLeft); ++i) {
    left.push_back(RayEndPixel(1, 5, kRayEdgeLeft, i).y);
  }
  EXPECT_EQ(right, (std::vector<int32_t>{1, 2, 3, 4}));
  EXPECT_EQ(left, (std::vector<int32_t>{3, 2, 1, 0}));
  EXPECT_EQ(RayCount(1, 5, kRayEdgeTop), 0);
  EXPECT_EQ(RayCount(6, 1, kRayEdgeLeft), 0);
  // Corners: top-right to the top, bottom-right to the right, bottom-left to the bottom,
  // top-left to the left.
  EXPECT_EQ(RayEndPixel(4, 3, kRayEdgeTop, 3).x, 3);
  EXPECT_EQ(RayEndPixel(4, 3, kRayEdgeRight, 2).y, 2);
  EXPECT_EQ(RayEndPixel(4, 3, kRayEdgeBottom, 3).x, 0);
  EXPECT_EQ(RayEndPixel(4, 3, kRayEdgeLeft, 2).y, 0);
  for (int32_t edge = 0; edge < 4; ++edge) EXPECT_EQ(RayCount(1, 1, edge), 0);
}

TEST(RayGeometry, EdgesBeyondTheOriginAreSkipped) {
  EXPECT_TRUE(RayEdgeSkipped(10, 8, 3, -1, kRayEdgeTop));
  EXPECT_FALSE(RayEdgeSkipped(10, 8, 3, 0, kRayEdgeTop));
  EXPECT_TRUE(RayEdgeSkipped(10, 8, 10, 3, kRayEdgeRight));
  EXPECT_FALSE(RayEdgeSkipped(10, 8, 9, 3, kRayEdgeRight));
  EXPECT_TRUE(RayEdgeSkipped(10, 8, 3, 8, kRayEdgeBottom));
  EXPECT_TRUE(RayEdgeSkipped(10, 8, -1, 3, kRayEdgeLeft));
  EXPECT_FALSE(RayEdgeSkipped(10, 8, 0, 3, kRayEdgeLeft));
}

TEST(RayGeometry, OriginInsideStartsAtTheOrigin) {
  RayWalk walk;
  ASSERT_TRUE(PlanRay(10, 10, 5, 5, 9, 0, walk));  // dx 4, dy -5
  EXPECT_TRUE(walk.yMajor);
  EXPECT_EQ(walk.majorStep, -1);
  EXPECT_EQ(walk.startMajor, 5);
  EXPECT_EQ(walk.steps, 6);
  EXPECT_EQ(walk.u0, 5.0);
  EXPECT_DOUBLE_EQ(walk.slope, 0.8);
  EXPECT_DOUBLE_EQ(walk.stepLength, std::sqrt(1.64));
  EXPECT_EQ(walk.entryDistance, 0.0);
  EXPECT_EQ(walk.minorExtent, 10);

  ASSERT_TRUE(PlanRay(10, 10, 5, 5, 0, 7, walk));  // dx -5, dy 2: x-major to the left
  EXPECT_FALSE(walk.yMajor);
  EXPECT_EQ(walk.majorStep, -1);
  EXPECT_EQ(walk.steps, 6);
  EXPECT_DOUBLE_EQ(walk.slope, 0.4);

  // A ray to the origin pixel itself has one step.
  ASSERT_TRUE(PlanRay(8, 5, 3, 0, 3, 0, walk));
  EXPECT_EQ(walk.steps, 1);
  EXPECT_EQ(walk.slope, 0.0);
}

TEST(RayGeometry, OriginLeftEntersThroughTheColumnAndCountsTheDistance) {
  // (-4, 2) to (9, 0) in 10 x 6: dx 13, dy -2, x-major. The row candidate is the origin itself
  // (cy = 0), unusable; the column candidate is (0, 2 - 4 x 2/13).
  RayWalk walk;
  ASSERT_TRUE(PlanRay(10, 6, -4, 2, 9, 0, walk));
  EXPECT_FALSE(walk.yMajor);
  EXPECT_EQ(walk.startMajor, 0);
  EXPECT_EQ(walk.steps, 10);
  EXPECT_DOUBLE_EQ(walk.u0, 2.0 - 8.0 / 13.0);
  EXPECT_DOUBLE_EQ(walk.slope, -2.0 / 13.0);
  EXPECT_DOUBLE_EQ(walk.entryDistance, std::sqrt(16.0 + (8.0 / 13.0) * (8.0 / 13.0)));
}

TEST(RayGeometry, OriginAboveLeftEntersThroughTheRow) {
  // (-2, -6) to (9, 7) in 10 x 8: dx 11, dy 13, y-major. Row candidate (-2 + 6 x 11/13, 0)
  // lies on the top row; the column candidate (0, -6 + 2 x 13/11) is above the image.
  RayWalk walk;
  ASSERT_TRUE(PlanRay(10, 8, -2, -6, 9, 7, walk));
  EXPECT_TRUE(walk.yMajor);
  EXPECT_EQ(walk.startMajor, 0);
  EXPECT_EQ(walk.steps, 8);
  const double rx = -2.0 + 6.0 * 11.0 / 13.0;
  EXPECT_DOUBLE_EQ(walk.u0, rx);
  EXPECT_DOUBLE_EQ(walk.entryDistance, std::sqrt((rx + 2.0) * (rx + 2.0) + 36.0));
}

TEST(RayGeometry, BothCandidatesUsableTakesTheNearerToTheOrigin) {
  // (-3, -2) to (7, 6) in 8 x 7: dx 10, dy 8, x-major. R = (-0.5, 0) counts as inside (its
  // truncation is 0); Q = (0, 0.4). dR = min(2.5, 2) = 2 <= dQ = min(3, 2.4): R is taken, and
  // the walk starts at column trunc(-0.5) = 0 with y = 0.
  RayWalk walk;
  ASSERT_TRUE(PlanRay(8, 7, -3, -2, 7, 6, walk));
  EXPECT_FALSE(walk.yMajor);
  EXPECT_EQ(walk.startMajor, 0);
  EXPECT_EQ(walk.steps, 8);
  EXPECT_EQ(walk.u0, 0.0);
  EXPECT_DOUBLE_EQ(walk.entryDistance, std::sqrt(2.5 * 2.5 + 4.0));
}

TEST(RayGeometry, FarOriginsStillEnterAtTheBorder) {
  RayWalk walk;
  ASSERT_TRUE(PlanRay(10, 8, -2000000000, 3, 9, 0, walk));
  EXPECT_FALSE(walk.yMajor);
  EXPECT_EQ(walk.startMajor, 0);
  EXPECT_EQ(walk.steps, 10);
  EXPECT_NEAR(walk.u0, 27.0 / 2e9, 1e-12);  // 3 x 9 / (2e9 + 9): the ray has nearly fallen
  EXPECT_NEAR(walk.entryDistance, 2e9, 1.0);
  ASSERT_TRUE(PlanRay(10, 8, 4, 2000000000, 9, 7, walk));
  EXPECT_TRUE(walk.yMajor);
  EXPECT_EQ(walk.startMajor, 7);
  EXPECT_EQ(walk.steps, 1);
}

TEST(RayGeometry, MinorTapWeightsAndEdgeRules) {
  RayTap t = MinorTap(2.25, 6);
  EXPECT_EQ(t.index, 2);
  EXPECT_EQ(t.dir, 1);
  EXPECT_EQ(t.weight, 0.75);
  EXPECT_TRUE(t.inside);
  t = MinorTap(3.0, 6);  // on a centre: full weight, neighbour below with weight 0
  EXPECT_EQ(t.index, 3);
  EXPECT_EQ(t.dir, -1);
  EXPECT_EQ(t.weight, 1.0);
  t = MinorTap(0.0, 6);
  EXPECT_EQ(t.dir, 0);
  t = MinorTap(-0.4, 6);  // truncates to 0; the neighbour would be outside
  EXPECT_EQ(t.index, 0);
  EXPECT_EQ(t.dir, 0);
  EXPECT_DOUBLE_EQ(t.weight, 0.6);
  EXPECT_TRUE(t.inside);
  t = MinorTap(5.5, 6);
  EXPECT_EQ(t.index, 5);
  EXPECT_EQ(t.dir, 0);
  t = MinorTap(-1.0, 6);  // off the image: nearest pixel, nothing splatted
  EXPECT_FALSE(t.inside);
  EXPECT_EQ(t.index, 0);
  EXPECT_EQ(t.weight, 1.0);
  t = MinorTap(6.0, 6);
  EXPECT_FALSE(t.inside);
  EXPECT_EQ(t.index, 5);
}

}  // namespace
