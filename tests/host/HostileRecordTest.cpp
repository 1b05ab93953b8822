// A hostile or broken host's filter record through the plug-in's entry point, for every selector
// of a filtering: missing suites and callbacks (but advanceState and progress: SelectorTest),
// missing buffers after advanceState, empty and one-pixel images, absurd sizes, row strides and
// plane counts, an unknown depth, a record of an older host that ends earlier. Each ends in a clean
// result code (the sanitizer build checks that nothing is read or written outside what the host
// handed over).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>

#include "plugin/EntryPoint.h"
#if defined(_WIN32)
#include "tests/support/DialogWatchdogWin32.h"
#endif
#include "tools/ReferenceHost.h"

namespace {

using Change = std::function<void(FilterRecord&)>;
Change beforeAdvance, afterAdvance;  // applied around the host's own advanceState
ReferenceHost* current = nullptr;

OSErr Advance() {
  if (beforeAdvance) beforeAdvance(current->Record());
  const OSErr e = current->AdvanceState();
  if (afterAdvance) afterAdvance(current->Record());
  return e;
}

HostDocument Ramp(int32_t w, int32_t h) {
  HostDocument d;
  d.source = HostImage(w, h, 3, 1);
  d.colourPlanes = 3;
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      for (int32_t p = 0; p < 3; ++p) d.source.Set(x, y, p, uint16_t(255 * (x + y + p) / (w + h)));
    }
  }
  return d;
}

bool Untouched(const ReferenceHost& host, const HostDocument& d) {
  const HostImage& out = host.Destination();
  return std::memcmp(out.PixelAddress(0, 0), d.source.PixelAddress(0, 0),
                     size_t(out.Width()) * out.Height() * 3) == 0;
}

enum Image { kRendered, kUntouched, kEither };

TEST(HostileRecord, EverySelectorEndsInACleanResult) {
  const int16_t bad = filterBadParameters;
  const struct {
    const char* what;
    Change before, beforeAdv, afterAdv;
    int16_t result;
    Image image;
    int32_t size = 12;
  } cases[] = {
      {"no buffer suite", [](FilterRecord& r) { r.bufferProcs = nullptr; }, {}, {}, 0, kRendered},
      {"buffer suite of 4 routines",
       [](FilterRecord& r) { r.bufferProcs->numBufferProcs = 4; },
       {},
       {},
       0,
       kRendered},
      {"no allocate routine",
       [](FilterRecord& r) { r.bufferProcs->allocateProc = nullptr; },
       {},
       {},
       0,
       kRendered},
      {"no handle suite", [](FilterRecord& r) { r.handleProcs = nullptr; }, {}, {}, 0, kRendered},
      {"no scripting",
       [](FilterRecord& r) { r.descriptorParameters = nullptr; },
       {},
       {},
       0,
       kRendered},
      {"no descriptor reader",
       [](FilterRecord& r) { r.descriptorParameters->readDescriptorProcs = nullptr; },
       {},
       {},
       0,
       kRendered},
      {"no cancel callback", [](FilterRecord& r) { r.abortProc = nullptr; }, {}, {}, 0, kRendered},
      {"no input after advanceState",
       {},
       {},
       [](FilterRecord& r) { r.inData = nullptr; },
       bad,
       kUntouched},
      {"no output after advanceState",
       {},
       {},
       [](FilterRecord& r) { r.outData = nullptr; },
       bad,
       kUntouched},
      {"zero-size image",
       [](FilterRecord& r) {
         r.imageSize = {0, 0};
       },
       {},
       {},
       0,
       kUntouched},
      {"negative image size",
       [](FilterRecord& r) {
         r.imageSize = {-7, -5};
       },
       {},
       {},
       0,
       kUntouched},
      {"one-pixel image", {}, {}, {}, 0, kEither, 1},
      {"one-pixel rectangle",
       {},
       {},
       [](FilterRecord& r) {
         r.outRect = {3, 4, 4, 5};
       },
       0,
       kEither},
      {"input rows of one byte",
       {},
       {},
       [](FilterRecord& r) { r.inRowBytes = 1; },
       bad,
       kUntouched},
      {"zero output row stride",
       {},
       {},
       [](FilterRecord& r) { r.outRowBytes = 0; },
       bad,
       kUntouched},
      {"negative output row stride",
       {},
       {},
       [](FilterRecord& r) { r.outRowBytes = -r.outRowBytes; },
       bad,
       kUntouched},
      {"absurd output rectangle",
       {},
       {},
       [](FilterRecord& r) {
         r.outRect = {0, 0, 30000, 30000};
       },
       bad,
       kUntouched},
      {"planes 0",
       [](FilterRecord& r) { r.planes = r.inLayerPlanes = r.inNonLayerPlanes = 0; },
       {},
       {},
       paramErr,
       kUntouched},  // the host refuses the empty plane range
      {"planes 99", [](FilterRecord& r) { r.planes = 99; }, {}, {}, paramErr, kUntouched},
      {"planes 99, three delivered",
       [](FilterRecord& r) { r.planes = 99; },
       [](FilterRecord& r) { r.inHiPlane = r.outHiPlane = 2; },
       {},
       bad,
       kUntouched},
      {"depth 7", [](FilterRecord& r) { r.depth = 7; }, {}, {}, 0, kUntouched},
      {"CMYK mode",
       [](FilterRecord& r) { r.imageMode = plugInModeCMYKColor; },
       {},
       {},
       0,
       kUntouched},
  };
  for (const auto& c : cases) {
    const HostDocument document = Ramp(c.size, c.size * 2 / 3 + 1);
    ReferenceHost host(document);
    current = &host;
    host.SetPlayback(nullptr, plugInDialogSilent);
    FilterRecord& r = host.Record();
    r.advanceState = &Advance;
    beforeAdvance = c.beforeAdv;
    afterAdvance = c.afterAdv;
    if (c.before) c.before(r);
    EXPECT_EQ(host.Run(&ENTRYPOINT, true), c.result) << c.what;
    if (c.image != kEither) {
      EXPECT_EQ(Untouched(host, document), c.image == kUntouched) << c.what;
    }
    // A host may call these whatever happened before.
    EXPECT_EQ(host.CallSelector(&ENTRYPOINT, filterSelectorContinue), 0) << c.what;
    EXPECT_EQ(host.CallSelector(&ENTRYPOINT, filterSelectorFinish), 0) << c.what;
  }
  beforeAdvance = afterAdvance = {};

  // No record at all: start tells the user the host cannot run it (as without advanceState or
  // progress, which the selector tests cover).
#if defined(_WIN32)
  DialogWatchdogWin32 watchdog;  // answers the message box
#endif
  for (int16_t selector = filterSelectorParameters; selector <= filterSelectorFinish; ++selector) {
    int16_t result = 12345;
    intptr_t data = 0;
    ENTRYPOINT(selector, nullptr, &data, &result);
    EXPECT_EQ(result, selector == filterSelectorStart ? 1 : 0) << selector;
  }
}

// An older host's record ends after the fields of its generation (the 13.0-era record: 456 bytes
// on x86, 576 on x64), and the API gives a plug-in no way to ask for its length: the plug-in must
// neither read nor write past it. The record sits at the end of its own heap block here.
FilterRecord* oldRecord = nullptr;
constexpr size_t kOldRecordSize = sizeof(void*) == 4 ? 456 : 576;

OSErr AdvanceOldRecord() {
  std::memcpy(&current->Record(), oldRecord, kOldRecordSize);
  const OSErr e = current->AdvanceState();
  std::memcpy(oldRecord, &current->Record(), kOldRecordSize);
  return e;
}

TEST(HostileRecord, AnOlderHostsShorterRecord) {
  const HostDocument document = Ramp(12, 9);
  ReferenceHost host(document);
  current = &host;
  host.SetPlayback(nullptr, plugInDialogSilent);
  host.Record().advanceState = &AdvanceOldRecord;
  void* block = std::malloc(kOldRecordSize);
  ASSERT_NE(block, nullptr);
  std::memcpy(block, &host.Record(), kOldRecordSize);
  oldRecord = static_cast<FilterRecord*>(block);
  int64_t advances = 0;
  for (int16_t selector = filterSelectorParameters; selector <= filterSelectorFinish; ++selector) {
    int16_t result = 12345;
    intptr_t data = 0;
    ENTRYPOINT(selector, oldRecord, &data, &result);
    EXPECT_EQ(result, 0) << selector;
    if (selector == filterSelectorStart) advances = host.AdvanceStateCount();
  }
  EXPECT_EQ(advances, 1);  // the start selector rendered
  std::free(block);
}

}  // namespace
