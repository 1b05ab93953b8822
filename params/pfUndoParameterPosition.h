// Undo record of a pfParameterPosition: both coordinates at the time the record was taken.
#pragma once

#include "params/pfUndo.h"

class pfParameterPosition;

class pfUndoParameterPosition : public pfUndo {
 public:
  pfUndoParameterPosition(pfParameterPosition* p, double storedX, double storedY)
      : parameter(p), x(storedX), y(storedY) {}

  void Apply() override;

  pfParameterPosition* GetParameter() const { return parameter; }
  double GetX() const { return x; }
  double GetY() const { return y; }

 private:
  pfParameterPosition* parameter;
  double x;
  double y;
};
