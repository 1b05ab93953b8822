// The container: list operations, randomizing, and the host's scripting descriptors. The
// host records a run as a descriptor of keyed values and plays it back; each parameter puts
// and gets its value through its codec, which the adapters below turn into the host's
// descriptor calls (the only place that makes them).
#include "params/pfParameters.h"

#include <memory>
#include <utility>
#include <vector>

#include "base/Log.h"
#include "params/pfParameterKinds.h"
#include "params/pfScriptSuites.h"
#include "params/pfUndo.h"
#include "params/pfUndoHistory.h"

pfParameter* pfParameters::GetParameter(int32_t index) const {
  if (index < 0 || index >= GetCount()) return nullptr;
  return parameters[static_cast<size_t>(index)];
}

void pfParameters::ValidateAll() {
  for (pfParameter* p : parameters) p->Validate();
}

void pfParameters::UpdateAllControls() {
  for (pfParameter* p : parameters) {
    if (p->GetControl() != nullptr) p->UpdateControl();
  }
}

void pfParameters::RandomizeAll(double amount, pfUndoHistory* history) {
  pfRandomSeedFromTick();
  for (pfParameter* p : parameters) {
    if (!p->GetRandomizable()) continue;
    // Recorded whether or not the value changes: the step then undoes as one.
    std::unique_ptr<pfUndo> record = p->CreateUndo();
    if (history != nullptr) history->Add(std::move(record));
    p->Randomize(amount);
  }
  if (history != nullptr) history->EndGroup();
}

bool pfScriptSuitesUsable(const FilterRecord* filterRecord) {
  if (filterRecord == nullptr) return false;
  const PIDescriptorParameters* dp = filterRecord->descriptorParameters;
  if (dp == nullptr || dp->descriptorParametersVersion != kDescriptorParametersVersion) {
    return false;
  }
  const ReadDescriptorProcs* rp = dp->readDescriptorProcs;
  if (rp == nullptr || rp->readDescriptorProcsVersion != kReadDescriptorProcsVersion ||
      rp->numReadDescriptorProcs < kReadDescriptorProcsCount) {
    return false;
  }
  if (rp->openReadDescriptorProc == nullptr || rp->closeReadDescriptorProc == nullptr ||
      rp->getKeyProc == nullptr || rp->getIntegerProc == nullptr || rp->getFloatProc == nullptr ||
      rp->getUnitFloatProc == nullptr || rp->getBooleanProc == nullptr ||
      rp->getTextProc == nullptr || rp->getAliasProc == nullptr ||
      rp->getEnumeratedProc == nullptr || rp->getClassProc == nullptr ||
      rp->getSimpleReferenceProc == nullptr || rp->getObjectProc == nullptr ||
      rp->getCountProc == nullptr || rp->getStringProc == nullptr ||
      rp->getPinnedIntegerProc == nullptr || rp->getPinnedFloatProc == nullptr ||
      rp->getPinnedUnitFloatProc == nullptr) {
    return false;
  }
  const WriteDescriptorProcs* wp = dp->writeDescriptorProcs;
  if (wp == nullptr || wp->writeDescriptorProcsVersion != kWriteDescriptorProcsVersion ||
      wp->numWriteDescriptorProcs < kWriteDescriptorProcsCount) {
    return false;
  }
  // The write suite is not required to be complete, but the routines we call must exist.
  return wp->openWriteDescriptorProc != nullptr && wp->closeWriteDescriptorProc != nullptr &&
         wp->putIntegerProc != nullptr && wp->putFloatProc != nullptr &&
         wp->putBooleanProc != nullptr;
}

namespace {
bool HandleSuiteUsable(const HandleProcs* hp) {
  return hp != nullptr && hp->handleProcsVersion == kHandleProcsVersion &&
         hp->numHandleProcs >= kHandleProcsMinCount && hp->newProc != nullptr &&
         hp->disposeProc != nullptr && hp->getSizeProc != nullptr && hp->setSizeProc != nullptr;
}
}  // namespace

void pfDisposeDescriptor(const FilterRecord* filterRecord, PIDescriptorHandle handle) {
  if (handle == nullptr) return;
  const HandleProcs* hp = filterRecord != nullptr ? filterRecord->handleProcs : nullptr;
  if (HandleSuiteUsable(hp)) {
    hp->disposeProc(handle);
  } else {
    pfDisposeHandleFallback(handle);
  }
}

namespace {
// Writes a parameter's value under its keys: one key for a single value, the x and y keys for
// a point (a key of 0 leaves that part out). Colours and integers of the Int kind are not
// scripted; those kinds have no keys, so they never get here.
class ScriptWriter : public pfValueSink {
 public:
  ScriptWriter(const WriteDescriptorProcs& suite, PIWriteDescriptor descriptor,
               const uint32_t (&parameterKeys)[2])
      : procs(suite), token(descriptor), keys(parameterKeys) {}
  void PutBool(bool value) override {
    if (keys[0] != 0) procs.putBooleanProc(token, keys[0], value ? 1 : 0);
  }
  void PutInt(int32_t value) override {
    if (keys[0] != 0) procs.putIntegerProc(token, keys[0], value);
  }
  void PutDouble(double value) override { PutFloat(keys[0], value); }
  void PutItem(int32_t item) override { PutInt(item); }
  void PutPoint(double x, double y) override {
    PutFloat(keys[0], x);
    PutFloat(keys[1], y);
  }
  void PutColour(double, double, double) override {}

 private:
  void PutFloat(uint32_t key, double value) {
    if (key != 0) procs.putFloatProc(token, key, &value);
  }
  const WriteDescriptorProcs& procs;
  PIWriteDescriptor token;
  const uint32_t (&keys)[2];
};

// Reads the descriptor entry the host has just announced (getKeyProc); part says which part
// of the value its key names (0, or 1 for a point's y). A get error leaves the value alone.
class ScriptEntryReader : public pfValueSource {
 public:
  ScriptEntryReader(const ReadDescriptorProcs& suite, PIReadDescriptor descriptor, int32_t which)
      : procs(suite), token(descriptor), part(which) {}
  bool GetBool(bool& value) override {
    PiBoolean v = 0;
    if (procs.getBooleanProc(token, &v) != noErr) return false;
    value = v != 0;
    return true;
  }
  bool GetInt(int32_t& value) override { return procs.getIntegerProc(token, &value) == noErr; }
  bool GetDouble(double& value) override { return GetFloat(value); }
  bool GetItem(int32_t& item) override { return GetInt(item); }
  // One descriptor entry holds one value, so it goes to one coordinate only.
  bool GetPoint(double& x, double& y) override { return GetFloat(part == 0 ? x : y); }
  bool GetColour(double&, double&, double&) override { return false; }

 private:
  bool GetFloat(double& value) {
    double v = 0.0;
    if (procs.getFloatProc(token, &v) != noErr) return false;
    value = v;
    return true;
  }
  const ReadDescriptorProcs& procs;
  PIReadDescriptor token;
  int32_t part;
};
}  // namespace

void pfParameter::WriteScriptParam(FilterRecord* filterRecord, PIWriteDescriptor token) {
  if (GetScriptKeyCount() == 0 || !pfScriptSuitesUsable(filterRecord)) return;
  ScriptWriter writer(*filterRecord->descriptorParameters->writeDescriptorProcs, token, scriptKeys);
  WriteValue(writer);
}

void pfParameter::ReadScriptParam(FilterRecord* filterRecord, uint32_t key,
                                  PIReadDescriptor token) {
  if (key == 0 || (key != scriptKeys[0] && key != scriptKeys[1])) return;
  if (!pfScriptSuitesUsable(filterRecord)) return;
  ScriptEntryReader reader(*filterRecord->descriptorParameters->readDescriptorProcs, token,
                           key == scriptKeys[0] ? 0 : 1);
  ReadValue(reader);
}

bool pfParameters::ReadScriptParams(FilterRecord* record) {
  QLOG_SCOPE(scope, "pfParmeters::ReadScriptParams( pFilterRecord(0x" << LogPtr(record) << ") )",
             "pfParmeters::ReadScriptParams");
  bool result = true;

  // The keys we expect, 0-terminated, as the host's reader wants them.
  int32_t keyCount = 0;
  for (pfParameter* p : parameters) keyCount += p->GetScriptKeyCount();
  std::vector<DescriptorKeyID> keys(static_cast<size_t>(keyCount) + 1, 0);
  size_t next = 0;
  for (pfParameter* p : parameters) {
    p->GetScriptKeys(keys.data() + next);
    next += static_cast<size_t>(p->GetScriptKeyCount());
  }
  keys[next] = 0;

  if (pfScriptSuitesUsable(record)) {
    PIDescriptorParameters* dp = record->descriptorParameters;
    const ReadDescriptorProcs* procs = dp->readDescriptorProcs;
    PIReadDescriptor token = procs->openReadDescriptorProc(dp->descriptor, keys.data());
    if (token != nullptr) {
      DescriptorKeyID key = 0;
      DescriptorTypeID type = 0;
      int32_t flags = 0;
      while (procs->getKeyProc(token, &key, &type, &flags)) {
        for (pfParameter* p : parameters) p->ReadScriptParam(record, key, token);
      }
      procs->closeReadDescriptorProc(token);
      pfDisposeDescriptor(record, dp->descriptor);
      dp->descriptor = nullptr;
    }
    result = dp->playInfo == plugInDialogDisplay;
  }

  QLOG_SCOPE_EXIT(scope, "pfParmeters::ReadScriptParams( return(" << result << ") )");
  return result;
}

int16_t pfParameters::WriteScriptParams(FilterRecord* record) {
  QLOG_SCOPE(scope, "pfParmeters::WriteScriptParams( pFilterRecord(0x" << LogPtr(record) << ") )",
             "pfParmeters::WriteScriptParams");
  const int16_t result = noErr;
  if (pfScriptSuitesUsable(record)) {
    PIDescriptorParameters* dp = record->descriptorParameters;
    const WriteDescriptorProcs* procs = dp->writeDescriptorProcs;
    PIWriteDescriptor token = procs->openWriteDescriptorProc();
    if (token != nullptr) {
      for (pfParameter* p : parameters) {
        if (p->GetScriptKeyCount() > 0) p->WriteScriptParam(record, token);
      }
      // The new descriptor replaces one the host left with us (an earlier recording).
      if (dp->descriptor != nullptr) {
        pfDisposeDescriptor(record, dp->descriptor);
        dp->descriptor = nullptr;
      }
      PIDescriptorHandle newDescriptor = nullptr;
      procs->closeWriteDescriptorProc(token, &newDescriptor);
      dp->descriptor = newDescriptor;
      dp->recordInfo = plugInDialogOptional;
    }
  }
  QLOG_SCOPE_EXIT(scope, "pfParmeters::WriteScriptParams(' return(" << result << ") )");
  return result;
}
