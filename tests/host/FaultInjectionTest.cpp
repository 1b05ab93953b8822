// Faults injected at every point of a render, one run per point: the host's buffer suite refusing
// its N-th allocation and the host's cancel from its N-th progress call, through the plug-in's
// entry point. Each must end in its result code with nothing leaked and no output committed.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>

#include "effect/QuenaraKeys.h"
#include "plugin/EntryPoint.h"
#include "tests/support/PluginTestHost.h"

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

}  // namespace
