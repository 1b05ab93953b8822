#include <mutex>
#include <new>

#include "base/pfLock.h"

static_assert(sizeof(std::recursive_mutex) <= pfLock::kStorageSize, "pfLock storage too small");

namespace {
std::recursive_mutex& Mutex(unsigned char* storage) {
  return *std::launder(reinterpret_cast<std::recursive_mutex*>(storage));
}
}  // namespace

pfLock::pfLock() { new (storage) std::recursive_mutex(); }

pfLock::~pfLock() { Mutex(storage).~recursive_mutex(); }

void pfLock::Enter() { Mutex(storage).lock(); }

void pfLock::Leave() { Mutex(storage).unlock(); }
