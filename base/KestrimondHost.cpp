#include "base/KestrimondHost.h"

#include <utility>

#include "base/pfHeap.h"

KestrimondHost::KestrimondHost(std::string name_, int32_t major, int32_t minor, int32_t patch,
                               std::string description_)
    : name(std::move(name_)),
      versionMajor(major),
      versionMinor(minor),
      versionPatch(patch),
      description(std::move(description_)) {}

KestrimondHost::~KestrimondHost() = default;

int32_t KestrimondHost::ReportProgress(int32_t, int32_t) { return NoError(); }

void* KestrimondHost::AllocateMemory(size_t size) { return pfHeapAllocate(size); }

void KestrimondHost::FreeMemory(void* block) { pfHeapFree(block); }

int32_t KestrimondHost::GetProcessorCount(int32_t* count) {
  *count = 1;
  return NoError();
}

int32_t KestrimondHost::RunParallel(int32_t n, void* data, KestrimondBandFunction bandFunction) {
  int32_t result = NoError();
  for (int32_t band = 0; band < n; ++band) {
    result = bandFunction(data, band, n, 1);
    if (result != NoError()) break;
  }
  return result;
}

int32_t KestrimondHost::NoError() { return 0; }

int32_t KestrimondHost::OutOfMemoryError() { return 1; }
