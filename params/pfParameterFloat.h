// A real-valued parameter with a range. The bounds are always stored (the slider spans them
// and randomizing scales by them) but only enforced ones are applied, by Validate.
#pragma once

#include "params/pfParameter.h"

class pfParameterFloat : public pfParameter {
 public:
  void Validate() override;
  void UpdateControl() override { RefreshControl(); }
  void WriteScriptParam(FilterRecord* filterRecord, PIWriteDescriptor token) override;
  void ReadScriptParam(FilterRecord* filterRecord, uint32_t key, PIReadDescriptor token) override;
  int32_t GetScriptKeyCount() const override { return scriptKey != 0 ? 1 : 0; }
  void GetScriptKeys(uint32_t* keys) const override;
  // Defined with the record, in pfUndoParameterFloat.cpp.
  std::unique_ptr<pfUndo> CreateUndo() override;
  void Randomize(double amount) override;

  // Stores the value as given (no clamping; Validate clamps). Returns affectsPreview when the
  // value changed, else false; runs the change callback either way.
  bool SetValue(double v);
  double GetValue() const { return value; }

  void SetMin(double m, bool enforce) {
    min = m;
    hasMin = enforce;
  }
  void SetMax(double m, bool enforce) {
    max = m;
    hasMax = enforce;
  }
  double GetMin() const { return min; }
  double GetMax() const { return max; }
  bool HasMin() const { return hasMin; }
  bool HasMax() const { return hasMax; }

  void SetScriptKey(uint32_t key) { scriptKey = key; }
  uint32_t GetScriptKey() const { return scriptKey; }

 private:
  double value = 0.0;
  double min = 0.0;
  double max = 1.0;
  bool hasMin = false;
  bool hasMax = false;
  uint32_t scriptKey = 0;
};
