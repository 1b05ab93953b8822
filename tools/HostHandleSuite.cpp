#include "tools/HostHandleSuite.h"

#include <cstdlib>
#include <cstring>
#include <new>

// The master pointer comes first, so the address of a block is also its handle.
struct HostHandleSuite::Block {
  Block(char* data_, int32_t size_) : data(data_), size(size_) {}
  Block(const Block&) = delete;
  Block& operator=(const Block&) = delete;
  ~Block() { std::free(data); }
  char* data;
  int32_t size;
};

HostHandleSuite* HostHandleSuite::active = nullptr;

HostHandleSuite::HostHandleSuite() {
  previous = active;  // the newest instance serves the callbacks until it ends
  active = this;
  procs = HandleProcs{};
  procs.handleProcsVersion = 1;
  procs.numHandleProcs = 8;
  procs.newProc = NewProc;
  procs.disposeProc = DisposeProc;
  procs.getSizeProc = GetSizeProc;
  procs.setSizeProc = SetSizeProc;
  procs.lockProc = LockProc;
  procs.unlockProc = UnlockProc;
  procs.recoverSpaceProc = RecoverSpaceProc;
  procs.disposeRegularHandleProc = DisposeRegularHandleProc;
}

HostHandleSuite::~HostHandleSuite() { active = previous; }

HostHandleSuite::Block* HostHandleSuite::Find(Handle h) const {
  const auto it = blocks.find(reinterpret_cast<Block*>(h));
  return it != blocks.end() ? it->second.get() : nullptr;
}

Handle HostHandleSuite::New(int32_t size) {
  if (size < 0) return nullptr;
  // One spare byte so that a zero-sized handle still has a block to point at.
  char* data = static_cast<char*>(std::calloc(size_t(size) + 1, 1));
  if (data == nullptr) return nullptr;
  std::unique_ptr<Block> b(new (std::nothrow) Block(data, size));
  if (b == nullptr) {
    std::free(data);
    return nullptr;
  }
  Block* id = b.get();
  std::lock_guard<std::mutex> guard(lock);
  blocks.emplace(id, std::move(b));
  return reinterpret_cast<Handle>(id);
}

Handle HostHandleSuite::NewFrom(const std::string& bytes) {
  Handle h = New(int32_t(bytes.size()));
  if (h != nullptr && !bytes.empty()) std::memcpy(*h, bytes.data(), bytes.size());
  return h;
}

bool HostHandleSuite::Owns(Handle h) const {
  std::lock_guard<std::mutex> guard(lock);
  return Find(h) != nullptr;
}

void HostHandleSuite::Dispose(Handle h) {
  std::lock_guard<std::mutex> guard(lock);
  const auto it = blocks.find(reinterpret_cast<Block*>(h));
  if (it == blocks.end()) return;  // not ours (or already gone): nothing we may free
  std::unique_ptr<Block> b = std::move(it->second);
  blocks.erase(it);
  std::free(b->data);
  b->data = nullptr;
  b->size = 0;
  retired.push_back(std::move(b));
}

int32_t HostHandleSuite::Size(Handle h) const {
  std::lock_guard<std::mutex> guard(lock);
  const Block* b = Find(h);
  return b != nullptr ? b->size : -1;
}

std::string HostHandleSuite::Contents(Handle h) const {
  std::lock_guard<std::mutex> guard(lock);
  const Block* b = Find(h);
  return b != nullptr ? std::string(b->data, size_t(b->size)) : std::string();
}

size_t HostHandleSuite::LiveCount() const {
  std::lock_guard<std::mutex> guard(lock);
  return blocks.size();
}

OSErr HostHandleSuite::SetSize(Handle h, int32_t newSize) {
  if (newSize < 0) return paramErr;
  std::lock_guard<std::mutex> guard(lock);
  Block* b = Find(h);
  if (b == nullptr) return nilHandleErr;
  char* data = static_cast<char*>(std::realloc(b->data, size_t(newSize) + 1));
  if (data == nullptr) return memFullErr;
  if (newSize > b->size) std::memset(data + b->size, 0, size_t(newSize - b->size) + 1);
  b->data = data;
  b->size = newSize;
  return noErr;
}

Handle HostHandleSuite::NewProc(int32_t size) { return active->New(size); }
void HostHandleSuite::DisposeProc(Handle h) { active->Dispose(h); }
int32_t HostHandleSuite::GetSizeProc(Handle h) {
  const int32_t size = active->Size(h);
  return size < 0 ? 0 : size;
}
OSErr HostHandleSuite::SetSizeProc(Handle h, int32_t newSize) {
  return active->SetSize(h, newSize);
}
Ptr HostHandleSuite::LockProc(Handle h, PiBoolean) { return active->Owns(h) ? *h : nullptr; }
void HostHandleSuite::UnlockProc(Handle) {}
void HostHandleSuite::RecoverSpaceProc(int32_t) {}
// This host never hands out operating-system handles, so a "regular" handle can only be one of
// ours; anything else is left alone rather than freed with the wrong allocator.
void HostHandleSuite::DisposeRegularHandleProc(Handle h) { active->Dispose(h); }
