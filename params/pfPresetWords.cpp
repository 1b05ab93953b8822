#include "params/pfPresetWords.h"

#include <cerrno>
#include <cstdio>
#include <memory>

namespace {
struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
}  // namespace

pfPresetWords::LoadResult pfPresetWords::Load(const std::string& path) {
  text.clear();
  position = 0;
  errno = 0;
  // Closed also when the text cannot grow (std::bad_alloc): on Windows a file left open blocks
  // the replacement of the preset file by the next save.
  const std::unique_ptr<std::FILE, FileCloser> f(std::fopen(path.c_str(), "rb"));
  if (f == nullptr) return errno == ENOENT ? kMissing : kUnreadable;
  char buffer[16384];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f.get())) > 0) text.append(buffer, n);
  const bool failed = std::ferror(f.get()) != 0;
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
