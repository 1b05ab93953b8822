#include "tools/HostImage.h"

HostImage::HostImage(int32_t width, int32_t height, int32_t planes, int32_t bytesPerSample)
    : width(width),
      height(height),
      planes(planes),
      bytesPerSample(bytesPerSample),
      data(size_t(width) * size_t(height) * size_t(planes) * size_t(bytesPerSample), 0) {}

HostImage HostImage::Reduced(int32_t n) const {
  if (n <= 1) return *this;
  HostImage r(width / n, height / n, planes, bytesPerSample);
  const uint64_t area = uint64_t(n) * uint64_t(n);
  for (int32_t y = 0; y < r.height; ++y) {
    for (int32_t x = 0; x < r.width; ++x) {
      for (int32_t p = 0; p < planes; ++p) {
        uint64_t sum = 0;
        for (int32_t j = 0; j < n; ++j) {
          for (int32_t i = 0; i < n; ++i) sum += Get(x * n + i, y * n + j, p);
        }
        r.Set(x, y, p, uint16_t((sum + area / 2) / area));
      }
    }
  }
  return r;
}

// Both conversions run over the packed samples in one straight loop, which the compiler
// vectorises: on a 24-megapixel 16-bit picture the per-pixel accessors cost a quarter second
// each way, on the path between the file and the render.
HostImage HostImageFromPng(const PngImage& png) {
  HostImage image(int32_t(png.width), int32_t(png.height), png.channels, png.bitDepth / 8);
  if (image.Empty()) return image;
  const size_t n = size_t(png.width) * png.height * size_t(png.channels);
  const uint16_t* in = png.samples.data();
  uint8_t* out = image.PixelAddress(0, 0);
  if (png.bitDepth == 8) {
    for (size_t i = 0; i < n; ++i) out[i] = uint8_t(in[i]);
  } else {
    for (size_t i = 0; i < n; ++i) {
      const uint16_t s = PngToHost16(in[i]);
      std::memcpy(out + 2 * i, &s, 2);
    }
  }
  return image;
}

PngImage PngFromHostImage(const HostImage& image) {
  PngImage png;
  png.width = uint32_t(image.Width());
  png.height = uint32_t(image.Height());
  png.channels = image.Planes();
  png.bitDepth = image.BytesPerSample() * 8;
  const size_t n = size_t(png.width) * png.height * size_t(png.channels);
  png.samples.resize(n);
  if (image.Empty()) return png;
  const uint8_t* in = image.PixelAddress(0, 0);
  uint16_t* out = png.samples.data();
  if (png.bitDepth == 8) {
    for (size_t i = 0; i < n; ++i) out[i] = in[i];
  } else {
    for (size_t i = 0; i < n; ++i) {
      uint16_t s;
      std::memcpy(&s, in + 2 * i, 2);
      out[i] = HostToPng16(s);
    }
  }
  return png;
}

HostImage MaskFromPng(const PngImage& grey, int32_t bytesPerSample) {
  HostImage mask(int32_t(grey.width), int32_t(grey.height), 1, bytesPerSample);
  for (uint32_t y = 0; y < grey.height; ++y) {
    for (uint32_t x = 0; x < grey.width; ++x) {
      const uint16_t v = grey.At(x, y, 0);
      uint16_t s;
      if (bytesPerSample == 1) {
        s = grey.bitDepth == 8 ? v : uint16_t((uint32_t(v) * 255u + 32767u) / 65535u);
      } else {
        s = PngToHost16(grey.bitDepth == 8 ? uint16_t(v * 257u) : v);
      }
      mask.Set(int32_t(x), int32_t(y), 0, s);
    }
  }
  return mask;
}
