#include "tools/HostBufferSuite.h"

#include <cstdlib>
#include <new>

#include "base/pfHeap.h"

struct HostBufferSuite::Buffer {
  void* data;
  int32_t size;
};

HostBufferSuite* HostBufferSuite::active = nullptr;

HostBufferSuite::HostBufferSuite() {
  previous = active;  // the newest instance serves the callbacks until it ends
  active = this;
  procs = BufferProcs{};
  procs.bufferProcsVersion = 2;
  procs.numBufferProcs = 5;
  procs.allocateProc = AllocateProc;
  procs.lockProc = LockProc;
  procs.unlockProc = UnlockProc;
  procs.freeProc = FreeProc;
  procs.spaceProc = SpaceProc;
}

HostBufferSuite::~HostBufferSuite() {
  for (Buffer* b : buffers) {
    pfHeapFree(b->data);
    delete b;
  }
  active = previous;
}

size_t HostBufferSuite::LiveCount() const {
  std::lock_guard<std::mutex> guard(lock);
  return buffers.size();
}

int64_t HostBufferSuite::AllocationCount() const {
  std::lock_guard<std::mutex> guard(lock);
  return allocations;
}

OSErr HostBufferSuite::AllocateProc(int32_t size, BufferID* bufferID) {
  if (bufferID == nullptr) return paramErr;
  *bufferID = nullptr;
  if (size < 0) return paramErr;
  HostBufferSuite* self = active;
  std::lock_guard<std::mutex> guard(self->lock);
  if (self->allocations++ == self->failAt) return memFullErr;
  void* data = pfHeapAllocate(size_t(size));
  Buffer* b = data != nullptr ? new (std::nothrow) Buffer{data, size} : nullptr;
  if (b == nullptr) {
    pfHeapFree(data);
    return memFullErr;
  }
  self->buffers.insert(b);
  *bufferID = reinterpret_cast<BufferID>(b);
  return noErr;
}

Ptr HostBufferSuite::LockProc(BufferID bufferID, PiBoolean) {
  HostBufferSuite* self = active;
  std::lock_guard<std::mutex> guard(self->lock);
  Buffer* b = reinterpret_cast<Buffer*>(bufferID);
  return self->buffers.count(b) != 0 ? static_cast<Ptr>(b->data) : nullptr;
}

void HostBufferSuite::UnlockProc(BufferID) {}

void HostBufferSuite::FreeProc(BufferID bufferID) {
  HostBufferSuite* self = active;
  std::lock_guard<std::mutex> guard(self->lock);
  Buffer* b = reinterpret_cast<Buffer*>(bufferID);
  if (self->buffers.erase(b) == 0) return;  // unknown or already freed
  pfHeapFree(b->data);
  delete b;
}

int32_t HostBufferSuite::SpaceProc() { return kSpace; }
