#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "params/pfParameterFloat.h"
#include "plugin/EntryPoint.h"
#include "tests/host/FakeHost.h"
#include "tests/host/TestFilter.h"

#if defined(_WIN32)
#include "tests/support/DialogWatchdogWin32.h"
#endif

namespace {

void ExpectEmptyRects(const FilterRecord& r) {
  const Rect* rects[3] = {&r.inRect, &r.outRect, &r.maskRect};
  for (const Rect* rect : rects) {
    EXPECT_EQ(rect->top, 0);
    EXPECT_EQ(rect->left, 0);
    EXPECT_EQ(rect->bottom, 0);
    EXPECT_EQ(rect->right, 0);
  }
}

// A small image whose rectangles are not empty before the start selector.
void PrepareImage(FilterRecord& r) {
  r.imageSize.v = 20;
  r.imageSize.h = 30;
  r.planes = 3;
  r.inNonLayerPlanes = 3;
  r.inRect = Rect{1, 2, 3, 4};
  r.outRect = Rect{5, 6, 7, 8};
  r.maskRect = Rect{9, 10, 11, 12};
}

TEST(Selectors, OutsideTheProtocolAnswerMinusOneAndTouchNothing) {
  for (int16_t selector : {int16_t(6), int16_t(-1), int16_t(0x7F), int16_t(0x01FF), int16_t(0x0380),
                           int16_t(-32768 + 6)}) {
    FakeHost host;
    PrepareImage(host.record);
    TestFilter filter;
    FilterRecord before;
    std::memcpy(&before, &host.record, sizeof(before));
    EXPECT_EQ(filter.Dispatch(selector, &host.record), -1) << selector;
    EXPECT_EQ(std::memcmp(&before, &host.record, sizeof(before)), 0) << selector;
    EXPECT_EQ(filter.renderCalls, 0);
    EXPECT_EQ(filter.recording->showCalls, 0);
    EXPECT_EQ(filter.recording->aboutCalls, 0);
    EXPECT_EQ(host.advanceCalls, 0);
  }
}

TEST(Selectors, HighByteIsIgnored) {
  FakeHost host;
  TestFilter filter;
  PrepareImage(host.record);

  host.record.bufferSpace = 777;
  EXPECT_EQ(filter.Dispatch(int16_t(0x0102), &host.record), 0);
  EXPECT_EQ(host.record.bufferSpace, 0);

  EXPECT_EQ(filter.Dispatch(int16_t(0x0100), &host.record), 0);
  EXPECT_EQ(filter.recording->aboutCalls, 1);

  EXPECT_EQ(filter.Dispatch(int16_t(0x0103), &host.record), 0);
  EXPECT_EQ(filter.renderCalls, 1);
  ExpectEmptyRects(host.record);

  EXPECT_EQ(filter.Dispatch(int16_t(0x7F04), &host.record), 0);
  EXPECT_EQ(filter.Dispatch(int16_t(0xFF05 - 0x10000), &host.record), 0);
  EXPECT_EQ(filter.renderCalls, 1);  // continue and finish do no work
}

TEST(Selectors, PrepareAsksForNoBufferSpace) {
  FakeHost host;
  TestFilter filter;
  host.record.imageSize = Point{30000, 30000};
  host.record.bufferSpace = 1 << 30;
  host.record.maxSpace = 1 << 30;
  EXPECT_EQ(filter.Dispatch(filterSelectorPrepare, &host.record), 0);
  EXPECT_EQ(host.record.bufferSpace, 0);
  EXPECT_EQ(host.record.maxSpace, 0);
}

TEST(Selectors, AboutTextStartsWithNameAndVersion) {
  TestFilter filter;
  // The host passes its about block here; the handler must not need a FilterRecord.
  EXPECT_EQ(filter.Dispatch(filterSelectorAbout, nullptr), 0);
  ASSERT_EQ(filter.recording->aboutCalls, 1);
  const std::string& text = filter.recording->aboutText;
  const size_t cr = text.find('\r');
  ASSERT_NE(cr, std::string::npos);
  EXPECT_EQ(text.substr(0, cr), "Vorel »Quenara« v1.1.0");
  // The body: the description line, the maker's line, each ending in a newline.
  const std::string body = text.substr(cr + 1);
  EXPECT_EQ(body.rfind("Gererates a Quenara using selected footage.\n", 0), 0u);
  EXPECT_EQ(std::count(body.begin(), body.end(), '\n'), 2);
  EXPECT_EQ(body.back(), '\n');
}

TEST(Selectors, ParametersSelectorValidatesWithoutDialog) {
  FakeHost host;
  TestFilter filter;
  pfParameterFloat amount;
  amount.SetName("Amount");
  amount.SetMin(0.0, true);
  amount.SetMax(1.0, true);
  amount.SetValue(3.5);
  filter.GetParameters().AddParameter(&amount);
  EXPECT_EQ(filter.Dispatch(filterSelectorParameters, &host.record), 0);
  EXPECT_EQ(amount.GetValue(), 1.0);
  EXPECT_EQ(filter.recording->showCalls, 0);
}

// ---- start selector outcomes -------------------------------------------------------------

TEST(StartSelector, OutcomesAndWhatRanBeforeThem) {
  const struct {
    const char* what;
    bool dialogResult;
    OSErr advanceResult;
    int16_t renderResult, expected;
    int advanceCalls, renderCalls;
  } cases[] = {
      {"success", true, noErr, noErr, noErr, 1, 1},
      {"render failure is returned unchanged", true, noErr, memFullErr, memFullErr, 1, 1},
      {"advanceState failure skips the render", true, paramErr, noErr, paramErr, 1, 0},
      {"cancelled dialog renders nothing", false, noErr, noErr, userCanceledErr, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FakeHost host;
    TestFilter filter;
    PrepareImage(host.record);
    filter.recording->showResult = c.dialogResult;
    host.advanceResult = c.advanceResult;
    filter.renderResult = c.renderResult;
    EXPECT_EQ(filter.Dispatch(filterSelectorStart, &host.record), c.expected);
    EXPECT_EQ(filter.recording->showCalls, 1);
    EXPECT_EQ(host.advanceCalls, c.advanceCalls);
    EXPECT_EQ(filter.renderCalls, c.renderCalls);
    ExpectEmptyRects(host.record);
    if (c.expected == noErr) {
      EXPECT_EQ(host.record.inputRate, 1 << 16);  // full-size request
      ASSERT_FALSE(host.progress.empty());
      EXPECT_EQ(host.progress.back(), std::make_pair(0, 1));
    }
  }
}

TEST(StartSelector, MissingCallbacksAnswerOneAfterTellingTheUser) {
  for (int missing = 0; missing < 2; ++missing) {
    FakeHost host;
    TestFilter filter;
    PrepareImage(host.record);
    if (missing == 0) host.record.advanceState = nullptr;
    if (missing == 1) host.record.progressProc = nullptr;
#if defined(_WIN32)
    DialogWatchdogWin32 watchdog;  // answers the modal message box
    const int16_t result = filter.Dispatch(filterSelectorStart, &host.record);
    ASSERT_EQ(watchdog.Count(), 1u);
    const WatchedWindowWin32 box = watchdog.Windows()[0];
    EXPECT_EQ(box.title, "Quenara");
    EXPECT_TRUE(box.HasText("Sorry, but this Plug-In requires some functions"));
    EXPECT_TRUE(box.HasText("you need a photoshop 3.0+ compatible host to run this filter."));
#else
    testing::internal::CaptureStderr();
    const int16_t result = filter.Dispatch(filterSelectorStart, &host.record);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said,
              "Quenara: Sorry, but this Plug-In requires some functions which are not supported "
              "by this host. you need a photoshop 3.0+ compatible host to run this filter.\n");
#endif
    EXPECT_EQ(result, 1);
    EXPECT_EQ(filter.recording->showCalls, 0);
    EXPECT_EQ(filter.renderCalls, 0);
    EXPECT_EQ(host.advanceCalls, 0);
    ExpectEmptyRects(host.record);
  }
}

// A host's scripting suites that accept everything and record the floats put into a new
// descriptor. Every routine must be present for the plug-in to use the suites.
template <class F>
struct StubOf;
template <class R, class... A>
struct StubOf<R (*)(A...)> {
  static R Call(A...) { return R{}; }
};
template <class F>
void Stub(F& routine) {
  routine = &StubOf<F>::Call;
}

struct FakeScripting {
  FakeScripting(FilterRecord& record, int16_t playInfo) {
    current = this;
    parameters.descriptorParametersVersion = 0;
    parameters.playInfo = playInfo;
    parameters.readDescriptorProcs = &read;
    parameters.writeDescriptorProcs = &write;
    read.readDescriptorProcsVersion = 0;
    read.numReadDescriptorProcs = 18;
    Stub(read.closeReadDescriptorProc), Stub(read.getKeyProc), Stub(read.getIntegerProc);
    Stub(read.getFloatProc), Stub(read.getUnitFloatProc), Stub(read.getBooleanProc);
    Stub(read.getTextProc), Stub(read.getAliasProc), Stub(read.getEnumeratedProc);
    Stub(read.getClassProc), Stub(read.getSimpleReferenceProc), Stub(read.getObjectProc);
    Stub(read.getCountProc), Stub(read.getStringProc), Stub(read.getPinnedIntegerProc);
    Stub(read.getPinnedFloatProc), Stub(read.getPinnedUnitFloatProc);
    read.openReadDescriptorProc = [](PIDescriptorHandle, DescriptorKeyID*) {
      return reinterpret_cast<PIReadDescriptor>(&current->read);
    };
    write.writeDescriptorProcsVersion = 0;
    write.numWriteDescriptorProcs = 16;
    Stub(write.putIntegerProc), Stub(write.putUnitFloatProc), Stub(write.putBooleanProc);
    Stub(write.putTextProc), Stub(write.putAliasProc), Stub(write.putEnumeratedProc);
    Stub(write.putClassProc), Stub(write.putSimpleReferenceProc), Stub(write.putObjectProc);
    Stub(write.putCountProc), Stub(write.putStringProc), Stub(write.putScopedClassProc);
    Stub(write.putScopedObjectProc);
    write.openWriteDescriptorProc = [] {
      ++current->opened;
      return reinterpret_cast<PIWriteDescriptor>(&current->write);
    };
    write.putFloatProc = [](PIWriteDescriptor, DescriptorKeyID key, const double* value) {
      current->floats.emplace_back(key, *value);
      return OSErr(noErr);
    };
    write.closeWriteDescriptorProc = [](PIWriteDescriptor, PIDescriptorHandle* handle) {
      ++current->closed;
      *handle = nullptr;
      return OSErr(noErr);
    };
    record.descriptorParameters = &parameters;
  }

  PIDescriptorParameters parameters = {};
  ReadDescriptorProcs read = {};
  WriteDescriptorProcs write = {};
  int opened = 0;
  int closed = 0;
  std::vector<std::pair<DescriptorKeyID, double>> floats;
  static inline FakeScripting* current = nullptr;
};

TEST(StartSelector, CancelledDialogStillRecordsTheParameters) {
  FakeHost host;
  PrepareImage(host.record);
  FakeScripting scripting(host.record, plugInDialogDisplay);
  TestFilter filter;
  pfParameterFloat amount;
  amount.SetScriptKey(FourCC("AMNT"));
  amount.SetValue(0.625);
  filter.GetParameters().AddParameter(&amount);
  filter.recording->showResult = false;

  EXPECT_EQ(filter.Dispatch(filterSelectorStart, &host.record), userCanceledErr);
  EXPECT_EQ(filter.recording->showCalls, 1);
  EXPECT_EQ(scripting.opened, 1);
  EXPECT_EQ(scripting.closed, 1);
  ASSERT_EQ(scripting.floats.size(), 1u);
  EXPECT_EQ(scripting.floats[0].first, 0x414D4E54u);
  EXPECT_EQ(scripting.floats[0].second, 0.625);
  EXPECT_EQ(filter.renderCalls, 0);
}

TEST(StartSelector, ReplayWithoutDialogRendersAtOnce) {
  FakeHost host;
  PrepareImage(host.record);
  FakeScripting scripting(host.record, plugInDialogDontDisplay);
  TestFilter filter;
  EXPECT_EQ(filter.Dispatch(filterSelectorStart, &host.record), noErr);
  EXPECT_EQ(filter.recording->showCalls, 0);
  EXPECT_EQ(filter.renderCalls, 1);
  EXPECT_EQ(scripting.closed, 1);
}

// ---- through the exported entry point ------------------------------------------------------

int16_t CallEntry(int16_t selector, FilterRecord* record) {
  int16_t result = 12345;
  intptr_t data = 0;
  ENTRYPOINT(selector, record, &data, &result);
  EXPECT_EQ(data, 0);  // the data word is never used
  return result;
}

TEST(EntryPoint, DispatchesOnTheLowByte) {
  FakeHost host;
  EXPECT_EQ(CallEntry(6, &host.record), -1);
  EXPECT_EQ(CallEntry(-1, &host.record), -1);
  host.record.maxSpace = 99;
  EXPECT_EQ(CallEntry(int16_t(0x0202), &host.record), 0);
  EXPECT_EQ(host.record.maxSpace, 0);
  EXPECT_EQ(CallEntry(filterSelectorContinue, &host.record), 0);
  EXPECT_EQ(CallEntry(filterSelectorFinish, &host.record), 0);
}

}  // namespace
