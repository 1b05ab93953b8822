// Little-endian byte building for expected resource contents and hand-built PE files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TestBytes {
  std::vector<uint8_t> b;

  TestBytes& U8(uint32_t v) {
    b.push_back(uint8_t(v));
    return *this;
  }
  TestBytes& U16(uint32_t v) { return U8(v).U8(v >> 8); }
  TestBytes& U32(uint32_t v) { return U16(v).U16(v >> 16); }
  // A four-character code is stored as its 32-bit value, first character most significant.
  TestBytes& Code(const char (&s)[5]) {
    return U32((uint32_t(uint8_t(s[0])) << 24) | (uint32_t(uint8_t(s[1])) << 16) |
               (uint32_t(uint8_t(s[2])) << 8) | uint32_t(uint8_t(s[3])));
  }
  TestBytes& Text(const std::string& s) {
    b.insert(b.end(), s.begin(), s.end());
    return *this;
  }
  TestBytes& PString(const std::string& s) { return U8(uint32_t(s.size())).Text(s); }
  TestBytes& Zeros(size_t n) {
    b.insert(b.end(), n, 0);
    return *this;
  }
  TestBytes& Append(const std::vector<uint8_t>& more) {
    b.insert(b.end(), more.begin(), more.end());
    return *this;
  }
  size_t Size() const { return b.size(); }
  void Put32(size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
  }
};
