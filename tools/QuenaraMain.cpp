#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "tools/QuenaraApp.h"

#if defined(__GLIBC__)
#include <malloc.h>

#include <climits>
#endif

int main(int argc, char** argv) {
#if defined(__GLIBC__)
  // An image's buffers run to a gigabyte and glibc would hand each one back to the kernel when
  // it is freed (they are mapped on their own): the next image, and the render after the
  // decoder, would take every page again as a fresh page fault, which on a virtual machine
  // costs as much as a third of a render. One heap that keeps what it grew to serves them all;
  // the few small allocations of the worker threads do not need arenas of their own.
  mallopt(M_ARENA_MAX, 1);
  mallopt(M_MMAP_MAX, 0);
  mallopt(M_TRIM_THRESHOLD, INT_MAX);
#endif
  // The readers and the host check sizes before they allocate; this is the last line of
  // defence for what no check foresaw: one line instead of an abort.
  try {
    std::vector<std::string> args(argv + 1, argv + argc);
    return QuenaraMain(args);
  } catch (const std::bad_alloc&) {
    std::fputs("quenara: out of memory\n", stderr);
    return 1;
  }
}
