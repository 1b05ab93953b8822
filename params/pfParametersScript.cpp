// Scripting: the host records a run as a descriptor of keyed values and plays it back. Each
// parameter reads and writes its own values; the container drives the host's suites.
#include <vector>

#include "base/Log.h"
#include "params/pfParameter.h"
#include "params/pfParameters.h"
#include "params/pfScriptSuites.h"

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
