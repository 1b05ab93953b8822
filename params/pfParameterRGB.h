// A colour with red, green and blue as fractions 0..1. Not scripted; randomizing moves each
// channel like a position coordinate.
#pragma once

#include "params/pfParameter.h"

class pfParameterRGB : public pfParameter {
 public:
  void Validate() override {}
  void UpdateControl() override { RefreshControl(); }
  void WriteScriptParam(FilterRecord*, PIWriteDescriptor) override {}
  void ReadScriptParam(FilterRecord*, uint32_t, PIReadDescriptor) override {}
  int32_t GetScriptKeyCount() const override { return 0; }
  void GetScriptKeys(uint32_t*) const override {}
  // Defined with the record, in pfUndoParameterRGB.cpp.
  std::unique_ptr<pfUndo> CreateUndo() override;
  void Randomize(double amount) override;

  // Stores all three when any differs. Returns affectsPreview on a change, else false. No
  // change callback.
  bool SetRGB(double r, double g, double b);
  void GetRGB(double& r, double& g, double& b) const {
    r = red;
    g = green;
    b = blue;
  }
  double GetRed() const { return red; }
  double GetGreen() const { return green; }
  double GetBlue() const { return blue; }

 private:
  double red = 0.0;
  double green = 0.0;
  double blue = 0.0;
};
