// A decoded PNG as the command-line host sees it: grey, grey+alpha, RGB or RGBA with 8 or 16
// bits per sample, samples interleaved per pixel, rows top to bottom. Two readers decode it:
// libpng natively, and a small zlib-based reader for the Windows build (mingw has no libpng
// package); the tests check each against the other. One parallel writer serves both.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct PngImage {
  uint32_t width = 0;
  uint32_t height = 0;
  int channels = 0;               // 1 grey, 2 grey+alpha, 3 RGB, 4 RGBA
  int bitDepth = 0;               // 8 or 16
  std::vector<uint16_t> samples;  // width * height * channels, full PNG range (0..255 / 0..65535)

  uint16_t& At(uint32_t x, uint32_t y, int c) {
    return samples[(size_t(y) * width + x) * size_t(channels) + size_t(c)];
  }
  uint16_t At(uint32_t x, uint32_t y, int c) const {
    return samples[(size_t(y) * width + x) * size_t(channels) + size_t(c)];
  }
};

// Both return false with a one-line reason in `error`. Reading accepts only the layouts above
// (palette, sub-byte depths and tRNS-keyed images are refused as unsupported layouts).
bool ReadPng(const std::string& path, PngImage& image, std::string& error);

// Compression levels 0 (stored) to 9 as zlib counts them, except that level 1 matches runs
// only. The default: blurred pictures come out about as small as at level 6 in a fraction of
// its time.
constexpr int kDefaultPngLevel = 1;
bool WritePng(const std::string& path, const PngImage& image, std::string& error,
              int level = kDefaultPngLevel);

// The two readers under their own names, so that tests can play one against the other.
bool ReadPngLibpng(const std::string& path, PngImage& image, std::string& error);
bool ReadPngZlib(const std::string& path, PngImage& image, std::string& error);
