// A preset file read as a sequence of white-space-delimited words. The whole file is held in
// memory (presets are small), so positions are plain byte offsets and copying a part of the
// file cannot stop early on any byte value.
#pragma once

#include <cstddef>
#include <string>

class pfPresetWords {
 public:
  // Longer words are cut to this length; the rest of such a word is skipped, so that a long
  // word can never turn into keywords.
  static constexpr size_t kMaxWord = 255;

  enum LoadResult { kLoaded, kMissing, kUnreadable };
  LoadResult Load(const std::string& path);

  // The next word; false (word unchanged) at the end of the text.
  bool ReadWord(std::string& word);
  // Offset just after the last word read (before any white space that follows it).
  size_t Position() const { return position; }
  const std::string& Text() const { return text; }

 private:
  std::string text;
  size_t position = 0;
};

// The C locale's white space, independent of the process locale.
inline bool pfIsPresetSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
