#include "params/pfPresetFile.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>

namespace {
// The word that starts the next preset.
const char kNameWord[] = "name";

// from_chars accepts a leading '-' but not '+', which the C library readers allow.
const char* SkipPlus(const char* begin, const char* end) {
  if (begin != end && *begin == '+' && begin + 1 != end && begin[1] != '-') return begin + 1;
  return begin;
}

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

void pfAppendFixed6(std::string& out, double value) {
  // Enough for the largest double in fixed notation (309 digits) with sign and decimals.
  char buffer[400];
  const std::to_chars_result r =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
  out.append(buffer, static_cast<size_t>(r.ptr - buffer));
}

void pfAppendInt(std::string& out, int32_t value) {
  char buffer[16];
  const std::to_chars_result r = std::to_chars(buffer, buffer + sizeof buffer, value);
  // By length: mingw's GCC 12 warns falsely (-Wrestrict) on the iterator form once this is
  // inlined into the line writer.
  out.append(buffer, static_cast<size_t>(r.ptr - buffer));
}

double pfParseLeadingDouble(const std::string& word) {
  const char* end = word.data() + word.size();
  const char* begin = SkipPlus(word.data(), end);
  double value = 0.0;
  const std::from_chars_result r = std::from_chars(begin, end, value, std::chars_format::general);
  if (r.ec != std::errc() || !std::isfinite(value)) return 0.0;
  return value;
}

int32_t pfParseLeadingInt(const std::string& word) {
  const char* end = word.data() + word.size();
  const char* begin = SkipPlus(word.data(), end);
  int32_t value = 0;
  const std::from_chars_result r = std::from_chars(begin, end, value);
  if (r.ec != std::errc()) return 0;
  return value;
}

void pfPresetLineWriter::Put(double value) {
  out += ' ';
  pfAppendFixed6(out, value);
}

void pfPresetLineWriter::PutBool(bool value) { PutInt(value ? 1 : 0); }

void pfPresetLineWriter::PutInt(int32_t value) {
  out += ' ';
  pfAppendInt(out, value);
}

void pfPresetLineWriter::PutDouble(double value) {
  // Single precision is what the file promises; a value beyond float's range keeps its
  // double value rather than becoming infinite.
  if (std::fabs(value) <= std::numeric_limits<float>::max()) value = static_cast<float>(value);
  Put(value);
}

void pfPresetLineWriter::PutItem(int32_t item) { PutInt(item); }

void pfPresetLineWriter::PutPoint(double x, double y) {
  Put(x);
  Put(y);
}

void pfPresetLineWriter::PutColour(double red, double green, double blue) {
  Put(red);
  Put(green);
  Put(blue);
}

bool pfPresetLineReader::ReadMore(std::string* values, int count) {
  for (int i = 0; i < count; ++i) {
    if (!words.ReadWord(values[i]) || values[i] == kNameWord) {
      presetEnded = true;
      return false;
    }
  }
  return true;
}

bool pfPresetLineReader::GetBool(bool& value) {
  value = pfParseLeadingInt(first) != 0;
  return true;
}

bool pfPresetLineReader::GetInt(int32_t& value) {
  value = pfParseLeadingInt(first);
  return true;
}

bool pfPresetLineReader::GetDouble(double& value) {
  value = pfParseLeadingDouble(first);
  return true;
}

bool pfPresetLineReader::GetItem(int32_t& item) { return GetInt(item); }

bool pfPresetLineReader::GetPoint(double& x, double& y) {
  std::string more;
  if (!ReadMore(&more, 1)) return false;
  x = pfParseLeadingDouble(first);
  y = pfParseLeadingDouble(more);
  return true;
}

bool pfPresetLineReader::GetColour(double& red, double& green, double& blue) {
  std::string more[2];
  if (!ReadMore(more, 2)) return false;
  red = pfParseLeadingDouble(first);
  green = pfParseLeadingDouble(more[0]);
  blue = pfParseLeadingDouble(more[1]);
  return true;
}

pfPresetWriteResult pfWritePresetFile(const std::string& path, const std::string& tempPath,
                                      const std::string& content) {
  std::FILE* f = std::fopen(tempPath.c_str(), "wb");
  if (f == nullptr) return kPresetTempNotOpened;
  bool ok = std::fwrite(content.data(), 1, content.size(), f) == content.size();
  ok = std::fflush(f) == 0 && ok;
  ok = std::fclose(f) == 0 && ok;
  if (!ok) {
    std::remove(tempPath.c_str());
    return kPresetTempWriteFailed;
  }
  if (!pfReplaceFile(tempPath, path)) {
    std::remove(tempPath.c_str());
    return kPresetReplaceFailed;
  }
  return kPresetWritten;
}
