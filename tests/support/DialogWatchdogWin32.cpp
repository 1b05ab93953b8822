#include "tests/support/DialogWatchdogWin32.h"

#include <chrono>
#include <cstdlib>

namespace {

// Polling is cheap and a modal box is not in a hurry; 20 ms keeps tests quick.
constexpr auto kPollInterval = std::chrono::milliseconds(20);
// Reading a window's text sends it a message; a window whose thread does not answer within
// this time is treated as having no text rather than blocking the watchdog.
constexpr UINT kTextTimeoutMilliseconds = 1000;

std::string Narrow(const std::wstring& wide) {
  if (wide.empty()) return std::string();
  int length =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string out(size_t(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), out.data(), length, nullptr,
                      nullptr);
  return out;
}

std::string WindowText(HWND window) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG,
                           kTextTimeoutMilliseconds, &length))
    return std::string();
  std::wstring text(size_t(length) + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXT, WPARAM(text.size()),
                           reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                           kTextTimeoutMilliseconds, &copied))
    return std::string();
  text.resize(size_t(copied));
  return Narrow(text);
}

std::string ClassName(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return Narrow(name);
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

}  // namespace

std::string WatchedWindowWin32::ControlText(int id) const {
  for (const auto& [controlId, text] : controls)
    if (controlId == id) return text;
  return std::string();
}

bool WatchedWindowWin32::HasText(const std::string& fragment) const {
  if (title.find(fragment) != std::string::npos) return true;
  for (const auto& control : controls)
    if (control.second.find(fragment) != std::string::npos) return true;
  return false;
}

DialogWatchdogWin32::DialogWatchdogWin32(int answer) : answer(answer) {
  if (const char* hold = std::getenv("QUENARA_WATCHDOG_HOLD_MS"))
    holdMilliseconds = unsigned(std::strtoul(hold, nullptr, 10));
  std::vector<HWND> windows;
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows));
  present.insert(windows.begin(), windows.end());
  thread = std::thread([this] { Run(); });
}

DialogWatchdogWin32::~DialogWatchdogWin32() {
  stop = true;
  thread.join();
}

size_t DialogWatchdogWin32::Count() const {
  std::lock_guard<std::mutex> lock(mutex);
  return seen.size();
}

std::vector<WatchedWindowWin32> DialogWatchdogWin32::Windows() const {
  std::lock_guard<std::mutex> lock(mutex);
  return seen;
}

bool DialogWatchdogWin32::WaitForCount(size_t n, unsigned timeoutMilliseconds) const {
  std::unique_lock<std::mutex> lock(mutex);
  return changed.wait_for(lock, std::chrono::milliseconds(timeoutMilliseconds),
                          [&] { return seen.size() >= n; });
}

void DialogWatchdogWin32::Run() {
  while (!stop) {
    Sweep();
    std::this_thread::sleep_for(kPollInterval);
  }
}

void DialogWatchdogWin32::Sweep() {
  // Forget closed windows: a handle value can come back for a new window.
  for (auto it = handled.begin(); it != handled.end();)
    it = IsWindow(*it) ? ++it : handled.erase(it);

  std::vector<HWND> windows;
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows));
  const DWORD self = GetCurrentProcessId();
  for (HWND window : windows) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != self || !IsWindowVisible(window) || present.count(window) ||
        handled.count(window))
      continue;
    Handle(window);
  }
}

void DialogWatchdogWin32::Handle(HWND window) {
  WatchedWindowWin32 record;
  record.className = ClassName(window);
  record.title = WindowText(window);
  std::vector<HWND> children;
  EnumChildWindows(window, CollectWindow, reinterpret_cast<LPARAM>(&children));
  HWND answerButton = nullptr, cancelButton = nullptr;
  for (HWND child : children) {
    int id = GetDlgCtrlID(child);
    record.controls.emplace_back(id, WindowText(child));
    if (id == answer && answerButton == nullptr) answerButton = child;
    if (id == IDCANCEL && cancelButton == nullptr) cancelButton = child;
  }
  {
    std::lock_guard<std::mutex> lock(mutex);
    seen.push_back(std::move(record));
  }
  changed.notify_all();
  handled.insert(window);

  if (holdMilliseconds > 0)
    std::this_thread::sleep_for(std::chrono::milliseconds(holdMilliseconds));
  // Posted, not sent: the window's own thread runs its modal loop and closes itself.
  if (answerButton != nullptr) {
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
                 reinterpret_cast<LPARAM>(answerButton));
  } else if (cancelButton != nullptr) {
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(cancelButton));
  } else {
    PostMessageW(window, WM_CLOSE, 0, 0);
  }
}
