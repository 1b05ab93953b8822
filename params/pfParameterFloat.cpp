#include "params/pfParameterFloat.h"

#include <cmath>

#include "params/ReflectIntoRange.h"
#include "params/pfRandom.h"
#include "params/pfScriptSuites.h"

bool pfParameterFloat::SetValue(double v) {
  bool result = false;
  if (v != value) {
    value = v;
    UpdateControl();
    result = affectsPreview;
  }
  CallChangeCallback();
  return result;
}

void pfParameterFloat::Validate() {
  double v = value;
  if (hasMin && v < min) v = min;
  if (hasMax && v > max) v = max;
  if (v != value) {
    value = v;
    UpdateControl();
  }
  CallChangeCallback();
}

void pfParameterFloat::Randomize(double amount) {
  if (!randomizable) return;
  const double range = max - min;
  double v = (pfRandomUnit() - 0.5) * range * amount + value - min;
  v = ReflectIntoRange(v, std::trunc(range));
  v = v + min;
  if (v != value) {
    value = v;
    UpdateControl();
  }
  CallChangeCallback();
  Validate();
}

void pfParameterFloat::GetScriptKeys(uint32_t* keys) const {
  if (scriptKey != 0) keys[0] = scriptKey;
}

void pfParameterFloat::WriteScriptParam(FilterRecord* filterRecord, PIWriteDescriptor token) {
  if (scriptKey == 0 || !pfScriptSuitesUsable(filterRecord)) return;
  filterRecord->descriptorParameters->writeDescriptorProcs->putFloatProc(token, scriptKey, &value);
}

void pfParameterFloat::ReadScriptParam(FilterRecord* filterRecord, uint32_t key,
                                       PIReadDescriptor token) {
  if (scriptKey == 0 || key != scriptKey || !pfScriptSuitesUsable(filterRecord)) return;
  double v = 0.0;
  if (filterRecord->descriptorParameters->readDescriptorProcs->getFloatProc(token, &v) != noErr) {
    return;
  }
  SetValue(v);
}
