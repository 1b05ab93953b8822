// The dialog-and-preview object as the rest of the plug-in sees it. pfPreviewWin32 is the real
// modal dialog; builds and hosts without a dialog use pfPreviewNone, which shows nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <string>

class pfFilter;
class pfParameterUI;
class pfParameters;
class pfUndoHistory;
struct FilterRecord;

// What the dialog needs of the filter it shows: pfFilter implements it, so that the dialog
// reaches the render, the host's image and the undo history without knowing the filter class.
class pfDialogHost {
 public:
  virtual ~pfDialogHost() = default;
  virtual int16_t Render(FilterRecord* record) = 0;
  virtual void AdaptToImage(FilterRecord* record) = 0;
  virtual void ResetParameters(bool recordUndo) = 0;
  virtual int32_t ReportProgress(int32_t done, int32_t total) = 0;
  virtual void* AllocateMemory(size_t size) = 0;
  virtual void FreeMemory(void* block) = 0;
  // Asks the host for the whole image reduced by the factor; the host's result code.
  virtual int16_t RequestImage(FilterRecord* record, uint32_t reduction) = 0;
  virtual bool RequestColor(FilterRecord* record, double& red, double& green, double& blue) = 0;
  virtual pfUndoHistory& GetUndoHistory() = 0;
  // The parameters that presets and last-used values read and write, and the filter's short
  // name, the owner of its preset files.
  virtual pfParameters& GetParameters() = 0;
  virtual const char* GetName() = 0;
};

class pfPreview {
 public:
  virtual ~pfPreview() = default;

  // The filter whose dialog this is; set once by the filter that owns the object.
  void SetDialogHost(pfDialogHost* host) { dialogHost = host; }

  // Runs the modal dialog; false when the user cancelled.
  virtual bool Show(pfFilter* filter, FilterRecord* record,
                    std::list<pfParameterUI*>& controls) = 0;
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

 protected:
  pfDialogHost* dialogHost = nullptr;
};

// No dialog: Show accepts the current parameters, the about box and colour picker do nothing.
class pfPreviewNone : public pfPreview {
 public:
  bool Show(pfFilter*, FilterRecord*, std::list<pfParameterUI*>&) override { return true; }
  void ShowAbout(const std::string&) override {}
  void ParametersChanged() override {}
  bool AlternativeColorSelection(double&, double&, double&) override { return false; }
};
