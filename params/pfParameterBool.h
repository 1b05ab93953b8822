// An on/off parameter: check boxes, and push buttons whose change callback does the work.
#pragma once

#include "params/pfParameter.h"

class pfParameterBool : public pfParameter {
 public:
  void Validate() override {}
  void UpdateControl() override { RefreshControl(); }
  void WriteScriptParam(FilterRecord* filterRecord, PIWriteDescriptor token) override;
  void ReadScriptParam(FilterRecord* filterRecord, uint32_t key, PIReadDescriptor token) override;
  int32_t GetScriptKeyCount() const override { return scriptKey != 0 ? 1 : 0; }
  void GetScriptKeys(uint32_t* keys) const override;
  // Defined with the record, in pfUndoParameterBool.cpp.
  std::unique_ptr<pfUndo> CreateUndo() override;
  void Randomize(double amount) override;

  // Returns affectsPreview when the value changed, else false; runs the change callback
  // either way.
  bool SetValue(bool v);
  bool GetValue() const { return value; }

  void SetScriptKey(uint32_t key) { scriptKey = key; }
  uint32_t GetScriptKey() const { return scriptKey; }

 private:
  bool value = false;
  uint32_t scriptKey = 0;
};
