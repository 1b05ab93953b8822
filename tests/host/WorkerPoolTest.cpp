#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "host/pfWorkerPool.h"
#include "tests/host/TestFilter.h"
#include "tests/support/PluginTestHost.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kPatience = std::chrono::seconds(20);

// What the bands of one run saw. Bands may block until `gather` of them run at once, which
// proves how many threads work without timing assumptions.
struct BandLog {
  explicit BandLog(int32_t n) : calls(size_t(n)), flags(size_t(n), -1) {}

  std::mutex lock;
  std::condition_variable changed;
  int32_t gather = 0;
  int32_t running = 0;
  int32_t maxRunning = 0;
  bool gathered = false;
  std::vector<int> calls;
  std::vector<int> flags;
  std::vector<std::thread::id> threads;
  std::vector<int32_t> order;

  void Enter(int32_t band, int32_t report) {
    std::unique_lock<std::mutex> guard(lock);
    ++calls[size_t(band)];
    flags[size_t(band)] = report;
    threads.push_back(std::this_thread::get_id());
    order.push_back(band);
    ++running;
    maxRunning = std::max(maxRunning, running);
    if (gather > 0 && running >= gather) gathered = true;
    changed.notify_all();
    if (gather > 0) changed.wait_until(guard, Clock::now() + kPatience, [&] { return gathered; });
  }
  void Leave() {
    std::lock_guard<std::mutex> guard(lock);
    --running;
  }
  size_t DistinctThreads() {
    std::set<std::thread::id> ids(threads.begin(), threads.end());
    return ids.size();
  }
};

int32_t RecordingBand(void* data, int32_t band, int32_t, int32_t report) {
  auto* run = static_cast<BandLog*>(data);
  run->Enter(band, report);
  run->Leave();
  return 0;
}

TEST(WorkerPool, BandsRunAtOnceOnAtMostSixtyFourThreads) {
  const struct { int32_t processors, bands, threads; } cases[] = {{8, 4, 4}, {128, 100, 64}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.processors);
    TestFilter filter;
    filter.processors = c.processors;
    BandLog run(c.bands);
    run.gather = c.threads;
    EXPECT_EQ(filter.RunParallel(c.bands, &run, &RecordingBand), 0);
    EXPECT_TRUE(run.gathered);
    EXPECT_EQ(run.maxRunning, c.threads);
    EXPECT_EQ(run.DistinctThreads(), size_t(c.threads));
    EXPECT_EQ(pfWorkerPool::Instance().LastStartedWorkers(), c.threads - 1);
    for (int calls : run.calls) EXPECT_EQ(calls, 1);
    // Only the bands on the calling thread report progress.
    for (size_t i = 0; i < run.threads.size(); ++i) {
      const bool caller = run.threads[i] == std::this_thread::get_id();
      EXPECT_EQ(run.flags[size_t(run.order[i])], caller ? 1 : 0);
    }
  }
}

// The calling thread's band fails once the workers are running; they wait for the failure, so
// that the run cannot finish first.
struct FailingRun {
  std::atomic<int> started{0};
  std::atomic<int> finished{0};
  std::atomic<bool> callerFailed{false};

  static void WaitFor(const std::atomic<bool>& flag) {
    const auto deadline = Clock::now() + kPatience;
    while (!flag && Clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
};

int32_t FailingBand(void* data, int32_t, int32_t, int32_t report) {
  auto* run = static_cast<FailingRun*>(data);
  ++run->started;
  int32_t result = 0;
  if (report == 1) {
    result = -128;
    run->callerFailed = true;
  } else {
    FailingRun::WaitFor(run->callerFailed);
  }
  ++run->finished;
  return result;
}

TEST(WorkerPool, FailingBandStopsTheRunAndItsCodeIsReturned) {
  TestFilter filter;
  filter.processors = 4;
  FailingRun run;
  EXPECT_EQ(filter.RunParallel(1000, &run, &FailingBand), -128);
  // The bands already running finished before the call returned; no more were handed out.
  EXPECT_EQ(run.started.load(), run.finished.load());
  EXPECT_LT(run.started, 100);
  // A new run forgets the last run's failure.
  BandLog again(100);
  EXPECT_EQ(filter.RunParallel(100, &again, &RecordingBand), 0);
  for (int c : again.calls) EXPECT_EQ(c, 1);
}

// Worker bands allocate while the calling thread reports progress: the filter's lock keeps the
// host's suite single-threaded.
struct AllocatingRun {
  pfFilter* filter;
  std::atomic<bool> callerStarted{false};
};

int32_t AllocatingBand(void* data, int32_t band, int32_t bandCount, int32_t report) {
  auto* run = static_cast<AllocatingRun*>(data);
  // Workers wait for the calling thread, so that both really run at the same time.
  if (report) {
    run->callerStarted = true;
  } else {
    FailingRun::WaitFor(run->callerStarted);
  }
  for (int i = 0; i < 50; ++i) {
    void* block = run->filter->AllocateMemory(size_t(64 + band));
    if (block == nullptr) return run->filter->OutOfMemoryError();
    static_cast<char*>(block)[0] = char(i);
    if (report) run->filter->ReportProgress(band, bandCount);
    run->filter->FreeMemory(block);
  }
  return run->filter->NoError();
}

TEST(WorkerPool, HostServicesAreSerialisedForWorkerBands) {
  PluginTestHost host;
  TestFilter filter;
  filter.processors = 4;
  filter.Dispatch(filterSelectorContinue, &host.Record());
  AllocatingRun run;
  run.filter = &filter;
  EXPECT_EQ(filter.RunParallel(40, &run, &AllocatingBand), 0);
  EXPECT_EQ(host.Buffers().AllocationCount(), 40 * 50);
  EXPECT_EQ(host.Buffers().LiveCount(), 0u);
  EXPECT_TRUE(filter.GetHostBlocks().empty());
  EXPECT_FALSE(host.progress.empty());
}

}  // namespace
