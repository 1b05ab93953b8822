// Worker threads with the C runtime's thread start, so that the runtime's per-thread state is
// set up for the band functions.
#include <process.h>
#include <windows.h>

#include "host/pfWorkerPool.h"

namespace {
unsigned __stdcall WorkerEntry(void* slot) {
  return pfWorkerPool::WorkerRoutine(static_cast<pfWorkerSlot*>(slot));
}
}  // namespace

bool StartWorkerThread(pfWorkerSlot* slot) {
  unsigned threadId = 0;
  const uintptr_t handle = _beginthreadex(nullptr, 0, WorkerEntry, slot, 0, &threadId);
  if (handle == 0) return false;
  slot->threadHandle = reinterpret_cast<void*>(handle);
  slot->threadId = threadId;
  // Below normal so that the host's user interface stays responsive during a render.
  SetThreadPriority(reinterpret_cast<HANDLE>(handle), THREAD_PRIORITY_BELOW_NORMAL);
  return true;
}

void JoinWorkerThread(pfWorkerSlot* slot) {
  if (slot->threadHandle != nullptr) {
    WaitForSingleObject(static_cast<HANDLE>(slot->threadHandle), INFINITE);
  }
}

void CloseWorkerThread(pfWorkerSlot* slot) {
  if (slot->threadHandle != nullptr) CloseHandle(static_cast<HANDLE>(slot->threadHandle));
  slot->threadHandle = nullptr;
}

int32_t SystemProcessorCount() {
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  return info.dwNumberOfProcessors == 0 ? 1 : int32_t(info.dwNumberOfProcessors);
}
