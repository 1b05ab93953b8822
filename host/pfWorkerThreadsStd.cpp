// Worker threads with the standard library, for builds other than Windows.
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <system_error>
#include <thread>

#include "host/pfWorkerPool.h"

namespace {
std::thread threads[pfWorkerPool::kMaxThreads];

// Linux keeps a nice value per thread, so this lowers only the calling worker, as Windows'
// below-normal priority does. Failure only leaves the thread at normal priority.
void LowerThreadPriority() {
  const pid_t tid = gettid();
  errno = 0;
  const int nice = getpriority(PRIO_PROCESS, id_t(tid));
  if (errno == 0) setpriority(PRIO_PROCESS, id_t(tid), nice + 1);
}
}  // namespace

bool StartWorkerThread(pfWorkerSlot* slot) {
  std::thread& thread = threads[slot->ordinal];
  try {
    thread = std::thread([slot] {
      LowerThreadPriority();
      pfWorkerPool::WorkerRoutine(slot);
    });
  } catch (const std::system_error&) {
    return false;
  }
  slot->threadHandle = &thread;
  slot->threadId = uint32_t(std::hash<std::thread::id>()(thread.get_id()));
  return true;
}

void JoinWorkerThread(pfWorkerSlot* slot) {
  auto* thread = static_cast<std::thread*>(slot->threadHandle);
  if (thread != nullptr && thread->joinable()) thread->join();
}

void CloseWorkerThread(pfWorkerSlot* slot) { slot->threadHandle = nullptr; }

int32_t SystemProcessorCount() {
  const unsigned count = std::thread::hardware_concurrency();
  return count == 0 ? 1 : int32_t(count);
}
