// Hue rotation, saturation and lightness applied to the blurred colour before blending (three
// colour channels only). Per-call constants are computed once in the constructor.
#pragma once

#include <algorithm>
#include <cmath>

#include "engine/ColourHsl.h"

class ColourAdjust {
 public:
  // hue, saturation and lightness each in -1..1; hue 1 turns the hue by half a circle.
  ColourAdjust(double hue_, double saturation_, double lightness_)
      : hueShift(3.0 * hue_), saturation(saturation_), lightness(lightness_) {
    // sigma^(10^8) is 0 for every sigma below 1 and 1 at 1: a positive saturation below full
    // raises colours by their chroma (below), a full one raises every colour fully.
    fullPower = saturation > 0.0 ? std::pow(saturation, 1e8) : 0.0;
  }

  void Apply(float& r, float& g, float& b) const {
    const Hsl hsl = RgbToHsl(r, g, b);
    double sigma = saturation;
    if (saturation > 0.0) {
      const double chroma = std::max(std::fabs(double(r) - g),
                                     std::max(std::fabs(double(r) - b), std::fabs(double(g) - b)));
      // (10^-8)^chroma: 1 for greys, tiny for strong colours, so weak colours gain less.
      const double q = std::pow(1e-8, chroma);
      sigma = fullPower * saturation + (1.0 - fullPower) * (1.0 - q) * saturation;
    }
    double s = hsl.s;
    if (hsl.h != 0.0) s = sigma > 0.0 ? s + (1.0 - s) * sigma : s * (1.0 + sigma);
    double h = hsl.h + hueShift;
    if (h > 6.0) {
      h -= 6.0;
    } else if (h < 0.0) {
      h += 6.0;
    }
    const Rgb out = HslToRgb(h, s, hsl.l);
    r = Lighten(out.r);
    g = Lighten(out.g);
    b = Lighten(out.b);
  }

 private:
  float Lighten(double c) const {
    return float(lightness >= 0.0 ? c + (1.0 - c) * lightness : c * (1.0 + lightness));
  }

  double hueShift;  // in sextants
  double saturation;
  double lightness;
  double fullPower;
};
