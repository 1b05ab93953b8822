// The Win32 control bindings: each ties one parameter to its controls in the interface dialog,
// writes the value into them (Refresh) and reads a changed control back (OnControlChanged). A
// control that has the keyboard focus is never rewritten, so typing and dragging are not
// disturbed. Without a live dialog (before the first Show, between runs) nothing is drawn.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "ui/pfParameterUI.h"

class pfDialogHost;
class pfParameterRGB;
class pfParameterUIWin32;
class pfUndo;
struct FilterRecord;

// What the bindings ask of the running dialog (pfPreviewWin32): a finished undo step, a
// render, the colour request with both dialogs disabled meanwhile, the pick-colour mode and
// an angle drag.
class pfBindingServicesWin32 {
 public:
  virtual void RecordUndo(std::unique_ptr<pfUndo> record) = 0;
  virtual void RequestRender() = 0;
  virtual bool ChooseColour(double& red, double& green, double& blue) = 0;
  virtual void EnableDialogs(bool enable) = 0;
  virtual void StartColourPick(pfParameterRGB* colour) = 0;
  virtual void StartAngleDrag(pfParameterUIWin32* binding) = 0;

 protected:
  ~pfBindingServicesWin32() = default;
};

class pfParameterUIWin32 : public pfParameterUI {
 public:
  // The interface dialog of the running Show, or null.
  void SetDialog(HWND window) { dialog = window; }
  HWND GetDialog() const { return dialog; }
  void SetExtraControl(int32_t id) { extraControl = id; }
  virtual int32_t GetMainControl() const = 0;

  // A new dialog: show the value and state in it.
  void Initialize() override { Refresh(); }

  // Enabling and hiding show at once.
  void SetEnabled(bool e) override;
  void SetVisible(bool v) override;

  // Bindings drawn by the dialog itself (colour swatches, angle dials), for the host's image
  // mode.
  virtual void Paint(HDC, int32_t) {}
  // A left press at a client point of the dialog; true when this binding took it.
  virtual bool OnLeftPress(pfBindingServicesWin32&, POINT) { return false; }
  // A right release at a client point of the dialog; true when this binding took it.
  virtual bool OnRightRelease(pfBindingServicesWin32&, POINT) { return false; }
  // The pointer moved while this binding holds the mouse; true when the value changed.
  virtual bool OnDrag(POINT) { return false; }

 protected:
  bool Live() const;
  HWND Control(int32_t id) const;
  bool HasFocus(int32_t id) const;
  // Enables and shows (or hides) the controls and the extra control, and invalidates them.
  void ApplyState(int32_t first, int32_t second);
  void SetText(int32_t id, const char* text);
  // The control's text (at most 49 characters), and whether all of it is a decimal number.
  static bool ReadNumber(HWND control, double& value);
  // A rectangle of the dialog's client area.
  bool ControlRect(int32_t id, RECT& rect) const;
  // Controls that the dialog paints itself (swatch, dial) are redrawn through the dialog:
  // invalidating the control alone would not repaint them.
  void InvalidateOnDialog(int32_t id);

  HWND dialog = nullptr;
  int32_t extraControl = -1;
};

// Slider (track bar, position = value x 100) and edit field.
class pfParameterUIFloatWin32 : public pfParameterUIWin32 {
 public:
  pfParameterUIFloatWin32(int32_t sliderId, int32_t editId) : slider(sliderId), edit(editId) {}
  void Initialize() override;
  void Refresh() override;
  bool OnControlChanged() override;
  bool OwnsControl(int32_t id) const override { return id == slider || id == edit; }
  void OnEditCommitted(int32_t id) override;
  int32_t GetMainControl() const override { return slider; }

 private:
  bool TakeEdit();
  int32_t slider;
  int32_t edit;
};

// Check box, or push button whose change callback does the work.
class pfParameterUIBoolWin32 : public pfParameterUIWin32 {
 public:
  explicit pfParameterUIBoolWin32(int32_t buttonId) : button(buttonId) {}
  void Refresh() override;
  bool OnControlChanged() override;
  bool OwnsControl(int32_t id) const override { return id == button; }
  int32_t GetMainControl() const override { return button; }

 private:
  int32_t button;
};

// Drop-down list of the parameter's items.
class pfParameterUIListWin32 : public pfParameterUIWin32 {
 public:
  explicit pfParameterUIListWin32(int32_t listId) : list(listId) {}
  void Refresh() override;
  bool OnControlChanged() override;
  bool OwnsControl(int32_t id) const override { return id == list; }
  int32_t GetMainControl() const override { return list; }

 private:
  int32_t list;
};

// Two edit fields with the position in whole-image pixels.
class pfParameterUIPositionWin32 : public pfParameterUIWin32 {
 public:
  pfParameterUIPositionWin32(int32_t xId, int32_t yId) : xEdit(xId), yEdit(yId) {}
  void Refresh() override;
  bool OnControlChanged() override;
  bool OwnsControl(int32_t id) const override { return id == xEdit || id == yEdit; }
  int32_t GetMainControl() const override { return xEdit; }

  // The whole image's size in pixels, shared by all position bindings (1 x 1 until set).
  static void SetPositionScale(double width, double height);

 private:
  void RefreshEdit(int32_t id, double value, double scale);
  int32_t xEdit;
  int32_t yEdit;
  static double scaleWidth;
  static double scaleHeight;
};

// A colour swatch painted by the dialog: left click asks for a colour, right click picks one
// from the preview.
class pfParameterUIRGBWin32 : public pfParameterUIWin32 {
 public:
  explicit pfParameterUIRGBWin32(int32_t swatchId) : swatch(swatchId) {}
  void Refresh() override;
  bool OwnsControl(int32_t id) const override { return id == swatch; }
  int32_t GetMainControl() const override { return swatch; }
  void Paint(HDC dc, int32_t imageMode) override;
  bool OnLeftPress(pfBindingServicesWin32& preview, POINT point) override;
  bool OnRightRelease(pfBindingServicesWin32& preview, POINT point) override;

 private:
  int32_t swatch;
};

// A dial for a float holding an angle in degrees (0 up, clockwise), dragged with the mouse.
class pfParameterUIAngleWin32 : public pfParameterUIWin32 {
 public:
  explicit pfParameterUIAngleWin32(int32_t dialId) : dial(dialId) {}
  void Refresh() override;
  bool OwnsControl(int32_t id) const override { return id == dial; }
  int32_t GetMainControl() const override { return dial; }
  void Paint(HDC dc, int32_t imageMode) override;
  bool OnLeftPress(pfBindingServicesWin32& preview, POINT point) override;
  bool OnDrag(POINT point) override;

 private:
  int32_t dial;
};
