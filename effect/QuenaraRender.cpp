#include "effect/QuenaraRender.h"

#include <algorithm>

#include "base/Log.h"
#include "engine/QuenaraEffect.h"

bool ChooseQuenaraLayout(const FilterRecord& r, QuenaraLayoutChoice& choice) {
  choice.width = r.outRect.right - r.outRect.left;
  choice.height = r.outRect.bottom - r.outRect.top;
  const int32_t layerPlanes = r.inLayerPlanes;
  int32_t total = r.inLayerPlanes + r.inTransparencyMask + r.inLayerMasks + r.inInvertedLayerMasks +
                  r.inNonLayerPlanes;
  total = std::max<int32_t>(total, r.planes);
  bool alpha = r.inTransparencyMask != 0;
  int32_t colours;
  if (alpha) {
    colours = layerPlanes;
    // A transparency count without the plane to go with it: render without alpha.
    if (total < layerPlanes + 1) alpha = false;
  } else {
    colours = layerPlanes != 0 ? layerPlanes : r.inNonLayerPlanes;
  }
  if (colours == 0) colours = r.planes;

  switch (r.imageMode) {
    case plugInModeGrayScale:
    case plugInModeGray16:
      colours = std::min(colours, 1);
      break;
    case plugInModeRGBColor:
    case plugInModeMultichannel:
    case plugInModeRGB48:
    case plugInModeDeepMultichannel:
      colours = std::min(colours, 3);
      break;
    default:
      return false;
  }
  int32_t depth;
  if (r.depth == 16) {
    depth = 16;
  } else if (r.depth == 8 || r.depth == 0) {
    depth = 8;
  } else {
    return false;
  }
  if (colours < 1 || colours > 3) return false;
  choice.layout = PixelLayout{depth, alpha, colours};
  choice.totalPlanes = total;
  choice.layerPlanes = layerPlanes;
  return true;
}

QuenaraSettings MakeQuenaraSettings(const QuenaraRenderValues& v, int32_t width, int32_t height,
                                    int32_t colours) {
  const QuenaraRenderValues defaults;
  QuenaraSettings s;
  s.mode = v.mode;
  s.strength = QuenaraGeometryValue(v.strength, defaults.strength);
  s.zoomStart = QuenaraGeometryValue(v.zoomStart, defaults.zoomStart);
  s.holdoutRadius = QuenaraGeometryValue(v.holdoutRadius, defaults.holdoutRadius);
  s.invertGradient = v.invertGradient;
  // Origins that far out lie beyond every edge alike.
  s.originX = QuenaraGeometryValue(v.originX, defaults.originX) * double(width);
  s.originY = QuenaraGeometryValue(v.originY, defaults.originY) * double(height);

  HslRangeSettings& h = s.selection;
  h.weightOnly = v.show == 3 ? 1 : 0;
  h.enabled = 1;
  h.hueLow = 0.0, h.hueHigh = 1.0, h.hueClimax = 1.0, h.hueSoften = 0.0;
  h.saturationLow = 0.0, h.saturationHigh = 1.0, h.saturationClimax = 1.0, h.saturationSoften = 0.0;
  // The lightness bounds are 0..255 parameters at every depth.
  h.lightnessLow = v.selectionLow / 255.0;
  h.lightnessHigh = v.selectionHigh / 255.0;
  h.lightnessClimax = v.selectionClimax;
  h.lightnessSoften = v.selectionSoften;
  h.hueShift = h.saturationShift = h.lightnessShift = 0.0;
  s.show = v.show;

  s.linearLight = v.gammaCorrection;
  s.intensity = v.intensity;
  s.contrast = v.contrast;
  // Written so that NaN also takes the floor.
  s.gammaExponent = 1.0 / (v.gammaCorrective > 0.001 ? v.gammaCorrective : 0.001);
  s.colourAdjust = colours == 3 && (v.hue != 0.0 || v.saturation != 0.0 || v.lightness != 0.0);
  s.hue = v.hue;
  s.saturation = v.saturation;
  s.lightness = v.lightness;
  s.blendMode = v.blendMode;
  return s;
}

namespace {

// The API gives no buffer sizes, only row strides: a host whose advanceState succeeded without
// a buffer, or with rows too short for the rectangle and planes, gets an error rather than
// having its memory read past the end.
bool HostBuffersHoldImage(const FilterRecord& r, const QuenaraLayoutChoice& c) {
  const int64_t sampleBytes = c.layout.depth / 8;
  const int64_t row = int64_t(c.width) * c.totalPlanes * sampleBytes;
  return r.inData != nullptr && r.outData != nullptr && r.inRowBytes >= row &&
         r.outRowBytes >= row &&
         (r.maskData == nullptr || r.maskRowBytes >= int64_t(c.width) * sampleBytes);
}

template <class Tag>
int32_t RenderLayout(KestrimondHost* host, const FilterRecord& r, const QuenaraRenderValues& v,
                     const QuenaraLayoutChoice& c) {
  using Host = typename Tag::Host;
  using Mask = typename Tag::Mask;
  constexpr int32_t sampleBytes = int32_t(sizeof(typename Host::SampleType));
  const int32_t columnBytes = c.totalPlanes * sampleBytes;
  const int32_t alphaOffset = Tag::kAlpha ? c.layerPlanes : 0;
  const Host input =
      MakeHostRecord<Host>(r.inData, r.inRowBytes, c.width, c.height, columnBytes, alphaOffset);
  const Host output =
      MakeHostRecord<Host>(r.outData, r.outRowBytes, c.width, c.height, columnBytes, alphaOffset);
  // The host's selection mask has samples of the image's depth (16-bit masks run 0..32768).
  const Mask mask =
      MakeHostRecord<Mask>(r.maskData, r.maskRowBytes, c.width, c.height, sampleBytes, 0);

  QuenaraEffect<Host, Mask> effect(host);
  effect.settings = MakeQuenaraSettings(v, c.width, c.height, Tag::kColours);
  effect.source = input;
  effect.destination = output;
  effect.selectionSource = input;
  if (v.useSizeSelection) {
    effect.sizeMask = mask;
  } else {
    effect.mask = mask;
  }
  return effect.Run(0, 1);
}

}  // namespace

int32_t RenderQuenara(KestrimondHost* host, const FilterRecord& record,
                      const QuenaraRenderValues& values) {
  QuenaraLayoutChoice choice;
  if (!ChooseQuenaraLayout(record, choice)) {
    QLOG_WARNING("Quenara: image mode " << record.imageMode << ", depth " << record.depth
                                        << " not supported; nothing rendered");
    return host->NoError();
  }
  if (choice.width > 0 && choice.height > 0 && !HostBuffersHoldImage(record, choice)) {
    QLOG_ERROR("Quenara: the host's buffers do not hold the " << choice.width << " x "
                                                              << choice.height << " image");
    return filterBadParameters;
  }
  int32_t result = host->NoError();
  DispatchLayout(
      choice.layout,
      [&](auto tag) { return RenderLayout<decltype(tag)>(host, record, values, choice); }, result);
  return result;
}
