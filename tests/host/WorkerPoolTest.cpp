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

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kPatience = std::chrono::seconds(20);

// What the bands of one run saw. Bands may block until `gather` of them run at once, which
// proves how many threads work without timing assumptions.
struct BandLog {
  struct Entry {
    int32_t band, report;
    std::thread::id thread;
  };
  std::mutex lock;
  std::condition_variable changed;
  int32_t gather = 0, running = 0, maxRunning = 0;
  bool gathered = false;
  std::vector<Entry> entries;

  void Enter(int32_t band, int32_t report) {
    std::unique_lock<std::mutex> guard(lock);
    entries.push_back({band, report, std::this_thread::get_id()});
    maxRunning = std::max(maxRunning, ++running);
    if (gather > 0 && running >= gather) gathered = true;
    changed.notify_all();
    if (gather > 0) changed.wait_until(guard, Clock::now() + kPatience, [&] { return gathered; });
    --running;
  }
  // Every band of 0..n-1 ran exactly once.
  void ExpectEveryBandOnce(int32_t n) const {
    std::vector<int32_t> bands, expected;
    for (const Entry& e : entries) bands.push_back(e.band);
    std::sort(bands.begin(), bands.end());
    for (int32_t i = 0; i < n; ++i) expected.push_back(i);
    EXPECT_EQ(bands, expected);
  }
};

int32_t RecordingBand(void* data, int32_t band, int32_t, int32_t report) {
  static_cast<BandLog*>(data)->Enter(band, report);
  return 0;
}

TEST(WorkerPool, BandsRunAtOnceOnAtMostSixtyFourThreads) {
  const struct { int32_t processors, bands, threads; } cases[] = {{8, 4, 4}, {128, 100, 64}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.processors);
    TestFilter filter;
    filter.processors = c.processors;
    BandLog run;
    run.gather = c.threads;
    EXPECT_EQ(filter.RunParallel(c.bands, &run, &RecordingBand), 0);
    EXPECT_TRUE(run.gathered);
    EXPECT_EQ(run.maxRunning, c.threads);
    EXPECT_EQ(pfWorkerPool::Instance().LastStartedWorkers(), c.threads - 1);
    run.ExpectEveryBandOnce(c.bands);
    std::set<std::thread::id> threads;
    for (const BandLog::Entry& e : run.entries) {
      threads.insert(e.thread);
      // Only the bands on the calling thread report progress.
      EXPECT_EQ(e.report, e.thread == std::this_thread::get_id() ? 1 : 0);
    }
    EXPECT_EQ(threads.size(), size_t(c.threads));
  }
}

// The calling thread's band fails once the workers are running; they wait for the failure, so
// that the run cannot finish first.
struct FailingRun {
  std::atomic<int> started{0};
  std::atomic<int> finished{0};
  std::atomic<bool> callerFailed{false};
};

int32_t FailingBand(void* data, int32_t, int32_t, int32_t report) {
  auto* run = static_cast<FailingRun*>(data);
  ++run->started;
  int32_t result = 0;
  if (report == 1) {
    result = -128;
    run->callerFailed = true;
  } else {
    const auto deadline = Clock::now() + kPatience;
    while (!run->callerFailed && Clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
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
  BandLog again;
  EXPECT_EQ(filter.RunParallel(100, &again, &RecordingBand), 0);
  again.ExpectEveryBandOnce(100);
}

}  // namespace
