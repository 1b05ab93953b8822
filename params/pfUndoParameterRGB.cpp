#include "params/pfUndoParameterRGB.h"

#include "params/pfParameterRGB.h"

void pfUndoParameterRGB::Apply() {
  double oldRed, oldGreen, oldBlue;
  parameter->GetRGB(oldRed, oldGreen, oldBlue);
  parameter->SetRGB(red, green, blue);  // refreshes the control itself on a change
  red = oldRed;
  green = oldGreen;
  blue = oldBlue;
}

std::unique_ptr<pfUndo> pfParameterRGB::CreateUndo() {
  return std::make_unique<pfUndoParameterRGB>(this, red, green, blue);
}
