// The dialog's preset list and its commands: choose, save as, delete and open another file.
// The file operations are the parameter model's; this is the user's side of them.
#include <windows.h>
// after windows.h, which it needs
#include <commdlg.h>

#include <list>
#include <string>

#include "base/Log.h"
#include "params/pfParameters.h"
#include "ui/pfDialogStateWin32.h"
#include "ui/pfPreviewWin32.h"

// The selected entry's text; empty when nothing is selected or the text is too long to be a
// preset name.
std::string pfPreviewWin32::SelectedPreset() const {
  HWND list = GetDlgItem(interfaceDialog, kPresetList);
  const LRESULT index = SendMessageA(list, CB_GETCURSEL, 0, 0);
  if (index == CB_ERR) return std::string();
  const LRESULT length = SendMessageA(list, CB_GETLBTEXTLEN, WPARAM(index), 0);
  if (length == CB_ERR || length >= 255) return std::string();
  char text[256] = {};
  SendMessageA(list, CB_GETLBTEXT, WPARAM(index), reinterpret_cast<LPARAM>(text));
  return text;
}

void pfPreviewWin32::UpdateSettingsList() {
  QLOG_SCOPE(scope, "pfPreviewWin32::UpdateSettingsList()", "pfPreviewWin32::UpdateSettingsList()");
  HWND list = GetDlgItem(interfaceDialog, kPresetList);
  const std::string selected = SelectedPreset();
  SendMessageA(list, CB_RESETCONTENT, 0, 0);
  std::list<std::string> names;
  if (!dialogHost->GetParameters().GetSettingNames(presetPath, names, dialogHost->GetName())) {
    presetPath.clear();
  }
  QLOG_TRACE("m_hInterface(0x" << LogPtr(interfaceDialog) << ")");
  if (interfaceDialog != nullptr) {
    EnableWindow(GetDlgItem(interfaceDialog, kPresetDelete), names.empty() ? FALSE : TRUE);
    QLOG_TRACE((names.empty() ? "disabled delete" : "enabled delete"));
    const BOOL usable = presetPath.empty() ? FALSE : TRUE;
    EnableWindow(GetDlgItem(interfaceDialog, kPresetSave), usable);
    EnableWindow(list, usable);
    QLOG_TRACE((usable ? "enabled save and combo" : "disabled save and combo"));
  }
  for (const std::string& name : names) {
    QLOG_TRACE("about to add string: " << name);
    SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
  }
  if (!selected.empty()) {
    QLOG_TRACE("select setting: " << selected);
    // The list's exact search ignores case; no match leaves nothing selected.
    const LRESULT index = SendMessageA(list, CB_FINDSTRINGEXACT, WPARAM(-1),
                                       reinterpret_cast<LPARAM>(selected.c_str()));
    SendMessageA(list, CB_SETCURSEL, index == CB_ERR ? WPARAM(-1) : WPARAM(index), 0);
  }
}

void pfPreviewWin32::ApplyPreset(const std::string& name) {
  dialogHost->GetParameters().LoadSettings(name, presetPath, filter);
}

void pfPreviewWin32::OnPresetChosen() {
  const std::string name = SelectedPreset();
  if (name.empty()) return;
  ApplyPreset(name);
  UpdateSettingsList();
  UpdateAllControls();
  RequestRender();
}

void pfPreviewWin32::OnSavePreset() {
  GetWindowTextA(GetDlgItem(interfaceDialog, kPresetList), nameBuffer, 255);
  const INT_PTR result =
      DialogBoxParamW(ResourceModule(), MAKEINTRESOURCEW(kSaveAsDialog), interfaceDialog,
                      SaveAsProcedure, reinterpret_cast<LPARAM>(this));
  if (result == -1 || nameBuffer[0] == '\0') return;
  dialogHost->GetParameters().SaveSettings(nameBuffer, presetPath, dialogHost->GetName());
  UpdateSettingsList();
  SendDlgItemMessageA(interfaceDialog, kPresetList, CB_SELECTSTRING, WPARAM(-1),
                      reinterpret_cast<LPARAM>(nameBuffer));
}

INT_PTR CALLBACK pfPreviewWin32::SaveAsProcedure(HWND window, UINT message, WPARAM wParam,
                                                 LPARAM lParam) {
  auto* self = reinterpret_cast<pfPreviewWin32*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  HWND edit = GetDlgItem(window, kSaveAsName);
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(window, GWLP_USERDATA, lParam);
    self = reinterpret_cast<pfPreviewWin32*>(lParam);
    SetWindowTextA(edit, self->nameBuffer);
    SetFocus(edit);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    return FALSE;  // the focus is set
  }
  if (self == nullptr || message != WM_COMMAND) return FALSE;
  switch (LOWORD(wParam)) {
    case IDOK: {
      GetWindowTextA(edit, self->nameBuffer, 255);
      for (char* c = self->nameBuffer; *c != '\0'; ++c) {
        if (*c == ' ') *c = '_';
      }
      SetWindowTextA(edit, self->nameBuffer);
      const LRESULT existing =
          SendDlgItemMessageA(self->interfaceDialog, kPresetList, CB_FINDSTRINGEXACT, WPARAM(-1),
                              reinterpret_cast<LPARAM>(self->nameBuffer));
      if (existing != CB_ERR &&
          MessageBoxA(self->interfaceDialog,
                      "There already is a preset with that name.\nOverwrite it? ",
                      "Overwrite Setting?", MB_YESNO | MB_ICONQUESTION) != IDYES) {
        SetFocus(edit);
        SendMessageA(edit, EM_SETSEL, 0, -1);
        return TRUE;
      }
      EndDialog(window, IDOK);
      return TRUE;
    }
    case IDCANCEL:
      self->nameBuffer[0] = '\0';
      EndDialog(window, IDCANCEL);
      return TRUE;
    default:
      return FALSE;
  }
}

void pfPreviewWin32::OnDeletePreset() {
  HWND list = GetDlgItem(interfaceDialog, kPresetList);
  const LRESULT index = SendMessageA(list, CB_GETCURSEL, 0, 0);
  if (index == CB_ERR) return;
  if (MessageBoxA(interfaceDialog, "Really delete this preset?", "Delete Preset?",
                  MB_YESNO | MB_ICONQUESTION) != IDYES) {
    return;
  }
  const std::string name = SelectedPreset();
  // The neighbour before it, or after it when the first goes; the list keeps it selected
  // by its text.
  const LRESULT count = SendMessageA(list, CB_GETCOUNT, 0, 0);
  const LRESULT neighbour = index > 0 ? index - 1 : count > 1 ? 1 : -1;
  SendMessageA(list, CB_SETCURSEL, WPARAM(neighbour), 0);
  dialogHost->GetParameters().DeleteSettings(name, presetPath);
  UpdateSettingsList();
  ApplyPreset(SelectedPreset());
  UpdateAllControls();
  RequestRender();
}

void pfPreviewWin32::OnChangeSettingFile() {
  QLOG_SCOPE(scope, "pfPreviewWin32::OnChangeSettingFile()",
             "pfPreviewWin32::OnChangeSettingFile()");
  char path[256] = {};
  presetPath.copy(path, sizeof(path) - 1);
  OPENFILENAMEA open = {};
  open.lStructSize = sizeof(open);
  open.hwndOwner = interfaceDialog;
  open.lpstrFilter = "Presets File (*.cfg)\0*.cfg\0";
  open.lpstrFile = path;
  open.nMaxFile = sizeof(path);
  open.lpstrTitle = "Open Presets File";
  open.lpstrDefExt = "cfg";
  // No OFN_FILEMUSTEXIST: a new name starts a new preset file at the first save.
  open.Flags = OFN_EXPLORER | OFN_ENABLESIZING | OFN_LONGNAMES | OFN_HIDEREADONLY;
  if (GetOpenFileNameA(&open)) {
    QLOG_TRACE("Selected File(" << path << ")");
    const std::string ownName = dialogHost->GetName();
    std::string owner = ownName;
    if (dialogHost->GetParameters().IsSettingFileValid(path, owner)) {
      presetPath = path;
      UpdateSettingsList();
    } else {
      const std::string text = owner != ownName
                                   ? "The selected settings file belongs to the Filter: " + owner
                                   : std::string("The file you selected is no valid Settingsfile.");
      MessageBoxA(interfaceDialog, text.c_str(), "Error", MB_OK | MB_ICONEXCLAMATION);
    }
  }
}

void pfPreviewWin32::ReadLastUsedSettings() {
  QLOG_SCOPE(scope, "pfPreviewWin32::ReadLastUsedSettings()",
             "pfPreviewWin32::ReadLastUsedSettings()");
  pfDialogStateWin32::ReadLastUsed(dialogHost->GetParameters());
}

void pfPreviewWin32::WriteLastUsedSettings() {
  QLOG_SCOPE(scope, "pfPreviewWin32::WriteLastUsedSettings()",
             "pfPreviewWin32::WriteLastUsedSettings()");
  pfDialogStateWin32::WriteLastUsed(dialogHost->GetParameters());
}
