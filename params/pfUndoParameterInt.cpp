#include "params/pfUndoParameterInt.h"

#include "params/pfParameterInt.h"

void pfUndoParameterInt::Apply() {
  const int32_t old = parameter->GetValue();
  parameter->SetValue(value);  // refreshes the control itself on a change
  value = old;
}

std::unique_ptr<pfUndo> pfParameterInt::CreateUndo() {
  return std::make_unique<pfUndoParameterInt>(this, value);
}
