// Render dispatch: the pixel layout of the host's image, the host records of its buffers, and
// one run of the effect for that layout. Reads only the filter record's fields; the parameter
// values come in as plain numbers, so it runs (and is tested) without a dialog or a host.
#pragma once

#include <algorithm>
#include <cstdint>

#include "base/KestrimondHost.h"
#include "base/PiApi.h"
#include "engine/HslRangeSettings.h"
#include "engine/LayoutDispatch.h"

// The parameter values one render uses (Origin relative to the image, lists 1-based).
struct QuenaraRenderValues {
  double originX = 0.5, originY = 0.5;
  double intensity = 1.0, strength = 0.25, zoomStart = 0.5, holdoutRadius = 0.0;
  bool invertGradient = false, gammaCorrection = true;
  double gammaCorrective = 1.0, contrast = 0.0;
  double hue = 0.0, saturation = 0.0, lightness = 0.0;
  double selectionLow = 0.0, selectionHigh = 255.0, selectionSoften = 0.0, selectionClimax = 1.0;
  bool useSizeSelection = false;
  int32_t mode = 1, blendMode = 1, show = 1;
};

struct QuenaraLayoutChoice {
  PixelLayout layout{};
  int32_t totalPlanes = 0;  // samples per interleaved pixel
  int32_t layerPlanes = 0;  // where the transparency sample sits, with alpha
  int32_t width = 0;
  int32_t height = 0;
};

// False for modes, depths and channel counts the effect does not handle.
bool ChooseQuenaraLayout(const FilterRecord& record, QuenaraLayoutChoice& choice);

// Chooses the layout and runs the effect into the output buffer. Unsupported images give
// NoError with the output untouched.
int32_t RenderQuenara(KestrimondHost* host, const FilterRecord& record,
                      const QuenaraRenderValues& values);

// A host record over one of the host's buffers; valid when the host supplied the buffer.
template <class Fmt>
Fmt MakeHostRecord(void* data, int32_t rowBytes, int32_t width, int32_t height, int32_t columnBytes,
                   int32_t alphaOffset) {
  Fmt f;
  f.base = static_cast<uint8_t*>(data);
  f.cursor = f.base;
  f.width = width;
  f.height = height;
  f.rowBytes = rowBytes;
  f.columnBytes = columnBytes;
  f.alphaOffset = alphaOffset;
  f.valid = data != nullptr;
  return f;
}

// Scripts, preset files and the command line can deliver any double, and the maxima of these
// parameters are not enforced. The ray geometry multiplies them together, so they are held
// where every window stays finite: beyond 1e12 a window is far longer than any ray and the
// picture no longer changes. NaN takes the parameter's default.
inline double QuenaraGeometryValue(double v, double fallback) {
  constexpr double kBound = 1e12;
  return v != v ? fallback : std::clamp(v, -kBound, kBound);
}

// Effect fields from the parameter values, for an image delivered at width x height.
template <class Effect>
void FillQuenaraEffect(Effect& e, const QuenaraRenderValues& v, int32_t width, int32_t height) {
  const QuenaraRenderValues defaults;
  e.intensity = v.intensity;
  e.strength = QuenaraGeometryValue(v.strength, defaults.strength);
  e.zoomStart = QuenaraGeometryValue(v.zoomStart, defaults.zoomStart);
  e.holdoutRadius = QuenaraGeometryValue(v.holdoutRadius, defaults.holdoutRadius);
  e.invertGradient = v.invertGradient;
  e.hue = v.hue;
  e.saturation = v.saturation;
  e.lightness = v.lightness;
  // Written so that NaN also takes the floor.
  e.gammaExponent = 1.0 / (v.gammaCorrective > 0.001 ? v.gammaCorrective : 0.001);
  e.contrast = v.contrast;
  e.linearLight = v.gammaCorrection;
  e.colourAdjust = Effect::K == 3 && (v.hue != 0.0 || v.saturation != 0.0 || v.lightness != 0.0);
  e.mode = v.mode;
  e.show = v.show;
  e.blendMode = v.blendMode;
  // Origins that far out lie beyond every edge alike.
  e.originX = QuenaraGeometryValue(v.originX, defaults.originX) * double(width);
  e.originY = QuenaraGeometryValue(v.originY, defaults.originY) * double(height);
  HslRangeSettings& s = e.selection;
  s = HslRangeSettings{};
  s.weightOnly = v.show == 3 ? 1 : 0;
  s.enabled = 1;
  s.hueLow = 0.0, s.hueHigh = 1.0, s.hueClimax = 1.0, s.hueSoften = 0.0;
  s.saturationLow = 0.0, s.saturationHigh = 1.0, s.saturationClimax = 1.0, s.saturationSoften = 0.0;
  // The lightness bounds are 0..255 parameters at every depth.
  s.lightnessLow = v.selectionLow / 255.0;
  s.lightnessHigh = v.selectionHigh / 255.0;
  s.lightnessClimax = v.selectionClimax;
  s.lightnessSoften = v.selectionSoften;
  s.hueShift = s.saturationShift = s.lightnessShift = 0.0;
}
