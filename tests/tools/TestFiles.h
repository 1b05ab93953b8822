// Files for the host's tests: random images of every layout, and a PNG writer that takes the
// compressed image data as given (for interlaced and palette files the codecs never write).
#pragma once

#include <zlib.h>

#include <cstdint>
#include <random>
#include <string>

#include "tests/support/TempDir.h"
#include "tools/PngImage.h"

inline std::string ZlibCompressForTest(const std::string& raw) {
  uLongf size = compressBound(uLong(raw.size()));
  std::string out(size, '\0');
  compress(reinterpret_cast<Bytef*>(&out[0]), &size, reinterpret_cast<const Bytef*>(raw.data()),
           uLong(raw.size()));
  out.resize(size);
  return out;
}

inline void AppendBe32ForTest(std::string& s, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) s += char((v >> shift) & 0xFF);
}

inline void AppendChunkForTest(std::string& file, const char* type, const std::string& data) {
  AppendBe32ForTest(file, uint32_t(data.size()));
  const std::string body = std::string(type, 4) + data;
  file += body;
  AppendBe32ForTest(
      file, uint32_t(crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size()))));
}

inline void WriteRawPng(const std::string& path, uint32_t w, uint32_t h, int colorType, int depth,
                        int interlace, const std::string& idat) {
  std::string file("\x89PNG\r\n\x1a\n", 8);
  std::string ihdr;
  AppendBe32ForTest(ihdr, w);
  AppendBe32ForTest(ihdr, h);
  ihdr += char(depth);
  ihdr += char(colorType);
  ihdr += '\0';
  ihdr += '\0';
  ihdr += char(interlace);
  AppendChunkForTest(file, "IHDR", ihdr);
  if (colorType == 3) AppendChunkForTest(file, "PLTE", std::string("\0\0\0", 3));
  AppendChunkForTest(file, "IDAT", idat);
  AppendChunkForTest(file, "IEND", "");
  WriteFileForTest(path, file);
}

// An image of random samples; the seed makes each test's image its own and repeatable.
inline PngImage RandomPng(uint32_t w, uint32_t h, int channels, int depth, uint32_t seed) {
  std::mt19937 rng(seed);
  PngImage img;
  img.width = w;
  img.height = h;
  img.channels = channels;
  img.bitDepth = depth;
  img.samples.resize(size_t(w) * h * size_t(channels));
  for (uint16_t& s : img.samples) s = uint16_t(rng() % (depth == 8 ? 256u : 65536u));
  return img;
}

// Every layout the command line reads: grey, grey and alpha, RGB, RGBA at 8 and 16 bits.
struct PngLayout {
  int channels;
  int depth;
};
inline constexpr PngLayout kPngLayouts[] = {{1, 8},  {2, 8},  {3, 8},  {4, 8},
                                            {1, 16}, {2, 16}, {3, 16}, {4, 16}};
