// Scripting keys by name, for code that addresses one parameter's descriptor value (the tests'
// recorded descriptors, for one). The keys themselves are declared in the parameter table.
#pragma once

#include <cstdint>

#include "effect/QuenaraParameterTable.h"

namespace QuenaraKeys {

constexpr uint32_t Of(QuenaraParameter p, int32_t term = 0) {
  return kQuenaraParameters[p].script[term].key;
}

inline constexpr uint32_t OriginX = Of(kOrigin, 0);
inline constexpr uint32_t OriginY = Of(kOrigin, 1);
inline constexpr uint32_t Intensity = Of(kIntensity);
inline constexpr uint32_t Strength = Of(kStrength);
inline constexpr uint32_t ZoomStart = Of(kZoomStart);
inline constexpr uint32_t HoldoutRadius = Of(kHoldoutRadius);
inline constexpr uint32_t Mode = Of(kMode);
inline constexpr uint32_t InvertGradient = Of(kInvertGradient);
inline constexpr uint32_t GammaCorrection = Of(kGammaCorrection);
inline constexpr uint32_t GammaCorrectionCorrective = Of(kGammaCorrectionCorrective);
inline constexpr uint32_t Contrast = Of(kContrast);
inline constexpr uint32_t Hue = Of(kHue);
inline constexpr uint32_t Saturation = Of(kSaturation);
inline constexpr uint32_t Lightness = Of(kLightness);
inline constexpr uint32_t UseSizeSelection = Of(kUseSizeSelection);
inline constexpr uint32_t SelectionLow = Of(kSelectionLow);
inline constexpr uint32_t SelectionHigh = Of(kSelectionHigh);
inline constexpr uint32_t SelectionSoften = Of(kSelectionSoften);
inline constexpr uint32_t SelectionClimax = Of(kSelectionClimax);
inline constexpr uint32_t BlendMode = Of(kBlendMode);
inline constexpr uint32_t SelectionShow = Of(kSelectionShow);

}  // namespace QuenaraKeys
