// The dialog-and-preview object as the rest of the plug-in sees it. pfPreviewWin32 is the real
// modal dialog; builds and hosts without a dialog use pfPreviewNone, which shows nothing.
#pragma once

#include <cstdint>
#include <list>
#include <string>

class pfFilter;
class pfParameterUI;
struct FilterRecord;

class pfPreview {
 public:
  virtual ~pfPreview() = default;

  // Runs the modal dialog; false when the user cancelled.
  virtual bool Show(pfFilter* filter, FilterRecord* record, std::list<pfParameterUI*>& controls) = 0;
  // The modal about box with the formatted about text.
  virtual void ShowAbout(const std::string& text) = 0;
  // Parameters changed behind the controls' back (randomize, undo, presets): refresh the
  // controls and re-render the preview.
  virtual void ParametersChanged() = 0;
  // The dialog's own colour picker, used when the host offers no colour services.
  virtual bool AlternativeColorSelection(double& red, double& green, double& blue) = 0;

  // Preview render state read by ReportProgress: the tick at which the running preview render
  // started (0 when none runs, as during the final render), whether a new render was requested
  // and whether a change may interrupt the running one ("fixed preview" unticked).
  virtual uint32_t GetRenderStartTick() const { return 0; }
  virtual bool IsRenderRequested() const { return false; }
  virtual bool GetInterruptPreview() const { return false; }
};

// No dialog: Show accepts the current parameters, the about box and colour picker do nothing.
class pfPreviewNone : public pfPreview {
 public:
  bool Show(pfFilter*, FilterRecord*, std::list<pfParameterUI*>&) override { return true; }
  void ShowAbout(const std::string&) override {}
  void ParametersChanged() override {}
  bool AlternativeColorSelection(double&, double&, double&) override { return false; }
};
