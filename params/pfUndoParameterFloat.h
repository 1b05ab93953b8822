// Undo record of a pfParameterFloat: its value at the time the record was taken.
#pragma once

#include <cstdint>

#include "params/pfUndo.h"

class pfParameterFloat;

class pfUndoParameterFloat : public pfUndo {
 public:
  pfUndoParameterFloat(pfParameterFloat* p, double v) : parameter(p), value(v) {}

  void Apply() override;

  pfParameterFloat* GetParameter() const { return parameter; }
  double GetValue() const { return value; }

 private:
  pfParameterFloat* parameter;
  double value;
};
