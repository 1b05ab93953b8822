// Where a destination image reads from a source image centred on it: destination pixel (x, y)
// reads source pixel (x + ox, y + oy), with offsets truncated toward zero. Destination columns
// [x0, x1) have a source pixel; whether a row has one is RowInside.
#pragma once

#include <algorithm>
#include <cstdint>

struct CentredPlacement {
  int32_t ox = 0;
  int32_t oy = 0;
  int32_t x0 = 0;
  int32_t x1 = 0;
  int32_t sourceHeight = 0;

  CentredPlacement() = default;
  CentredPlacement(int32_t sourceWidth, int32_t sourceHeight_, int32_t width, int32_t height)
      : ox((sourceWidth - width) / 2),
        oy((sourceHeight_ - height) / 2),
        x0(std::clamp(-ox, 0, std::max(width, 0))),
        x1(std::clamp(sourceWidth - ox, x0, std::max(width, 0))),
        sourceHeight(sourceHeight_) {}

  bool RowInside(int32_t y) const { return y + oy >= 0 && y + oy < sourceHeight; }
};
