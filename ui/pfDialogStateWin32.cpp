#include "ui/pfDialogStateWin32.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "base/Log.h"
#include "params/pfParameter.h"
#include "params/pfParameters.h"

const char* const pfDialogStateWin32::kKey = "SOFTWARE\\Kestrimond\\Photoshop\\Quenara";
const char* const pfDialogStateWin32::kLastUsedKey =
    "SOFTWARE\\Kestrimond\\Photoshop\\Quenara\\LastUsed";

namespace {

HKEY OpenForReading(const char* path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return nullptr;
  return key;
}

HKEY OpenForWriting(const char* path) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                      nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return nullptr;
  }
  return key;
}

// True only when the value exists and fills exactly size bytes.
bool Query(HKEY key, const std::string& name, void* data, DWORD size) {
  DWORD got = size;
  return RegQueryValueExA(key, name.c_str(), nullptr, nullptr, static_cast<BYTE*>(data), &got) ==
             ERROR_SUCCESS &&
         got == size;
}

bool QueryDword(HKEY key, const char* name, LONG& value) {
  DWORD v = 0;
  if (!Query(key, name, &v, sizeof(v))) return false;
  value = LONG(v);
  return true;
}

void SetDword(HKEY key, const char* name, LONG value) {
  const DWORD v = DWORD(value);
  RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof(v));
}

void SetBinary(HKEY key, const std::string& name, const void* data, DWORD size) {
  RegSetValueExA(key, name.c_str(), 0, REG_BINARY, static_cast<const BYTE*>(data), size);
}

void SetDouble(HKEY key, const std::string& name, double value) {
  SetBinary(key, name, &value, sizeof(value));
}

bool QueryDouble(HKEY key, const std::string& name, double& value) {
  return Query(key, name, &value, sizeof(value));
}

bool QueryFlag(HKEY key, const char* name, bool& flag) {
  uint8_t b = 0;
  if (!Query(key, name, &b, 1)) return false;
  flag = b != 0;
  return true;
}

}  // namespace

void pfDialogStateWin32::ClampToVirtualScreen(LONG& x, LONG& y) {
  const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
  const int height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
  if (width == 0 || height == 0) return;
  if (x < 0) x = 0;
  if (x > width) x = width - 50;
  if (y < 0) y = 0;
  if (y > height) y = height - 50;
}

void pfDialogStateWin32::ReadInterface(HWND dialog, std::string& presetPath, bool& showHandle,
                                       bool& interruptPreview) {
  POINT p{0, 0};
  if (HKEY key = OpenForReading(kKey)) {
    LONG x = 0, y = 0;
    if (QueryDword(key, "Interface Position X", x) && QueryDword(key, "Interface Position Y", y)) {
      ClampToVirtualScreen(x, y);
      p = POINT{x, y};
    }
    char path[257] = {};
    DWORD size = 256;
    if (RegQueryValueExA(key, "Preset Path", nullptr, nullptr, reinterpret_cast<BYTE*>(path),
                         &size) == ERROR_SUCCESS) {
      presetPath = path;
    }
    QLOG_TRACE("UIProcedure - WM_INITDIALOG: PresetPath(" << presetPath << ") )");
    QueryFlag(key, "Interface HideHandle", showHandle);
    QueryFlag(key, "Interface FixedPreview", interruptPreview);
    RegCloseKey(key);
  }
  SetWindowPos(dialog, nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void pfDialogStateWin32::WriteInterface(HWND dialog, const std::string& presetPath, bool showHandle,
                                        bool interruptPreview) {
  WINDOWPLACEMENT placement = {};
  placement.length = sizeof(placement);
  if (!GetWindowPlacement(dialog, &placement)) return;
  HKEY key = OpenForWriting(kKey);
  if (key == nullptr) return;
  SetDword(key, "Interface Position X", placement.rcNormalPosition.left);
  SetDword(key, "Interface Position Y", placement.rcNormalPosition.top);
  RegSetValueExA(key, "Preset Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(presetPath.c_str()),
                 DWORD(presetPath.size() + 1));
  QLOG_TRACE("UIProcedure - WM_INITDIALOG: PresetPath(" << presetPath << ") )");
  const uint8_t handle = showHandle ? 1 : 0, interrupt = interruptPreview ? 1 : 0;
  SetBinary(key, "Interface HideHandle", &handle, 1);
  SetBinary(key, "Interface FixedPreview", &interrupt, 1);
  RegCloseKey(key);
}

void pfDialogStateWin32::ReadPreview(HWND window) {
  LONG x = 200, y = 200, width = 400, height = 400, state = 0;
  if (HKEY key = OpenForReading(kKey)) {
    const bool rectangle = QueryDword(key, "Preview Position X", x) &
                           QueryDword(key, "Preview Position Y", y) &
                           QueryDword(key, "Preview Position Width", width) &
                           QueryDword(key, "Preview Position Height", height);
    QueryDword(key, "Preview State", state);
    if (rectangle) ClampToVirtualScreen(x, y);
    RegCloseKey(key);
  } else {
    // First run: a square of two thirds of the screen's width, centred.
    const int screenWidth = GetSystemMetrics(SM_CXFULLSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYFULLSCREEN);
    width = height = LONG(2 * screenWidth / 3.0);
    x = (screenWidth - width) / 2;
    y = (screenHeight - height) / 2;
  }
  SetWindowPos(window, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  if ((state & 3) == 3) ShowWindow(window, SW_MAXIMIZE);
}

void pfDialogStateWin32::WritePreview(HWND window) {
  WINDOWPLACEMENT placement = {};
  placement.length = sizeof(placement);
  if (!GetWindowPlacement(window, &placement)) return;
  HKEY key = OpenForWriting(kKey);
  if (key == nullptr) return;
  const RECT& r = placement.rcNormalPosition;
  SetDword(key, "Preview Position X", r.left);
  SetDword(key, "Preview Position Y", r.top);
  SetDword(key, "Preview Position Width", r.right - r.left);
  SetDword(key, "Preview Position Height", r.bottom - r.top);
  SetDword(key, "Preview State", LONG(placement.showCmd));
  RegCloseKey(key);
}

namespace {
// The last-used values: one registry value per part of a parameter's value, named after the
// parameter (a point's parts with "_X" and "_Y", a colour's with "_red", "_green" and
// "_blue"); doubles as their 8 bytes, on/off as 1 byte, integers and items as 4 bytes.
class LastUsedWriter : public pfValueSink {
 public:
  LastUsedWriter(HKEY openKey, const std::string& valueName) : key(openKey), name(valueName) {}
  void PutBool(bool value) override {
    const uint8_t v = value ? 1 : 0;
    SetBinary(key, name, &v, 1);
  }
  void PutInt(int32_t value) override { SetBinary(key, name, &value, sizeof(value)); }
  void PutDouble(double value) override { SetDouble(key, name, value); }
  void PutItem(int32_t item) override { PutInt(item); }
  void PutPoint(double x, double y) override {
    SetDouble(key, name + "_X", x);
    SetDouble(key, name + "_Y", y);
  }
  void PutColour(double red, double green, double blue) override {
    SetDouble(key, name + "_red", red);
    SetDouble(key, name + "_green", green);
    SetDouble(key, name + "_blue", blue);
  }

 private:
  HKEY key;
  const std::string& name;
};

// A value that is missing or of the wrong size leaves the parameter as it is; so does a point
// or colour with any part missing.
class LastUsedReader : public pfValueSource {
 public:
  LastUsedReader(HKEY openKey, const std::string& valueName) : key(openKey), name(valueName) {}
  bool GetBool(bool& value) override {
    uint8_t v = 0;
    if (!Query(key, name, &v, 1)) return false;
    value = v != 0;
    return true;
  }
  bool GetInt(int32_t& value) override {
    int32_t v = 0;
    if (!Query(key, name, &v, sizeof(v))) return false;
    value = v;
    return true;
  }
  bool GetDouble(double& value) override {
    double v = 0;
    if (!QueryDouble(key, name, v)) return false;
    value = v;
    return true;
  }
  bool GetItem(int32_t& item) override { return GetInt(item); }
  bool GetPoint(double& x, double& y) override {
    double gx = 0, gy = 0;
    if (!QueryDouble(key, name + "_X", gx) || !QueryDouble(key, name + "_Y", gy)) return false;
    x = gx;
    y = gy;
    return true;
  }
  bool GetColour(double& red, double& green, double& blue) override {
    double r = 0, g = 0, b = 0;
    if (!QueryDouble(key, name + "_red", r) || !QueryDouble(key, name + "_green", g) ||
        !QueryDouble(key, name + "_blue", b)) {
      return false;
    }
    red = r;
    green = g;
    blue = b;
    return true;
  }

 private:
  HKEY key;
  const std::string& name;
};
}  // namespace

void pfDialogStateWin32::WriteLastUsed(pfParameters& parameters) {
  HKEY key = OpenForWriting(kLastUsedKey);
  if (key == nullptr) return;
  for (int32_t i = 0; i < parameters.GetCount(); ++i) {
    const pfParameter* p = parameters.GetParameter(i);
    if (!p->GetSaved()) continue;
    LastUsedWriter writer(key, p->GetName());
    p->WriteValue(writer);
  }
  RegCloseKey(key);
}

void pfDialogStateWin32::ReadLastUsed(pfParameters& parameters) {
  HKEY key = OpenForReading(kLastUsedKey);
  if (key == nullptr) return;
  for (int32_t i = 0; i < parameters.GetCount(); ++i) {
    pfParameter* p = parameters.GetParameter(i);
    if (!p->GetSaved()) continue;
    LastUsedReader reader(key, p->GetName());
    p->ReadValue(reader);
  }
  RegCloseKey(key);
}
