// View of one of the engine's own packed float images. Never owns its pixels; filters copy
// views freely. Channel order within a pixel: alpha (A), colours 0..K-1, weight (W).
#pragma once

#include <cstdint>

template <typename Tag, typename Sample, int A, int K, int W, int FullScale>
struct StaticArgb {
  using SampleType = Sample;
  static constexpr int kAlpha = A;
  static constexpr int kColours = K;
  static constexpr int kWeight = W;
  static constexpr int kFullScale = FullScale;
  static constexpr int kChannels = A + K + W;  // samples per pixel
  static constexpr int kPixelBytes = kChannels * int(sizeof(Sample));

  Sample* cursor = nullptr;
  Sample* base = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  int32_t rowBytes = 0;
  bool valid = false;

  // A packed view over memory the caller owns (null memory gives an invalid view).
  static StaticArgb Packed(void* memory, int32_t w, int32_t h) {
    StaticArgb view;
    view.base = static_cast<Sample*>(memory);
    view.cursor = view.base;
    view.width = w;
    view.height = h;
    view.rowBytes = w * kPixelBytes;
    view.valid = memory != nullptr;
    return view;
  }

  Sample* Row(int32_t y) const {
    return reinterpret_cast<Sample*>(reinterpret_cast<char*>(base) + intptr_t(y) * rowBytes);
  }
  Sample* PixelAddress(int32_t x, int32_t y) const { return Row(y) + intptr_t(x) * kChannels; }
  void MoveTo(int32_t x, int32_t y) { cursor = PixelAddress(x, y); }

  Sample& Alpha() const {
    static_assert(A == 1, "format has no alpha");
    return cursor[0];
  }
  Sample& Colour(int k) const { return cursor[A + k]; }
  Sample& Weight() const {
    static_assert(W == 1, "format has no weight");
    return cursor[A + K];
  }
};
