// Test helper for code that opens modal windows (message boxes, the about box): while an object
// of this class lives, a background thread finds every new visible top-level window of the
// test process, records its class, title and the texts of its controls, and closes it. A test
// can then assert what was shown, and a modal loop can never hang the test run.
//
//   DialogWatchdogWin32 watchdog;
//   CodeThatShowsAMessageBox();
//   ASSERT_EQ(watchdog.Count(), 1u);
//   EXPECT_TRUE(watchdog.Windows()[0].HasText("advanceState"));
//
// Closing: the watchdog clicks the button with the answer identifier (IDOK unless told
// otherwise), else the IDCANCEL button, else it posts WM_CLOSE.
// QUENARA_WATCHDOG_HOLD_MS in the environment keeps each window up that long before closing it
// (for screenshots of the test display).
#pragma once

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

struct WatchedWindowWin32 {
  std::string className;
  std::string title;
  std::vector<std::pair<int, std::string>> controls;  // identifier and text, in z-order

  // The text of the first control with this identifier ("" when there is none).
  std::string ControlText(int id) const;
  // Whether the title or any control text contains the fragment.
  bool HasText(const std::string& fragment) const;
};

class DialogWatchdogWin32 {
 public:
  explicit DialogWatchdogWin32(int answer = IDOK);
  ~DialogWatchdogWin32();
  DialogWatchdogWin32(const DialogWatchdogWin32&) = delete;
  DialogWatchdogWin32& operator=(const DialogWatchdogWin32&) = delete;

  size_t Count() const;
  std::vector<WatchedWindowWin32> Windows() const;
  // Waits until at least n windows were seen; false on timeout.
  bool WaitForCount(size_t n, unsigned timeoutMilliseconds) const;

 private:
  void Run();
  void Sweep();
  void Handle(HWND window);

  const int answer;
  unsigned holdMilliseconds = 0;
  std::set<HWND> present;  // windows that existed before the watchdog started
  std::set<HWND> handled;  // windows recorded and told to close, until they are gone
  mutable std::mutex mutex;
  mutable std::condition_variable changed;
  std::vector<WatchedWindowWin32> seen;
  std::atomic<bool> stop{false};
  std::thread thread;
};
