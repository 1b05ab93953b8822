// Sequential little-endian reads from a byte block. A read past the end sets the failed flag and
// yields zeros, so a parser can read a whole record and check once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class ByteCursor {
 public:
  ByteCursor(const uint8_t* data, size_t size) : data(data), size(size) {}
  explicit ByteCursor(const std::vector<uint8_t>& bytes) : ByteCursor(bytes.data(), bytes.size()) {}

  bool Failed() const { return failed; }
  size_t Position() const { return position; }
  size_t Remaining() const { return failed ? 0 : size - position; }

  bool Seek(size_t to) {
    if (to > size) return Fail();
    position = to;
    return true;
  }
  bool Skip(size_t count) { return Seek(count > size - position ? size + 1 : position + count); }
  // Moves to the next multiple of n (counted from the start of the block).
  bool Align(size_t n) { return Skip((n - position % n) % n); }

  uint8_t U8() {
    if (!Have(1)) return 0;
    return data[position++];
  }
  uint16_t U16() {
    if (!Have(2)) return 0;
    uint16_t v = uint16_t(data[position] | (data[position + 1] << 8));
    position += 2;
    return v;
  }
  uint32_t U32() {
    if (!Have(4)) return 0;
    uint32_t v = uint32_t(data[position]) | (uint32_t(data[position + 1]) << 8) |
                 (uint32_t(data[position + 2]) << 16) | (uint32_t(data[position + 3]) << 24);
    position += 4;
    return v;
  }
  int16_t S16() { return int16_t(U16()); }
  int32_t S32() { return int32_t(U32()); }

  std::vector<uint8_t> Bytes(size_t count) {
    if (!Have(count)) return {};
    std::vector<uint8_t> out(data + position, data + position + count);
    position += count;
    return out;
  }
  // A count byte followed by that many characters.
  std::string PString() {
    size_t count = U8();
    if (!Have(count)) return {};
    std::string out(reinterpret_cast<const char*>(data + position), count);
    position += count;
    return out;
  }
  // Characters up to a zero byte, which is consumed; fails when no zero byte follows.
  std::string CString() {
    std::string out;
    while (true) {
      if (!Have(1)) return {};
      char c = char(data[position++]);
      if (c == '\0') return out;
      out += c;
    }
  }
  // UTF-16 code units up to a zero unit, which is consumed.
  std::u16string WString() {
    std::u16string out;
    while (true) {
      char16_t c = char16_t(U16());
      if (failed) return {};
      if (c == 0) return out;
      out += c;
    }
  }

 private:
  bool Have(size_t count) {
    if (failed || count > size - position) return Fail();
    return true;
  }
  bool Fail() {
    failed = true;
    return false;
  }

  const uint8_t* data;
  size_t size;
  size_t position = 0;
  bool failed = false;
};

// UTF-16 to UTF-8 (unpaired surrogates become U+FFFD).
std::string Utf16ToUtf8(const std::u16string& text);
