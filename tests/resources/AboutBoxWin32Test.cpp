// The about box and the dialog watchdog that keeps modal windows from hanging the tests.
#include <gtest/gtest.h>

#include "tests/support/DialogWatchdogWin32.h"
#include "ui/pfPreviewWin32.h"

namespace {

TEST(DialogWatchdog, RecordsAndAnswersMessageBoxes) {
  DialogWatchdogWin32 watchdog;
  EXPECT_EQ(MessageBoxW(nullptr, L"first box", L"Caption One", MB_OK | MB_ICONERROR), IDOK);
  EXPECT_EQ(MessageBoxW(nullptr, L"second box", L"Caption Two", MB_OKCANCEL), IDOK);
  ASSERT_EQ(watchdog.Count(), 2u);
  std::vector<WatchedWindowWin32> windows = watchdog.Windows();
  EXPECT_EQ(windows[0].title, "Caption One");
  EXPECT_TRUE(windows[0].HasText("first box"));
  EXPECT_FALSE(windows[0].HasText("second box"));
  EXPECT_EQ(windows[1].title, "Caption Two");
  EXPECT_TRUE(windows[1].HasText("second box"));
}

TEST(DialogWatchdog, PressesTheButtonItIsToldTo) {
  DialogWatchdogWin32 watchdog(IDNO);
  EXPECT_EQ(MessageBoxW(nullptr, L"question", L"Ask", MB_YESNO), IDNO);
  EXPECT_TRUE(watchdog.WaitForCount(1, 1000));
}

TEST(AboutBox, ShowsTheTextInControl1083AndReturnsWhenAnswered) {
  DialogWatchdogWin32 watchdog;
  pfPreviewWin32 preview;
  const std::string text = "Vorel \xC2\xBBQuenara\xC2\xAB v1.1.0\rA second line";
  preview.ShowAbout(text);
  ASSERT_EQ(watchdog.Count(), 1u);
  WatchedWindowWin32 box = watchdog.Windows()[0];
  EXPECT_EQ(box.title, "About");
  EXPECT_EQ(box.className, "#32770");  // a dialog
  EXPECT_EQ(box.ControlText(1083), text);
  EXPECT_EQ(box.ControlText(1), "OK");
  // The group box's identifier -1 is a 16-bit field in the template: the window gets 0xFFFF.
  EXPECT_EQ(box.ControlText(0xFFFF), "Quenara:");
}

TEST(AboutBox, EndsOnACloseRequest) {
  // No button with this identifier: the watchdog has to close the box with WM_CLOSE.
  DialogWatchdogWin32 watchdog(4242);
  pfPreviewWin32 preview;
  preview.ShowAbout("closing");
  EXPECT_EQ(watchdog.Count(), 1u);
}

}  // namespace
