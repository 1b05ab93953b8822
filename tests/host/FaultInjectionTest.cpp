// Faults injected at every point of a whole operation, one run per point: the host's buffer
// suite refusing its N-th allocation and the host's cancel from its N-th progress call, through
// the plug-in's entry point, and the N-th allocation of the process failing inside a preset save
// or load. Each must end in its result code with nothing leaked and nothing half done: the host
// commits no output of a failed render, and a preset file is whole after a failed save.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <list>
#include <new>

#include "effect/QuenaraKeys.h"
#include "plugin/EntryPoint.h"
#include "tests/fuzz/FuzzParameters.h"
#include "tests/support/PluginTestHost.h"
#include "tests/support/TempDir.h"

namespace {
// Allocations of the process left before one fails with std::bad_alloc; -1: none fails.
std::atomic<int64_t> allocationsBeforeFailure{-1};
}  // namespace

// Every plain, array and non-throwing form is replaced, so that all of them pair malloc with
// free (the sanitizer checks the pairs), which GCC's own check cannot see through once inlined.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void* operator new(std::size_t size) {
  if (allocationsBeforeFailure.load() >= 0 && allocationsBeforeFailure.fetch_sub(1) == 0) {
    throw std::bad_alloc();
  }
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return operator new(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t& t) noexcept {
  return operator new(size, t);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

// A ramp over every sample, so that the default streaks change every layout; the selection
// covers the left half.
HostDocument Document(int32_t colourPlanes, bool alpha, int32_t bytes, bool mask) {
  const int32_t planes = colourPlanes + (alpha ? 1 : 0), step = bytes == 1 ? 1 : 21;
  HostDocument d = TestDocument(
      24, 16, colourPlanes, alpha, bytes,
      [&](int32_t x, int32_t y, int32_t p) { return ((y * 24 + x) * planes + p) * step; });
  const int32_t full = bytes == 1 ? 255 : 32768;
  if (mask) {
    d.mask = TestDocument(24, 16, 1, false, bytes, [&](int32_t x, int32_t, int32_t) {
               return x < 12 ? full : 0;
             }).source;
  }
  return d;
}

struct Outcome {
  int16_t result;
  int64_t allocations;
  size_t live;
  std::vector<std::pair<int32_t, int32_t>> progress;
  bool untouched;  // the host's destination is still the source
};

// One silent render (origin, strength and display mode played back as a recorded action would).
Outcome Render(const HostDocument& document, int32_t show, int64_t failAllocation,
               int64_t cancelAtProgress) {
  ReferenceHost host(document);
  HostDescriptor values;
  values.PutFloat(QuenaraKeys::OriginX, 0.3);
  values.PutFloat(QuenaraKeys::OriginY, 0.6);
  values.PutFloat(QuenaraKeys::Strength, 0.5);
  values.PutInteger(QuenaraKeys::SelectionShow, show);
  host.SetPlayback(&values, plugInDialogSilent);
  host.Buffers().FailAllocationAt(failAllocation);
  std::atomic<bool> cancel{false};
  host.SetCancelFlag(&cancel);
  Outcome o{};
  host.SetProgressObserver([&](int32_t done, int32_t total) {
    if (int64_t(o.progress.size()) == cancelAtProgress) cancel = true;
    o.progress.emplace_back(done, total);
  });
  o.result = host.Run(&ENTRYPOINT, false);
  o.allocations = host.Buffers().AllocationCount();
  o.live = host.Buffers().LiveCount();
  const HostImage& a = host.Destination();
  o.untouched = std::memcmp(a.PixelAddress(0, 0), document.source.PixelAddress(0, 0),
                            size_t(a.Width()) * a.Height() * a.Planes() * a.BytesPerSample()) == 0;
  return o;
}

// Every display mode's path (the image, the selection, the strength map) on the masked document.
TEST(FaultInjection, EveryAllocationFailureAndEveryCancelOfARender) {
  const HostDocument rgb = Document(3, false, 1, false), grey = Document(1, true, 2, true);
  const std::pair<const HostDocument*, int32_t> runs[] = {
      {&rgb, 1}, {&grey, 1}, {&grey, 2}, {&grey, 4}};
  for (const auto& [document, show] : runs) {
    SCOPED_TRACE(testing::Message() << "planes " << document->source.Planes() << " show " << show);
    const Outcome clean = Render(*document, show, -1, -1);
    ASSERT_EQ(clean.result, noErr);
    ASSERT_FALSE(clean.untouched);
    EXPECT_EQ(clean.live, 0u);
    ASSERT_GT(clean.allocations, 1);
    // Worker bands allocate in any order, so the counts of a run are not fixed: go on until a
    // run makes fewer allocations (or progress calls) than the injected one's index.
    int64_t n = 0;
    for (Outcome o; (o = Render(*document, show, n, -1)).allocations > n; ++n) {
      EXPECT_EQ(o.result, memFullErr) << "allocation " << n;
      EXPECT_EQ(o.live, 0u) << "allocation " << n;
      EXPECT_TRUE(o.untouched) << "allocation " << n;
    }
    EXPECT_GT(n, 1);
    for (n = 0;; ++n) {
      const Outcome o = Render(*document, show, -1, n);
      if (int64_t(o.progress.size()) <= n) break;
      // The report that closes the render (0 of 1) comes after the work: too late to cancel.
      const bool closing = size_t(n) + 1 == o.progress.size() && o.progress.back().first == 0;
      EXPECT_EQ(o.result, closing ? noErr : userCanceledErr) << "progress call " << n;
      EXPECT_EQ(o.untouched, !closing) << "progress call " << n;
      EXPECT_EQ(o.live, 0u) << "progress call " << n;
    }
    EXPECT_GT(n, 2);
  }
}

// A preset save or load that runs out of memory at any allocation throws std::bad_alloc (the
// entry point answers -108, the reference host says "out of memory"): the file is as before and
// no temporary file stays.
TEST(FaultInjection, EveryAllocationFailureOfAPresetSaveAndLoad) {
  TempDir dir;
  const std::string path = dir.Path("presets.cfg");
  FuzzParameters p;
  pfParameterFloat& strength = p.strength;
  pfParameterList& mode = p.mode;
  pfParameters& all = p.all;
  strength.SetValue(0.75);
  mode.SetValue(2);
  ASSERT_TRUE(all.SaveSettings("first", path, "Quenara"));
  for (const bool save : {true, false}) {
    const std::string before = ReadFileForTest(path);
    int64_t n = 0;
    for (;; ++n) {
      SCOPED_TRACE(testing::Message() << (save ? "save" : "load") << " allocation " << n);
      strength.SetValue(0.25);
      mode.SetValue(1);
      bool ok = false, threw = false;
      allocationsBeforeFailure = n;
      try {
        ok = save ? all.SaveSettings("second", path, "Quenara")
                  : all.LoadSettings("first", path, nullptr);
      } catch (const std::bad_alloc&) {
        threw = true;
      }
      const bool injected = allocationsBeforeFailure.exchange(-1) < 0;
      EXPECT_EQ(ok, !injected && !threw);
      if (!injected) break;
      EXPECT_EQ(strength.GetValue(), 0.25);  // nothing applied
      EXPECT_EQ(ReadFileForTest(path), before);
      EXPECT_FALSE(std::filesystem::exists(path + "tmp"));
    }
    EXPECT_GT(n, 3);
  }
  // Once nothing failed, the save went in and the load applied its preset.
  std::list<std::string> names;
  EXPECT_TRUE(all.GetSettingNames(path, names, "Quenara"));
  EXPECT_EQ(names, (std::list<std::string>{"first", "second"}));
  EXPECT_EQ(strength.GetValue(), 0.75);
  EXPECT_EQ(mode.GetValue(), 2);
}

}  // namespace
