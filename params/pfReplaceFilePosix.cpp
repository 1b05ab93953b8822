#include <cstdio>

#include "params/pfPresetFileWriter.h"

// POSIX rename replaces an existing target atomically.
bool pfReplaceFile(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}
