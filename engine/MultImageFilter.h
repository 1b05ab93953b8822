// Multiplies every float of a working image (alpha and colours) by a one-channel host mask
// scaled to 0..1. An invalid mask leaves the image as it is; so do pixels the mask does not
// cover, since a mask that does not reach a pixel carries no information about it (the
// pipeline always passes a mask of the image's size).
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "engine/KestrimondFilter.h"
#include "engine/SampleConvert.h"

template <class Working, class Mask>
class MultImageFilter : public KestrimondFilter {
  static_assert(Mask::kColours == 1 && Mask::kAlpha == 0, "the mask has one channel");

 public:
  MultImageFilter(KestrimondHost* host_, Working image_, Mask mask_)
      : KestrimondFilter(host_), image(image_), mask(mask_) {}

  int32_t Run(uint32_t progressIndex_, uint32_t progressTotal_) override {
    progressIndex = progressIndex_;
    progressTotal = progressTotal_;
    return RunBands(*this);
  }

  virtual int32_t ProcessBand(int32_t band, int32_t bandCount, bool reportProgress) {
    if (!mask.valid) return host->NoError();
    const int32_t width = std::min(image.width, mask.width);
    const int32_t maskedRows = mask.height;
    return ProcessBandRows(host, image.height, band, bandCount, reportProgress, progressIndex,
                           progressTotal, [&](int32_t y) {
                             if (y < maskedRows) MultiplyRow(y, width);
                           });
  }

  Working image;
  Mask mask;
  uint32_t progressIndex = 0;
  uint32_t progressTotal = 1;

 private:
  using MaskSample = typename Mask::SampleType;
  static constexpr int kChannels = Working::kChannels;

  void MultiplyRow(int32_t y, int32_t width) const {
    auto* p = image.Row(y);
    const uint8_t* m = mask.Row(y);
    const intptr_t step = mask.columnBytes;
    for (int32_t x = 0; x < width; ++x, p += kChannels, m += step) {
      MaskSample sample;  // host mask rows need not keep 16-bit samples aligned
      std::memcpy(&sample, m, sizeof(sample));
      const double factor = SampleToDouble<Mask::kFullScale>(sample);
      for (int c = 0; c < kChannels; ++c) p[c] = float(double(p[c]) * factor);
    }
  }
};
