// Render dispatch: the pixel layout of the host's image, the host records of its buffers, and
// one run of the effect for that layout. Reads only the filter record's fields; the parameter
// values come in as plain numbers, so it runs (and is tested) without a dialog or a host.
#pragma once

#include <algorithm>
#include <cstdint>

#include "base/KestrimondHost.h"
#include "base/PiApi.h"
#include "engine/LayoutDispatch.h"
#include "engine/QuenaraSettings.h"

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

// The engine's settings from the parameter values, for an image delivered at width x height
// with `colours` colour channels.
QuenaraSettings MakeQuenaraSettings(const QuenaraRenderValues& v, int32_t width, int32_t height,
                                    int32_t colours);
