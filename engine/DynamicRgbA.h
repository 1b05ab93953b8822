// View of pixels in host memory (source, destination, selection mask). Sample type, channel
// count and alpha are compile-time; the strides come from the host at run time because the
// host interleaves every plane of the layer (colours, transparency, layer masks).
#pragma once

#include <cstdint>

template <int Tag, typename Sample, int A, int K, int W, int FullScale>
struct DynamicRgbA {
  static_assert(W == 0, "host images carry no weight channel");
  using SampleType = Sample;
  static constexpr int kAlpha = A;
  static constexpr int kColours = K;
  static constexpr int kFullScale = FullScale;

  uint8_t* cursor = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  int32_t rowBytes = 0;
  int32_t columnBytes = 0;
  int32_t alphaOffset = 0;  // in samples
  bool valid = false;
  uint8_t* base = nullptr;

  uint8_t* Row(int32_t y) const { return base + intptr_t(y) * rowBytes; }
  uint8_t* PixelAddress(int32_t x, int32_t y) const { return Row(y) + intptr_t(x) * columnBytes; }
  void MoveTo(int32_t x, int32_t y) { cursor = PixelAddress(x, y); }

  Sample& Colour(int k) const { return reinterpret_cast<Sample*>(cursor)[k]; }
  Sample& Alpha() const { return reinterpret_cast<Sample*>(cursor)[alphaOffset]; }
};
