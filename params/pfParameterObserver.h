// What a parameter knows of the control that shows it: something it can ask to show the
// current value. The bindings in ui/ (pfParameterUI) implement it; the parameter model needs
// nothing else of them.
#pragma once

class pfParameterObserver {
 public:
  // Writes the parameter's current value into the control.
  virtual void Refresh() = 0;

 protected:
  pfParameterObserver() = default;
  ~pfParameterObserver() = default;
  pfParameterObserver(const pfParameterObserver&) = default;
  pfParameterObserver& operator=(const pfParameterObserver&) = default;
};
