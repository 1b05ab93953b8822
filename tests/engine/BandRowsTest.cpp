#include <gtest/gtest.h>

#include "engine/KestrimondFilter.h"

TEST(BandRows, LastBandTakesTheRemainder) {
  // 10 rows over 4 bands: 2 rows each, the last band 4.
  const int32_t expected[4][2] = {{0, 2}, {2, 4}, {4, 6}, {6, 10}};
  for (int32_t b = 0; b < 4; ++b) {
    const BandRows r = ComputeBandRows(10, b, 4);
    EXPECT_EQ(r.first, expected[b][0]);
    EXPECT_EQ(r.end, expected[b][1]);
  }
}

TEST(BandRows, MoreBandsThanRowsLeavesAllButTheLastEmpty) {
  for (int32_t b = 0; b < 3; ++b) {
    const BandRows r = ComputeBandRows(2, b, 4);
    EXPECT_EQ(r.first, r.end);
  }
  const BandRows last = ComputeBandRows(2, 3, 4);
  EXPECT_EQ(last.first, 0);
  EXPECT_EQ(last.end, 2);
}
