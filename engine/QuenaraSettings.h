// What one render of the effect does, in the engine's terms: made once per render from the
// parameter values (the render dispatch does that) and read by every stage of the pipeline
// through a const reference, so a setting is named once from the dialog to the last stage.
#pragma once

#include <cstdint>

#include "engine/HslRangeSettings.h"

struct QuenaraSettings {
  // The blur: 1 ray blur, 2 aberration; the origin in pixels of the delivered image (it may lie
  // outside it).
  int32_t mode = 1;
  double strength = 0.25;
  double zoomStart = 0.5;
  double holdoutRadius = 0.0;
  bool invertGradient = false;
  double originX = 0.0;
  double originY = 0.0;

  // Which pixels are blurred, and what is shown: 1 the effect, 2 the selected image, 3 the
  // selection only, 4 the strength map.
  HslRangeSettings selection;
  int32_t show = 1;

  // Light and compositing.
  bool linearLight = false;
  double intensity = 1.0;
  double contrast = 0.0;
  double gammaExponent = 1.0;
  bool colourAdjust = false;  // honoured for three colour channels only
  double hue = 0.0;
  double saturation = 0.0;
  double lightness = 0.0;
  int32_t blendMode = 1;  // 1..23
};
