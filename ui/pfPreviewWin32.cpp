#include "ui/pfPreviewWin32.h"

#include <windows.h>
// after windows.h, which it needs
#include <commctrl.h>
#include <commdlg.h>

#include <cmath>
#include <string>

#include "base/Log.h"
#include "base/PiApi.h"
#include "params/pfParameter.h"
#include "params/pfParameterKinds.h"
#include "params/pfUndo.h"
#include "params/pfUndoHistory.h"
#include "ui/pfDialogStateWin32.h"
#include "ui/pfParameterUIWin32.h"

namespace {

constexpr int kQuitOk = 1;
constexpr int kQuitCancel = 0;
constexpr int16_t kRenderAbandoned = -128;

// The 16 custom colours of the colour dialog survive between calls while the library is
// loaded, as users expect of that dialog.
COLORREF customColours[16];

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
      SetDlgItemTextW(dialog, pfPreviewWin32::kAboutText, reinterpret_cast<const wchar_t*>(lParam));
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

HMODULE pfPreviewWin32::ResourceModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&ResourceModule), &module);
  return module;
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

// ---- Show and its loop -------------------------------------------------------------------------

// The display bitmap is host memory of the call that showed the dialog; it went back before
// Show returned.
pfPreviewWin32::~pfPreviewWin32() = default;

bool pfPreviewWin32::Show(pfFilter* filter, FilterRecord* record, std::list<pfParameterUI*>& list) {
  QLOG_SCOPE(scope,
             "pfPreviewWin32::Show( pFilter(0x" << LogPtr(filter) << "), pFilterRecord(0x"
                                                << LogPtr(record) << ") )",
             "pfPreviewWin32::Show");
  filterRecord = record;
  this->filter = filter;
  controls = &list;
  bool result = false;
  const auto* platform =
      record != nullptr ? static_cast<const PlatformData*>(record->platformData) : nullptr;
  if (dialogHost == nullptr || record == nullptr) {
    QLOG_ERROR("No filter record to show the dialog for");
  } else if (platform == nullptr || platform->hwnd == 0) {
    // The dialog belongs to the host's window; without one it would float free of the host.
    QLOG_ERROR("No host window in the filter record's platform data");
  } else if (CreateDialogs(reinterpret_cast<HWND>(platform->hwnd))) {
    lastHostFactor = -1;
    FitToFrame();
    for (pfParameterUI* binding : list) {
      if (auto* win32 = dynamic_cast<pfParameterUIWin32*>(binding))
        win32->SetDialog(interfaceDialog);
      binding->Initialize();
    }
    dialogHost->GetUndoHistory().SetEnabled(true);
    UpdateSettingsList();
    QLOG_TRACE("Updated Settings List");
    UpdateUndoButtons();
    QLOG_TRACE("Updated Undo Buttons");
    ShowWindow(interfaceDialog, SW_SHOW);
    ShowWindow(previewDialog, SW_SHOW);
    AssignScaleFactor(requestedFactor);
    dialogHost->AdaptToImage(record);
    renderRequested = true;
    result = RunLoop();
    DestroyDialogs();
    if (result) WriteLastUsedSettings();
  }
  QLOG_SCOPE_EXIT(scope, "pfPreviewWin32::Show( return(" << result << ") )");
  return result;
}

bool pfPreviewWin32::CreateDialogs(HWND owner) {
  HMODULE module = ResourceModule();
  // The sliders are common controls: their class must be registered in this process, which
  // a host that uses none of them has not done.
  INITCOMMONCONTROLSEX classes = {sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES};
  InitCommonControlsEx(&classes);
  previewDialog = CreateDialogParamW(module, MAKEINTRESOURCEW(kPreviewDialog), owner,
                                     PreviewProcedure, reinterpret_cast<LPARAM>(this));
  if (previewDialog == nullptr) {
    QLOG_ERROR("Failed to create Preview Dialog. GetLastError(" << GetLastError() << ")");
    return false;
  }
  // Icon and cursor belong to the system dialog class, which the host's dialogs share: the
  // previous ones are put back on the way out.
  HICON icon = LoadIconW(module, MAKEINTRESOURCEW(kDialogIcon));
  previousIcon = reinterpret_cast<HICON>(
      SetClassLongPtrW(previewDialog, GCLP_HICON, reinterpret_cast<LONG_PTR>(icon)));
  interfaceDialog = CreateDialogParamW(module, MAKEINTRESOURCEW(kInterfaceDialog), previewDialog,
                                       UIProcedure, reinterpret_cast<LPARAM>(this));
  pickCursor = LoadCursorW(module, MAKEINTRESOURCEW(kPickCursor));
  arrowCursor = reinterpret_cast<HCURSOR>(GetClassLongPtrW(previewDialog, GCLP_HCURSOR));
  if (interfaceDialog == nullptr) {
    QLOG_ERROR("Failed to create Interface Dialog. GetLastError(" << GetLastError() << ")");
    SetClassLongPtrW(previewDialog, GCLP_HICON, reinterpret_cast<LONG_PTR>(previousIcon));
    DestroyWindow(previewDialog);
    previewDialog = nullptr;
    if (pickCursor != nullptr) DestroyCursor(pickCursor);
    pickCursor = nullptr;
    return false;
  }
  return true;
}

void pfPreviewWin32::DestroyDialogs() {
  if (pickedColour != nullptr) EndColourPick();
  for (pfParameterUI* binding : *controls) {
    if (auto* win32 = dynamic_cast<pfParameterUIWin32*>(binding)) win32->SetDialog(nullptr);
  }
  SetWindowLongPtrW(previewDialog, GWLP_HWNDPARENT, 0);
  SetClassLongPtrW(previewDialog, GCLP_HICON, reinterpret_cast<LONG_PTR>(previousIcon));
  DestroyWindow(interfaceDialog);
  DestroyWindow(previewDialog);
  interfaceDialog = nullptr;
  previewDialog = nullptr;
  if (pickCursor != nullptr) DestroyCursor(pickCursor);
  pickCursor = nullptr;
  // Host memory is released within the host call that took it: the next Show asks the host
  // for its image afresh anyway.
  ReleasePreviewBitmap();
  renderStartTick = 0;
  draggedPosition = nullptr;
  draggedAngle = nullptr;
  draggingHandle = panning = tracking = false;
}

bool pfPreviewWin32::RunLoop() {
  MSG msg = {};
  auto dispatch = [this](MSG& m) {
    if (interfaceDialog != nullptr && IsDialogMessageW(interfaceDialog, &m)) return;
    TranslateMessage(&m);
    DispatchMessageW(&m);
  };
  for (;;) {
    const BOOL fetched = GetMessageW(&msg, nullptr, 0, 0);
    if (fetched == 0) break;
    if (fetched != -1) dispatch(msg);
    bool quit = false;
    while (!quit && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        quit = true;
      } else {
        dispatch(msg);
      }
    }
    if (quit) break;
    RenderWhileStale();
  }
  return msg.wParam == kQuitOk;
}

void pfPreviewWin32::RenderWhileStale() {
  if (!renderRequested && requestedFactor == factor) return;
  if (requestedFactor != factor) AssignScaleFactor(requestedFactor);
  for (;;) {
    if (coarseLevel <= baseLevel && !renderRequested) return;
    renderStartTick = GetTickCount();
    if (renderStartTick == 0) renderStartTick = 1;  // 0 means "no preview render"
    renderRequested = false;
    rendering = true;
    const int16_t result = dialogHost->Render(filterRecord);
    dialogHost->ReportProgress(0, 1);
    rendering = false;
    if (result == kRenderAbandoned) {
      // The user moved on: the next render is coarser, so that it finishes in time.
      ++abandonedRenders;
      ++coarseLevel;
      AssignScaleFactor(requestedFactor);
      continue;
    }
    if (result != 0) return;  // the previous preview stays; the next change tries again
    DrawToPreview();
    InvalidateFrame();
    UpdateWindow(previewDialog);
    ++completedRenders;
    if (renderRequested) continue;
    if (coarseLevel > baseLevel) {
      // Every coarse preview is followed by one in full detail.
      renderRequested = true;
      coarseLevel = baseLevel;
      AssignScaleFactor(requestedFactor);
      continue;
    }
    return;
  }
}

// ---- Requests from the controls ----------------------------------------------------------------

void pfPreviewWin32::RequestRender() {
  renderRequested = true;
  UpdateUndoButtons();
}

void pfPreviewWin32::UpdateUndoButtons() {
  if (interfaceDialog == nullptr || dialogHost == nullptr) return;
  pfUndoHistory& history = dialogHost->GetUndoHistory();
  EnableWindow(GetDlgItem(interfaceDialog, kUndo), history.CanUndo() ? TRUE : FALSE);
  EnableWindow(GetDlgItem(interfaceDialog, kRedo), history.CanRedo() ? TRUE : FALSE);
}

void pfPreviewWin32::SetRequestedFactor(int32_t n) {
  requestedFactor = n;
  if (n != factor) renderRequested = true;
}

void pfPreviewWin32::ParametersChanged() {
  UpdateAllControls();
  RequestRender();
}

void pfPreviewWin32::UpdateAllControls() {
  if (controls == nullptr) return;
  for (pfParameterUI* binding : *controls) binding->Refresh();
}

void pfPreviewWin32::RecordUndo(std::unique_ptr<pfUndo> record) {
  if (record == nullptr) return;
  pfUndoHistory& history = dialogHost->GetUndoHistory();
  history.Add(std::move(record));
  history.EndGroup();
  UpdateUndoButtons();
}

bool pfPreviewWin32::ChooseColour(double& red, double& green, double& blue) {
  return dialogHost->RequestColor(filterRecord, red, green, blue);
}

void pfPreviewWin32::EnableDialogs(bool enable) {
  EnableWindow(interfaceDialog, enable ? TRUE : FALSE);
  EnableWindow(previewDialog, enable ? TRUE : FALSE);
}

void pfPreviewWin32::StartColourPick(pfParameterRGB* colour) {
  pickedColour = colour;
  SetClassLongPtrW(previewDialog, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(pickCursor));
}

void pfPreviewWin32::EndColourPick() {
  pickedColour = nullptr;
  SetClassLongPtrW(previewDialog, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(arrowCursor));
  RequestRender();
}

void pfPreviewWin32::StartAngleDrag(pfParameterUIWin32* binding) {
  draggedAngle = binding;
  SetCapture(interfaceDialog);
}

pfParameterUIWin32* pfPreviewWin32::FindBinding(int32_t id) const {
  if (controls == nullptr) return nullptr;
  for (pfParameterUI* binding : *controls) {
    if (binding->OwnsControl(id)) return dynamic_cast<pfParameterUIWin32*>(binding);
  }
  return nullptr;
}

bool pfPreviewWin32::OnControlCommand(int32_t id, bool createUndo) {
  pfParameterUIWin32* binding = FindBinding(id);
  if (binding == nullptr) return false;
  pfParameter* parameter = binding->GetParameter();
  std::unique_ptr<pfUndo> undo;
  if (createUndo && parameter != nullptr && parameter->GetAffectsPreview()) {
    undo = parameter->CreateUndo();
  }
  if (!binding->OnControlChanged()) return false;
  RequestRender();
  RecordUndo(std::move(undo));
  return true;
}

void pfPreviewWin32::OnEditCommitted(int32_t id) {
  if (pfParameterUIWin32* binding = FindBinding(id)) binding->OnEditCommitted(id);
}

// One drag of a slider is one undo step, taken at its first movement.
void pfPreviewWin32::OnSlider(int32_t id, int32_t request) {
  if (request == TB_ENDTRACK) {
    tracking = false;
    OnControlCommand(id, false);
    return;
  }
  const bool first = !tracking;
  tracking = true;
  if (!OnControlCommand(id, first)) tracking = false;
}

void pfPreviewWin32::OnCommand(int32_t id, int32_t code) {
  pfUndoHistory& history = dialogHost->GetUndoHistory();
  switch (id) {
    case IDOK:
      QLOG_TRACE("UIProcedure - WM_COMMAND OK pressed.");
      PostQuitMessage(kQuitOk);
      return;
    case IDCANCEL:
      QLOG_TRACE("UIProcedure - WM_COMMAND CANCEL pressed.");
      PostQuitMessage(kQuitCancel);
      return;
    case kPresetList:
      if (code == CBN_SELCHANGE) OnPresetChosen();
      return;
    case kPresetSave:
      if (code == BN_CLICKED) OnSavePreset();
      return;
    case kPresetDelete:
      if (code == BN_CLICKED) OnDeletePreset();
      return;
    case kPresetOpen:
      if (code == BN_CLICKED) OnChangeSettingFile();
      return;
    case kUndo:
      if (history.Undo()) RequestRender();
      UpdateUndoButtons();
      return;
    case kRedo:
      if (history.Redo()) RequestRender();
      UpdateUndoButtons();
      return;
    case kZoomIn:
      if (code == BN_CLICKED) SetRequestedFactor(factor - 1);
      return;
    case kZoomOut:
      if (code == BN_CLICKED) SetRequestedFactor(factor + 1);
      return;
    case kReset:
      dialogHost->ResetParameters(true);
      UpdateUndoButtons();
      RequestRender();
      return;
    case kFixedPreview:
      interruptPreview = !interruptPreview;
      return;
    case kHideHandle:
      showHandle = !showHandle;
      InvalidateFrame();
      UpdateWindow(previewDialog);
      return;
    default:
      break;
  }
  if (code == BN_CLICKED || code == CBN_SELCHANGE || code == EN_CHANGE) {
    OnControlCommand(id, true);
  } else if (code == EN_KILLFOCUS) {
    OnEditCommitted(id);
  }
}

INT_PTR CALLBACK pfPreviewWin32::UIProcedure(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
  auto* self = reinterpret_cast<pfPreviewWin32*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<pfPreviewWin32*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, lParam);
    self->interfaceDialog = window;
    pfDialogStateWin32::ReadInterface(window, self->presetPath, self->showHandle,
                                      self->interruptPreview);
    CheckDlgButton(window, kHideHandle, self->showHandle ? BST_UNCHECKED : BST_CHECKED);
    CheckDlgButton(window, kFixedPreview, self->interruptPreview ? BST_UNCHECKED : BST_CHECKED);
    self->ReadLastUsedSettings();
    return TRUE;
  }
  if (self == nullptr) return FALSE;
  switch (message) {
    case WM_DESTROY:
      pfDialogStateWin32::WriteInterface(window, self->presetPath, self->showHandle,
                                         self->interruptPreview);
      return FALSE;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      const int32_t mode = self->filterRecord != nullptr ? self->filterRecord->imageMode : 0;
      for (pfParameterUI* binding : *self->controls) {
        if (auto* win32 = dynamic_cast<pfParameterUIWin32*>(binding)) win32->Paint(dc, mode);
      }
      EndPaint(window, &ps);
      return TRUE;
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      SetTextColor(dc, RGB(255, 0, 0));
      SetBkColor(dc, RGB(255, 255, 255));
      return reinterpret_cast<INT_PTR>(GetStockObject(WHITE_BRUSH));
    }
    case WM_HSCROLL:
    case WM_VSCROLL:
      self->OnSlider(GetDlgCtrlID(reinterpret_cast<HWND>(lParam)), LOWORD(wParam));
      return TRUE;
    case WM_COMMAND:
      self->OnCommand(LOWORD(wParam), HIWORD(wParam));
      return TRUE;
    case WM_MOUSEMOVE:
      if (self->draggedAngle != nullptr) {
        POINT p{short(LOWORD(lParam)), short(HIWORD(lParam))};
        if (self->draggedAngle->OnDrag(p)) self->RequestRender();
      }
      return TRUE;
    case WM_LBUTTONDOWN: {
      POINT p{short(LOWORD(lParam)), short(HIWORD(lParam))};
      for (pfParameterUI* binding : *self->controls) {
        auto* win32 = dynamic_cast<pfParameterUIWin32*>(binding);
        if (win32 != nullptr && win32->OnLeftPress(*self, p)) break;
      }
      return TRUE;
    }
    case WM_LBUTTONUP:
      if (self->draggedAngle != nullptr) {
        self->draggedAngle = nullptr;
        if (GetCapture() == window) ReleaseCapture();
      }
      if (self->pickedColour != nullptr) self->EndColourPick();
      return TRUE;
    case WM_RBUTTONUP: {
      POINT p{short(LOWORD(lParam)), short(HIWORD(lParam))};
      bool taken = false;
      for (pfParameterUI* binding : *self->controls) {
        auto* win32 = dynamic_cast<pfParameterUIWin32*>(binding);
        if (win32 != nullptr && win32->OnRightRelease(*self, p)) {
          taken = true;
          break;
        }
      }
      if (!taken && self->pickedColour == nullptr) {
        SetClassLongPtrW(window, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(self->arrowCursor));
      }
      return TRUE;
    }
    default:
      return FALSE;
  }
}
