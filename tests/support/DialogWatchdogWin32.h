// Test helper for code that opens modal windows (message boxes, the about box) on the test's
// thread: while an object of this class lives, a thread timer, which the modal loop dispatches,
// records every new visible window of the thread (class, title, the texts of its controls) and
// closes it with its OK button, else its Cancel button, else WM_CLOSE. A test can then assert what
// was shown, and a modal loop can never hang the test run. QUENARA_WATCHDOG_HOLD_MS in the
// environment keeps each window up that long before closing it (for screenshots).
#pragma once

#include <windows.h>

#include <cstdlib>
#include <map>
#include <string>
#include <utility>
#include <vector>

struct WatchedWindowWin32 {
  std::string className;
  std::string title;
  std::vector<std::pair<int, std::string>> controls;  // identifier and text, in z-order

  // The text of the first control with this identifier ("" when there is none).
  std::string ControlText(int id) const {
    for (const auto& [controlId, text] : controls)
      if (controlId == id) return text;
    return std::string();
  }
};

class DialogWatchdogWin32 {
 public:
  DialogWatchdogWin32() {
    if (const char* hold = std::getenv("QUENARA_WATCHDOG_HOLD_MS")) holdMs = DWORD(std::atoi(hold));
    for (HWND window : List(nullptr)) shown[window] = 0;  // not ours: never closed
    active = this;
    timer = SetTimer(nullptr, 0, 20, Tick);
  }
  ~DialogWatchdogWin32() {
    KillTimer(nullptr, timer);
    active = nullptr;
  }
  DialogWatchdogWin32(const DialogWatchdogWin32&) = delete;
  DialogWatchdogWin32& operator=(const DialogWatchdogWin32&) = delete;

  size_t Count() const { return seen.size(); }
  const std::vector<WatchedWindowWin32>& Windows() const { return seen; }

 private:
  static BOOL CALLBACK Collect(HWND window, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
  }
  // The thread's top-level windows (parent null) or the child windows of parent.
  static std::vector<HWND> List(HWND parent) {
    std::vector<HWND> list;
    if (parent == nullptr) {
      EnumThreadWindows(GetCurrentThreadId(), Collect, LPARAM(&list));
    } else {
      EnumChildWindows(parent, Collect, LPARAM(&list));
    }
    return list;
  }
  static std::string Text(HWND window) {
    wchar_t wide[1024] = {};
    const int n = GetWindowTextW(window, wide, 1024);
    char text[4096] = {};
    WideCharToMultiByte(CP_UTF8, 0, wide, n, text, sizeof(text) - 1, nullptr, nullptr);
    return text;
  }

  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    DialogWatchdogWin32* self = active;
    if (self == nullptr) return;
    // Closed windows are forgotten: a handle value can come back for a new window.
    for (auto it = self->shown.begin(); it != self->shown.end();)
      it = IsWindow(it->first) ? ++it : self->shown.erase(it);
    for (HWND window : List(nullptr)) {
      if (!IsWindowVisible(window)) continue;
      const auto [at, added] = self->shown.emplace(window, GetTickCount());
      if (added) {
        char name[256] = {};
        GetClassNameA(window, name, sizeof(name));
        WatchedWindowWin32 record{name, Text(window), {}};
        int close = 0;
        for (HWND child : List(window)) {
          const int id = GetDlgCtrlID(child);
          record.controls.emplace_back(id, Text(child));
          if (id == IDOK || (id == IDCANCEL && close != IDOK)) close = id;
        }
        self->seen.push_back(std::move(record));
        self->closeWith[window] = close;
      }
      if (at->second == 0 || GetTickCount() - at->second < self->holdMs) continue;
      // Posted: the modal loop closes its window after this callback has returned.
      const int close = self->closeWith[window];
      if (close != 0) {
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(close, BN_CLICKED),
                     LPARAM(GetDlgItem(window, close)));
      } else {
        PostMessageW(window, WM_CLOSE, 0, 0);
      }
    }
  }

  static inline DialogWatchdogWin32* active = nullptr;
  UINT_PTR timer = 0;
  DWORD holdMs = 0;
  std::map<HWND, DWORD> shown;    // visible windows and when they were first seen (0: before us)
  std::map<HWND, int> closeWith;  // the button that closes a recorded window (0: WM_CLOSE)
  std::vector<WatchedWindowWin32> seen;
};
