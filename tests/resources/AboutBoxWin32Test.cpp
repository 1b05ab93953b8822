// The about box: the text in its control, closed by its button.
#include <gtest/gtest.h>

#include "tests/support/DialogWatchdogWin32.h"
#include "ui/pfPreviewWin32.h"

namespace {

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

}  // namespace
