// Writes a float working image into a host image: each float times the full scale, truncated
// toward zero (no clamping; producers keep values in 0..1). The two images are centred on each
// other; destination pixels with no source pixel get 0 in every sample, alpha included, so
// that an uncovered area reads as transparent black.
#pragma once

#include <cstdint>

#include "engine/CentredPlacement.h"
#include "engine/KestrimondFilter.h"
#include "engine/SampleConvert.h"

template <class Working, class Host>
class CopyImageFilter : public KestrimondFilter {
  static_assert(Working::kAlpha == Host::kAlpha && Working::kColours == Host::kColours,
                "source and destination must have the same channels");

 public:
  CopyImageFilter(KestrimondHost* host_, Working source_, Host destination_)
      : KestrimondFilter(host_), source(source_), destination(destination_) {}

  int32_t Run(uint32_t progressIndex_, uint32_t progressTotal_) override {
    progressIndex = progressIndex_;
    progressTotal = progressTotal_;
    return RunBands(*this);
  }

  virtual int32_t ProcessBand(int32_t band, int32_t bandCount, bool reportProgress) {
    if (!source.valid || !destination.valid) return host->NoError();
    const CentredPlacement place(source.width, source.height, destination.width,
                                 destination.height);
    return ProcessBandRows(host, destination.height, band, bandCount, reportProgress, progressIndex,
                           progressTotal, [&](int32_t y) {
                             if (!place.RowInside(y)) {
                               ZeroPixels(y, 0, destination.width);
                               return;
                             }
                             ZeroPixels(y, 0, place.x0);
                             CopyPixels(y, y + place.oy, place.x0, place.x1, place.ox);
                             ZeroPixels(y, place.x1, destination.width);
                           });
  }

  Working source;
  Host destination;
  uint32_t progressIndex = 0;
  uint32_t progressTotal = 1;

 private:
  using Sample = typename Host::SampleType;
  static constexpr int A = Host::kAlpha;
  static constexpr int K = Host::kColours;

  void CopyPixels(int32_t y, int32_t sy, int32_t x0, int32_t x1, int32_t ox) const {
    const auto* s = source.Row(sy) + intptr_t(x0 + ox) * Working::kChannels;
    uint8_t* d = destination.Row(y) + intptr_t(x0) * destination.columnBytes;
    const intptr_t step = destination.columnBytes;
    const int32_t alphaOffset = destination.alphaOffset;
    for (int32_t x = x0; x < x1; ++x, s += Working::kChannels, d += step) {
      Sample* out = reinterpret_cast<Sample*>(d);
      if constexpr (A == 1) out[alphaOffset] = FloatToSample<Host::kFullScale, Sample>(s[0]);
      for (int k = 0; k < K; ++k) out[k] = FloatToSample<Host::kFullScale, Sample>(s[A + k]);
    }
  }

  void ZeroPixels(int32_t y, int32_t x0, int32_t x1) const {
    uint8_t* d = destination.Row(y) + intptr_t(x0) * destination.columnBytes;
    const intptr_t step = destination.columnBytes;
    const int32_t alphaOffset = destination.alphaOffset;
    for (int32_t x = x0; x < x1; ++x, d += step) {
      Sample* out = reinterpret_cast<Sample*>(d);
      if constexpr (A == 1) out[alphaOffset] = 0;
      for (int k = 0; k < K; ++k) out[k] = 0;
    }
  }
};
