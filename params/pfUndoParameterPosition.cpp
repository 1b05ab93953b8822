#include "params/pfUndoParameterPosition.h"

#include "params/pfParameterPosition.h"

void pfUndoParameterPosition::Apply() {
  const double oldX = parameter->GetX();
  const double oldY = parameter->GetY();
  parameter->SetXY(x, y);  // refreshes the control itself on a change
  x = oldX;
  y = oldY;
}

std::unique_ptr<pfUndo> pfParameterPosition::CreateUndo() {
  return std::make_unique<pfUndoParameterPosition>(this, x, y);
}
