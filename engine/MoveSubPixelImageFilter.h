// Shifts a float working image in place by a fraction of a pixel (|shift| <= 1 per axis) with
// bilinear weights, so that the blur origin falls on a pixel centre. A shift of (sx, sy) moves
// the content by (-sx, -sy). Rows and columns are visited so that each neighbour is read before
// it is overwritten, which is why this filter runs unbanded on the calling thread.
#pragma once

#include <cmath>
#include <cstdint>

#include "engine/KestrimondFilter.h"

template <class Working>
class MoveSubPixelImageFilter : public KestrimondFilter {
 public:
  MoveSubPixelImageFilter(KestrimondHost* host_, Working image_, double shiftX_, double shiftY_)
      : KestrimondFilter(host_), image(image_), shiftX(shiftX_), shiftY(shiftY_) {}

  int32_t Run(uint32_t progressIndex, uint32_t progressTotal) override {
    int32_t status = host->NoError();
    if (!image.valid) return status;
    const int32_t W = image.width;
    const int32_t H = image.height;
    const int dx = shiftX > 0 ? 1 : -1;
    const int dy = shiftY > 0 ? 1 : -1;
    const double ax = 1.0 - std::fabs(shiftX);
    const double ay = 1.0 - std::fabs(shiftY);
    const Weights w{ax * ay, (1.0 - ax) * ay, ax * (1.0 - ay), (1.0 - ax) * (1.0 - ay)};
    for (int32_t i = 0; i < H; ++i) {
      const int32_t y = dy > 0 ? i : H - 1 - i;
      const bool lastRow = dy > 0 ? y == H - 1 : y == 0;
      ShiftRow(y, lastRow ? 0 : dy, dx, W, w);
      status = host->ReportProgress(int32_t(progressIndex * uint32_t(H) + uint32_t(i)),
                                    int32_t(progressTotal * uint32_t(H)));
      if (status != host->NoError()) return status;
    }
    return status;
  }

  Working image;
  double shiftX;
  double shiftY;

 private:
  static constexpr int kChannels = Working::kChannels;
  using Sample = typename Working::SampleType;

  struct Weights {
    double w00, w10, w01, w11;
  };

  static void ShiftPixel(Sample* p, intptr_t right, intptr_t down, const Weights& w) {
    for (int c = 0; c < kChannels; ++c) {
      p[c] = Sample(w.w00 * p[c] + w.w10 * p[right + c] + w.w01 * p[down + c] +
                    w.w11 * p[right + down + c]);
    }
  }

  // Row y with vertical neighbour offset rowStep (0 at the border); the column at the end of
  // the traversal has no horizontal neighbour and uses its own column.
  void ShiftRow(int32_t y, int rowStep, int dx, int32_t W, const Weights& w) const {
    if (W <= 0) return;
    const intptr_t down = intptr_t(rowStep) * (image.rowBytes / intptr_t(sizeof(Sample)));
    const intptr_t right = intptr_t(dx) * kChannels;
    Sample* row = image.Row(y);
    if (dx > 0) {
      Sample* p = row;
      for (int32_t x = 0; x < W - 1; ++x, p += kChannels) ShiftPixel(p, right, down, w);
      ShiftPixel(p, 0, down, w);
    } else {
      Sample* p = row + intptr_t(W - 1) * kChannels;
      for (int32_t x = W - 1; x > 0; --x, p -= kChannels) ShiftPixel(p, right, down, w);
      ShiftPixel(p, 0, down, w);
    }
  }
};
