#include "params/pfPresetWords.h"

#include <cerrno>
#include <cstdio>

pfPresetWords::LoadResult pfPresetWords::Load(const std::string& path) {
  text.clear();
  position = 0;
  errno = 0;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return errno == ENOENT ? kMissing : kUnreadable;
  char buffer[16384];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed) {
    text.clear();
    return kUnreadable;
  }
  return kLoaded;
}

bool pfPresetWords::ReadWord(std::string& word) {
  size_t i = position;
  const size_t n = text.size();
  while (i < n && pfIsPresetSpace(text[i])) ++i;
  if (i == n) return false;
  const size_t start = i;
  while (i < n && !pfIsPresetSpace(text[i])) ++i;
  const size_t length = i - start;
  word.assign(text, start, length < kMaxWord ? length : kMaxWord);
  position = i;
  return true;
}
