#include "params/pfUndoParameterPosition.h"

#include "params/pfParameterPosition.h"

void pfUndoParameterPosition::Apply() {
  const double oldX = parameter->GetX();
  const double oldY = parameter->GetY();
  parameter->SetXY(x, y);  // refreshes the control itself on a change
  x = oldX;
  y = oldY;
}

pfUndo* pfParameterPosition::CreateUndo() { return new pfUndoParameterPosition(this, x, y); }
