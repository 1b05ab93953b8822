// One prepared hue, saturation or lightness range of the range selection: the bounds moved by
// a whole number of units into [0, 1) at the low end, with wrap-around past 1, and a
// triangular ramp that is 0 at both ends and 1 at the peak, shaped by the soften exponent.
#pragma once

#include <algorithm>
#include <cmath>

class HslRange {
 public:
  HslRange() = default;

  HslRange(double low, double high, double climax, double soften_, double shift) {
    lo = shift + std::min(low, high);
    hi = shift + std::max(low, high);
    // Whole-unit shift; a negative low end moves by trunc(lo - 1), so an exact negative
    // integer lands on 1 rather than 0.
    const double k = lo < 0.0 ? std::trunc(lo - 1.0) : std::trunc(lo);
    lo -= k;
    hi -= k;
    inv = hi == lo ? 1.0 : 1.0 / (hi - lo);
    wrap = hi > 1.0;
    if (wrap) hi -= 1.0;
    peak = (climax + 1.0) * 0.5;
    soften = soften_;
    invPeak = peak != 0.0 ? 1.0 / peak : 0.0;
    invFall = peak != 1.0 ? 1.0 / (1.0 - peak) : 0.0;
  }

  // True when every value in [0, 1] passes with factor 1, so the value need not be computed.
  bool AcceptsUnitInterval() const { return soften <= 0.0 && !wrap && lo <= 0.0 && hi >= 1.0; }

  // 1 inside the range, 0 outside. Pixels fall in and out at random, so no branch.
  double Pass(double v) const {
    static constexpr double kFactor[2] = {0.0, 1.0};  // an index, where a cast became a jump
    const bool in = wrap ? ((v >= lo) | (v <= hi)) : ((v >= lo) & (v <= hi));
    return kFactor[in];
  }

  // The factor of value v: 0 outside the range, else the ramp (1 when soften is 0).
  double Factor(double v) const {
    if (soften <= 0.0) return Pass(v);
    double t;
    if (!wrap) {
      if (v < lo || v > hi) return 0.0;
      t = (v - lo) * inv;
    } else {
      if (v < lo && v > hi) return 0.0;
      t = v <= lo ? (v - lo + 1.0) * inv : (v - lo) * inv;
    }
    if (t < peak) return std::pow(t * invPeak, soften);
    if (peak == 1.0) return 1.0;
    // t may exceed 1 by a rounding step at the high end; keep pow away from a negative base.
    return std::pow(std::max(0.0, 1.0 - (t - peak) * invFall), soften);
  }

  double lo = 0.0;  // low end after the whole-unit shift, in [0, 1)
  double hi = 1.0;  // high end; below lo when wrapping
  double inv = 1.0;
  bool wrap = false;
  double peak = 1.0;
  double soften = 0.0;

 private:
  double invPeak = 1.0;
  double invFall = 0.0;
};
