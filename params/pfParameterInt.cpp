#include "params/pfParameterInt.h"

#include "params/pfUndoParameterInt.h"

bool pfParameterInt::SetValue(int32_t v) {
  if (v == value) return false;
  value = v;
  UpdateControl();
  return affectsPreview;
}

pfUndo* pfParameterInt::CreateUndo() { return new pfUndoParameterInt(this, value); }
