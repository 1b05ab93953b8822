// Base of every user-adjustable value: name, flags, change callback and the control that shows
// it. The kinds add their value, bounds and script keys. The filter owns its parameters as
// members; everything else (container, undo records, bindings) only points at them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "params/pfParameterObserver.h"

// The host API stays out of this header; only the scripting code includes base/PiApi.h.
struct FilterRecord;
typedef struct PIOpaqueReadDescriptor* PIReadDescriptor;
typedef struct PIOpaqueWriteDescriptor* PIWriteDescriptor;

class pfParameter;
class pfUndo;

// User data is pointer-sized so that a filter pointer fits on 64-bit builds.
typedef void (*pfParameterCallback)(pfParameter* parameter, intptr_t userData);

class pfParameter {
 public:
  pfParameter() = default;
  virtual ~pfParameter() = default;
  pfParameter(const pfParameter&) = delete;
  pfParameter& operator=(const pfParameter&) = delete;

  // Clamps the value into its enforced range (kinds without a range do nothing).
  virtual void Validate() = 0;
  // Asks the bound control, if any, to show the current value.
  virtual void UpdateControl() = 0;
  // Scripting: the host's descriptor suites must have been checked as usable by the caller.
  virtual void WriteScriptParam(FilterRecord* filterRecord, PIWriteDescriptor token) = 0;
  virtual void ReadScriptParam(FilterRecord* filterRecord, uint32_t key,
                               PIReadDescriptor token) = 0;
  virtual int32_t GetScriptKeyCount() const = 0;
  // Writes the non-zero keys (GetScriptKeyCount of them) to keys[0..].
  virtual void GetScriptKeys(uint32_t* keys) const = 0;
  // A new record holding the current value (usually handed to pfUndoHistory::Add). Null for a
  // kind without undo.
  virtual std::unique_ptr<pfUndo> CreateUndo() = 0;
  virtual void Randomize(double amount) = 0;

  const std::string& GetName() const { return name; }
  void SetName(const std::string& n) { name = n; }

  pfParameterObserver* GetControl() const { return control; }
  // Called by the binding (pfParameterUI::SetParameter), never by the parameter.
  void SetControl(pfParameterObserver* c) { control = c; }

  void SetCallback(pfParameterCallback callback, intptr_t userData) {
    changeCallback = callback;
    callbackUserData = userData;
  }
  pfParameterCallback GetCallback() const { return changeCallback; }
  intptr_t GetCallbackUserData() const { return callbackUserData; }

  bool GetSaved() const { return saved; }
  void SetSaved(bool s) { saved = s; }
  bool GetAffectsPreview() const { return affectsPreview; }
  void SetAffectsPreview(bool a) { affectsPreview = a; }
  bool GetRandomizable() const { return randomizable; }
  void SetRandomizable(bool r) { randomizable = r; }

 protected:
  // Shared bodies of the kinds' overrides.
  void RefreshControl();
  void CallChangeCallback();

  std::string name;
  pfParameterObserver* control = nullptr;
  pfParameterCallback changeCallback = nullptr;
  bool saved = true;
  bool affectsPreview = true;
  bool randomizable = true;
  intptr_t callbackUserData = 0;
};
