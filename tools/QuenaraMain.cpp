#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "tools/QuenaraApp.h"

int main(int argc, char** argv) {
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
