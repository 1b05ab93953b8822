// Portable part of a control binding: the parameter it shows and its enabled / visible
// state. The Win32 bindings derive from it and put the state on real controls; builds without
// a dialog use it as it is, so AdaptToImage and the change callbacks work everywhere.
#pragma once

#include <cstdint>

#include "params/pfParameter.h"

class pfParameter;

class pfParameterUI : public pfParameterObserver {
 public:
  pfParameterUI() = default;
  virtual ~pfParameterUI() = default;
  pfParameterUI(const pfParameterUI&) = delete;
  pfParameterUI& operator=(const pfParameterUI&) = delete;

  // Binds the parameter (and tells the parameter which control shows it).
  virtual void SetParameter(pfParameter* p);
  pfParameter* GetParameter() const { return parameter; }

  // Sets up the controls of a new dialog and shows the value.
  virtual void Initialize() {}
  // Writes the parameter's value into the controls. Nothing to write without a dialog.
  void Refresh() override {}
  // Reads the control the user changed into the parameter; true when that changed the value
  // in a way the preview shows.
  virtual bool OnControlChanged() { return false; }
  // Whether the dialog control with this identifier belongs to this binding.
  virtual bool OwnsControl(int32_t) const { return false; }
  // An edit field lost the focus: take its text for good and show the value in normal form.
  virtual void OnEditCommitted(int32_t) {}

  virtual void SetEnabled(bool e) { enabled = e; }
  bool IsEnabled() const { return enabled; }
  virtual void SetVisible(bool v) { visible = v; }
  bool IsVisible() const { return visible; }

 protected:
  pfParameter* parameter = nullptr;
  bool enabled = true;
  bool visible = true;
};

// The kinds of control a parameter can be shown with.
enum class pfControlKind { Position, Float, Bool, List, RGB, Angle };

// The binding of this platform for a kind and its control identifiers (-1: none): float
// binding slider then edit, position binding x then y edit, the others their one control.
// Win32 bindings on Windows, the portable base elsewhere. The caller owns it.
pfParameterUI* pfCreateParameterUI(pfControlKind kind, int32_t control, int32_t secondControl);
