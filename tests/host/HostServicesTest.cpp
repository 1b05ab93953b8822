#include <gtest/gtest.h>

#include "tests/host/TestFilter.h"
#include "tests/support/PluginTestHost.h"

namespace {

// The filter sees the host's record through the current call, as during a render.
void Attach(TestFilter& filter, PluginTestHost& host) {
  filter.Dispatch(filterSelectorContinue, &host.Record());
}

TEST(HostMemory, SuiteBlocksAreTrackedUntilFreed) {
  PluginTestHost host;
  TestFilter filter;
  Attach(filter, host);
  void* a = filter.AllocateMemory(100);
  void* b = filter.AllocateMemory(1);
  void* c = filter.AllocateMemory(4096);
  ASSERT_TRUE(a != nullptr && b != nullptr && c != nullptr);
  EXPECT_EQ(host.Buffers().AllocationCount(), 3);
  filter.FreeMemory(b);
  EXPECT_EQ(host.Buffers().LiveCount(), 2u);
  // Exactly the live blocks, each with the host's identifier for it.
  ASSERT_EQ(filter.GetHostBlocks().size(), 2u);
  for (const auto& [block, id] : filter.GetHostBlocks()) {
    EXPECT_TRUE(block == a || block == c);
    EXPECT_EQ(host.Buffers().Procs()->lockProc(id, 0), block);
    host.Buffers().Procs()->unlockProc(id);
  }
  filter.FreeMemory(a);
  filter.FreeMemory(c);
  EXPECT_TRUE(filter.GetHostBlocks().empty());
  EXPECT_EQ(host.Buffers().LiveCount(), 0u);
  // A host refusal is null, not a heap block.
  host.Buffers().FailAllocationAt(host.Buffers().AllocationCount());
  EXPECT_EQ(filter.AllocateMemory(64), nullptr);
  EXPECT_TRUE(filter.GetHostBlocks().empty());
}

// ---- progress and cancel -------------------------------------------------------------------

TEST(ReportProgress, FinalRenderAsksTheHostWhetherToCancel) {
  PluginTestHost host;
  TestFilter filter;
  Attach(filter, host);
  host.cancelAtProgress = 1;
  EXPECT_EQ(filter.ReportProgress(3, 10), 0);
  EXPECT_EQ(filter.ReportProgress(4, 10), -128);
  EXPECT_EQ(host.abortCalls, 2);
  EXPECT_EQ(host.progress, (std::vector<std::pair<int32_t, int32_t>>{{3, 10}, {4, 10}}));
}

}  // namespace
