// Availability of the host callbacks and suites the plug-in relies on, checked in one place per
// suite. Hosts may hand out shorter suites than the current API declares, so each check looks
// at the declared routine count and at the pointers themselves.
#pragma once

#include "base/PiApi.h"

// The start selector does all its work through advanceState; hosts older than the 3.0 API lack it.
inline bool AdvanceStateAvailable(const FilterRecord* record) {
  return record != nullptr && record->advanceState != nullptr;
}

// The buffer suite is used only in exactly the version we know: a newer version may have changed
// the routines' meaning, so it counts as unavailable rather than being trusted.
inline bool BufferSuiteAvailable(const FilterRecord* record) {
  if (record == nullptr) return false;
  const BufferProcs* procs = record->bufferProcs;
  return procs != nullptr && procs->bufferProcsVersion == kBufferProcsVersion &&
         procs->numBufferProcs >= kBufferProcsMinCount && procs->allocateProc != nullptr &&
         procs->lockProc != nullptr && procs->unlockProc != nullptr && procs->freeProc != nullptr &&
         procs->spaceProc != nullptr;
}
