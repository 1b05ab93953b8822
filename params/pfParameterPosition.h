// A point relative to the image: x across the width and y down the height, 0..1 each. The
// dialog converts to and from pixels.
#pragma once

#include "params/pfParameter.h"

class pfParameterPosition : public pfParameter {
 public:
  void Validate() override {}
  void UpdateControl() override { RefreshControl(); }
  void WriteScriptParam(FilterRecord* filterRecord, PIWriteDescriptor token) override;
  void ReadScriptParam(FilterRecord* filterRecord, uint32_t key, PIReadDescriptor token) override;
  int32_t GetScriptKeyCount() const override;
  void GetScriptKeys(uint32_t* keys) const override;
  // Defined with the record, in pfUndoParameterPosition.cpp.
  std::unique_ptr<pfUndo> CreateUndo() override;
  void Randomize(double amount) override;

  // Stores both coordinates when either differs. Returns affectsPreview on a change, else
  // false. No change callback.
  bool SetXY(double newX, double newY);
  double GetX() const { return x; }
  double GetY() const { return y; }

  void SetScriptKey(uint32_t keyX, uint32_t keyY) {
    scriptKeyX = keyX;
    scriptKeyY = keyY;
  }
  uint32_t GetScriptKeyX() const { return scriptKeyX; }
  uint32_t GetScriptKeyY() const { return scriptKeyY; }

 private:
  double x = 0.0;
  double y = 0.0;
  uint32_t scriptKeyX = 0;
  uint32_t scriptKeyY = 0;
};
