// Undo record of a pfParameterInt: its value at the time the record was taken.
#pragma once

#include <cstdint>

#include "params/pfUndo.h"

class pfParameterInt;

class pfUndoParameterInt : public pfUndo {
 public:
  pfUndoParameterInt(pfParameterInt* p, int32_t v) : parameter(p), value(v) {}

  void Apply() override;

  pfParameterInt* GetParameter() const { return parameter; }
  int32_t GetValue() const { return value; }

 private:
  pfParameterInt* parameter;
  int32_t value;
};
