#include "params/pfUndoParameterFloat.h"

#include "params/pfParameterFloat.h"

void pfUndoParameterFloat::Apply() {
  const double old = parameter->GetValue();
  parameter->SetValue(value);
  value = old;
  parameter->UpdateControl();
}

std::unique_ptr<pfUndo> pfParameterFloat::CreateUndo() {
  return std::make_unique<pfUndoParameterFloat>(this, value);
}
