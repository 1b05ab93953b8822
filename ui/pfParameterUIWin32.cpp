#include "ui/pfParameterUIWin32.h"

#include <commctrl.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "params/pfParameterKinds.h"
#include "params/pfUndo.h"
#include "ui/PreviewGeometry.h"

namespace {

constexpr int kTextLimit = 50;  // 49 characters and the terminator
constexpr double kSliderScale = 100.0;
constexpr int32_t kModeGrey = 1;
constexpr int32_t kModeGrey16 = 10;
constexpr double kGreyRed = 0.292687786;
constexpr double kGreyGreen = 0.552149646;
constexpr double kGreyBlue = 0.155162568;

// Only a plain decimal number: strtod alone would also take hexadecimal, "inf" and "nan".
bool WholeNumber(const char* text, double& value) {
  bool digit = false;
  for (const char* c = text; *c != '\0'; ++c) {
    if (*c >= '0' && *c <= '9') {
      digit = true;
    } else if (*c != '+' && *c != '-' && *c != '.' && *c != 'e' && *c != 'E' && *c != ' ') {
      return false;
    }
  }
  if (!digit) return false;
  char* end = nullptr;
  const double v = std::strtod(text, &end);
  if (end == text || *end != '\0' || !std::isfinite(v)) return false;
  value = v;
  return true;
}

}  // namespace

// ---- Common ----------------------------------------------------------------------------------

bool pfParameterUIWin32::Live() const {
  return dialog != nullptr && IsWindow(dialog) && parameter != nullptr;
}

HWND pfParameterUIWin32::Control(int32_t id) const {
  return id >= 0 ? GetDlgItem(dialog, id) : nullptr;
}

bool pfParameterUIWin32::HasFocus(int32_t id) const {
  HWND control = Control(id);
  return control != nullptr && GetFocus() == control;
}

void pfParameterUIWin32::SetEnabled(bool e) {
  if (e == enabled) return;
  enabled = e;
  Refresh();
}

void pfParameterUIWin32::SetVisible(bool v) {
  if (v == visible) return;
  visible = v;
  Refresh();
}

void pfParameterUIWin32::ApplyState(int32_t first, int32_t second) {
  if (dialog == nullptr || !IsWindow(dialog)) return;
  for (int32_t id : {extraControl, first, second}) {
    HWND control = Control(id);
    if (control == nullptr) continue;
    if (parameter != nullptr) {
      EnableWindow(control, enabled ? TRUE : FALSE);
      ShowWindow(control, visible ? SW_SHOWNA : SW_HIDE);
    }
    if (id != extraControl) InvalidateRect(control, nullptr, FALSE);
  }
}

void pfParameterUIWin32::SetText(int32_t id, const char* text) {
  HWND control = Control(id);
  if (control != nullptr) SetWindowTextA(control, text);
}

bool pfParameterUIWin32::ReadNumber(HWND control, double& value) {
  if (control == nullptr) return false;
  char text[kTextLimit] = {};
  GetWindowTextA(control, text, kTextLimit);
  return WholeNumber(text, value);
}

bool pfParameterUIWin32::ControlRect(int32_t id, RECT& rect) const {
  HWND control = Control(id);
  if (control == nullptr || !GetWindowRect(control, &rect)) return false;
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
  return true;
}

void pfParameterUIWin32::InvalidateOnDialog(int32_t id) {
  RECT r;
  if (dialog != nullptr && ControlRect(id, r)) InvalidateRect(dialog, &r, FALSE);
}

// ---- Float -----------------------------------------------------------------------------------

void pfParameterUIFloatWin32::Initialize() {
  if (Live()) {
    auto* p = static_cast<pfParameterFloat*>(parameter);
    HWND bar = Control(slider);
    SendMessageA(bar, TBM_SETRANGEMIN, FALSE, pfTrunc(p->GetMin() * kSliderScale));
    SendMessageA(bar, TBM_SETRANGEMAX, TRUE, pfTrunc(p->GetMax() * kSliderScale));
    const int32_t page = pfTrunc(std::fabs(p->GetMax() - p->GetMin()) * 10.0);
    SendMessageA(bar, TBM_SETPAGESIZE, 0, page < 1 ? 1 : page);
  }
  Refresh();
}

void pfParameterUIFloatWin32::Refresh() {
  if (Live()) {
    const double v = static_cast<pfParameterFloat*>(parameter)->GetValue();
    if (!HasFocus(slider)) {
      // Set around the value first: the bar repaints even when the position stays the same.
      HWND bar = Control(slider);
      SendMessageA(bar, TBM_SETPOS, FALSE, pfTrunc((v + 1) * kSliderScale));
      SendMessageA(bar, TBM_SETPOS, TRUE, pfTrunc(v * kSliderScale));
      SendMessageA(bar, TBM_SETPOS, FALSE, pfTrunc((v - 1) * kSliderScale));
      SendMessageA(bar, TBM_SETPOS, TRUE, pfTrunc(v * kSliderScale));
    }
    if (!HasFocus(edit)) {
      char text[32];
      std::snprintf(text, sizeof(text), "%g", v);
      SetText(edit, text);
    }
  }
  ApplyState(edit, slider);
}

bool pfParameterUIFloatWin32::TakeEdit() {
  double v = 0.0;
  if (!ReadNumber(Control(edit), v)) return false;
  auto* p = static_cast<pfParameterFloat*>(parameter);
  if (p->HasMin() && v < p->GetMin()) v = p->GetMin();
  if (p->HasMax() && v > p->GetMax()) v = p->GetMax();
  const bool changed = p->SetValue(v);
  p->Validate();
  return changed;
}

bool pfParameterUIFloatWin32::OnControlChanged() {
  if (!Live()) return false;
  if (HasFocus(edit)) return TakeEdit();
  if (HasFocus(slider)) {
    auto* p = static_cast<pfParameterFloat*>(parameter);
    const LRESULT position = SendMessageA(Control(slider), TBM_GETPOS, 0, 0);
    const bool changed = p->SetValue(double(position) / kSliderScale);
    p->Validate();
    return changed;
  }
  return false;
}

void pfParameterUIFloatWin32::OnEditCommitted(int32_t id) {
  if (id != edit || !Live()) return;
  TakeEdit();
  Refresh();
}

// ---- Bool ------------------------------------------------------------------------------------

void pfParameterUIBoolWin32::Refresh() {
  if (Live()) {
    const bool v = static_cast<pfParameterBool*>(parameter)->GetValue();
    SendMessageA(Control(button), BM_SETCHECK, v ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  ApplyState(button, -1);
}

bool pfParameterUIBoolWin32::OnControlChanged() {
  if (!Live() || !HasFocus(button)) return false;
  const LRESULT state = SendMessageA(Control(button), BM_GETCHECK, 0, 0);
  if (state == BST_INDETERMINATE) return false;
  // A push button always reads unchecked; its change callback runs all the same.
  return static_cast<pfParameterBool*>(parameter)->SetValue(state == BST_CHECKED);
}

// ---- List ------------------------------------------------------------------------------------

void pfParameterUIListWin32::Refresh() {
  if (Live()) {
    auto* p = static_cast<pfParameterList*>(parameter);
    HWND combo = Control(list);
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    for (int32_t i = 0; i < p->GetItemCount(); ++i) {
      SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(p->GetItem(i).c_str()));
    }
    SendMessageA(combo, CB_SETCURSEL, WPARAM(p->GetValue() - 1), 0);
  }
  ApplyState(list, -1);
}

bool pfParameterUIListWin32::OnControlChanged() {
  if (!Live()) return false;
  const LRESULT index = SendMessageA(Control(list), CB_GETCURSEL, 0, 0);
  return static_cast<pfParameterList*>(parameter)->SetValue(int32_t(index) + 1);
}

// ---- Position --------------------------------------------------------------------------------

double pfParameterUIPositionWin32::scaleWidth = 1.0;
double pfParameterUIPositionWin32::scaleHeight = 1.0;

void pfParameterUIPositionWin32::SetPositionScale(double width, double height) {
  scaleWidth = width;
  scaleHeight = height;
}

void pfParameterUIPositionWin32::RefreshEdit(int32_t id, double value, double scale) {
  // Text that already says this position stays as typed.
  double typed = 0.0;
  if (ReadNumber(Control(id), typed) && typed / scale == value) return;
  char text[32];
  std::snprintf(text, sizeof(text), "%d", pfTrunc(value * scale));
  SetText(id, text);
}

void pfParameterUIPositionWin32::Refresh() {
  if (Live()) {
    auto* p = static_cast<pfParameterPosition*>(parameter);
    RefreshEdit(xEdit, p->GetX(), scaleWidth);
    RefreshEdit(yEdit, p->GetY(), scaleHeight);
  }
  ApplyState(xEdit, yEdit);
}

bool pfParameterUIPositionWin32::OnControlChanged() {
  if (!Live()) return false;
  auto* p = static_cast<pfParameterPosition*>(parameter);
  double x = p->GetX();
  const double y = p->GetY();
  double typed = 0.0;
  if (HasFocus(xEdit) && ReadNumber(Control(xEdit), typed)) x = typed / scaleWidth;
  if (HasFocus(yEdit) && ReadNumber(Control(yEdit), typed)) return p->SetXY(x, typed / scaleHeight);
  return p->SetXY(x, y);
}

// ---- RGB -------------------------------------------------------------------------------------

void pfParameterUIRGBWin32::Refresh() {
  ApplyState(swatch, -1);
  InvalidateOnDialog(swatch);
}

void pfParameterUIRGBWin32::Paint(HDC dc, int32_t imageMode) {
  RECT r;
  if (!Live() || !visible || !ControlRect(swatch, r)) return;
  auto* p = static_cast<pfParameterRGB*>(parameter);
  double red = p->GetRed(), green = p->GetGreen(), blue = p->GetBlue();
  // A greyscale image can only use the grey of the colour: the parameter takes it too.
  if (imageMode == kModeGrey || imageMode == kModeGrey16) {
    red = green = blue = kGreyRed * red + kGreyGreen * green + kGreyBlue * blue;
    p->SetRGB(red, green, blue);
  }
  FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  InflateRect(&r, -1, -1);
  HBRUSH fill =
      CreateSolidBrush(RGB(pfTrunc(red * 255), pfTrunc(green * 255), pfTrunc(blue * 255)));
  FillRect(dc, &r, fill);
  DeleteObject(fill);
}

bool pfParameterUIRGBWin32::OnLeftPress(pfBindingServicesWin32& preview, POINT point) {
  RECT r;
  if (!Live() || !visible || !ControlRect(swatch, r) || !PtInRect(&r, point)) return false;
  auto* p = static_cast<pfParameterRGB*>(parameter);
  double red = p->GetRed(), green = p->GetGreen(), blue = p->GetBlue();
  preview.EnableDialogs(false);
  if (preview.ChooseColour(red, green, blue)) {
    preview.RecordUndo(p->CreateUndo());
    const bool changed = p->SetRGB(red, green, blue);
    p->UpdateControl();
    if (changed) preview.RequestRender();
  }
  preview.EnableDialogs(true);
  InvalidateRect(dialog, &r, FALSE);
  return true;
}

bool pfParameterUIRGBWin32::OnRightRelease(pfBindingServicesWin32& preview, POINT point) {
  RECT r;
  if (!Live() || !visible || !ControlRect(swatch, r) || !PtInRect(&r, point)) return false;
  auto* p = static_cast<pfParameterRGB*>(parameter);
  preview.RecordUndo(p->CreateUndo());
  preview.StartColourPick(p);
  return true;
}

// ---- Angle -----------------------------------------------------------------------------------

void pfParameterUIAngleWin32::Refresh() {
  ApplyState(dial, -1);
  InvalidateOnDialog(dial);
}

void pfParameterUIAngleWin32::Paint(HDC dc, int32_t) {
  RECT r;
  if (!Live() || !visible || !ControlRect(dial, r)) return;
  const double a = static_cast<pfParameterFloat*>(parameter)->GetValue() * 3.1415926535 / 180.0;
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(WHITE_BRUSH));
  Ellipse(dc, r.left, r.top, r.right, r.bottom);
  const int cx = (r.left + r.right) / 2;
  const int cy = (r.top + r.bottom) / 2;
  const int w = r.right - r.left, h = r.bottom - r.top;
  const double radius = (w < h ? w : h) / 2.0;
  SelectObject(dc, GetStockObject(BLACK_BRUSH));
  Ellipse(dc, cx - 5, cy - 5, cx + 5, cy + 5);
  const int tx = cx + pfTrunc(std::sin(a) * radius);
  const int ty = cy - pfTrunc(std::cos(a) * radius);
  // A needle 5 pixels wide: 25 lines from the square around the centre.
  for (int dy = -2; dy <= 2; ++dy) {
    for (int dx = -2; dx <= 2; ++dx) {
      MoveToEx(dc, cx + dx, cy + dy, nullptr);
      LineTo(dc, tx + dx, ty + dy);
    }
  }
  SelectObject(dc, oldBrush);
}

bool pfParameterUIAngleWin32::OnDrag(POINT point) {
  RECT r;
  if (!Live() || !ControlRect(dial, r)) return false;
  auto* p = static_cast<pfParameterFloat*>(parameter);
  double degrees = 0.0;
  const int32_t dx = point.x - (r.left + r.right) / 2;
  const int32_t dy = point.y - (r.top + r.bottom) / 2;
  if (!pfAngleFromPointer(p->GetValue(), dx, dy, degrees)) return false;
  const bool changed = p->SetValue(degrees);
  Refresh();
  return changed;
}

bool pfParameterUIAngleWin32::OnLeftPress(pfBindingServicesWin32& preview, POINT point) {
  RECT r;
  if (!Live() || !visible || !ControlRect(dial, r) || !PtInRect(&r, point)) return false;
  preview.RecordUndo(parameter->CreateUndo());
  SetFocus(nullptr);
  if (OnDrag(point)) preview.RequestRender();
  preview.StartAngleDrag(this);
  return true;
}

// ---- Factory ---------------------------------------------------------------------------------

pfParameterUI* pfCreateParameterUI(pfControlKind kind, int32_t control, int32_t secondControl) {
  switch (kind) {
    case pfControlKind::Position:
      return new pfParameterUIPositionWin32(control, secondControl);
    case pfControlKind::Float:
      return new pfParameterUIFloatWin32(control, secondControl);
    case pfControlKind::Bool:
      return new pfParameterUIBoolWin32(control);
    case pfControlKind::List:
      return new pfParameterUIListWin32(control);
    case pfControlKind::RGB:
      return new pfParameterUIRGBWin32(control);
    case pfControlKind::Angle:
      break;
  }
  return new pfParameterUIAngleWin32(control);
}
