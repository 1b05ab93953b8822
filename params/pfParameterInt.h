// A signed integer parameter. Complete for presets and last-used settings; it has no range,
// is not scripted and does not randomize.
#pragma once

#include "params/pfParameter.h"

class pfParameterInt : public pfParameter {
 public:
  void Validate() override {}
  void UpdateControl() override { RefreshControl(); }
  void WriteScriptParam(FilterRecord*, PIWriteDescriptor) override {}
  void ReadScriptParam(FilterRecord*, uint32_t, PIReadDescriptor) override {}
  int32_t GetScriptKeyCount() const override { return 0; }
  void GetScriptKeys(uint32_t*) const override {}
  // Defined with the record, in pfUndoParameterInt.cpp.
  std::unique_ptr<pfUndo> CreateUndo() override;
  void Randomize(double) override {}

  // Returns affectsPreview when the value changed, else false. No change callback.
  bool SetValue(int32_t v);
  int32_t GetValue() const { return value; }

 private:
  int32_t value = 0;
};
