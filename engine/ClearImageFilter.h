// Zeroes every float of a working image (accumulation images before a blur pass). Runs in
// row bands; an invalid (default) view has no rows, so nothing is touched.
#pragma once

#include <algorithm>
#include <cstdint>

#include "engine/KestrimondFilter.h"

template <class Fmt>
class ClearImageFilter : public KestrimondFilter {
 public:
  ClearImageFilter(KestrimondHost* host_, Fmt image_) : KestrimondFilter(host_), image(image_) {}

  int32_t Run(uint32_t progressIndex_, uint32_t progressTotal_) override {
    progressIndex = progressIndex_;
    progressTotal = progressTotal_;
    return RunBands(*this);
  }

  virtual int32_t ProcessBand(int32_t band, int32_t bandCount, bool reportProgress) {
    const Fmt view = image;
    const intptr_t floatsPerRow = intptr_t(view.width) * Fmt::kChannels;
    return ProcessBandRows(host, view.height, band, bandCount, reportProgress, progressIndex,
                           progressTotal, [&view, floatsPerRow](int32_t y) {
                             using Sample = typename Fmt::SampleType;
                             std::fill_n(view.Row(y), floatsPerRow, Sample(0));
                           });
  }

  Fmt image;
  uint32_t progressIndex = 0;
  uint32_t progressTotal = 1;
};
