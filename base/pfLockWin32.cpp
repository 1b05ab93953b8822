#include <windows.h>

#include <new>

#include "base/pfLock.h"

static_assert(sizeof(CRITICAL_SECTION) <= pfLock::kStorageSize, "pfLock storage too small");

namespace {
CRITICAL_SECTION* Section(unsigned char* storage) {
  return std::launder(reinterpret_cast<CRITICAL_SECTION*>(storage));
}
}  // namespace

pfLock::pfLock() { InitializeCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(storage)); }

pfLock::~pfLock() { DeleteCriticalSection(Section(storage)); }

void pfLock::Enter() { EnterCriticalSection(Section(storage)); }

void pfLock::Leave() { LeaveCriticalSection(Section(storage)); }
