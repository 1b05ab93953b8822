// The effect's last stage for one row band: resample the blurred working image to undo the
// origin's sub-pixel shift, apply intensity, contrast and the output curve, optionally adjust
// hue, saturation and lightness, return to straight colour, and blend onto the source pixel.
//
// Each row is done in two passes over a one-row float buffer: the blurred-side passes are the
// same for every blend mode, the blend pass is instantiated per mode (picked once per call), so
// no per-pixel branch on the mode, the colour adjustment or the alpha layout remains.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "base/KestrimondHost.h"
#include "engine/BlendModes.h"
#include "engine/ColourAdjust.h"
#include "engine/KestrimondFilter.h"
#include "engine/QuenaraSettings.h"
#include "engine/SampleConvert.h"
#include "engine/StaticArgb.h"

// Levels to indices of the 32768-entry curve tables: trunc(v x 32767) for v in 0..1. The
// clamp and the index are separate loops over a stretch of values, each of which the compiler
// vectorises (together they are not).
inline float Clamp01(float v) {
  v = v > 0.0f ? v : 0.0f;  // NaN lands on 0
  return v < 1.0f ? v : 1.0f;
}

// Exactly the truncated product in double, but in single precision: with a = v x 32768 (exact)
// and n its whole part, v x 32767 = a - v has the whole part n when the fraction a - n (exact)
// is at least v, else n - 1.
inline int32_t Level15(float v) {
  const float a = v * 32768.0f;
  const int32_t n = int32_t(a);
  return a - float(n) < v ? n - 1 : n;
}

template <class HostFmt>
class CompositingBand {
 public:
  static constexpr int A = HostFmt::kAlpha;
  static constexpr int K = HostFmt::kColours;
  static constexpr int F = A + K;  // floats per working pixel
  static constexpr int kFullScale = HostFmt::kFullScale;
  static constexpr int32_t kTableSize = 32768;
  using Sample = typename HostFmt::SampleType;
  using Working = StaticArgb<char, float, A, K, 0, 1>;
  using Pixel = BlendPixel<A, K>;

  CompositingBand(KestrimondHost* host_, const QuenaraSettings& settings_)
      : host(host_), settings(settings_) {}

  KestrimondHost* host;
  const QuenaraSettings& settings;  // intensity, contrast, curve, colour and blend mode
  HostFmt source;
  HostFmt destination;
  Working blurred;
  double shiftX = 0.0;  // the origin's sub-pixel shift to undo
  double shiftY = 0.0;
  uint32_t progressIndex = 0;
  uint32_t progressTotal = 1;

  // Output curve: (i / 32767)^gamma, then the BT.709 transfer curve when working in linear
  // light. Entry i is the encoded value of a clamped level i / 32767. Every band fills its own
  // table, so the default exponent 1 skips pow (x^1 is x exactly).
  static void FillOutputTable(double* table, double gammaExponent, bool linearLight) {
    const bool identity = gammaExponent == 1.0;
    for (int32_t i = 0; i < kTableSize; ++i) {
      const double level = double(i) / 32767.0;
      double v = identity ? level : std::pow(level, gammaExponent);
      if (linearLight) v = v >= 0.018 ? 1.099 * std::pow(v, 0.45) - 0.099 : 4.5 * v;
      table[i] = v;
    }
  }

  int32_t Process(int32_t band, int32_t bandCount, bool reportProgress) const {
    int32_t status = host->NoError();
    if (!source.valid || !destination.valid || !blurred.valid) return status;
    double* table = static_cast<double*>(host->AllocateMemory(kTableSize * sizeof(double)));
    float* row =
        static_cast<float*>(host->AllocateMemory(size_t(destination.width) * F * sizeof(float)));
    if (table == nullptr || row == nullptr) {
      if (table != nullptr) host->FreeMemory(table);
      if (row != nullptr) host->FreeMemory(row);
      return host->OutOfMemoryError();
    }
    FillOutputTable(table, settings.gammaExponent, settings.linearLight);
    status = WithBlendMode<A, K>(settings.blendMode, [&](auto tag) {
      return ProcessRows<decltype(tag)>(band, bandCount, reportProgress, table, row);
    });
    host->FreeMemory(row);
    host->FreeMemory(table);
    return status;
  }

 private:
  template <class Tag>
  int32_t ProcessRows(int32_t band, int32_t bandCount, bool reportProgress, const double* table,
                      float* row) const {
    const ColourAdjust adjust(settings.hue, settings.saturation, settings.lightness);
    const bool adjustColour = settings.colourAdjust && K == 3;
    return ProcessBandRows(host, destination.height, band, bandCount, reportProgress, progressIndex,
                           progressTotal, [&](int32_t y) {
                             PrepareRow(y, table, row);
                             if (adjustColour) AdjustRow(adjust, row);
                             if constexpr (A == 1) StraightenRow(row);
                             BlendRow<Tag>(y, row);
                           });
  }

  // Resample, intensity, contrast, clamp and encode one row of the blurred image. The
  // arithmetic runs over flat stretches of floats, which the compiler vectorises; only the
  // table loads go value by value.
  void PrepareRow(int32_t y, const double* table, float* __restrict row) const {
    const int32_t width = destination.width;
    if (width <= 0) return;
    const int32_t dx = shiftX > 0.0 ? 1 : -1;
    const int32_t dy = shiftY > 0.0 ? 1 : -1;
    const float ax = float(1.0 - std::fabs(shiftX));
    const float ay = float(1.0 - std::fabs(shiftY));
    const float w00 = ax * ay, w10 = (1.0f - ax) * ay, w01 = ax * (1.0f - ay),
                w11 = (1.0f - ax) * (1.0f - ay);
    const float gain = float(settings.intensity);
    // Neighbours fall back to the pixel itself at the borders.
    const int32_t yn = std::clamp(y + dy, 0, blurred.height - 1);
    const float* __restrict r0 = blurred.Row(y);
    const float* __restrict r1 = blurred.Row(yn);
    const intptr_t n = intptr_t(width) * F;
    const intptr_t o = intptr_t(dx) * F;
    const intptr_t begin = dx > 0 ? 0 : F;  // floats with a horizontal neighbour at offset o
    const intptr_t end = dx > 0 ? n - F : n;
    for (intptr_t i = begin; i < end; ++i) {
      row[i] = (w00 * r0[i] + w10 * r0[i + o] + w01 * r1[i] + w11 * r1[i + o]) * gain;
    }
    const intptr_t border = dx > 0 ? n - F : 0;
    for (intptr_t i = border; i < border + F; ++i) {
      row[i] = (w00 * r0[i] + w10 * r0[i] + w01 * r1[i] + w11 * r1[i]) * gain;
    }

    const float slope = float(settings.contrast);
    constexpr intptr_t kStretch = 256 / F * F;  // whole pixels, so alpha positions stay put
    float level[kStretch];
    int32_t index[kStretch];
    for (intptr_t start = 0; start < n; start += kStretch) {
      const intptr_t count = std::min(kStretch, n - start);
      float* p = row + start;
      // Every float gets an index (alpha's is unused).
      for (intptr_t i = 0; i < count; ++i) level[i] = Clamp01(p[i] + slope * (p[i] - 0.5f));
      for (intptr_t i = 0; i < count; ++i) index[i] = Level15(level[i]);
      for (intptr_t i = 0; i < count; i += F) {
        if constexpr (A == 1) p[i] = std::clamp(p[i], 0.0f, 1.0f);
        for (int c = A; c < F; ++c) p[i + c] = float(table[index[i + c]]);
      }
    }
  }

  void AdjustRow(const ColourAdjust& adjust, float* row) const {
    if constexpr (K == 3) {
      for (int32_t x = 0; x < destination.width; ++x) {
        float* p = row + intptr_t(x) * F + A;
        adjust.Apply(p[0], p[1], p[2]);
      }
    }
  }

  // Premultiplied to straight colour; a colour brighter than its alpha raises the alpha.
  // Divisions, not a reciprocal: the brightest channel must come out as exactly 1.
  void StraightenRow(float* row) const {
    constexpr float kEpsilon = 1e-6f;
    for (int32_t x = 0; x < destination.width; ++x) {
      float* p = row + intptr_t(x) * F;
      float m = p[1];
      for (int k = 1; k < K; ++k) m = std::max(m, p[1 + k]);
      float divisor = p[0] + kEpsilon;
      if (m > divisor) {
        p[0] = m;
        divisor = m;
      }
      for (int k = 0; k < K; ++k) p[1 + k] /= divisor;
    }
  }

  template <class Tag>
  void BlendRow(int32_t y, const float* row) const {
    const uint8_t* in = source.Row(y);
    uint8_t* out = destination.Row(y);
    const intptr_t inStep = source.columnBytes;
    const intptr_t outStep = destination.columnBytes;
    const int32_t inAlpha = source.alphaOffset;
    const int32_t outAlpha = destination.alphaOffset;
    for (int32_t x = 0; x < destination.width; ++x, in += inStep, out += outStep) {
      const Sample* s = reinterpret_cast<const Sample*>(in);
      Pixel d;
      Pixel b;
      const float* p = row + intptr_t(x) * F;
      d.alpha = A == 1 ? SampleToFloat<kFullScale>(s[inAlpha]) : 1.0f;
      b.alpha = A == 1 ? p[0] : 1.0f;
      for (int k = 0; k < K; ++k) {
        d.c[k] = SampleToFloat<kFullScale>(s[k]);
        b.c[k] = p[A + k];
      }
      Tag::kBlend(d, b);
      Sample* o = reinterpret_cast<Sample*>(out);
      for (int k = 0; k < K; ++k) o[k] = FloatToSample<kFullScale, Sample>(d.c[k]);
      if constexpr (A == 1) o[outAlpha] = FloatToSample<kFullScale, Sample>(d.alpha);
    }
  }
};
