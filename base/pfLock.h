// A lock with the platform's native primitive: a critical section on Windows, a
// std::recursive_mutex elsewhere. Both may be entered again by the thread that holds them, which
// matters because ReportProgress dispatches dialog messages while it holds the filter's lock.
// The primitive lives in place (no allocation) so that a lock can be a member of the static
// filter object and of the process-wide worker pool.
#pragma once

#include <cstddef>

class pfLock {
 public:
  pfLock();
  ~pfLock();
  pfLock(const pfLock&) = delete;
  pfLock& operator=(const pfLock&) = delete;

  void Enter();
  void Leave();

  // Large enough for CRITICAL_SECTION (40 bytes on 64-bit Windows) and std::recursive_mutex; the
  // implementation files check this at compile time.
  static constexpr size_t kStorageSize = 64;

 private:
  alignas(std::max_align_t) unsigned char storage[kStorageSize];
};

// Scoped ownership of a pfLock.
class pfLockGuard {
 public:
  explicit pfLockGuard(pfLock& lock_) : lock(lock_) { lock.Enter(); }
  ~pfLockGuard() { lock.Leave(); }
  pfLockGuard(const pfLockGuard&) = delete;
  pfLockGuard& operator=(const pfLockGuard&) = delete;

 private:
  pfLock& lock;
};
