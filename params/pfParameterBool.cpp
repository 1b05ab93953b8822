#include "params/pfParameterBool.h"

#include "params/pfRandom.h"
#include "params/pfScriptSuites.h"

bool pfParameterBool::SetValue(bool v) {
  bool result = false;
  if (v != value) {
    value = v;
    UpdateControl();
    result = affectsPreview;
  }
  CallChangeCallback();
  return result;
}

void pfParameterBool::Randomize(double) {
  if (!randomizable) return;
  const bool v = pfRandomDraw() % 2 == 0;
  if (v != value) {
    value = v;
    UpdateControl();
  }
  CallChangeCallback();
  Validate();
}

void pfParameterBool::GetScriptKeys(uint32_t* keys) const {
  if (scriptKey != 0) keys[0] = scriptKey;
}

void pfParameterBool::WriteScriptParam(FilterRecord* filterRecord, PIWriteDescriptor token) {
  if (scriptKey == 0 || !pfScriptSuitesUsable(filterRecord)) return;
  filterRecord->descriptorParameters->writeDescriptorProcs->putBooleanProc(token, scriptKey,
                                                                           value ? 1 : 0);
}

void pfParameterBool::ReadScriptParam(FilterRecord* filterRecord, uint32_t key,
                                      PIReadDescriptor token) {
  if (scriptKey == 0 || key != scriptKey || !pfScriptSuitesUsable(filterRecord)) return;
  PiBoolean v = 0;
  if (filterRecord->descriptorParameters->readDescriptorProcs->getBooleanProc(token, &v) != noErr) {
    return;
  }
  SetValue(v != 0);
}
