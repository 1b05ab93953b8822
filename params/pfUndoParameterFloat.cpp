#include "params/pfUndoParameterFloat.h"

#include "params/pfParameterFloat.h"

void pfUndoParameterFloat::Apply() {
  const double old = parameter->GetValue();
  parameter->SetValue(value);
  value = old;
  parameter->UpdateControl();
}

pfUndo* pfParameterFloat::CreateUndo() { return new pfUndoParameterFloat(this, value); }
