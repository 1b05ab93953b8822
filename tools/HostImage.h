// The host's own image store: planes interleaved per pixel (colour planes, then transparency),
// 8-bit samples or 16-bit host samples (0..32768), rows packed. The source document, the
// destination it becomes and the selection mask are all HostImages.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "tools/PngImage.h"

class HostImage {
 public:
  HostImage() = default;
  HostImage(int32_t width, int32_t height, int32_t planes, int32_t bytesPerSample);

  int32_t Width() const { return width; }
  int32_t Height() const { return height; }
  int32_t Planes() const { return planes; }
  int32_t BytesPerSample() const { return bytesPerSample; }
  bool Empty() const { return width == 0 || height == 0; }

  uint16_t Get(int32_t x, int32_t y, int32_t plane) const {
    const size_t i = Index(x, y, plane);
    if (bytesPerSample == 1) return data[i];
    uint16_t v;
    std::memcpy(&v, &data[i], 2);
    return v;
  }
  void Set(int32_t x, int32_t y, int32_t plane, uint16_t v) {
    const size_t i = Index(x, y, plane);
    if (bytesPerSample == 1) {
      data[i] = uint8_t(v);
    } else {
      std::memcpy(&data[i], &v, 2);
    }
  }

  uint8_t* PixelAddress(int32_t x, int32_t y) { return &data[Index(x, y, 0)]; }
  const uint8_t* PixelAddress(int32_t x, int32_t y) const { return &data[Index(x, y, 0)]; }

  // The image reduced by an integer factor n >= 1 as a host does for a sampled request:
  // (width / n) x (height / n), each sample the mean of its n x n block, rounded half up.
  HostImage Reduced(int32_t n) const;

 private:
  size_t Index(int32_t x, int32_t y, int32_t plane) const {
    return ((size_t(y) * size_t(width) + size_t(x)) * size_t(planes) + size_t(plane)) *
           size_t(bytesPerSample);
  }

  int32_t width = 0;
  int32_t height = 0;
  int32_t planes = 0;
  int32_t bytesPerSample = 1;
  std::vector<uint8_t> data;
};

// 16-bit PNG samples (0..65535) to host samples (0..32768) and back.
inline uint16_t PngToHost16(uint16_t v) {
  return uint16_t((uint32_t(v) * 32768u + 32767u) / 65535u);
}
inline uint16_t HostToPng16(uint16_t s) {
  const uint32_t v = (uint32_t(s) * 65535u + 16384u) / 32768u;
  return uint16_t(v > 65535u ? 65535u : v);
}

// The document of a PNG: same planes, 8-bit samples unchanged, 16-bit samples mapped.
HostImage HostImageFromPng(const PngImage& png);
// And back, in the PNG's layout (channels and bit depth of the host image).
PngImage PngFromHostImage(const HostImage& image);
// A grey PNG as a selection mask at the image's sample size: bytesPerSample 1 takes 8-bit
// samples (16-bit ones are scaled to 8 bits), 2 takes host samples 0..32768 (8-bit ones are
// first widened by 257).
HostImage MaskFromPng(const PngImage& grey, int32_t bytesPerSample);
