// The Win32 dialog-and-preview object: the interface dialog (101) with every parameter control
// and the resizable preview dialog (105) with the zoomable live preview, both modeless, with a
// message loop of their own that renders the preview whenever it is stale. A running preview
// render gives way to the user: a change more than 200 ms into it abandons it (unless "fixed
// preview" is ticked), the next render is coarser, and a full-detail render follows every
// coarse one. Also the about box and the colour chooser.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "ui/pfParameterUIWin32.h"
#include "ui/pfPreview.h"

class pfParameterPosition;
class pfParameterRGB;
class pfParameterUIWin32;
class pfUndo;

class pfPreviewWin32 : public pfPreview, public pfBindingServicesWin32 {
 public:
  pfPreviewWin32() = default;
  ~pfPreviewWin32() override;

  // Runs the dialogs until OK (true) or Cancel (false). False as well, with an error line in
  // the log, when the dialogs cannot be opened (no host window, a failing creation).
  bool Show(pfFilter* filter, FilterRecord* record, std::list<pfParameterUI*>& controls) override;
  // Dialog 111, modal and without an owner, the text in its static control 1083. Any command
  // or a close request ends it.
  void ShowAbout(const std::string& text) override;
  // Refreshes every control and renders the preview again.
  void ParametersChanged() override;
  // The system colour dialog, opened with the colour given (components 0..1) and a custom
  // colour table that lasts while the library is loaded. On OK the chosen colour replaces the
  // arguments.
  bool AlternativeColorSelection(double& red, double& green, double& blue) override;

  uint32_t GetRenderStartTick() const override { return renderStartTick; }
  bool IsRenderRequested() const override { return renderRequested; }
  bool GetInterruptPreview() const override { return interruptPreview; }

  void RequestRender() override;
  void UpdateUndoButtons();
  void SetRequestedFactor(int32_t n);
  // The factor that shows the whole image in the preview frame.
  virtual void FitToFrame();
  int16_t AssignScaleFactor(int32_t n);

  // Services for the bindings: a finished undo step, the colour request, both dialogs
  // enabled or not, the pick-colour mode and an angle drag.
  void RecordUndo(std::unique_ptr<pfUndo> record) override;
  bool ChooseColour(double& red, double& green, double& blue) override;
  void EnableDialogs(bool enable) override;
  void StartColourPick(pfParameterRGB* colour) override;
  void StartAngleDrag(pfParameterUIWin32* binding) override;

  // State for the test program and diagnostics.
  HWND GetInterfaceWindow() const { return interfaceDialog; }
  HWND GetPreviewWindow() const { return previewDialog; }
  int32_t GetFactor() const { return factor; }
  int32_t GetCoarseLevel() const { return coarseLevel; }
  bool IsRendering() const { return rendering; }
  int32_t GetAbandonedRenders() const { return abandonedRenders; }
  int32_t GetCompletedRenders() const { return completedRenders; }
  bool GetShowHandle() const { return showHandle; }
  const std::string& GetPresetPath() const { return presetPath; }

  // The dialog resources: dialogs, their controls with a role of their own, cursor and icon.
  static constexpr int kInterfaceDialog = 101;
  static constexpr int kPreviewDialog = 105;
  static constexpr int kAboutDialog = 111;
  static constexpr int kSaveAsDialog = 113;
  static constexpr int kPresetList = 1001;
  static constexpr int kPresetSave = 1002;
  static constexpr int kPresetDelete = 1003;
  static constexpr int kUndo = 1004;
  static constexpr int kZoomIn = 1005;
  static constexpr int kZoomOut = 1006;
  static constexpr int kZoomLabel = 1007;
  static constexpr int kReset = 1008;
  static constexpr int kRedo = 1010;
  static constexpr int kPresetOpen = 1015;
  static constexpr int kPreviewFrame = 1022;
  static constexpr int kSaveAsName = 1073;
  static constexpr int kFixedPreview = 1081;
  static constexpr int kHideHandle = 1082;
  static constexpr int kAboutText = 1083;
  static constexpr int kPickCursor = 102;
  static constexpr int kDialogIcon = 116;

 private:
  // The module that holds this code and therefore the dialog resources: the plug-in library,
  // or a test program that links the resources in.
  static HMODULE ResourceModule();

  static INT_PTR CALLBACK UIProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static INT_PTR CALLBACK PreviewProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  bool CreateDialogs(HWND owner);
  void DestroyDialogs();
  bool RunLoop();
  void RenderWhileStale();
  bool OnControlCommand(int32_t id, bool createUndo);
  void OnEditCommitted(int32_t id);
  void OnCommand(int32_t id, int32_t code);
  void OnSlider(int32_t id, int32_t request);
  void UpdateAllControls();

  // Presets: the list of the current preset file and its four commands.
  void UpdateSettingsList();
  void OnPresetChosen();
  void OnSavePreset();
  void OnDeletePreset();
  void OnChangeSettingFile();
  void ApplyPreset(const std::string& name);
  std::string SelectedPreset() const;
  static INT_PTR CALLBACK SaveAsProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  // The last values that ended with OK, kept for the next run.
  void ReadLastUsedSettings();
  void WriteLastUsedSettings();
  pfParameterUIWin32* FindBinding(int32_t id) const;

  // Preview window.
  bool GetFrame(RECT& frame) const;
  void InvalidateFrame();
  void DrawToPreview();
  void PaintPreview(HDC dc);
  void ScreenToImage(int32_t x, int32_t y, double& fx, double& fy) const;
  void OnPreviewSize();
  void OnPreviewLeftDown(int32_t x, int32_t y);
  void OnPreviewMouseMove(int32_t x, int32_t y);
  void EndColourPick();
  void ReleasePreviewBitmap();

  int32_t factor = 1;
  int32_t requestedFactor = 1;
  HWND interfaceDialog = nullptr;
  HWND previewDialog = nullptr;
  FilterRecord* filterRecord = nullptr;
  pfFilter* filter = nullptr;  // passed on to preset loads, whose undo steps it records
  std::list<pfParameterUI*>* controls = nullptr;
  pfParameterPosition* draggedPosition = nullptr;
  pfParameterRGB* pickedColour = nullptr;
  pfParameterUIWin32* draggedAngle = nullptr;
  POINT pressPoint{0, 0};
  int32_t stride = 0;
  int32_t bitmapHeight = 0;
  POINT panStart{0, 0};
  int32_t panX = 0;
  int32_t panY = 0;
  POINT panMouseStart{0, 0};
  bool draggingHandle = false;
  bool panning = false;
  bool imageValid = false;
  double pixelRatio = 1.0;
  int32_t coarseLevel = 0;
  uint8_t* previewBitmap = nullptr;
  HCURSOR pickCursor = nullptr;
  HCURSOR arrowCursor = nullptr;
  HICON previousIcon = nullptr;
  int32_t lastHostFactor = -1;
  std::string presetPath;
  // Shared with the "save as" dialog: the proposed name in, the chosen one out (empty:
  // cancelled).
  char nameBuffer[256] = {};

  // One dialog runs at a time; these are its loop's flags.
  bool renderRequested = false;
  uint32_t renderStartTick = 0;
  int32_t baseLevel = 0;
  bool interruptPreview = true;
  bool showHandle = true;
  bool tracking = false;
  bool rendering = false;
  int32_t abandonedRenders = 0;
  int32_t completedRenders = 0;
};
