// The host's buffer suite as most hosts offer it: version 2 with the five classic routines
// (allocate, lock, unlock, free, space). Buffers are plain heap blocks; the suite tracks them
// so that a run's leftovers are released and a test can see leaks and failures.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

#include "base/PiApi.h"

class HostBufferSuite {
 public:
  HostBufferSuite();   // becomes the suite the static routines serve
  ~HostBufferSuite();  // releases leftovers
  HostBufferSuite(const HostBufferSuite&) = delete;
  HostBufferSuite& operator=(const HostBufferSuite&) = delete;

  BufferProcs* Procs() { return &procs; }
  size_t LiveCount() const;
  int64_t AllocationCount() const;
  // Test hook: the allocation with this 0-based index fails with memFullErr (-1: none fails).
  void FailAllocationAt(int64_t index) { failAt = index; }

  static constexpr int32_t kSpace = 1 << 30;  // what spaceProc reports: 1 GiB

 private:
  struct Buffer;
  static HostBufferSuite* active;
  HostBufferSuite* previous = nullptr;
  static OSErr AllocateProc(int32_t size, BufferID* bufferID);
  static Ptr LockProc(BufferID bufferID, PiBoolean moveHigh);
  static void UnlockProc(BufferID bufferID);
  static void FreeProc(BufferID bufferID);
  static int32_t SpaceProc();

  BufferProcs procs;
  mutable std::mutex lock;  // worker bands allocate while the host thread may free
  std::map<Buffer*, std::unique_ptr<Buffer>> buffers;  // by the ID handed out
  int64_t allocations = 0;
  int64_t failAt = -1;
};
