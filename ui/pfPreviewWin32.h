// The Win32 dialog-and-preview object. For now it provides the about box and the colour
// chooser; Show accepts the current parameters without opening the interface dialog, which is
// still to come.
#pragma once

#include "ui/pfPreview.h"

class pfPreviewWin32 : public pfPreview {
 public:
  pfPreviewWin32() = default;

  bool Show(pfFilter* filter, FilterRecord* record, std::list<pfParameterUI*>& controls) override;
  // Dialog 111, modal and without an owner, the text in its static control 1083. Any command
  // or a close request ends it.
  void ShowAbout(const std::string& text) override;
  void ParametersChanged() override {}
  // The system colour dialog, opened with the colour given (components 0..1) and a custom
  // colour table that lasts while the library is loaded. On OK the chosen colour replaces the
  // arguments.
  bool AlternativeColorSelection(double& red, double& green, double& blue) override;

 private:
  FilterRecord* filterRecord = nullptr;  // record of the current host call (from Show)
};
