// The framework's filter class: the one object behind ENTRYPOINT. It answers the host's
// selectors, owns everything that outlives one host call (parameters, control bindings, undo
// history, dialog) and implements the engine's host services on top of the current call's
// FilterRecord. The effect class derives from it and supplies Render, ResetParameters and GetName.
#pragma once

#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "base/KestrimondHost.h"
#include "base/PiApi.h"
#include "base/pfLock.h"
#include "params/pfParameters.h"
#include "params/pfUndoHistory.h"
#include "ui/pfPreview.h"

class pfParameterUI;

class pfFilter : public KestrimondHost, public pfDialogHost {
 public:
  pfFilter(std::string name, int32_t versionMajor, int32_t versionMinor, int32_t versionPatch,
           std::string description);
  ~pfFilter() override;

  // Host services for the image engine.
  int32_t ReportProgress(int32_t done, int32_t total) override;
  void* AllocateMemory(size_t size) override;
  void FreeMemory(void* block) override;
  int32_t GetProcessorCount(int32_t* count) override;
  int32_t RunParallel(int32_t n, void* data, KestrimondBandFunction bandFunction) override;
  int32_t OutOfMemoryError() override;

  int16_t Render(FilterRecord* record) override = 0;
  // Adapts values and controls to the image before the dialog opens.
  void AdaptToImage(FilterRecord* record) override;
  void ResetParameters(bool recordUndo) override = 0;
  // The dialog's preview request: SetupFilterRecord at the preview's reduction.
  int16_t RequestImage(FilterRecord* record, uint32_t reduction) override;
  const char* GetName() override = 0;
  virtual int16_t DoParametersSelector(FilterRecord* record);

  // Dispatches one host call to its selector handler and writes the handler's result.
  void HandleSelector(int16_t selector, FilterRecord* record, intptr_t* data, int16_t* result);

  // Asks the host's colour picker (or the dialog's own) for a colour; red, green and blue are
  // 0..1, read on entry and replaced when the result is true.
  bool RequestColor(FilterRecord* record, double& red, double& green, double& blue) override;

  // The about box text: name, version and description.
  std::string AboutText() const;

  pfPreview* GetPreview() { return preview.get(); }
  pfParameters& GetParameters() override { return parameters; }
  std::list<pfParameterUI*>& GetControls() { return controls; }
  pfUndoHistory& GetUndoHistory() override { return undoHistory; }
  FilterRecord* GetFilterRecord() { return filterRecord; }
  // The live blocks of the host's buffer suite (address -> host buffer), for diagnostics.
  const std::map<void*, BufferID>& GetHostBlocks() const { return hostBlocks; }

 protected:
  int16_t DoAboutSelector(FilterRecord* record);
  int16_t DoPrepareSelector(FilterRecord* record);
  int16_t DoStartSelector(FilterRecord* record);
  int16_t DoContinueSelector(FilterRecord* record);
  int16_t DoFinishSelector(FilterRecord* record);

  // The platform's dialog, or pfPreviewNone where there is none.
  std::unique_ptr<pfPreview> preview;
  pfParameters parameters;
  std::list<pfParameterUI*> controls;
  pfUndoHistory undoHistory;
  // The record of the current host call; replaced on every call.
  FilterRecord* filterRecord;

 private:
  // Steps 2 to 9 of the start selector, once the host's callbacks are known to be there.
  int16_t RunStart(FilterRecord* record);

  // Blocks from the host's buffer suite: address -> host buffer.
  std::map<void*, BufferID> hostBlocks;
  // Heap blocks too large for the suite's 32-bit size, taken while the suite was in use, so
  // that FreeMemory returns them to the heap instead of looking for them in hostBlocks.
  std::set<void*> largeBlocks;
  // Serialises progress reporting and every host call made on behalf of worker threads.
  pfLock lock;
};
