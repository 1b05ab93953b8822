#include "params/pfParameterList.h"

#include <cmath>

#include "params/ReflectIntoRange.h"
#include "params/pfRandom.h"
#include "params/pfScriptSuites.h"

bool pfParameterList::SetValue(int32_t v) {
  if (v < 1 || v > GetItemCount()) return false;
  bool result = false;
  if (v != value) {
    value = v;
    UpdateControl();
    result = affectsPreview;
  }
  CallChangeCallback();
  return result;
}

std::string pfParameterList::GetItem(int32_t index) const {
  if (index < 0 || index >= GetItemCount()) return std::string();
  return items[static_cast<size_t>(index)];
}

void pfParameterList::Validate() {
  const int32_t count = GetItemCount();
  if (count == 0) return;
  int32_t v = value;
  if (v < 1) v = 1;
  if (v > count) v = count;
  if (v != value) {
    value = v;
    UpdateControl();
  }
  CallChangeCallback();
}

void pfParameterList::Randomize(double amount) {
  if (!randomizable) return;
  // Large amounts would jump across the whole list; they are taken as "keep the choice".
  if (amount > 2.0) amount = 0.0;
  const int32_t count = GetItemCount();
  double v = (pfRandomUnit() - 0.5) * count * amount + value - 1.0;
  v = ReflectIntoRange(v, count);
  const double candidate = std::trunc(v + 1.0 + 0.5);
  if (candidate >= 1.0 && candidate <= count) {
    const int32_t n = static_cast<int32_t>(candidate);
    if (n != value) {
      value = n;
      UpdateControl();
    }
    CallChangeCallback();
  }
  Validate();
}

void pfParameterList::GetScriptKeys(uint32_t* keys) const {
  if (scriptKey != 0) keys[0] = scriptKey;
}

void pfParameterList::WriteScriptParam(FilterRecord* filterRecord, PIWriteDescriptor token) {
  if (scriptKey == 0 || !pfScriptSuitesUsable(filterRecord)) return;
  filterRecord->descriptorParameters->writeDescriptorProcs->putIntegerProc(token, scriptKey, value);
}

void pfParameterList::ReadScriptParam(FilterRecord* filterRecord, uint32_t key,
                                      PIReadDescriptor token) {
  if (scriptKey == 0 || key != scriptKey || !pfScriptSuitesUsable(filterRecord)) return;
  int32_t v = 0;
  if (filterRecord->descriptorParameters->readDescriptorProcs->getIntegerProc(token, &v) != noErr) {
    return;
  }
  SetValue(v);  // refuses an index outside the items
}
