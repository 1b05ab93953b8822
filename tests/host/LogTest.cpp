#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <string>
#include <vector>

#include "base/Log.h"
#include "base/PluginLog.h"
#include "plugin/EntryPoint.h"
#include "tests/support/PluginTestHost.h"
#include "tests/support/TempDir.h"

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
    PluginTestHost host;
    int16_t result = 0;
    intptr_t data = 0;
    ENTRYPOINT(filterSelectorFinish, &host.Record(), &data, &result);
    path = testing::TempDir() + "quenara_host_log_" +
           testing::UnitTest::GetInstance()->current_test_info()->name() + ".txt";
    std::remove(path.c_str());
  }
  void TearDown() override {
    QuenaraOpenLog(nullptr, kLogTrace);
    std::remove(path.c_str());
  }
  std::vector<std::string> Lines() const { return LinesOf(ReadFileForTest(path)); }
  std::string path;
};

TEST_F(LogFile, SelectorLinesNestInsideTheEntryPoint) {
  ASSERT_TRUE(QuenaraOpenLog(path.c_str(), kLogTrace));
  PluginTestHost host;
  int16_t result = 5;
  intptr_t data = 0;
  ENTRYPOINT(int16_t(0x0102), &host.Record(), &data, &result);
  EXPECT_EQ(LogDepth(), 0);

  const std::vector<std::string> expected = {
      std::string("ENTER: ENTRYPOINT( selector(\x02), filterParamBlock(") + Hex(&host.Record()) +
          "), data(" + Hex(&data) + "), result(" + Hex(&result) + ") )",
      "    ENTER: pfFilter::DoPrepareSelector( pFilterRecord(0x" + Hex(&host.Record()) + ") )",
      "    EXIT : pfFilter::DoPrepareSelector",
      "EXIT : ENTRYPOINT()",
  };
  EXPECT_EQ(Lines(), expected);
}

TEST_F(LogFile, ErrorLevelWritesOnlyErrorsAndReopeningAppends) {
  ASSERT_TRUE(QuenaraOpenLog(path.c_str(), kLogError));
  PluginTestHost host;
  int16_t result = 0;
  intptr_t data = 0;
  ENTRYPOINT(filterSelectorPrepare, &host.Record(), &data, &result);  // trace lines only
  QLOG_WARNING("not written");
  QLOG_ERROR("first");
  ASSERT_TRUE(QuenaraOpenLog(path.c_str(), kLogError));
  QLOG_ERROR("second");
  EXPECT_EQ(Lines(), (std::vector<std::string>{"-**### ERROR ###**-: first",
                                               "-**### ERROR ###**-: second"}));
  EXPECT_EQ(LogDepth(), 0);
}

}  // namespace
