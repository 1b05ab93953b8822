#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/Log.h"
#include "base/PluginLog.h"
#include "host/SetupFilterRecord.h"
#include "plugin/EntryPoint.h"
#include "tests/host/FakeHost.h"

#if defined(_WIN32)
#include "tests/support/DialogWatchdogWin32.h"
#endif

namespace {

// A pointer as the log shows it: upper-case hex, two digits per byte of a pointer.
std::string Hex(const void* p) {
  char text[32];
  std::snprintf(text, sizeof(text), "%0*" PRIXPTR, int(2 * sizeof(void*)), uintptr_t(p));
  return text;
}

class LogFile : public testing::Test {
 protected:
  void SetUp() override {
    // The static filter object is constructed by the first call; keep its lines out of the way.
    FakeHost host;
    int16_t result = 0;
    intptr_t data = 0;
    ENTRYPOINT(filterSelectorFinish, &host.record, &data, &result);
    path = testing::TempDir() + "quenara_host_log_" +
           testing::UnitTest::GetInstance()->current_test_info()->name() + ".txt";
    std::remove(path.c_str());
  }
  void TearDown() override {
    QuenaraOpenLog(nullptr, kLogTrace);
    std::remove(path.c_str());
  }
  std::vector<std::string> Lines() {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
#if defined(_WIN32)
      // A text-mode file: Windows ends its lines with CR LF.
      if (!line.empty() && line.back() == '\r') line.pop_back();
#endif
      lines.push_back(line);
    }
    return lines;
  }
  std::string Contents() {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::string path;
};

TEST_F(LogFile, SelectorLinesNestInsideTheEntryPoint) {
  ASSERT_TRUE(QuenaraOpenLog(path.c_str(), kLogTrace));
  FakeHost host;
  int16_t result = 5;
  intptr_t data = 0;
  ENTRYPOINT(int16_t(0x0102), &host.record, &data, &result);
  EXPECT_EQ(LogDepth(), 0);

  const std::vector<std::string> expected = {
      std::string("ENTER: ENTRYPOINT( selector(\x02), filterParamBlock(") + Hex(&host.record) +
          "), data(" + Hex(&data) + "), result(" + Hex(&result) + ") )",
      "    ENTER: pfFilter::DoPrepareSelector( pFilterRecord(0x" + Hex(&host.record) + ") )",
      "    EXIT : pfFilter::DoPrepareSelector",
      "EXIT : ENTRYPOINT()",
  };
  EXPECT_EQ(Lines(), expected);
}

TEST_F(LogFile, ErrorLevelWritesOnlyErrors) {
  ASSERT_TRUE(QuenaraOpenLog(path.c_str(), kLogError));
  FakeHost host;
  host.record.advanceState = nullptr;
  int16_t result = 0;
  intptr_t data = 0;
#if defined(_WIN32)
  {
    DialogWatchdogWin32 watchdog;  // closes the message box
    ENTRYPOINT(filterSelectorStart, &host.record, &data, &result);
  }
#else
  testing::internal::CaptureStderr();
  ENTRYPOINT(filterSelectorStart, &host.record, &data, &result);
  testing::internal::GetCapturedStderr();
#endif
  EXPECT_EQ(result, 1);
  ENTRYPOINT(filterSelectorPrepare, &host.record, &data, &result);
  EXPECT_EQ(Lines(), std::vector<std::string>{"-**### ERROR ###**-: AdvanceStateAvailable() or "
                                              "ProgressProcedure not available"});
  EXPECT_EQ(LogDepth(), 0);
}

TEST_F(LogFile, NothingIsComposedWithoutAFile) {
  QuenaraOpenLog(nullptr, kLogTrace);
  FakeHost host;
  int16_t result = 0;
  intptr_t data = 0;
  ENTRYPOINT(filterSelectorPrepare, &host.record, &data, &result);
  SetupFilterRecord(&host.record, 1);
  EXPECT_EQ(LogDepth(), 0);
  EXPECT_TRUE(LogLine().str().empty());
}

TEST_F(LogFile, RecordDumpShowsTheRecordAsReceived) {
  ASSERT_TRUE(QuenaraOpenLog(path.c_str(), kLogTrace));
  FakeHost host;
  FilterRecord& r = host.record;
  r.imageMode = 3;
  r.filterCase = 2;
  r.planes = 4;
  r.depth = 16;
  r.inData = &host;
  r.inRowBytes = 77;
  r.inLayerPlanes = 3;
  r.inTransparencyMask = 1;
  r.inLayerMasks = 0;
  r.inInvertedLayerMasks = 0;
  r.inNonLayerPlanes = 0;
  r.outRowBytes = -8;
  r.outLayerPlanes = 3;
  r.outTransparencyMask = 1;
  r.maskData = &r;
  r.maskRowBytes = 12;
  r.haveMask = 1;
  r.isFloating = 0;
  r.autoMask = 1;
  r.imageSize.h = 300;
  r.imageSize.v = 200;
  r.wholeSize.h = 301;
  r.wholeSize.v = 201;
  r.inRect = Rect{1, 2, 3, 4};
  r.outRect = Rect{5, 6, 7, 8};
  r.maskRect = Rect{9, 10, 11, 12};
  r.filterRect = Rect{13, 14, 15, 16};
  SetupFilterRecord(&r, 3);

  const std::string p = "        ";  // depth 1, then the field indent
  const std::vector<std::string> expected = {
      "ENTER: pfFilter::SetupFilterRecord( pFilterRecord(0x" + Hex(&r) + "), nScaleFactor(3) )",
      "    pFilterRecord:",
      p + "imageMode(3)",
      p + "filterCase(2)",
      p + "planes(4)",
      p + "depth(16)",
      p + "inData(0x" + Hex(&host) + ")",
      p + "inRowBytes(77)",
      p + "inLayerPlanes(3)",
      p + "inTransparencyMask(1)",
      p + "inLayerMasks(0)",
      p + "inInvertedLayerMasks(0)",
      p + "inNonLayerPlanes(0)",
      p + "outData(0x" + Hex(nullptr) + ")",
      p + "outRowBytes(-8)",
      p + "outLayerPlanes(3)",
      p + "outTransparencyMask(1)",
      p + "outLayerMasks(0)",
      p + "outInvertedLayerMasks(0)",
      p + "outNonLayerPlanes(0)",
      p + "maskData(0x" + Hex(&r) + ")",
      p + "maskRowBytes(12)",
      p + "haveMask(1)",
      p + "isFloating(0)",
      p + "autoMask(1)",
      p + "imageSize.h(300)",
      p + "imageSize.v(200)",
      p + "wholeSize.h(301)",
      p + "wholeSize.v(201)",
      p + "inRect: left(2), right(4), top(1), bottom(3)",
      p + "outRect: left(6), right(8), top(5), bottom(7)",
      p + "maskRect: left(10), right(12), top(9), bottom(11)",
      p + "filterRect: left(14), right(16), top(13), bottom(15)",
      "EXIT : pfFilter::SetupFilterRecord",
  };
  EXPECT_EQ(Lines(), expected);
}

}  // namespace
