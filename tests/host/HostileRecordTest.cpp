// A hostile or broken host's filter record through the plug-in's entry point, for every selector
// of a filtering: missing suites and callbacks (but advanceState and progress: SelectorTest),
// missing buffers after advanceState, empty and one-pixel images, absurd sizes, row strides and
// plane counts, an unknown depth, a record of an older host that ends earlier. Each ends in a clean
// result code (the sanitizer build checks that nothing is read or written outside what the host
// handed over).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "plugin/EntryPoint.h"
#if defined(_WIN32)
#include "tests/support/DialogWatchdogWin32.h"
#endif
#include "tests/support/PluginTestHost.h"

namespace {

using Change = void (*)(FilterRecord&);
enum When { kAtSetUp, kAfterAdvance };  // to the record as set up, or as advanceState left it
enum Image { kRendered, kUntouched, kEither };
ReferenceHost* current = nullptr;
Change afterAdvance = nullptr;

OSErr Advance() {
  const OSErr e = current->AdvanceState();
  if (afterAdvance != nullptr) afterAdvance(current->Record());
  return e;
}

Rect Box(int16_t top, int16_t left, int16_t bottom, int16_t right) {
  return {top, left, bottom, right};
}

HostDocument Ramp(int32_t w, int32_t h) {
  return TestDocument(w, h, 3, false, 1,
                      [w](int32_t x, int32_t y, int32_t p) { return (y * w + x) * 3 + p; });
}

TEST(HostileRecord, EverySelectorEndsInACleanResult) {
  const int16_t bad = filterBadParameters;
  const struct {
    const char* what;
    When when;
    int16_t result;
    Image image;
    Change change;
    int32_t size = 12;
  } cases[] = {
    {"no buffer suite", kAtSetUp, 0, kRendered, [](FilterRecord& r) { r.bufferProcs = nullptr; }},
    {"4 buffer routines", kAtSetUp, 0, kRendered,
     [](FilterRecord& r) { r.bufferProcs->numBufferProcs = 4; }},
    {"no allocate", kAtSetUp, 0, kRendered,
     [](FilterRecord& r) { r.bufferProcs->allocateProc = nullptr; }},
    {"no handle suite", kAtSetUp, 0, kRendered, [](FilterRecord& r) { r.handleProcs = nullptr; }},
#if !defined(_WIN32)  // without scripting the dialog opens: on Windows a real one (test_ui)
    {"no scripting", kAtSetUp, 0, kRendered,
     [](FilterRecord& r) { r.descriptorParameters = nullptr; }},
    {"no descriptor reader", kAtSetUp, 0, kRendered,
     [](FilterRecord& r) { r.descriptorParameters->readDescriptorProcs = nullptr; }},
#endif
    {"no cancel callback", kAtSetUp, 0, kRendered, [](FilterRecord& r) { r.abortProc = nullptr; }},
    {"no input", kAfterAdvance, bad, kUntouched, [](FilterRecord& r) { r.inData = nullptr; }},
    {"no output", kAfterAdvance, bad, kUntouched, [](FilterRecord& r) { r.outData = nullptr; }},
    {"negative size", kAtSetUp, 0, kUntouched,
     [](FilterRecord& r) { r.imageSize.v = r.imageSize.h = -6; }},
    {"one-pixel image", kAtSetUp, 0, kEither, [](FilterRecord&) {}, 1},
    {"one-pixel rectangle", kAfterAdvance, 0, kEither,
     [](FilterRecord& r) { r.outRect = Box(3, 4, 4, 5); }},
    {"absurd rectangle", kAfterAdvance, bad, kUntouched,
     [](FilterRecord& r) { r.outRect = Box(0, 0, 30000, 30000); }},
    {"rows of one byte", kAfterAdvance, bad, kUntouched, [](FilterRecord& r) { r.inRowBytes = 1; }},
    {"negative row stride", kAfterAdvance, bad, kUntouched,
     [](FilterRecord& r) { r.outRowBytes = -r.outRowBytes; }},
    {"planes 99 (the host refuses)", kAtSetUp, paramErr, kUntouched,
     [](FilterRecord& r) { r.planes = 99; }},
    {"planes 99, three delivered", kAfterAdvance, bad, kUntouched,
     [](FilterRecord& r) { r.planes = 99; }},
    {"depth 7", kAtSetUp, 0, kUntouched, [](FilterRecord& r) { r.depth = 7; }},
  };
  for (const auto& c : cases) {
    const HostDocument document = Ramp(c.size, c.size * 2 / 3 + 1);
    ReferenceHost host(document);
    current = &host;
    host.SetPlayback(nullptr, plugInDialogSilent);
    host.Record().advanceState = &Advance;
    afterAdvance = c.when == kAfterAdvance ? c.change : nullptr;
    if (c.when == kAtSetUp) c.change(host.Record());
    EXPECT_EQ(host.Run(&ENTRYPOINT, true), c.result) << c.what;
    const HostImage& out = host.Destination();
    const bool untouched = std::memcmp(out.PixelAddress(0, 0), document.source.PixelAddress(0, 0),
                                       size_t(out.Width()) * out.Height() * 3) == 0;
    EXPECT_TRUE(c.image == kEither || untouched == (c.image == kUntouched)) << c.what;
    // A host may call these whatever happened before.
    EXPECT_EQ(host.CallSelector(&ENTRYPOINT, filterSelectorContinue), 0) << c.what;
    EXPECT_EQ(host.CallSelector(&ENTRYPOINT, filterSelectorFinish), 0) << c.what;
  }
  afterAdvance = nullptr;

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
