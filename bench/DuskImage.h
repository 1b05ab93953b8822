// The image the effect benchmarks render: an RGB dusk gradient with a grid of bright lamps, so
// that the selection and the blur see structure rather than a constant, held in two buffers as
// a host hands them over, with the filter record that describes them.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "base/PiApi.h"

struct DuskImage {
  // A lamp is lampSize pixels square every lampEveryX x lampEveryY pixels.
  DuskImage(int32_t w, int32_t h, int32_t depth, int32_t lampEveryX = 397, int32_t lampEveryY = 311,
            int32_t lampSize = 6)
      : width(w),
        height(h),
        sampleBytes(depth == 16 ? 2 : 1),
        rowBytes(w * 3 * sampleBytes),
        in(size_t(rowBytes) * size_t(h)),
        out(in.size()) {
    const int32_t full = depth == 16 ? 32768 : 255;
    for (int32_t y = 0; y < h; ++y) {
      for (int32_t x = 0; x < w; ++x) {
        const bool lamp = (x % lampEveryX) < lampSize && (y % lampEveryY) < lampSize;
        for (int32_t k = 0; k < 3; ++k) {
          const int32_t v = lamp ? full : int32_t(int64_t(full) * (y + k * h / 8) / (2 * h));
          const size_t at =
              size_t(y) * rowBytes + size_t(x) * 3 * sampleBytes + size_t(k) * sampleBytes;
          if (sampleBytes == 2) {
            const uint16_t s = uint16_t(v);
            std::memcpy(&in[at], &s, 2);
          } else {
            in[at] = uint8_t(v);
          }
        }
      }
    }
  }

  FilterRecord Record() {
    FilterRecord r;
    std::memset(&r, 0, sizeof r);
    r.imageMode = sampleBytes == 2 ? plugInModeRGB48 : plugInModeRGBColor;
    r.depth = sampleBytes * 8;
    r.inLayerPlanes = 3;
    r.planes = 3;
    r.outRect = Rect{0, 0, int16_t(height), int16_t(width)};
    r.inData = in.data();
    r.outData = out.data();
    r.inRowBytes = r.outRowBytes = rowBytes;
    return r;
  }

  int32_t width, height, sampleBytes, rowBytes;
  std::vector<uint8_t> in, out;
};
