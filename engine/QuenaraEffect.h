// The whole effect for one host layout: selection, mask, linear light, sub-pixel shift of the
// origin, ray blur or aberration, then the compositing bands that write the host's output; the
// display modes show the selection instead. All stages work in place on one float working image.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "engine/CompositingBand.h"
#include "engine/CopyImageFilter.h"
#include "engine/HslRangeSelectionFilter.h"
#include "engine/KestrimondFilter.h"
#include "engine/LayoutDispatch.h"
#include "engine/MoveSubPixelImageFilter.h"
#include "engine/MultImageFilter.h"
#include "engine/QuenaraFilter.h"
#include "engine/QuenaraSettings.h"
#include "engine/StaticArgb.h"
#include "engine/VolumetricAbberationFilter.h"

template <class HostFmt, class MaskFmt>
class QuenaraEffect : public KestrimondFilter {
 public:
  static constexpr int A = HostFmt::kAlpha;
  static constexpr int K = HostFmt::kColours;
  static constexpr int kFullScale = HostFmt::kFullScale;
  static constexpr int32_t kLinearTableSize = 32768;
  using Sample = typename HostFmt::SampleType;
  using MaskSample = typename MaskFmt::SampleType;
  using Working = StaticArgb<char, float, A, K, 0, 1>;

  // Stage numbers for progress: each stage covers H rows of 6 x H.
  enum Stage : uint32_t {
    kStageSelection = 0,
    kStageMask = 1,
    kStageLinear = 2,
    kStageShift = 3,
    kStageBlur = 4,
    kStageOutput = 5,
    kStageCount = 6
  };

  explicit QuenaraEffect(KestrimondHost* host_) : KestrimondFilter(host_) {}
  QuenaraEffect(const QuenaraEffect&) = default;  // band copies

  HostFmt source;
  HostFmt destination;
  HostFmt selectionSource;
  MaskFmt mask;      // multiplied into the working image
  MaskFmt sizeMask;  // strength map of the blur, shown by display mode 4
  QuenaraSettings settings;
  Working blurred;  // written by Run for the bands
  double shiftX = 0.0;
  double shiftY = 0.0;
  uint32_t progressIndex = 0;
  uint32_t progressTotal = 1;

  // Linear light: every colour float v becomes table entry trunc(v x 32767); alpha stays as it
  // is. The pipeline runs it row by row on the calling thread.
  struct LinearLight {
    Working image;
    const float* table;

    // Indices for a stretch of floats first (the arithmetic vectorises), then the loads.
    void LineariseRow(float* row) const {
      constexpr int F = A + K;
      constexpr int32_t kStretch = 256 / F * F;  // whole pixels, so alpha positions stay put
      const int32_t n = image.width * F;
      float level[kStretch];
      int32_t index[kStretch];
      for (int32_t start = 0; start < n; start += kStretch) {
        const int32_t count = std::min(kStretch, n - start);
        float* p = row + start;
        for (int32_t i = 0; i < count; ++i) level[i] = Clamp01(p[i]);
        for (int32_t i = 0; i < count; ++i) index[i] = Level15(level[i]);
        for (int32_t i = 0; i < count; i += F) {
          for (int k = A; k < F; ++k) p[i + k] = table[index[i + k]];
        }
      }
    }
  };

  // Offset of an origin coordinate from the centre of the pixel containing it, -0.5..0.5.
  static double OriginFraction(double c) {
    const double f = std::fabs(c - std::trunc(c)) - 0.5;
    return c < 0.0 ? -f : f;
  }

  // The whole pixel of the origin; far-away origins are held where int32 cannot overflow (they
  // behave the same: outside, beyond every edge they lie beyond).
  static int32_t OriginPixel(double c) {
    return int32_t(std::trunc(std::clamp(c, -1073741824.0, 1073741824.0)));
  }

  // Inverse of the BT.709 transfer curve at i / 32768.
  static void FillLinearTable(float* table) {
    for (int32_t i = 0; i < kLinearTableSize; ++i) {
      const double x = i * 3.0517578125e-05;
      table[i] = float(x > 0.081 ? std::pow((x + 0.099) / 1.099, 2.2222222222222223) : x / 4.5);
    }
  }

  int32_t Run(uint32_t progressIndex_, uint32_t progressTotal_) override;

  // The compositing of one band: the bands see the blurred view and shift that Run stored.
  virtual int32_t ProcessBand(int32_t band, int32_t bandCount, bool reportProgress);

 private:
  int32_t RunStages(const Working& working, const float* linearTable) {
    const int32_t ok = host->NoError();
    HslRangeSelectionFilter<HostFmt, Working, HostFmt> select(
        host, source, working, sizeMask.valid ? source : selectionSource, settings.selection);
    int32_t status = select.Run(kStageSelection, kStageCount);
    if (status != ok) return status;

    MultImageFilter<Working, MaskFmt> multiply(host, working, mask);
    status = multiply.Run(kStageMask, kStageCount);
    if (status != ok) return status;

    if (settings.show != 1) return ShowSelection(working);

    if (settings.linearLight) {
      status = Linearise(working, linearTable);
      if (status != ok) return status;
    }
    double fx = OriginFraction(settings.originX);
    double fy = OriginFraction(settings.originY);
    if (settings.strength == 0.0) {
      fx = 0.0;
      fy = 0.0;
    } else {
      MoveSubPixelImageFilter<Working> shift(host, working, fx, fy);
      status = shift.Run(kStageShift, kStageCount);
      if (status != ok) return status;
      status = settings.mode == 1 ? Blur<QuenaraFilter<Working>>(working)
                                  : Blur<VolumetricAbberationFilter<Working>>(working);
      if (status != ok) return status;
    }

    blurred = working;
    shiftX = -fx;
    shiftY = -fy;
    int32_t count = 1;
    status = host->GetProcessorCount(&count);
    if (status != ok) return status;
    return host->RunParallel(count, this, &BandEntry<QuenaraEffect>);
  }

  template <class RayFilter>
  int32_t Blur(const Working& working) {
    RayFilter rays(host);
    rays.source = working;
    rays.destination = working;
    rays.strengthMap = RayStrengthMap::Of(sizeMask.valid ? sizeMask : MaskFmt{});
    rays.zoomStart = settings.zoomStart;
    rays.strength = settings.strength;
    rays.originX = OriginPixel(settings.originX);
    rays.originY = OriginPixel(settings.originY);
    rays.holdoutRadius = settings.holdoutRadius;
    if constexpr (requires { rays.invertGradient; }) {
      rays.invertGradient = settings.invertGradient ? 1 : 0;
    }
    return rays.Run(kStageBlur, kStageCount);
  }

  int32_t Linearise(const Working& working, const float* table) {
    const LinearLight linear{working, table};
    const int32_t height = working.height;
    const int32_t total = int32_t(kStageCount) * height;
    for (int32_t y = 0; y < height; ++y) {
      linear.LineariseRow(working.Row(y));
      const int32_t status = host->ReportProgress(y + int32_t(kStageLinear) * height, total);
      if (status != host->NoError()) return status;
    }
    return host->NoError();
  }

  // Display modes 2 to 4: the working image (or the size mask) as an opaque picture.
  int32_t ShowSelection(const Working& working) {
    CopyImageFilter<Working, HostFmt> copy(host, working, destination);
    int32_t status = copy.Run(kStageOutput, kStageCount);
    if (status != host->NoError()) return status;
    const bool showSizeMask = settings.show == 4;
    for (int32_t y = 0; y < destination.height; ++y) {
      if (showSizeMask) WriteSizeMaskRow(y);
      if constexpr (A == 1) MakeRowOpaque(y);
      status = host->ReportProgress(100, 100);
      if (status != host->NoError()) return status;
    }
    return status;
  }

  void WriteSizeMaskRow(int32_t y) {
    uint8_t* out = destination.Row(y);
    if (sizeMask.valid) {
      const uint8_t* in = sizeMask.Row(y);
      for (int32_t x = 0; x < destination.width;
           ++x, out += destination.columnBytes, in += sizeMask.columnBytes) {
        MaskSample m;  // host mask rows need not keep 16-bit samples aligned
        std::memcpy(&m, in, sizeof(m));
        const Sample v = Sample(m);
        for (int k = 0; k < K; ++k) reinterpret_cast<Sample*>(out)[k] = v;
      }
    } else {
      for (int32_t x = 0; x < destination.width; ++x, out += destination.columnBytes) {
        for (int k = 0; k < K; ++k) reinterpret_cast<Sample*>(out)[k] = Sample(kFullScale);
      }
    }
  }

  void MakeRowOpaque(int32_t y) {
    uint8_t* out = destination.Row(y);
    for (int32_t x = 0; x < destination.width; ++x, out += destination.columnBytes) {
      reinterpret_cast<Sample*>(out)[destination.alphaOffset] = Sample(kFullScale);
    }
  }
};

template <class HostFmt, class MaskFmt>
int32_t QuenaraEffect<HostFmt, MaskFmt>::Run(uint32_t progressIndex_, uint32_t progressTotal_) {
  progressIndex = progressIndex_;
  progressTotal = progressTotal_;
  const int32_t width = destination.width;
  const int32_t height = destination.height;
  if (!destination.valid || width <= 0 || height <= 0) return host->NoError();

  void* workingMemory =
      host->AllocateMemory(size_t(width) * size_t(height) * (A + K) * sizeof(float));
  float* linearTable = static_cast<float*>(host->AllocateMemory(kLinearTableSize * sizeof(float)));
  if (workingMemory == nullptr || linearTable == nullptr) {
    if (linearTable != nullptr) host->FreeMemory(linearTable);
    if (workingMemory != nullptr) host->FreeMemory(workingMemory);
    return host->OutOfMemoryError();
  }
  FillLinearTable(linearTable);
  const Working working = Working::Packed(workingMemory, width, height);
  const int32_t status = RunStages(working, linearTable);
  host->FreeMemory(linearTable);
  host->FreeMemory(workingMemory);
  return status;
}

template <class HostFmt, class MaskFmt>
int32_t QuenaraEffect<HostFmt, MaskFmt>::ProcessBand(int32_t band, int32_t bandCount,
                                                     bool reportProgress) {
  CompositingBand<HostFmt> compose(host, settings);
  compose.source = source;
  compose.destination = destination;
  compose.blurred = blurred;
  compose.shiftX = shiftX;
  compose.shiftY = shiftY;
  compose.progressIndex = kStageOutput;
  compose.progressTotal = kStageCount;
  return compose.Process(band, bandCount, reportProgress);
}

// The pipeline of every host layout, compiled once per depth (QuenaraEffect8.cpp,
// QuenaraEffect16.cpp: `extern` here, instantiated there with Extern left empty), so that the
// two build in parallel and the plug-in, the tests and the benchmarks link them.
// clang-format off
#define QUENARA_EFFECT(Extern, Sample, FullScale, A, K)                \
  Extern template class QuenaraEffect<typename LayoutTag<Sample, FullScale, A, K>::Host, \
                                      typename LayoutTag<Sample, FullScale, A, K>::Mask>;
#define QUENARA_EFFECTS(Extern, Sample, FullScale)                                       \
  QUENARA_EFFECT(Extern, Sample, FullScale, 0, 1) QUENARA_EFFECT(Extern, Sample, FullScale, 0, 2) \
  QUENARA_EFFECT(Extern, Sample, FullScale, 0, 3) QUENARA_EFFECT(Extern, Sample, FullScale, 1, 1) \
  QUENARA_EFFECT(Extern, Sample, FullScale, 1, 2) QUENARA_EFFECT(Extern, Sample, FullScale, 1, 3)
// clang-format on
QUENARA_EFFECTS(extern, uint8_t, 255)
QUENARA_EFFECTS(extern, uint16_t, 32768)
