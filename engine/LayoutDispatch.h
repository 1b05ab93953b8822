// The one place where a run-time pixel layout (depth, alpha, colour count) becomes a template
// instantiation. Callers pass a generic callable that receives a LayoutTag naming the host
// format, the one-channel mask format of the same depth and the float working format.
#pragma once

#include <cstdint>

#include "engine/DynamicRgbA.h"
#include "engine/StaticArgb.h"

template <typename Sample, int FullScale, int A, int K>
struct LayoutTag {
  using Host = DynamicRgbA<0, Sample, A, K, 0, FullScale>;
  using Mask = DynamicRgbA<0, Sample, 0, 1, 0, FullScale>;
  using Working = StaticArgb<char, float, A, K, 0, 1>;
  using Accumulation = StaticArgb<char, float, A, K, 1, 1>;
  static constexpr int kAlpha = A;
  static constexpr int kColours = K;
  static constexpr int kDepth = sizeof(Sample) * 8;
};

struct PixelLayout {
  int32_t depth;  // 8 or 16
  bool alpha;
  int32_t colours;  // 1..3
};

template <typename Sample, int FullScale, int A, typename Visitor, typename Result>
bool DispatchColours(int32_t colours, Visitor& visitor, Result& result) {
  switch (colours) {
    case 1:
      result = visitor(LayoutTag<Sample, FullScale, A, 1>{});
      return true;
    case 2:
      result = visitor(LayoutTag<Sample, FullScale, A, 2>{});
      return true;
    case 3:
      result = visitor(LayoutTag<Sample, FullScale, A, 3>{});
      return true;
    default:
      return false;
  }
}

// Calls visitor(LayoutTag<...>{}) for the matching layout and stores its result. Returns false
// (visitor not called) when the layout is none of the twelve.
template <typename Visitor, typename Result>
bool DispatchLayout(const PixelLayout& layout, Visitor&& visitor, Result& result) {
  if (layout.depth == 8) {
    return layout.alpha ? DispatchColours<uint8_t, 255, 1>(layout.colours, visitor, result)
                        : DispatchColours<uint8_t, 255, 0>(layout.colours, visitor, result);
  }
  if (layout.depth == 16) {
    return layout.alpha ? DispatchColours<uint16_t, 32768, 1>(layout.colours, visitor, result)
                        : DispatchColours<uint16_t, 32768, 0>(layout.colours, visitor, result);
  }
  return false;
}
