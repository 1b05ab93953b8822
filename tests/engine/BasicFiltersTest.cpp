// The band frame and the sub-pixel shift, against values worked out by hand
// or a plain out-of-place computation.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "engine/ClearImageFilter.h"
#include "engine/MoveSubPixelImageFilter.h"
#include "engine/StaticArgb.h"
#include "tests/engine/HostBuffers.h"
#include "tests/support/EngineTestHosts.h"

namespace {

using WorkGrey = StaticArgb<char, float, 0, 1, 0, 1>;
using WorkRgba = StaticArgb<char, float, 1, 3, 0, 1>;

void FillRandom(FloatImage& img, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> u(0.0f, 1.0f);
  for (size_t i = 0; i < size_t(img.width) * size_t(img.height) * size_t(img.channels); ++i)
    img.data[i] = u(rng);
}

TEST(BandFrame, TheLastBandTakesTheRemainderAndRunsScaleTheProgress) {
  const int32_t expected[4][2] = {{0, 2}, {2, 4}, {4, 6}, {6, 10}};  // 10 rows in 4 bands
  for (int32_t b = 0; b < 4; ++b) {
    EXPECT_EQ(ComputeBandRows(10, b, 4).first, expected[b][0]);
    EXPECT_EQ(ComputeBandRows(10, b, 4).end, expected[b][1]);
  }
  EXPECT_EQ(ComputeBandRows(2, 2, 4).first, ComputeBandRows(2, 2, 4).end);  // more bands than rows
  EXPECT_EQ(ComputeBandRows(2, 3, 4).end, 2);
  // Run 1 of 3 over 7 rows in bands of 0-1, 2-3, 4-6: each row once, against 3 x 7.
  TestHost host;
  host.processors = 3;
  std::vector<float> rows(7, 1.0f);
  ClearImageFilter<WorkGrey> clear(&host, WorkGrey::Packed(rows.data(), 1, 7));
  ASSERT_EQ(clear.Run(1, 3), host.NoError());
  ASSERT_EQ(host.progress.size(), 7u);
  for (int32_t y = 0; y < 7; ++y) EXPECT_EQ(host.progress[size_t(y)], std::make_pair(7 + y, 21));
  EXPECT_EQ(rows, std::vector<float>(7, 0.0f));
}

TEST(BandFrame, CancelStopsAfterTheReportingRowAndStartsNoFurtherBand) {
  TestHost host;
  host.processors = 4;
  host.cancelAfterReports = 5;  // the sixth report, after row 5, cancels
  std::vector<float> rows(40, 1.0f);
  ClearImageFilter<WorkGrey> clear(&host, WorkGrey::Packed(rows.data(), 1, 40));
  EXPECT_EQ(clear.Run(0, 1), TestHost::kCancelled);
  for (size_t y = 0; y < 40; ++y) EXPECT_EQ(rows[y], y < 6 ? 0.0f : 1.0f) << y;
  // Without reporting nothing can fail: band 1 of 2 over 9 rows runs rows 4..8.
  std::vector<int32_t> seen;
  EXPECT_EQ(ProcessBandRows(&host, 9, 1, 2, false, 0, 1, [&](int32_t y) { seen.push_back(y); }),
            host.NoError());
  EXPECT_EQ(seen, (std::vector<int32_t>{4, 5, 6, 7, 8}));
}

// Out-of-place bilinear shift, straight from the weights and border rule.
FloatImage ReferenceShift(const FloatImage& img, double sx, double sy) {
  FloatImage out = img;
  const int dx = sx > 0 ? 1 : -1;
  const int dy = sy > 0 ? 1 : -1;
  const double ax = 1.0 - std::fabs(sx);
  const double ay = 1.0 - std::fabs(sy);
  for (int y = 0; y < img.height; ++y) {
    for (int x = 0; x < img.width; ++x) {
      const int nx = (x + dx < 0 || x + dx >= img.width) ? x : x + dx;
      const int ny = (y + dy < 0 || y + dy >= img.height) ? y : y + dy;
      for (int c = 0; c < img.channels; ++c) {
        out.At(x, y, c) =
            float(ax * ay * img.At(x, y, c) + (1 - ax) * ay * img.At(nx, y, c) +
                  ax * (1 - ay) * img.At(x, ny, c) + (1 - ax) * (1 - ay) * img.At(nx, ny, c));
      }
    }
  }
  return out;
}

TEST(MoveSubPixelImageFilter, InPlaceShiftEqualsOutOfPlaceInEveryDirection) {
  const double shifts[][2] = {{0.3, 0.7}, {-0.3, 0.7}, {0.3, -0.7}, {-0.3, -0.7},
                              {1.0, 0.0}, {0.0, -1.0}, {-0.5, 0.25}};
  for (const auto& s : shifts) {
    FloatImage img(9, 6, 4);
    FillRandom(img, 4);
    const FloatImage expected = ReferenceShift(img, s[0], s[1]);
    TestHost host;
    MoveSubPixelImageFilter<WorkRgba> move(&host, img.MakeView<WorkRgba>(), s[0], s[1]);
    ASSERT_EQ(move.Run(0, 1), host.NoError());
    EXPECT_EQ(img.data, expected.data) << "shift " << s[0] << "," << s[1];
  }
  // An invalid view: nothing to do, nothing reported.
  TestHost idle;
  MoveSubPixelImageFilter<WorkRgba> none(&idle, WorkRgba{}, 0.5, 0.5);
  EXPECT_EQ(none.Run(0, 1), idle.NoError());
  EXPECT_TRUE(idle.progress.empty());
}

}  // namespace
