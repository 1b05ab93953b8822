#include "params/pfParameterInt.h"

bool pfParameterInt::SetValue(int32_t v) {
  if (v == value) return false;
  value = v;
  UpdateControl();
  return affectsPreview;
}
