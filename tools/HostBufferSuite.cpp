#include "tools/HostBufferSuite.h"

#include <cstdlib>
#include <new>

#include "base/pfHeap.h"

struct HostBufferSuite::Buffer {
  Buffer(void* data_, int32_t size_) : data(data_), size(size_) {}
  Buffer(const Buffer&) = delete;
  Buffer& operator=(const Buffer&) = delete;
  ~Buffer() { pfHeapFree(data); }
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

HostBufferSuite::~HostBufferSuite() { active = previous; }

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
  if (data == nullptr) return memFullErr;
  std::unique_ptr<Buffer> b(new (std::nothrow) Buffer(data, size));
  if (b == nullptr) {
    pfHeapFree(data);
    return memFullErr;
  }
  Buffer* id = b.get();
  self->buffers.emplace(id, std::move(b));
  *bufferID = reinterpret_cast<BufferID>(id);
  return noErr;
}

Ptr HostBufferSuite::LockProc(BufferID bufferID, PiBoolean) {
  HostBufferSuite* self = active;
  std::lock_guard<std::mutex> guard(self->lock);
  const auto it = self->buffers.find(reinterpret_cast<Buffer*>(bufferID));
  return it != self->buffers.end() ? static_cast<Ptr>(it->second->data) : nullptr;
}

void HostBufferSuite::UnlockProc(BufferID) {}

void HostBufferSuite::FreeProc(BufferID bufferID) {
  HostBufferSuite* self = active;
  std::lock_guard<std::mutex> guard(self->lock);
  // An unknown or already freed ID is ignored.
  self->buffers.erase(reinterpret_cast<Buffer*>(bufferID));
}

int32_t HostBufferSuite::SpaceProc() { return kSpace; }
