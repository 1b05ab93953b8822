// Undo record of a pfParameterList: its value at the time the record was taken.
#pragma once

#include <cstdint>

#include "params/pfUndo.h"

class pfParameterList;

class pfUndoParameterList : public pfUndo {
 public:
  pfUndoParameterList(pfParameterList* p, int32_t v) : parameter(p), value(v) {}

  void Apply() override;

  pfParameterList* GetParameter() const { return parameter; }
  int32_t GetValue() const { return value; }

 private:
  pfParameterList* parameter;
  int32_t value;
};
