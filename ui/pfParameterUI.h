// Portable part of a control binding: the parameter it shows and its enabled / visible
// state. The Win32 bindings derive from it and put the state on real controls; builds without
// a dialog use it as it is, so AdaptToImage and the change callbacks work everywhere.
#pragma once

#include "params/pfParameterObserver.h"

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

  // Writes the parameter's value into the controls. Nothing to write without a dialog.
  void Refresh() override {}

  virtual void SetEnabled(bool e) { enabled = e; }
  bool IsEnabled() const { return enabled; }
  virtual void SetVisible(bool v) { visible = v; }
  bool IsVisible() const { return visible; }

 protected:
  pfParameter* parameter = nullptr;
  bool enabled = true;
  bool visible = true;
};
