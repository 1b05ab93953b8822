#include "base/pfHeap.h"

#include <cstdint>
#include <cstdlib>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {

#if defined(__linux__) && defined(MADV_HUGEPAGE)
constexpr size_t kHugePage = size_t(2) << 20;
// Below this the 2 MB rounding would waste a noticeable share of the block.
constexpr size_t kHugeBlockMinimum = size_t(16) << 20;
#endif

}  // namespace

void* pfHeapAllocate(size_t size) {
  if (size == 0) size = 1;
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  if (size >= kHugeBlockMinimum && size <= SIZE_MAX - kHugePage) {
    const size_t rounded = (size + kHugePage - 1) / kHugePage * kHugePage;
    void* block = std::aligned_alloc(kHugePage, rounded);
    // Only advice: where the kernel keeps huge pages off, the block still works.
    if (block != nullptr) madvise(block, rounded, MADV_HUGEPAGE);
    return block;
  }
#endif
  return std::malloc(size);
}

void pfHeapFree(void* block) { std::free(block); }
