// Undo record of a pfParameterBool: its value at the time the record was taken.
#pragma once

#include <cstdint>

#include "params/pfUndo.h"

class pfParameterBool;

class pfUndoParameterBool : public pfUndo {
 public:
  pfUndoParameterBool(pfParameterBool* p, bool v) : parameter(p), value(v) {}

  void Apply() override;

  pfParameterBool* GetParameter() const { return parameter; }
  bool GetValue() const { return value; }

 private:
  pfParameterBool* parameter;
  bool value;
};
