#include <gtest/gtest.h>

#include <vector>

#include "engine/ClearImageFilter.h"
#include "engine/KestrimondFilter.h"
#include "engine/StaticArgb.h"
#include "tests/support/EngineTestHosts.h"

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

// The band frame, driven through ClearImageFilter on a one-column image whose rows start at 1:
// a row reads 0 once it has been processed.

namespace {

using Column = StaticArgb<char, float, 0, 1, 0, 1>;

std::vector<int> ProcessedRows(const std::vector<float>& rows) {
  std::vector<int> done;
  for (size_t y = 0; y < rows.size(); ++y) {
    if (rows[y] == 0.0f) done.push_back(int(y));
  }
  return done;
}

std::vector<int> Range(int first, int end) {
  std::vector<int> r;
  for (int y = first; y < end; ++y) r.push_back(y);
  return r;
}

}  // namespace

TEST(BandFrame, ProgressRisesOverASequenceOfRuns) {
  TestHost host;
  std::vector<float> rows(4, 1.0f);
  ClearImageFilter<Column> clear(&host, Column::Packed(rows.data(), 1, 4));
  for (uint32_t run = 0; run < 3; ++run) ASSERT_EQ(clear.Run(run, 3), host.NoError());
  ASSERT_EQ(host.progress.size(), 12u);
  for (int32_t i = 0; i < 12; ++i) {
    EXPECT_EQ(host.progress[size_t(i)].first, i);
    EXPECT_EQ(host.progress[size_t(i)].second, 12);
  }
}

TEST(BandFrame, ARunAloneReportsEachRowAgainstTheHeight) {
  TestHost host;
  host.processors = 3;
  std::vector<float> rows(7, 1.0f);
  ClearImageFilter<Column> clear(&host, Column::Packed(rows.data(), 1, 7));
  ASSERT_EQ(clear.Run(0, 1), host.NoError());
  // Sequential host: every band reports; bands cover 0-1, 2-3, 4-6.
  ASSERT_EQ(host.progress.size(), 7u);
  for (int32_t y = 0; y < 7; ++y) EXPECT_EQ(host.progress[size_t(y)], std::make_pair(y, 7));
  EXPECT_EQ(ProcessedRows(rows), Range(0, 7));
}

TEST(BandFrame, CancelAfterRowFiveOfBandZeroStopsThereAndStartsNoFurtherBand) {
  TestHost host;
  host.processors = 4;
  host.cancelAfterReports = 5;  // the sixth report, after row 5, cancels
  std::vector<float> rows(40, 1.0f);
  ClearImageFilter<Column> clear(&host, Column::Packed(rows.data(), 1, 40));
  EXPECT_EQ(clear.Run(0, 1), TestHost::kCancelled);
  EXPECT_EQ(ProcessedRows(rows), Range(0, 6));
  EXPECT_EQ(host.progress.size(), 6u);
}

TEST(BandFrame, StopsOnTheFirstResultOtherThanNoError) {
  TestHost host;
  std::vector<int32_t> seen;
  // Band 1 of 2 over 9 rows is rows 4..8; the host fails the third report.
  host.cancelAfterReports = 2;
  const int32_t status =
      ProcessBandRows(&host, 9, 1, 2, true, 0, 1, [&](int32_t y) { seen.push_back(y); });
  EXPECT_EQ(status, TestHost::kCancelled);
  EXPECT_EQ(seen, (std::vector<int32_t>{4, 5, 6}));
  // Without reporting nothing can fail, and all rows of the band run.
  seen.clear();
  EXPECT_EQ(ProcessBandRows(&host, 9, 1, 2, false, 0, 1, [&](int32_t y) { seen.push_back(y); }),
            host.NoError());
  EXPECT_EQ(seen, (std::vector<int32_t>{4, 5, 6, 7, 8}));
}
