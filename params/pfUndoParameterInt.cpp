#include "params/pfUndoParameterInt.h"

#include "params/pfParameterInt.h"

void pfUndoParameterInt::Apply() {
  const int32_t old = parameter->GetValue();
  parameter->SetValue(value);  // refreshes the control itself on a change
  value = old;
}

pfUndo* pfParameterInt::CreateUndo() { return new pfUndoParameterInt(this, value); }
