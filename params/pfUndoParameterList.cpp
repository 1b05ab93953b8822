#include "params/pfUndoParameterList.h"

#include "params/pfParameterList.h"

void pfUndoParameterList::Apply() {
  const int32_t old = parameter->GetValue();
  parameter->SetValue(value);  // an index the items no longer cover is refused
  value = old;                 // but the swap still happens, so redo restores the old value
  parameter->UpdateControl();
}

std::unique_ptr<pfUndo> pfParameterList::CreateUndo() {
  return std::make_unique<pfUndoParameterList>(this, value);
}
