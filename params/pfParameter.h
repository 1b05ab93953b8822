// Base of every user-adjustable value: name, flags, change callback, script keys and the
// control that shows it. The kinds (pfParameterKinds.h) add their value, bounds and value
// codec. The filter owns its parameters; everything else (container, undo records, bindings)
// only points at them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

// The host API stays out of this header; only the scripting code includes base/PiApi.h.
struct FilterRecord;
typedef struct PIOpaqueReadDescriptor* PIReadDescriptor;
typedef struct PIOpaqueWriteDescriptor* PIWriteDescriptor;

class pfParameter;
class pfUndo;

// What a parameter knows of the control that shows it: something it can ask to show the
// current value. The bindings in ui/ (pfParameterUI) implement it.
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

// A store a value travels to: a preset line, a scripting descriptor, the last-used settings.
// Each kind puts its value in the one shape that is its own, so a store handles every kind
// without knowing the kinds.
class pfValueSink {
 public:
  virtual void PutBool(bool value) = 0;
  virtual void PutInt(int32_t value) = 0;
  virtual void PutDouble(double value) = 0;
  // The 1-based item of a choice.
  virtual void PutItem(int32_t item) = 0;
  // Image-relative coordinates, 0..1 each.
  virtual void PutPoint(double x, double y) = 0;
  // Channels as fractions 0..1.
  virtual void PutColour(double red, double green, double blue) = 0;

 protected:
  ~pfValueSink() = default;
};

// A store a value comes from. Each get answers false when the store holds no usable value of
// that shape (the parameter then stays as it is). The arguments come in holding the current
// value: a store that holds only part of it (a descriptor entry holds one coordinate)
// changes only that part.
class pfValueSource {
 public:
  virtual bool GetBool(bool& value) = 0;
  virtual bool GetInt(int32_t& value) = 0;
  virtual bool GetDouble(double& value) = 0;
  virtual bool GetItem(int32_t& item) = 0;
  virtual bool GetPoint(double& x, double& y) = 0;
  virtual bool GetColour(double& red, double& green, double& blue) = 0;

 protected:
  ~pfValueSource() = default;
};

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
  void UpdateControl() {
    if (control != nullptr) control->Refresh();
  }
  // The value codec: WriteValue puts the value into the sink; ReadValue takes it from the
  // source and applies it with the kind's setter, returning the setter's result (false when
  // the source had nothing usable).
  virtual void WriteValue(pfValueSink& sink) const = 0;
  virtual bool ReadValue(pfValueSource& source) = 0;
  // A new record holding the current value (usually handed to pfUndoHistory::Add).
  virtual std::unique_ptr<pfUndo> CreateUndo() = 0;
  virtual void Randomize(double amount) = 0;

  // Scripting, through the host's descriptor suites (checked here: unusable suites do
  // nothing). Writes the value under the parameter's keys; reads it when key is one of them.
  void WriteScriptParam(FilterRecord* filterRecord, PIWriteDescriptor token);
  void ReadScriptParam(FilterRecord* filterRecord, uint32_t key, PIReadDescriptor token);
  // The non-zero script keys, in value order (a position's x key first).
  int32_t GetScriptKeyCount() const {
    return (scriptKeys[0] != 0 ? 1 : 0) + (scriptKeys[1] != 0 ? 1 : 0);
  }
  // Writes the non-zero keys (GetScriptKeyCount of them) to keys[0..].
  void GetScriptKeys(uint32_t* keys) const {
    for (uint32_t key : scriptKeys) {
      if (key != 0) *keys++ = key;
    }
  }

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
  void CallChangeCallback() {
    if (changeCallback != nullptr) changeCallback(this, callbackUserData);
  }
  // The kinds' common steps (change detection is exact comparison). Store keeps a differing
  // value and refreshes the control; true when the value changed.
  template <class T>
  bool Store(T& field, const T& v) {
    if (v == field) return false;
    field = v;
    UpdateControl();
    return true;
  }
  // Store, then the change callback, changed or not; a setter's result.
  template <class T>
  bool StoreAndNotify(T& field, const T& v) {
    const bool changed = Store(field, v);
    CallChangeCallback();
    return changed && affectsPreview;
  }

  std::string name;
  pfParameterObserver* control = nullptr;
  pfParameterCallback changeCallback = nullptr;
  bool saved = true;
  bool affectsPreview = true;
  bool randomizable = true;
  intptr_t callbackUserData = 0;
  // One key per scripted part of the value (a position has two); 0: that part is not
  // scripted. Set by the kinds that are scripted.
  uint32_t scriptKeys[2] = {0, 0};
};
