// First stage of the effect: converts host pixels into the float working image, weighted by
// how well the selection source's hue, saturation and lightness fall into three ranges (or
// writing the weight itself when only the selection is shown). Colours are premultiplied by
// alpha before they are judged, so a transparent pixel looks black.
#pragma once

#include <algorithm>
#include <cstdint>
#include <type_traits>

#include "engine/CentredPlacement.h"
#include "engine/ColourHsl.h"
#include "engine/HslRange.h"
#include "engine/HslRangeFactorCache.h"
#include "engine/HslRangeSettings.h"
#include "engine/KestrimondFilter.h"
#include "engine/SampleConvert.h"

template <class HostFmt, class Working, class SelectionFmt>
class HslRangeSelectionFilter : public KestrimondFilter {
  static_assert(HostFmt::kAlpha == Working::kAlpha && HostFmt::kColours == Working::kColours &&
                    Working::kWeight == 0,
                "the working image has the host image's channels");
  static_assert(std::is_same_v<SelectionFmt, HostFmt>, "both sources share one host format");

 public:
  HslRangeSelectionFilter(KestrimondHost* host_, HostFmt colourSource_, Working destination_,
                          SelectionFmt selectionSource_, HslRangeSettings settings_)
      : KestrimondFilter(host_),
        colourSource(colourSource_),
        destination(destination_),
        selectionSource(selectionSource_),
        settings(settings_) {}

  int32_t Run(uint32_t progressIndex_, uint32_t progressTotal_) override {
    progressIndex = progressIndex_;
    progressTotal = progressTotal_;
    return RunBands(*this);
  }

  virtual int32_t ProcessBand(int32_t band, int32_t bandCount, bool reportProgress) {
    if (!destination.valid || !colourSource.valid) return host->NoError();
    if (settings.enabled && !selectionSource.valid) return host->NoError();
    const HslRangeSettings& s = settings;
    const Ranges ranges{HslRange(s.hueLow, s.hueHigh, s.hueClimax, s.hueSoften, s.hueShift),
                        HslRange(s.saturationLow, s.saturationHigh, s.saturationClimax,
                                 s.saturationSoften, s.saturationShift),
                        HslRange(s.lightnessLow, s.lightnessHigh, s.lightnessClimax,
                                 s.lightnessSoften, s.lightnessShift)};
    const CentredPlacement colourPlace(colourSource.width, colourSource.height, destination.width,
                                       destination.height);
    const CentredPlacement selectionPlace(selectionSource.width, selectionSource.height,
                                          destination.width, destination.height);
    if (!s.enabled) {
      return ProcessBandRows(host, destination.height, band, bandCount, reportProgress,
                             progressIndex, progressTotal, [&](int32_t y) {
                               s.weightOnly ? ConvertRow<true>(y, colourPlace)
                                            : ConvertRow<false>(y, colourPlace);
                             });
    }
    // The effect leaves hue and saturation wide open; every hue, saturation and lightness
    // lies in [0, 1] (converted samples never exceed 1), so an open range need not be judged,
    // and the lightness alone needs no division. The pipeline also passes one image as both
    // sources: convert it once.
    const bool hueSaturationOpen =
        ranges.hue.AcceptsUnitInterval() && ranges.saturation.AcceptsUnitInterval();
    const int judge = !hueSaturationOpen                       ? kJudgeAll
                      : ranges.lightness.AcceptsUnitInterval() ? kJudgeNothing
                                                               : kJudgeLightness;
    const bool sameSource = colourSource.base == selectionSource.base &&
                            colourSource.width == selectionSource.width &&
                            colourSource.height == selectionSource.height &&
                            colourSource.rowBytes == selectionSource.rowBytes &&
                            colourSource.columnBytes == selectionSource.columnBytes &&
                            colourSource.alphaOffset == selectionSource.alphaOffset;
    using Row =
        void (HslRangeSelectionFilter::*)(int32_t, const CentredPlacement&, const CentredPlacement&,
                                          const Ranges&, HslRangeFactorCache&) const;
    static constexpr Row kRows[2][3][2] = {
        {{&HslRangeSelectionFilter::SelectRow<false, kJudgeNothing, false>,
          &HslRangeSelectionFilter::SelectRow<false, kJudgeNothing, true>},
         {&HslRangeSelectionFilter::SelectRow<false, kJudgeLightness, false>,
          &HslRangeSelectionFilter::SelectRow<false, kJudgeLightness, true>},
         {&HslRangeSelectionFilter::SelectRow<false, kJudgeAll, false>,
          &HslRangeSelectionFilter::SelectRow<false, kJudgeAll, true>}},
        {{&HslRangeSelectionFilter::SelectRow<true, kJudgeNothing, false>,
          &HslRangeSelectionFilter::SelectRow<true, kJudgeNothing, true>},
         {&HslRangeSelectionFilter::SelectRow<true, kJudgeLightness, false>,
          &HslRangeSelectionFilter::SelectRow<true, kJudgeLightness, true>},
         {&HslRangeSelectionFilter::SelectRow<true, kJudgeAll, false>,
          &HslRangeSelectionFilter::SelectRow<true, kJudgeAll, true>}}};
    const Row row = kRows[s.weightOnly != 0][judge][sameSource];
    HslRangeFactorCache lightness(ranges.lightness);
    return ProcessBandRows(
        host, destination.height, band, bandCount, reportProgress, progressIndex, progressTotal,
        [&](int32_t y) { (this->*row)(y, colourPlace, selectionPlace, ranges, lightness); });
  }

  HostFmt colourSource;
  Working destination;
  SelectionFmt selectionSource;
  HslRangeSettings settings;
  uint32_t progressIndex = 0;
  uint32_t progressTotal = 1;

 private:
  static constexpr int A = HostFmt::kAlpha;
  static constexpr int K = HostFmt::kColours;
  static constexpr int kChannels = A + K;
  using Sample = typename HostFmt::SampleType;
  using Out = typename Working::SampleType;
  static constexpr double kReciprocal = SampleScale<HostFmt::kFullScale>::kReciprocal;
  static constexpr double kReciprocalSquared =
      1.0 / (SampleScale<HostFmt::kFullScale>::kScale * SampleScale<HostFmt::kFullScale>::kScale);
  static constexpr double kSixth = 1.0 / 6.0;

  // What a pixel's weight depends on.
  static constexpr int kJudgeNothing = 0;    // every range is open: weight 1
  static constexpr int kJudgeLightness = 1;  // hue and saturation open
  static constexpr int kJudgeAll = 2;

  struct Ranges {
    HslRange hue, saturation, lightness;
  };

  // A host pixel converted to doubles in working order (alpha first), premultiplied by alpha.
  struct Converted {
    double v[kChannels];
  };

  static Converted Premultiplied(const uint8_t* pixel, int32_t alphaOffset) {
    const Sample* s = reinterpret_cast<const Sample*>(pixel);
    Converted c;
    if constexpr (A == 1) {
      const double a = double(s[alphaOffset]);
      c.v[0] = a * a * kReciprocalSquared;
      for (int k = 0; k < K; ++k) c.v[1 + k] = double(s[k]) * a * kReciprocalSquared;
    } else {
      for (int k = 0; k < K; ++k) c.v[k] = double(s[k]) * kReciprocal;
    }
    return c;
  }

  template <int Judge>
  static double Weight(const Converted& c, const Ranges& ranges, HslRangeFactorCache& lightness) {
    if constexpr (Judge == kJudgeNothing) return 1.0;
    double r, g, b;
    if constexpr (K == 1) {
      r = g = b = c.v[A];
    } else if constexpr (K == 2) {
      r = g = b = (c.v[A] + c.v[A + 1]) * 0.5;
    } else {
      r = c.v[A];
      g = c.v[A + 1];
      b = c.v[A + 2];
    }
    if constexpr (Judge == kJudgeLightness) {
      // The same lightness RgbToHsl computes.
      const double mx = std::max(r, std::max(g, b));
      const double mn = std::min(r, std::min(g, b));
      return lightness.Factor((mx + mn) * 0.5);
    } else {
      const Hsl hsl = RgbToHsl(r, g, b);
      const double fh = ranges.hue.Factor(hsl.h * kSixth);
      if (fh == 0.0) return 0.0;
      const double fs = ranges.saturation.Factor(hsl.s);
      if (fs == 0.0) return 0.0;
      return fh * fs * lightness.Factor(hsl.l);
    }
  }

  // Interval [x0, x1) of the destination row y that a source covers, and the source address
  // read by destination column x0.
  struct RowSpan {
    int32_t x0 = 0;
    int32_t x1 = 0;
    const uint8_t* first = nullptr;
  };

  template <class Fmt>
  static RowSpan Span(const Fmt& view, const CentredPlacement& place, int32_t y) {
    RowSpan span;
    if (!place.RowInside(y)) return span;
    span.x0 = place.x0;
    span.x1 = place.x1;
    span.first = view.Row(y + place.oy) + intptr_t(place.x0 + place.ox) * view.columnBytes;
    return span;
  }

  template <bool WeightOnly, int Judge, bool SameSource>
  void SelectRow(int32_t y, const CentredPlacement& colourPlace,
                 const CentredPlacement& selectionPlace, const Ranges& ranges,
                 HslRangeFactorCache& lightness) const {
    const RowSpan cs = Span(colourSource, colourPlace, y);
    const RowSpan ss = Span(selectionSource, selectionPlace, y);
    const intptr_t cStep = colourSource.columnBytes;
    const intptr_t sStep = selectionSource.columnBytes;
    const int32_t cAlpha = colourSource.alphaOffset;
    const int32_t sAlpha = selectionSource.alphaOffset;
    Out* out = destination.Row(y);
    for (int32_t x = 0; x < destination.width; ++x, out += kChannels) {
      double weight = 0.0;
      Converted c{};
      if constexpr (SameSource) {
        if (x >= cs.x0 && x < cs.x1) {
          c = Premultiplied(cs.first + (x - cs.x0) * cStep, cAlpha);
          weight = Weight<Judge>(c, ranges, lightness);
        }
      } else {
        if (x >= ss.x0 && x < ss.x1) {
          const Converted judged = Premultiplied(ss.first + (x - ss.x0) * sStep, sAlpha);
          weight = Weight<Judge>(judged, ranges, lightness);
        }
        if (x >= cs.x0 && x < cs.x1) c = Premultiplied(cs.first + (x - cs.x0) * cStep, cAlpha);
      }
      if constexpr (WeightOnly) {
        if constexpr (A == 1) out[0] = Out(c.v[0]);
        for (int k = 0; k < K; ++k) out[A + k] = Out(weight);
      } else {
        for (int i = 0; i < kChannels; ++i) out[i] = Out(c.v[i] * weight);
      }
    }
  }

  // The disabled path: plain conversion (each sample / D, alpha included), or 1.0 everywhere
  // when only the weight is shown; 0 where the colour source has no pixel.
  template <bool WeightOnly>
  void ConvertRow(int32_t y, const CentredPlacement& colourPlace) const {
    const RowSpan cs = Span(colourSource, colourPlace, y);
    const intptr_t cStep = colourSource.columnBytes;
    const int32_t cAlpha = colourSource.alphaOffset;
    Out* out = destination.Row(y);
    for (int32_t x = 0; x < destination.width; ++x, out += kChannels) {
      if (x < cs.x0 || x >= cs.x1) {
        for (int i = 0; i < kChannels; ++i) out[i] = Out(0);
        continue;
      }
      if constexpr (WeightOnly) {
        for (int i = 0; i < kChannels; ++i) out[i] = Out(1);
      } else {
        const Sample* s = reinterpret_cast<const Sample*>(cs.first + (x - cs.x0) * cStep);
        if constexpr (A == 1) out[0] = Out(double(s[cAlpha]) * kReciprocal);
        for (int k = 0; k < K; ++k) out[A + k] = Out(double(s[k]) * kReciprocal);
      }
    }
  }
};
