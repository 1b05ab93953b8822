#include "params/pfUndoParameterBool.h"

#include "params/pfParameterBool.h"

void pfUndoParameterBool::Apply() {
  const bool old = parameter->GetValue();
  parameter->SetValue(value);
  value = old;
  parameter->UpdateControl();
}

std::unique_ptr<pfUndo> pfParameterBool::CreateUndo() {
  return std::make_unique<pfUndoParameterBool>(this, value);
}
