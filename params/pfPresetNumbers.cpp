#include "params/pfPresetNumbers.h"

#include <charconv>
#include <cmath>

void pfAppendFixed6(std::string& out, double value) {
  // Enough for the largest double in fixed notation (309 digits) with sign and decimals.
  char buffer[400];
  const std::to_chars_result r =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
  out.append(buffer, r.ptr);
}

void pfAppendInt(std::string& out, int32_t value) {
  char buffer[16];
  const std::to_chars_result r = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, r.ptr);
}

namespace {
// from_chars accepts a leading '-' but not '+', which the C library readers allow.
const char* SkipPlus(const char* begin, const char* end) {
  if (begin != end && *begin == '+' && begin + 1 != end && begin[1] != '-') return begin + 1;
  return begin;
}
}  // namespace

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
