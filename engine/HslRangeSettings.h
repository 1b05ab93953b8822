// Settings block of the hue / saturation / lightness range selection, filled by the render
// dispatch and read by HslRangeSelectionFilter.
#pragma once

#include <cstdint>

struct HslRangeSettings {
  uint8_t weightOnly = 0;  // write the selection weight instead of the weighted colour
  uint8_t enabled = 1;     // 0: plain conversion without selection
  double hueLow = 0.0, hueHigh = 1.0, hueClimax = 1.0, hueSoften = 0.0;  // hue in turns
  double saturationLow = 0.0, saturationHigh = 1.0, saturationClimax = 1.0, saturationSoften = 0.0;
  double lightnessLow = 0.0, lightnessHigh = 1.0, lightnessClimax = 1.0, lightnessSoften = 0.0;
  double hueShift = 0.0, saturationShift = 0.0, lightnessShift = 0.0;
};
