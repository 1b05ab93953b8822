#include "params/pfUndoParameterBool.h"

#include "params/pfParameterBool.h"

void pfUndoParameterBool::Apply() {
  const bool old = parameter->GetValue();
  parameter->SetValue(value);
  value = old;
  parameter->UpdateControl();
}

pfUndo* pfParameterBool::CreateUndo() { return new pfUndoParameterBool(this, value); }
