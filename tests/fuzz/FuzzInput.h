// The readers under test take paths: each fuzz input goes to one private temporary file, which
// is removed (with the companions a preset save leaves) when the fuzz program exits.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

class FuzzInputFile {
 public:
  FuzzInputFile() {
    const char* dir = std::getenv("TMPDIR");
    std::string pattern = std::string(dir != nullptr ? dir : "/tmp") + "/quenara-fuzz-XXXXXX";
    const int fd = mkstemp(pattern.data());
    if (fd < 0) std::abort();
    close(fd);
    path = pattern;
  }
  ~FuzzInputFile() {
    for (const char* suffix : {"", "tmp", ".lock"}) std::remove((path + suffix).c_str());
  }
  FuzzInputFile(const FuzzInputFile&) = delete;
  FuzzInputFile& operator=(const FuzzInputFile&) = delete;

  // The file's content becomes the input; returns its path.
  const std::string& Write(const uint8_t* data, size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr || std::fwrite(data, 1, size, f) != size || std::fclose(f) != 0) std::abort();
    return path;
  }

  std::string path;
};
