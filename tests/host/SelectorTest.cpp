#include <gtest/gtest.h>

#include "params/pfParameterKinds.h"
#include "tests/host/TestFilter.h"
#include "tests/support/PluginTestHost.h"

#if defined(_WIN32)
#include "tests/support/DialogWatchdogWin32.h"
#endif

namespace {

void ExpectEmptyRects(const FilterRecord& r) {
  for (const Rect* rect : {&r.inRect, &r.outRect, &r.maskRect}) {
    EXPECT_EQ(rect->bottom - rect->top, 0);
    EXPECT_EQ(rect->right - rect->left, 0);
  }
}

// Rectangles that are not empty before the start selector.
void SetRects(FilterRecord& r) {
  r.inRect = Rect{1, 2, 3, 4};
  r.outRect = Rect{5, 6, 7, 8};
  r.maskRect = Rect{9, 10, 11, 12};
}

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
    PluginTestHost host;
    TestFilter filter;
    pfParameterFloat amount;
    amount.SetScriptKey(FourCC("AMNT"));
    amount.SetValue(0.625);
    filter.GetParameters().AddParameter(&amount);
    SetRects(host.Record());
    filter.recording->showResult = c.dialogResult;
    host.advanceResult = c.advanceResult;
    filter.renderResult = c.renderResult;
    EXPECT_EQ(filter.Dispatch(filterSelectorStart, &host.Record()), c.expected);
    EXPECT_EQ(filter.recording->showCalls, 1);
    EXPECT_EQ(host.advanceCalls, c.advanceCalls);
    EXPECT_EQ(filter.renderCalls, c.renderCalls);
    ExpectEmptyRects(host.Record());
    // Recorded whatever the outcome, a cancelled dialog included.
    HostDescriptor recorded;
    host.Descriptors().Load(host.Record().descriptorParameters->descriptor, recorded);
    ASSERT_EQ(recorded.items.size(), 1u);
    EXPECT_EQ(recorded.items[0].number, 0.625);
    if (c.expected == noErr) {
      EXPECT_EQ(host.Record().inputRate, 1 << 16);  // full-size request
      ASSERT_FALSE(host.progress.empty());
      EXPECT_EQ(host.progress.back(), std::make_pair(0, 1));
    }
  }
}

TEST(StartSelector, MissingCallbacksAnswerOneAfterTellingTheUser) {
  for (int missing = 0; missing < 2; ++missing) {
    PluginTestHost host;
    TestFilter filter;
    SetRects(host.Record());
    if (missing == 0) host.Record().advanceState = nullptr;
    if (missing == 1) host.Record().progressProc = nullptr;
#if defined(_WIN32)
    DialogWatchdogWin32 watchdog;  // answers the modal message box
    const int16_t result = filter.Dispatch(filterSelectorStart, &host.Record());
    ASSERT_EQ(watchdog.Count(), 1u);
    const WatchedWindowWin32 box = watchdog.Windows()[0];
    EXPECT_EQ(box.title, "Quenara");
    EXPECT_EQ(box.ControlText(0xFFFF),
              "Sorry, but this Plug-In requires some functions\n which are not supported by this "
              "host.\n you need a photoshop 3.0+ compatible host to run this filter.");
#else
    testing::internal::CaptureStderr();
    const int16_t result = filter.Dispatch(filterSelectorStart, &host.Record());
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Quenara: Sorry, but this Plug-In requires some functions which are not supported "
              "by this host. you need a photoshop 3.0+ compatible host to run this filter.\n");
#endif
    EXPECT_EQ(result, 1);
    EXPECT_EQ(filter.recording->showCalls + filter.renderCalls + host.advanceCalls, 0);
    ExpectEmptyRects(host.Record());
  }
}

}  // namespace
