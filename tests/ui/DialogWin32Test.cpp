// The real dialog under Wine: the reference host runs the filter protocol with a host window,
// the plug-in's Show opens both dialogs, and a timer on the dialog's own thread plays a user:
// the messages that slider drags, typing, list choices, clicks, mouse presses and keys
// produce. Each step waits until the preview is up to date unless it is meant to interrupt it.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <list>
#include <string>
#include <tuple>
#include <vector>

#include "base/Log.h"
#include "effect/QuenaraKeys.h"
#include "effect/pfFilterQuenara.h"
#include "params/pfParameterKinds.h"
#include "params/pfUndoHistory.h"
#include "tests/support/PluginTestHost.h"
#include "tests/support/TempDir.h"
#include "tools/HostImage.h"
#include "ui/pfDialogStateWin32.h"
#include "ui/pfParameterUIWin32.h"
#include "ui/pfPreviewWin32.h"

namespace {

pfFilterQuenara* activeFilter = nullptr;

void Entry(int16_t selector, FilterRecord* record, intptr_t* data, int16_t* result) {
  activeFilter->HandleSelector(selector, record, data, result);
}

// A scripted user. Steps run one per timer tick; a step returning false runs again at the next
// tick (it is waiting for something).
class User {
 public:
  using Step = std::function<bool()>;

  User(pfFilterQuenara& filter) : preview(*static_cast<pfPreviewWin32*>(filter.GetPreview())) {}

  // Waits for an up-to-date preview, then acts.
  void Then(std::function<void()> action) {
    steps.push_back([this, action] { return Idle() && (action(), true); });
  }
  // Acts at once, also in the middle of a render (its message pump runs the timer).
  void Now(std::function<void()> action) {
    steps.push_back([action] { return action(), true; });
  }
  void WaitFor(Step condition) { steps.push_back(condition); }

  int16_t Run(ReferenceHost& host) {
    instance = this;
    start = std::chrono::steady_clock::now();
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, Tick);
    const int16_t result = host.Run(Entry, true);
    KillTimer(nullptr, timer);
    instance = nullptr;
    EXPECT_EQ(next, steps.size()) << "the dialog ended before the script did";
    return result;
  }

  bool Idle() const {
    return !preview.IsRendering() && !preview.IsRenderRequested() &&
           preview.GetCoarseLevel() == 0 && preview.GetCompletedRenders() > 0;
  }
  HWND Ui() const { return preview.GetInterfaceWindow(); }
  HWND Preview() const { return preview.GetPreviewWindow(); }
  HWND Item(int id) const { return GetDlgItem(Ui(), id); }
  std::string Text(HWND window) const {
    char text[128] = {};
    GetWindowTextA(window, text, sizeof(text));
    return text;
  }
  bool Enabled(int id) const { return IsWindowEnabled(Item(id)) != FALSE; }
  // A click on a button that opens a modal window is posted: the script goes on inside its
  // loop. The button takes the focus first, as under the mouse.
  void Post(int id) const {
    SetFocus(Item(id));
    PostMessageW(Ui(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
  }
  // The visible dialog or message box of that caption that the interface dialog owns.
  HWND Owned(const char* caption) const {
    HWND found = FindWindowA("#32770", caption);
    return found != nullptr && GetWindow(found, GW_OWNER) == Ui() && IsWindowVisible(found)
               ? found
               : nullptr;
  }
  // Posted, as the button may open a message box of its own.
  void Press(HWND box, int button) const { PostMessageW(GetDlgItem(box, button), BM_CLICK, 0, 0); }
  // Waits for the modal window of that caption, types the name (if any) into the name field
  // (the preset name unless told) and presses the button; then waits until the window has gone,
  // unless it is to stay.
  void Answer(const char* caption, int button, const char* name = nullptr, bool closes = true,
              int field = 1073) {
    WaitFor([this, caption] { return Owned(caption) != nullptr; });
    Now([this, caption, button, name, field] {
      if (name != nullptr) SetDlgItemTextA(Owned(caption), field, name);
      Press(Owned(caption), button);
    });
    if (closes) WaitFor([this, caption] { return Owned(caption) == nullptr; });
  }
  std::vector<std::string> Presets() const {
    std::vector<std::string> names;
    const int n = int(SendMessageW(Item(1001), CB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
      char text[256] = {};
      SendMessageA(Item(1001), CB_GETLBTEXT, WPARAM(i), LPARAM(text));
      names.push_back(text);
    }
    return names;
  }
  void Click(int id) const { SendMessageW(Item(id), BM_CLICK, 0, 0); }
  void Pick(int id, int index) const {
    SendMessageW(Item(id), CB_SETCURSEL, WPARAM(index), 0);
    SendMessageW(Ui(), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), LPARAM(Item(id)));
  }
  // A drag on a slider, which has the focus as under the mouse.
  void Slide(int id, int position, int request) const {
    HWND bar = Item(id);
    SetFocus(bar);
    SendMessageW(bar, TBM_SETPOS, TRUE, position);
    SendMessageW(Ui(), WM_HSCROLL, MAKEWPARAM(request, position), LPARAM(bar));
  }
  void Type(int id, const char* text) const {
    SetFocus(Item(id));
    SetWindowTextA(Item(id), text);  // the edit reports EN_CHANGE as for typed text
  }
  void Key(WPARAM key) const { PostMessageW(GetFocus(), WM_KEYDOWN, key, 0); }
  void Mouse(UINT message, int x, int y) const {
    SendMessageW(Preview(), message, message == WM_LBUTTONDOWN ? MK_LBUTTON : 0, MAKELPARAM(x, y));
  }
  // A window's pixel (the preview frame's by default) at a client point, as the screen shows it.
  COLORREF Pixel(int x, int y, HWND window = nullptr) const {
    if (window == nullptr) window = Preview();
    HDC dc = GetDC(window);
    const COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return c;
  }
  RECT Client() const {
    RECT r;
    GetClientRect(Preview(), &r);
    return r;
  }

  pfPreviewWin32& preview;

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    User* self = instance;
    // The timer also fires inside a render's message pump while a step is running.
    if (self == nullptr || self->busy) return;
    self->busy = true;
    if (std::chrono::steady_clock::now() - self->start > std::chrono::seconds(120)) {
      ADD_FAILURE() << "script timed out at step " << self->next;
      PostQuitMessage(0);
    } else if (self->next < self->steps.size() && self->steps[self->next]()) {
      ++self->next;
    }
    self->busy = false;
  }

  static User* instance;
  std::vector<Step> steps;
  size_t next = 0;
  bool busy = false;
  std::chrono::steady_clock::time_point start;
};
User* User::instance = nullptr;

// Raw registry access, independent of the dialog's own code: a value's bytes when it exists
// with this type, else none.
using Bytes = std::vector<uint8_t>;
Bytes Stored(const char* key, const char* name, DWORD type) {
  Bytes data(512);
  DWORD size = DWORD(data.size()), found = 0;
  if (RegGetValueA(HKEY_CURRENT_USER, key, name, RRF_RT_ANY | RRF_NOEXPAND, &found, data.data(),
                   &size) != ERROR_SUCCESS ||
      found != type) {
    return Bytes();
  }
  data.resize(size);
  return data;
}
void WriteValue(const char* key, const char* name, DWORD type, const void* data, DWORD size) {
  ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, key, name, type, data, size), ERROR_SUCCESS);
}
double StoredDouble(const char* name) {
  const Bytes data = Stored(pfDialogStateWin32::kLastUsedKey, name, REG_BINARY);
  double v = -1.0;
  if (data.size() == 8) std::memcpy(&v, data.data(), 8);
  return v;
}

// The plug-in's log, errors only, for the lines that failures leave.
class ErrorLog {
 public:
  ErrorLog() {
    SetLogLevel(kLogError);
    EXPECT_TRUE(OpenLogFile(path));
  }
  ~ErrorLog() {
    CloseLogFile();
    SetLogLevel(kLogTrace);
  }
  bool Has(const char* line) const { return ReadFileForTest(path).find(line) != std::string::npos; }

 private:
  TempDir dir;
  const std::string path = dir.Path("error.log");
};

// A window-creation hook that refuses the n-th dialog window of the thread (1: the preview,
// 2: the interface dialog) and notes the others.
int refusedDialog = 0;
std::vector<HWND> dialogsMade;
LRESULT CALLBACK RefuseDialog(int code, WPARAM wParam, LPARAM lParam) {
  char name[16] = {};
  if (code == HCBT_CREATEWND && GetClassNameA(HWND(wParam), name, sizeof(name)) > 0 &&
      std::strcmp(name, "#32770") == 0) {
    dialogsMade.push_back(HWND(wParam));
    if (int(dialogsMade.size()) == refusedDialog) return 1;
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

class Dialog : public ::testing::Test {
 protected:
  void SetUp() override {
    // Every test starts as a first run.
    RegDeleteTreeA(HKEY_CURRENT_USER, pfDialogStateWin32::kKey);
    filter =
        new pfFilterQuenara(pfFilterQuenara::kDisplayName, 1, 1, 0, pfFilterQuenara::kDescription);
    activeFilter = filter;
    hostWindow = CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPED, 0, 0, 100, 100, nullptr,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
  }
  void TearDown() override {
    DestroyWindow(hostWindow);
    delete filter;
    activeFilter = nullptr;
  }
  // The host's window and a dialog to show; the user who will play in it.
  User Attach(ReferenceHost& host) {
    host.SetHostWindow(intptr_t(hostWindow));
    host.SetPlayback(nullptr, plugInDialogDisplay);
    return User(*filter);
  }

  pfFilterQuenara* filter = nullptr;
  HWND hostWindow = nullptr;
  TempDir dir;
};

// Blue-ish grey 64 x 48: small enough to be shown 1:1 and centred.
TEST_F(Dialog, OkAppliesWhatTheUserChanged) {
  ReferenceHost host(TestDocument(64, 48, 3, false, 1, {40, 90, 200}));
  User user = Attach(host);
  user.Then([&] {
    // First run: the interface at the origin, the preview a centred square of two thirds
    // of the screen's width.
    RECT ui, p;
    GetWindowRect(user.Ui(), &ui);
    GetWindowRect(user.Preview(), &p);
    const LONG screen = GetSystemMetrics(SM_CXFULLSCREEN), side = 2 * screen / 3;
    EXPECT_EQ(std::vector<LONG>({ui.left, ui.top, p.left, p.right - p.left, p.bottom - p.top}),
              std::vector<LONG>({0, 0, (screen - side) / 2, side, side}));
    EXPECT_EQ(user.Text(user.Item(1007)), "100%");
    EXPECT_FALSE(user.Enabled(1004));  // nothing to undo yet
    EXPECT_FALSE(user.Enabled(1010));
    EXPECT_EQ(user.Text(user.Item(1013)), "1");   // intensity
    EXPECT_EQ(user.Text(user.Item(1031)), "32");  // origin x in pixels
    EXPECT_FALSE(user.Enabled(1077));             // invert gradient needs the aberration mode
    EXPECT_FALSE(user.Enabled(1080));             // no selection: strength map off
    // A drag of the intensity slider: three movements, one undo step.

    user.Slide(1011, 150, TB_THUMBTRACK);
  });
  user.Now([&] { user.Slide(1011, 180, TB_THUMBTRACK); });
  user.Now([&] {
    user.Slide(1011, 200, TB_THUMBTRACK);
    user.Slide(1011, 200, TB_ENDTRACK);
  });
  user.Then([&] {
    EXPECT_DOUBLE_EQ(filter->Float(kIntensity).GetValue(), 2.0);
    EXPECT_EQ(user.Text(user.Item(1013)), "2");
    user.Click(1004);  // undo: the whole drag at once
    EXPECT_DOUBLE_EQ(filter->Float(kIntensity).GetValue(), 1.0);
    EXPECT_FALSE(user.Enabled(1004));
    user.Click(1010);  // redo
    EXPECT_DOUBLE_EQ(filter->Float(kIntensity).GetValue(), 2.0);
    EXPECT_FALSE(user.Enabled(1010));
  });
  user.Then([&] {
    // Typing: only whole numbers count; an enforced bound clamps; leaving the field shows
    // the value.
    user.Type(1014, "0.5x");
    EXPECT_DOUBLE_EQ(filter->Float(kHue).GetValue(), 0.0);
    user.Type(1014, "3");
    EXPECT_DOUBLE_EQ(filter->Float(kHue).GetValue(), 1.0);
    EXPECT_EQ(user.Text(user.Item(1014)), "3");  // not rewritten while it has the focus
    SetFocus(user.Item(IDOK));
    EXPECT_EQ(user.Text(user.Item(1014)), "1");
    // A list choice and a check box.
    user.Pick(1009, 2);
    EXPECT_EQ(filter->List(kBlendMode).GetValue(), 3);
    user.Click(1078);
    EXPECT_FALSE(filter->Bool(kGammaCorrection).GetValue());
  });
  user.Then([&] {
    // The origin: pressed and dragged in the preview; the image lies centred in the frame.
    const RECT c = user.Client();
    const int x0 = (c.right - 64) / 2, y0 = (c.bottom - 48) / 2;
    user.Mouse(WM_LBUTTONDOWN, x0 + 16, y0 + 12);
    EXPECT_DOUBLE_EQ(filter->Position(kOrigin).GetX(), 0.25);
    EXPECT_DOUBLE_EQ(filter->Position(kOrigin).GetY(), 0.25);
    user.Mouse(WM_MOUSEMOVE, x0 + 48, y0 + 36);
    user.Mouse(WM_LBUTTONUP, x0 + 48, y0 + 36);
    EXPECT_DOUBLE_EQ(filter->Position(kOrigin).GetX(), 0.75);
    EXPECT_EQ(user.Text(user.Item(1031)), "48");
    EXPECT_EQ(user.Text(user.Preview()), "Preview:  x: 48 y: 36");
  });
  user.Then([&] {
    // The handle at the origin (48, 36): black outer square, darkest ring inside it; the
    // margin around the small image is grey.
    const RECT c = user.Client();
    const int hx = (c.right - 64) / 2 + 48, hy = (c.bottom - 48) / 2 + 36;
    EXPECT_EQ(user.Pixel(hx - 11, hy), RGB(0, 0, 0));
    EXPECT_EQ(user.Pixel(hx - 9, hy), RGB(0x33, 0x33, 0x33));
    EXPECT_EQ(user.Pixel(2, 2), RGB(187, 187, 187));
    user.Click(1082);  // hide handle
    EXPECT_NE(user.Pixel(hx - 11, hy), RGB(0, 0, 0));
    EXPECT_NE(user.Pixel(hx - 9, hy), RGB(0x33, 0x33, 0x33));
    user.Click(1082);
    // Zoom: one step closer is 133 %, from the same host image.
    user.Click(1005);
  });
  user.Then([&] {
    EXPECT_EQ(user.Text(user.Item(1007)), "133.3%");
    // Enter in an edit field presses OK.
    SetFocus(user.Item(1028));
    user.Key(VK_RETURN);
  });
  ASSERT_EQ(user.Run(host), noErr);

  // (What the host records after the dialog: the test of the stored state below.)
  // Twice the intensity on the full image: the destination is no longer the source.
  EXPECT_NE(host.Destination().Get(32, 24, 2), 200);
}

// A dialog that cannot open ends the call like Cancel, with the reason in the log and no
// window or class icon left behind.
TEST_F(Dialog, ADialogThatCannotOpenEndsLikeCancel) {
  // The log line; whether the record has platform data and a host window; the window refused.
  const std::tuple<const char*, bool, bool, int> cases[] = {
      {"No host window in the filter record's platform data", false, true, 0},
      {"No host window in the filter record's platform data", true, false, 0},
      {"Failed to create Preview Dialog. GetLastError(", true, true, 1},
      {"Failed to create Interface Dialog. GetLastError(", true, true, 2}};
  WNDCLASSEXA dialogClass = {};
  dialogClass.cbSize = sizeof(dialogClass);
  ASSERT_TRUE(GetClassInfoExA(nullptr, "#32770", &dialogClass));
  const HICON icon = dialogClass.hIcon;
  for (const auto& [reason, platformData, hostWindow, refuse] : cases) {
    ErrorLog log;
    ReferenceHost host(TestDocument(64, 48, 3, false, 1, {40, 90, 200}));
    Attach(host);
    if (!platformData) host.Record().platformData = nullptr;
    if (!hostWindow) host.SetHostWindow(0);
    refusedDialog = refuse;
    dialogsMade.clear();
    HHOOK hook = SetWindowsHookExA(WH_CBT, RefuseDialog, nullptr, GetCurrentThreadId());
    EXPECT_EQ(host.Run(Entry, true), userCanceledErr) << reason;
    UnhookWindowsHookEx(hook);
    EXPECT_TRUE(log.Has(reason)) << reason;
    EXPECT_EQ(dialogsMade.size(), size_t(refuse));
    for (HWND made : dialogsMade) EXPECT_FALSE(IsWindow(made));
    GetClassInfoExA(nullptr, "#32770", &dialogClass);
    EXPECT_EQ(dialogClass.hIcon, icon);
  }
}

// A preview that cannot be shown leaves the frame white and the dialog working: an image mode
// it does not display, and a display bitmap that cannot be allocated (until the zoom changes).
// Shown, a fully transparent image is the checkerboard of 16 x 16 image pixels.
TEST_F(Dialog, APreviewThatCannotBeShownLeavesTheFrameWhite) {
  ErrorLog log;
  const COLORREF white = RGB(255, 255, 255), dark = RGB(208, 208, 208);
  // Beside the origin's handle, inside the image at 100 % and 50 %: image pixel (44, 40) or
  // (56, 48) of 64 x 64, both on a dark square (indices 2, 2 and 3, 3).
  auto pixel = [](User& user, int dx = 12) {
    return user.Pixel(user.Client().right / 2 + dx, user.Client().bottom / 2 + 8);
  };
  {
    ReferenceHost host(TestDocument(64, 48, 3, false, 1, {40, 90, 200}));
    host.Record().imageMode = plugInModeCMYKColor;
    User user = Attach(host);
    user.Then([&] {
      EXPECT_TRUE(log.Has("Invalid imageMode"));
      EXPECT_EQ(pixel(user), white);
      user.Click(IDCANCEL);
    });
    EXPECT_EQ(user.Run(host), userCanceledErr);
  }
  ReferenceHost host(TestDocument(64, 64, 1, true, 1, {120, 0}));
  User user = Attach(host);
  user.Then([&] {
    EXPECT_EQ(pixel(user), dark);
    EXPECT_EQ(pixel(user, -12), white);  // image pixel (20, 40): a light square
    host.Buffers().FailAllocationAt(host.Buffers().AllocationCount());
    user.Click(1006);  // a new host factor, so a new display bitmap
  });
  user.Then([&] {
    EXPECT_TRUE(log.Has("Out of memory"));
    EXPECT_EQ(pixel(user), white);
    user.Click(1005);
  });
  user.Then([&] {
    EXPECT_EQ(pixel(user), dark);
    user.Click(IDOK);
  });
  EXPECT_EQ(user.Run(host), noErr);
}

// A binding whose control the dialog resource lacks: its first Initialize adds a strip to the
// right of the dialog with the control in it, an owner-drawn static (which paints nothing
// itself), hidden and disabled until the binding shows it.
template <class Binding>
class Placed : public Binding {
 public:
  explicit Placed(int32_t id) : Binding(id) {}
  void Initialize() override {
    HWND dialog = this->GetDialog();
    RECT window, client;
    GetWindowRect(dialog, &window);
    GetClientRect(dialog, &client);
    SetWindowPos(dialog, nullptr, 0, 0, window.right - window.left + 70, window.bottom - window.top,
                 SWP_NOMOVE | SWP_NOZORDER);
    CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_DISABLED | SS_OWNERDRAW, client.right + 5, 10,
                    60, 60, dialog, HMENU(INT_PTR(this->GetMainControl())), nullptr, nullptr);
    Binding::Initialize();
  }
};

// The colour swatch and the angle dial, which the effect does not use, on parameters of the
// test's own: shown by Initialize, changed with the mouse, refreshed when the parameter
// changes (undo), each change one undo step.
TEST_F(Dialog, ColourSwatchAndAngleDialFollowTheirParameters) {
  pfParameterRGB colour;
  colour.SetRGB(1.0, 0.0, 0.0);
  pfParameterFloat angle;  // 0: the needle points up
  Placed<pfParameterUIRGBWin32> swatch(2001);
  Placed<pfParameterUIAngleWin32> dial(2002);
  swatch.SetParameter(&colour);
  dial.SetParameter(&angle);
  std::list<pfParameterUI*>& controls = filter->GetControls();
  controls.insert(controls.end(), {&swatch, &dial});
  ReferenceHost host(TestDocument(64, 48, 3, false, 1, {40, 90, 200}));
  User user = Attach(host);
  pfUndoHistory& history = filter->GetUndoHistory();
  POINT s{}, d{};  // the centres of swatch and dial in the dialog
  auto pixel = [&](POINT p, int dx, int dy) {
    UpdateWindow(user.Ui());
    return user.Pixel(p.x + dx, p.y + dy, user.Ui());
  };
  auto mouse = [&](UINT message, POINT p, int dx, int dy) {
    SendMessageW(user.Ui(), message, 0, MAKELPARAM(p.x + dx, p.y + dy));
  };
  const COLORREF black = RGB(0, 0, 0), white = RGB(255, 255, 255);
  user.Then([&] {
    for (int id : {2001, 2002}) {
      EXPECT_TRUE(user.Enabled(id) && IsWindowVisible(user.Item(id)));
      RECT r;
      GetWindowRect(user.Item(id), &r);
      MapWindowPoints(nullptr, user.Ui(), reinterpret_cast<POINT*>(&r), 2);
      (id == 2001 ? s : d) = POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    EXPECT_EQ(pixel(s, 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(pixel(d, 0, -20), black);
    // A left click asks the host for a colour; its picker cancels: nothing changes.
    mouse(WM_LBUTTONDOWN, s, 0, 0);
    mouse(WM_LBUTTONUP, s, 0, 0);
    EXPECT_EQ(colour.GetRed(), 1.0);
    EXPECT_FALSE(history.CanUndo());
    // A right click starts picking from the preview: its grey margin.
    mouse(WM_RBUTTONUP, s, 0, 0);
    user.Mouse(WM_MOUSEMOVE, 2, 2);
    user.Mouse(WM_LBUTTONUP, 2, 2);
    EXPECT_DOUBLE_EQ(colour.GetGreen(), 187 / 255.0);
    EXPECT_EQ(pixel(s, 0, 0), RGB(187, 187, 187));
    // The dial follows the pointer, clockwise from the top: right is 90, down 180.
    mouse(WM_LBUTTONDOWN, d, 20, 0);
    EXPECT_NEAR(angle.GetValue(), 90.0, 1e-6);
    mouse(WM_MOUSEMOVE, d, 0, 20);
    mouse(WM_LBUTTONUP, d, 0, 20);
    EXPECT_NEAR(angle.GetValue(), 180.0, 1e-6);
    EXPECT_EQ(pixel(d, 0, 20), black);
    EXPECT_EQ(pixel(d, 0, -20), white);
  });
  user.Then([&] {
    user.Click(1004);  // the whole drag
    EXPECT_EQ(angle.GetValue(), 0.0);
    EXPECT_EQ(pixel(d, 0, -20), black);
    user.Click(1004);
    EXPECT_EQ(colour.GetGreen(), 0.0);
    EXPECT_EQ(pixel(s, 0, 0), RGB(255, 0, 0));
    EXPECT_FALSE(history.CanUndo());
    user.Click(IDCANCEL);
  });
  EXPECT_EQ(user.Run(host), userCanceledErr);
  controls.resize(controls.size() - 2);
}

// 6000 x 4000 at 16 bits, zoomed in to a factor whose render takes longer than 200 ms: a
// slider drag abandons the stale renders, renders coarser, and ends in full detail.
TEST_F(Dialog, SliderDragOnALargeImageAbandonsStaleRendersAndEndsInFullDetail) {
  ReferenceHost host(TestDocument(6000, 4000, 3, false, 2, {9000, 16000, 24000}));
  User user = Attach(host);
  int completedBefore = 0;
  for (int i = 0; i < 2; ++i) {  // two changes at the fitted factor, two undo steps
    user.Then([&, i] {
      user.Slide(1011, 111 + i, TB_THUMBTRACK);
      user.Slide(1011, 111 + i, TB_ENDTRACK);
    });
  }
  user.Then([&] { user.preview.SetRequestedFactor(3); });
  user.Then([&] {
    completedBefore = user.preview.GetCompletedRenders();

    user.Slide(1025, 30, TB_THUMBTRACK);
  });
  for (int i = 0; i < 12; ++i) {
    // Every third move waits for a render and lands in the same tick, so inside that render
    // (a tick later it may have ended); the others come at once.
    user.WaitFor([&user, i] {
      if (i % 3 == 0 && !user.preview.IsRendering()) return false;
      user.Slide(1025, 31 + i, TB_THUMBTRACK);
      return true;
    });
  }
  user.Now([&] { user.Slide(1025, 45, TB_ENDTRACK); });
  user.Then([&] {
    EXPECT_GT(user.preview.GetAbandonedRenders(), 0);
    EXPECT_GT(user.preview.GetCompletedRenders(), completedBefore);
    EXPECT_EQ(user.preview.GetCoarseLevel(), 0);
    EXPECT_EQ(user.Text(user.Item(1007)), "33.33%");
    EXPECT_DOUBLE_EQ(filter->Float(kStrength).GetValue(), 0.45);
  });
  // A right drag pans: the image follows the pointer and stops at its edges. The title names
  // the image pixel under the pointer at (100, 100), 3 image pixels a screen pixel here.
  user.Then([&] {
    double x = -1, y = -1;
    auto under = [&] {
      user.Mouse(WM_MOUSEMOVE, 100, 100);
      std::sscanf(user.Text(user.Preview()).c_str(), "Preview:  x: %lf y: %lf", &x, &y);
    };
    under();
    const Rect out = host.Record().outRect;
    const RECT c = user.Client();
    // The pointer's move, and the pixel then under it: the image's top-left corner after
    // the drag to the lower right, its lower-right corner after the one to the upper left.
    const double drags[3][4] = {{-50, 20, x + 150, y - 60},
                                {3000, 3000, 300, 300},
                                {-3000, -3000, (out.right - out.left - c.right + 100) * 3.0,
                                 (out.bottom - out.top - c.bottom + 100) * 3.0}};
    for (const auto& d : drags) {
      user.Mouse(WM_RBUTTONDOWN, 300, 300);
      user.Mouse(WM_MOUSEMOVE, 300 + int(d[0]), 300 + int(d[1]));
      user.Mouse(WM_RBUTTONUP, 300 + int(d[0]), 300 + int(d[1]));
      UpdateWindow(user.Preview());  // painting keeps the pan within the image
      under();
      EXPECT_NEAR(x, d[2], 0.5);
      EXPECT_NEAR(y, d[3], 0.5);
    }
    user.Click(IDCANCEL);
  });
  EXPECT_EQ(user.Run(host), userCanceledErr);
  // The drag was one undo step, each intensity change before it another.
  pfUndoHistory& history = filter->GetUndoHistory();
  EXPECT_TRUE(history.Undo());
  EXPECT_DOUBLE_EQ(filter->Float(kStrength).GetValue(), 0.25);
  EXPECT_DOUBLE_EQ(filter->Float(kIntensity).GetValue(), 1.12);
  EXPECT_TRUE(history.Undo());
  EXPECT_DOUBLE_EQ(filter->Float(kIntensity).GetValue(), 1.11);
}

TEST_F(Dialog, PresetsAreSavedChosenAndDeletedAndOkRemembersTheValues) {
  const std::string path = dir.Path("presets.cfg");
  WriteValue(pfDialogStateWin32::kKey, "Preset Path", REG_SZ, path.c_str(), DWORD(path.size() + 1));
  ReferenceHost host(TestDocument(64, 48, 3, false, 1, {40, 90, 200}));
  User user = Attach(host);
  user.Then([&] {
    // A file that does not exist yet: saving is possible, there is nothing to delete.
    EXPECT_TRUE(user.Enabled(1001));
    EXPECT_TRUE(user.Enabled(1002));
    EXPECT_FALSE(user.Enabled(1003));
    user.Type(1013, "2");
    user.Post(1002);
  });
  user.Answer("save as", IDOK, "my look");
  user.Then([&] {
    EXPECT_EQ(user.Presets(), std::vector<std::string>{"my_look"});
    EXPECT_EQ(user.Text(user.Item(1001)), "my_look");
    EXPECT_TRUE(user.Enabled(1003));
    user.Type(1013, "3");
    user.Post(1002);
  });
  // The same name in capitals: the question; No keeps the name dialog, Yes saves.
  user.Answer("save as", IDOK, "MY LOOK", false);
  user.Answer("Overwrite Setting?", IDNO);
  user.Now([&] { EXPECT_EQ(user.Text(GetDlgItem(user.Owned("save as"), 1073)), "MY_LOOK"); });
  user.Answer("save as", IDOK, nullptr, false);
  user.Answer("Overwrite Setting?", IDYES);
  user.WaitFor([&] { return user.Owned("save as") == nullptr; });
  // Cancel in the name dialog saves nothing.
  user.Then([&] { user.Post(1002); });
  user.Answer("save as", IDCANCEL, "other");
  user.Then([&] {
    // The file compares names exactly: two presets ("other" was not saved).
    EXPECT_EQ(user.Presets(), (std::vector<std::string>{"MY_LOOK", "my_look"}));
    // Choosing a preset applies it as one undo step.
    SetFocus(user.Item(1001));
    user.Pick(1001, 1);  // "my_look"
    EXPECT_DOUBLE_EQ(filter->Float(kIntensity).GetValue(), 2.0);
    EXPECT_EQ(user.Text(user.Item(1013)), "2");
    user.Click(1004);
    EXPECT_DOUBLE_EQ(filter->Float(kIntensity).GetValue(), 3.0);
    user.Type(1013, "1");
    SendMessageW(user.Item(1001), CB_SETCURSEL, 1, 0);  // "my_look" selected, not applied
    user.Post(1003);
  });
  user.Answer("Delete Preset?", IDNO);
  user.Then([&] {
    EXPECT_EQ(user.Presets().size(), 2u);
    EXPECT_DOUBLE_EQ(filter->Float(kIntensity).GetValue(), 1.0);
    user.Post(1003);
  });
  user.Answer("Delete Preset?", IDYES);
  user.Then([&] {
    // The neighbour is selected and applied.
    EXPECT_EQ(user.Presets(), std::vector<std::string>{"MY_LOOK"});
    EXPECT_EQ(user.Text(user.Item(1001)), "MY_LOOK");
    EXPECT_DOUBLE_EQ(filter->Float(kIntensity).GetValue(), 3.0);
    user.Click(1078);  // gamma correction off
    user.Pick(1009, 2);
    user.Click(IDOK);
  });
  ASSERT_EQ(user.Run(host), noErr);

  EXPECT_DOUBLE_EQ(StoredDouble("Intensity"), 3.0);
  EXPECT_DOUBLE_EQ(StoredDouble("Origin_X"), 0.5);
  EXPECT_DOUBLE_EQ(StoredDouble("Origin_Y"), 0.5);
  const char* lastUsed = pfDialogStateWin32::kLastUsedKey;
  EXPECT_EQ(Stored(lastUsed, "GammaCorrection", REG_BINARY), Bytes{0});
  EXPECT_EQ(Stored(lastUsed, "BlendMode", REG_BINARY), (Bytes{3, 0, 0, 0}));
  EXPECT_EQ(Stored(lastUsed, "Randomize", REG_BINARY), Bytes());
  EXPECT_EQ(Stored(pfDialogStateWin32::kKey, "Preset Path", REG_SZ),
            Bytes(path.c_str(), path.c_str() + path.size() + 1));
  EXPECT_EQ(Stored(pfDialogStateWin32::kKey, "Interface HideHandle", REG_BINARY), Bytes{1});
}

TEST_F(Dialog, StoredStateIsClampedOrIgnoredAndCancelKeepsTheLastValues) {
  const char* key = pfDialogStateWin32::kKey;
  // The interface off the screen; the preview maximised (3) over its restored rectangle.
  const char* names[7] = {"Interface Position X",   "Interface Position Y",
                          "Preview Position X",     "Preview Position Y",
                          "Preview Position Width", "Preview Position Height",
                          "Preview State"};
  const DWORD dwords[7] = {5000, DWORD(-20), 300, 100, 350, 250, 3}, fixed = 0;
  for (int i = 0; i < 7; ++i) WriteValue(key, names[i], REG_DWORD, &dwords[i], 4);
  WriteValue(key, "Interface FixedPreview", REG_BINARY, &fixed, 1);
  const double intensity = 2.5, strength = 0.75;
  WriteValue(pfDialogStateWin32::kLastUsedKey, "Intensity", REG_BINARY, &intensity, 8);
  WriteValue(pfDialogStateWin32::kLastUsedKey, "Strength", REG_BINARY, &strength, 4);
  const std::string foreign = dir.Path("foreign.cfg");
  WriteFileForTest(foreign, "FileOwner Other\n\nname x\nA 1\n");
  ReferenceHost host(TestDocument(64, 48, 3, false, 1, {40, 90, 200}));
  User user = Attach(host);
  const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
  user.Then([&] {
    RECT r;
    GetWindowRect(user.Ui(), &r);
    EXPECT_EQ(r.left, width - 50);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(IsDlgButtonChecked(user.Ui(), 1081), BST_CHECKED);
    EXPECT_TRUE(IsZoomed(user.Preview()));
    EXPECT_DOUBLE_EQ(filter->Float(kIntensity).GetValue(), 2.5);
    EXPECT_DOUBLE_EQ(filter->Float(kStrength).GetValue(), 0.25);  // four bytes are no double
    EXPECT_FALSE(filter->GetUndoHistory().CanUndo());
    EXPECT_FALSE(user.Enabled(1001));  // no preset file
    EXPECT_FALSE(user.Enabled(1002));
    user.Type(1013, "4");
    user.Post(1015);
  });
  // Opening another filter's file: its owner is named, the dialog keeps having no file.
  user.Answer("Open Presets File", IDOK, foreign.c_str(), true, 0x47c);  // its file name field
  user.WaitFor([&] { return user.Owned("Error") != nullptr; });
  user.Now([&] {
    HWND box = user.Owned("Error");
    EXPECT_EQ(user.Text(GetDlgItem(box, 0xffff)),
              "The selected settings file belongs to the Filter: Other");
    user.Press(box, IDOK);
  });
  user.WaitFor([&] { return user.Owned("Error") == nullptr; });
  user.Then([&] {
    EXPECT_EQ(user.preview.GetPresetPath(), "");
    EXPECT_FALSE(user.Enabled(1002));
    SetFocus(user.Item(1013));
    user.Key(VK_ESCAPE);  // also while an edit field has the focus
  });
  EXPECT_EQ(user.Run(host), userCanceledErr);
  // The host still learns the values, for its action recording; the last-used ones stay.
  HostDescriptor recorded;
  ASSERT_TRUE(host.Recorded(recorded));
  EXPECT_DOUBLE_EQ(recorded.Find(QuenaraKeys::Intensity)->number, 4.0);
  EXPECT_DOUBLE_EQ(StoredDouble("Intensity"), 2.5);
  const Bytes left = Stored(key, "Interface Position X", REG_DWORD);
  EXPECT_EQ(left.size() == 4 ? left[0] | left[1] << 8 : -1, width - 50);
  EXPECT_EQ(Stored(key, "Interface FixedPreview", REG_BINARY), Bytes{0});
  // The maximised preview keeps its restored rectangle.
  for (int i = 2; i < 7; ++i) {
    EXPECT_EQ(Stored(key, names[i], REG_DWORD),
              (Bytes{uint8_t(dwords[i]), uint8_t(dwords[i] >> 8), 0, 0}));
  }
}

}  // namespace
