// Small host-style buffers for engine tests: interleaved planes with padded rows, as a host
// delivers them, and packed float working images.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

// An interleaved host image: `planes` samples per pixel (possibly more than the view uses),
// rows padded by `padBytes`. Samples are stored through memcpy so the tests never depend on
// the view's own addressing.
template <typename Sample>
struct HostImage {
  int32_t width;
  int32_t height;
  int32_t planes;
  int32_t rowBytes;
  std::vector<uint8_t> bytes;

  HostImage(int32_t w, int32_t h, int32_t planes_, int32_t padBytes = 6)
      : width(w),
        height(h),
        planes(planes_),
        rowBytes(w * planes_ * int32_t(sizeof(Sample)) + padBytes),
        bytes(size_t(rowBytes) * size_t(h) + 1, uint8_t(0xEE)) {}

  size_t Offset(int32_t x, int32_t y, int32_t plane) const {
    return size_t(y) * size_t(rowBytes) +
           (size_t(x) * size_t(planes) + size_t(plane)) * sizeof(Sample);
  }
  Sample Get(int32_t x, int32_t y, int32_t plane) const {
    Sample s;
    std::memcpy(&s, bytes.data() + Offset(x, y, plane), sizeof(Sample));
    return s;
  }
  void Set(int32_t x, int32_t y, int32_t plane, Sample s) {
    std::memcpy(bytes.data() + Offset(x, y, plane), &s, sizeof(Sample));
  }
  void Fill(Sample s) {
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x)
        for (int32_t p = 0; p < planes; ++p) Set(x, y, p, s);
  }

  // A view with colour samples at planes 0..K-1 and alpha at plane `alphaPlane`.
  template <class View>
  View MakeView(int32_t alphaPlane = 0) {
    View v;
    v.base = bytes.data();
    v.cursor = v.base;
    v.width = width;
    v.height = height;
    v.rowBytes = rowBytes;
    v.columnBytes = planes * int32_t(sizeof(Sample));
    v.alphaOffset = View::kAlpha ? alphaPlane : 0;
    v.valid = true;
    return v;
  }
};

// A packed float image with a guard area after it, to catch writes past the end.
struct FloatImage {
  static constexpr float kGuard = -7.25f;
  static constexpr size_t kGuardFloats = 16;
  int32_t width;
  int32_t height;
  int32_t channels;
  std::vector<float> data;

  FloatImage(int32_t w, int32_t h, int32_t c, float fill = 0.0f)
      : width(w),
        height(h),
        channels(c),
        data(size_t(w) * size_t(h) * size_t(c) + kGuardFloats, kGuard) {
    for (size_t i = 0; i < size_t(w) * size_t(h) * size_t(c); ++i) data[i] = fill;
  }
  size_t Index(int32_t x, int32_t y, int32_t c) const {
    return (size_t(y) * size_t(width) + size_t(x)) * size_t(channels) + size_t(c);
  }
  float& At(int32_t x, int32_t y, int32_t c) { return data[Index(x, y, c)]; }
  float At(int32_t x, int32_t y, int32_t c) const { return data[Index(x, y, c)]; }
  bool GuardIntact() const {
    for (size_t i = data.size() - kGuardFloats; i < data.size(); ++i) {
      if (data[i] != kGuard) return false;
    }
    return true;
  }
  template <class View>
  View MakeView() {
    return View::Packed(data.data(), width, height);
  }
};
