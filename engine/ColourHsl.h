// RGB <-> HSL with the hue in sextants (0..6), used by the range selection and by compositing.
#pragma once

#include <algorithm>

struct Hsl {
  double h;  // 0..6
  double s;
  double l;
};

inline Hsl RgbToHsl(double r, double g, double b) {
  const double mx = std::max(r, std::max(g, b));
  const double mn = std::min(r, std::min(g, b));
  Hsl out{0.0, 0.0, (mx + mn) * 0.5};
  if (mx == mn) return out;
  const double d = mx - mn;
  out.s = out.l <= 0.5 ? d / (mx + mn) : d / (2.0 - mx - mn);
  if (r == mx) {
    out.h = (g - b) / d;
  } else if (g == mx) {
    out.h = 2.0 + (b - r) / d;
  } else {
    out.h = 4.0 + (r - g) / d;
  }
  if (out.h < 0.0) out.h += 6.0;
  return out;
}

struct Rgb {
  double r;
  double g;
  double b;
};

inline double HslChannel(double m1, double m2, double t) {
  if (t < 0.0) {
    t += 6.0;
  } else if (t > 6.0) {
    t -= 6.0;
  }
  if (t < 1.0) return m1 + (m2 - m1) * t;
  if (t < 3.0) return m2;
  if (t < 4.0) return m1 + (m2 - m1) * (4.0 - t);
  return m1;
}

// Each result is rounded to single precision.
inline Rgb HslToRgb(double h, double s, double l) {
  const double m2 = l <= 0.5 ? l * (1.0 + s) : l + s - l * s;
  const double m1 = 2.0 * l - m2;
  if (s == 0.0) {
    const double v = double(float(l));
    return Rgb{v, v, v};
  }
  return Rgb{double(float(HslChannel(m1, m2, h + 2.0))), double(float(HslChannel(m1, m2, h))),
             double(float(HslChannel(m1, m2, h - 2.0)))};
}
