#include "params/pfParameterPosition.h"

#include "params/ReflectIntoRange.h"
#include "params/pfRandom.h"
#include "params/pfScriptSuites.h"

bool pfParameterPosition::SetXY(double newX, double newY) {
  if (newX == x && newY == y) return false;
  x = newX;
  y = newY;
  UpdateControl();
  return affectsPreview;
}

void pfParameterPosition::Randomize(double amount) {
  if (!randomizable) return;
  const double r1 = pfRandomUnit();
  const double r2 = pfRandomUnit();
  const double newX = ReflectIntoRange((r1 - 0.5) * amount + x, 1.0);
  const double newY = ReflectIntoRange((r2 - 0.5) * amount + y, 1.0);
  if (newX != x || newY != y) {
    x = newX;
    y = newY;
    UpdateControl();
  }
  Validate();
}

int32_t pfParameterPosition::GetScriptKeyCount() const {
  return (scriptKeyX != 0 ? 1 : 0) + (scriptKeyY != 0 ? 1 : 0);
}

void pfParameterPosition::GetScriptKeys(uint32_t* keys) const {
  if (scriptKeyX != 0) *keys++ = scriptKeyX;
  if (scriptKeyY != 0) *keys = scriptKeyY;
}

void pfParameterPosition::WriteScriptParam(FilterRecord* filterRecord, PIWriteDescriptor token) {
  if (!pfScriptSuitesUsable(filterRecord)) return;
  PutFloatProc putFloat = filterRecord->descriptorParameters->writeDescriptorProcs->putFloatProc;
  if (scriptKeyX != 0) putFloat(token, scriptKeyX, &x);
  if (scriptKeyY != 0) putFloat(token, scriptKeyY, &y);
}

void pfParameterPosition::ReadScriptParam(FilterRecord* filterRecord, uint32_t key,
                                          PIReadDescriptor token) {
  if (key == 0 || (key != scriptKeyX && key != scriptKeyY)) return;
  if (!pfScriptSuitesUsable(filterRecord)) return;
  GetFloatProc getFloat = filterRecord->descriptorParameters->readDescriptorProcs->getFloatProc;
  double newX = x;
  double newY = y;
  // One descriptor entry holds one value, so it goes to one coordinate only.
  double v = 0.0;
  if (getFloat(token, &v) != noErr) return;
  if (key == scriptKeyX) {
    newX = v;
  } else {
    newY = v;
  }
  SetXY(newX, newY);
}
