// A host-style interleaved image for tests: owns its bytes and hands out a DynamicRgbA view with
// the host's strides (extra planes per pixel, padded rows), so tests see what a host delivers.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

template <class Fmt>
class HostImage {
 public:
  using Sample = typename Fmt::SampleType;

  // planes: samples per pixel (at least colours + alpha); padding: spare samples per row
  // (hosts keep the rows of 16-bit images on even addresses).
  HostImage(int32_t w, int32_t h, int32_t planes = Fmt::kColours + Fmt::kAlpha, int32_t padding = 3)
      : width(w),
        height(h),
        columnBytes(planes * int32_t(sizeof(Sample))),
        rowBytes(w * columnBytes + padding * int32_t(sizeof(Sample))),
        bytes(size_t(rowBytes) * h + 16, 0xA5) {}

  Fmt View() {
    Fmt v;
    v.base = bytes.data();
    v.cursor = v.base;
    v.width = width;
    v.height = height;
    v.rowBytes = rowBytes;
    v.columnBytes = columnBytes;
    v.alphaOffset = Fmt::kAlpha ? Fmt::kColours : 0;
    v.valid = true;
    return v;
  }

  Sample& At(int32_t x, int32_t y, int32_t sample) {
    return *reinterpret_cast<Sample*>(bytes.data() + size_t(y) * rowBytes +
                                      size_t(x) * columnBytes + size_t(sample) * sizeof(Sample));
  }
  Sample& Alpha(int32_t x, int32_t y) { return At(x, y, Fmt::kColours); }

  void Fill(Sample v) {
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x)
        for (int32_t s = 0; s < Fmt::kColours + Fmt::kAlpha; ++s) At(x, y, s) = v;
  }

  int32_t width, height, columnBytes, rowBytes;
  std::vector<uint8_t> bytes;
};
