#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <map>

#include "base/pfPlatform.h"
#include "tests/host/FakeHost.h"
#include "tests/host/TestFilter.h"

namespace {

// The filter sees the host's record through the current call, as during a render.
void Attach(TestFilter& filter, FakeHost& host) {
  filter.Dispatch(filterSelectorContinue, &host.record);
}

TEST(HostMemory, SuiteBlocksAreTrackedUntilFreed) {
  FakeHost host;
  TestFilter filter;
  Attach(filter, host);
  void* a = filter.AllocateMemory(100);
  void* b = filter.AllocateMemory(1);
  void* c = filter.AllocateMemory(4096);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(host.allocateCalls, 3);
  EXPECT_EQ(host.liveBuffers.size(), 3u);
  // Blocks are locked for as long as they are handed out.
  for (FakeHost::Buffer* buffer : host.liveBuffers) EXPECT_EQ(buffer->locks, 1);

  filter.FreeMemory(b);
  EXPECT_EQ(host.unlockCalls, 1);
  EXPECT_EQ(host.freeCalls, 1);

  // Exactly the live blocks, each with the host's identifier for it.
  std::map<void*, BufferID> expected;
  for (FakeHost::Buffer* buffer : host.liveBuffers) expected[buffer->bytes] = FakeHost::Id(buffer);
  EXPECT_EQ(filter.GetHostBlocks(), expected);
  EXPECT_EQ(expected.count(a), 1u);
  EXPECT_EQ(expected.count(c), 1u);

  filter.FreeMemory(a);
  filter.FreeMemory(c);
  EXPECT_TRUE(filter.GetHostBlocks().empty());
  EXPECT_TRUE(host.liveBuffers.empty());
}

TEST(HostMemory, UnusableSuitesFallBackToTheHeap) {
  const std::function<void(FakeHost&)> breakages[] = {
      [](FakeHost& h) { h.bufferProcs.bufferProcsVersion = 3; },
      [](FakeHost& h) { h.bufferProcs.bufferProcsVersion = 1; },
      [](FakeHost& h) { h.bufferProcs.numBufferProcs = 4; },
      [](FakeHost& h) { h.bufferProcs.spaceProc = nullptr; },
      [](FakeHost& h) { h.bufferProcs.unlockProc = nullptr; },
      [](FakeHost& h) { h.record.bufferProcs = nullptr; },
  };
  for (size_t breakage = 0; breakage < std::size(breakages); ++breakage) {
    FakeHost host;
    TestFilter filter;
    breakages[breakage](host);
    Attach(filter, host);
    void* block = filter.AllocateMemory(256);
    ASSERT_NE(block, nullptr);
    static_cast<char*>(block)[255] = 1;  // really usable memory
    EXPECT_EQ(host.allocateCalls, 0) << breakage;
    EXPECT_TRUE(filter.GetHostBlocks().empty());
    // Must go back to the heap: the sanitizers report a leak or a bad free otherwise.
    filter.FreeMemory(block);
    EXPECT_EQ(host.freeCalls, 0);
  }
}

TEST(HostMemory, FreeingABlockTheSuiteDidNotHandOutDoesNothing) {
  FakeHost host;
  TestFilter filter;
  Attach(filter, host);
  void* kept = filter.AllocateMemory(16);
  void* foreign = std::malloc(16);
  filter.FreeMemory(foreign);
  filter.FreeMemory(nullptr);
  EXPECT_EQ(host.freeCalls, 0);
  EXPECT_EQ(host.unlockCalls, 0);
  EXPECT_EQ(filter.GetHostBlocks().size(), 1u);
  static_cast<char*>(foreign)[15] = 2;  // still ours: the sanitizers catch a premature free
  std::free(foreign);
  filter.FreeMemory(kept);
}

TEST(HostMemory, HostRefusalIsNullWithoutHeapFallback) {
  FakeHost host;
  TestFilter filter;
  host.refuseAllocation = true;
  Attach(filter, host);
  EXPECT_EQ(filter.AllocateMemory(64), nullptr);
  EXPECT_TRUE(filter.GetHostBlocks().empty());
  EXPECT_EQ(filter.OutOfMemoryError(), -108);
}

TEST(HostMemory, BlocksBeyondTheSuitesSizeComeFromTheHeap) {
  if (sizeof(void*) < 8) GTEST_SKIP() << "needs a 64-bit address space";
  FakeHost host;
  TestFilter filter;
  Attach(filter, host);
  const size_t size = size_t(INT32_MAX) + 1;
  void* block = filter.AllocateMemory(size);
  if (block == nullptr) GTEST_SKIP() << "the machine cannot reserve 2 GB";
  EXPECT_EQ(host.allocateCalls, 0);
  EXPECT_TRUE(filter.GetHostBlocks().empty());
  static_cast<char*>(block)[size - 1] = 3;
  filter.FreeMemory(block);  // to the heap, not to the host
  EXPECT_EQ(host.freeCalls, 0);
}

// ---- progress and cancel -------------------------------------------------------------------

TEST(ReportProgress, FinalRenderAsksTheHostWhetherToCancel) {
  FakeHost host;
  TestFilter filter;
  Attach(filter, host);
  EXPECT_EQ(filter.ReportProgress(3, 10), 0);
  host.cancelled = true;
  EXPECT_EQ(filter.ReportProgress(4, 10), -128);
  EXPECT_EQ(host.abortCalls, 2);
  ASSERT_EQ(host.progress.size(), 2u);
  EXPECT_EQ(host.progress[0], std::make_pair(3, 10));
  EXPECT_EQ(host.progress[1], std::make_pair(4, 10));
}

// Starts a preview render `age` milliseconds ago. Zero means "no render", so avoid it.
void StartPreviewRender(RecordingPreview* preview, uint32_t age) {
  uint32_t tick = pfTickCount() - age;
  preview->renderStartTick = tick == 0 ? 1 : tick;
}

TEST(ReportProgress, PreviewRenderGivesWayToALateChange) {
  FakeHost host;
  TestFilter filter;
  Attach(filter, host);
  RecordingPreview* preview = filter.recording;
  host.cancelled = true;  // the host's cancel is not asked during a preview
  preview->renderRequested = true;
  preview->interruptPreview = true;

  StartPreviewRender(preview, 100);
  EXPECT_EQ(filter.ReportProgress(1, 2), 0);
  StartPreviewRender(preview, 300);
  EXPECT_EQ(filter.ReportProgress(1, 2), -128);
  EXPECT_EQ(host.abortCalls, 0);
  EXPECT_EQ(host.progress.size(), 2u);

  // "fixed preview": a change never interrupts.
  preview->interruptPreview = false;
  EXPECT_EQ(filter.ReportProgress(1, 2), 0);
  // No change pending: nothing to give way to.
  preview->interruptPreview = true;
  preview->renderRequested = false;
  EXPECT_EQ(filter.ReportProgress(1, 2), 0);
}

}  // namespace
