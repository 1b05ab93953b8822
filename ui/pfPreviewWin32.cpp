#include "ui/pfPreviewWin32.h"

#include <windows.h>
// after windows.h, which it needs
#include <commdlg.h>

#include <cmath>
#include <string>

#include "base/Log.h"

namespace {

constexpr int kAboutDialog = 111;
constexpr int kAboutText = 1083;

// The 16 custom colours of the colour dialog survive between calls while the library is
// loaded, as users expect of that dialog.
COLORREF customColours[16];

// The module that holds this code and therefore the dialog resources: the plug-in library,
// or a test program that links the resources in.
HMODULE ResourceModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&ResourceModule), &module);
  return module;
}

// The about text is UTF-8 (the names carry »«); text that is not valid UTF-8 is taken in the
// ANSI code page instead.
std::wstring Widen(const std::string& text) {
  for (UINT codePage : {UINT(CP_UTF8), UINT(CP_ACP)}) {
    DWORD flags = codePage == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0;
    int length = MultiByteToWideChar(codePage, flags, text.data(), int(text.size()), nullptr, 0);
    if (length <= 0 && !text.empty()) continue;
    std::wstring wide(size_t(length), L'\0');
    MultiByteToWideChar(codePage, flags, text.data(), int(text.size()), wide.data(), length);
    return wide;
  }
  return std::wstring();
}

INT_PTR CALLBACK AboutProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      SetDlgItemTextW(dialog, kAboutText, reinterpret_cast<const wchar_t*>(lParam));
      return TRUE;
    case WM_COMMAND:
      EndDialog(dialog, LOWORD(wParam));
      return TRUE;
    case WM_CLOSE:
      EndDialog(dialog, IDCANCEL);
      return TRUE;
    default:
      return FALSE;
  }
}

int ToByte(double component) {
  double v = std::floor(component * 255.0 + 0.5);
  return v < 0 ? 0 : v > 255 ? 255 : int(v);
}

}  // namespace

bool pfPreviewWin32::Show(pfFilter* filter, FilterRecord* record, std::list<pfParameterUI*>&) {
  QLOG_SCOPE(scope,
             "pfPreviewWin32::Show( pFilter(0x" << LogPtr(filter) << "), pFilterRecord(0x"
                                                << LogPtr(record) << ") )",
             "pfPreviewWin32::Show");
  filterRecord = record;
  const bool result = true;
  QLOG_SCOPE_EXIT(scope, "pfPreviewWin32::Show( return(" << result << ") )");
  return result;
}

void pfPreviewWin32::ShowAbout(const std::string& text) {
  QLOG_SCOPE(scope, "ShowAbout()", "ShowAbout()");
  std::wstring wide = Widen(text);
  INT_PTR result = DialogBoxParamW(ResourceModule(), MAKEINTRESOURCEW(kAboutDialog), nullptr,
                                   AboutProcedure, reinterpret_cast<LPARAM>(wide.c_str()));
  if (result == -1) QLOG_ERROR("About box failed. GetLastError(" << GetLastError() << ")");
}

bool pfPreviewWin32::AlternativeColorSelection(double& red, double& green, double& blue) {
  QLOG_SCOPE(scope,
             "pfPreviewWin32::AlternativeColorSelection( pFilterRecord(0x"
                 << LogPtr(filterRecord) << "), fRed(" << red << "), fGreen(" << green
                 << "), fBlue(" << blue << ") )",
             "pfPreviewWin32::AlternativeColorSelection");
  CHOOSECOLORW choose = {};
  choose.lStructSize = sizeof(choose);
  choose.hwndOwner = GetActiveWindow();
  choose.rgbResult = RGB(ToByte(red), ToByte(green), ToByte(blue));
  choose.lpCustColors = customColours;
  choose.Flags = CC_FULLOPEN | CC_ANYCOLOR | CC_RGBINIT;
  const bool result = ChooseColorW(&choose) != FALSE;
  if (result) {
    red = GetRValue(choose.rgbResult) / 255.0;
    green = GetGValue(choose.rgbResult) / 255.0;
    blue = GetBValue(choose.rgbResult) / 255.0;
  }
  QLOG_SCOPE_EXIT(scope, "pfPreviewWin32::AlternativeColorSelection( return("
                             << result << ") fRed(" << red << "), fGreen(" << green << "), fBlue("
                             << blue << ") )");
  return result;
}
