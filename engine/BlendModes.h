// The 23 transfer modes of the final composite, each in its form without alpha (straight
// colours) and with alpha (premultiplied arithmetic, then back to straight colour). The mode is
// picked once per call with WithBlendMode, which hands the caller a tag naming one function; the
// pixel loop is instantiated per tag, so no branch on the mode runs per pixel.
//
// Pixel values stay in single precision: a source sample s read as float(s / 255) and written
// as trunc(f x 255) comes back as s, so pixels a mode leaves alone are written back unchanged.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "engine/ColourHsl.h"

// Straight colours and alpha of one pixel, all 0..1. Without alpha the alpha member is unused.
template <int A, int K>
struct BlendPixel {
  float alpha;
  float c[K];
};

// Luminance weights of the maximum / minimum and alpha modes.
template <int K>
struct LuminanceWeights;
template <>
struct LuminanceWeights<1> {
  static constexpr float kW[1] = {1.0f};
};
template <>
struct LuminanceWeights<2> {
  static constexpr float kW[2] = {0.5f, 0.5f};
};
template <>
struct LuminanceWeights<3> {
  static constexpr float kW[3] = {0.292687786f, 0.552149646f, 0.155162568f};
};

template <auto Function>
struct BlendTag {
  static constexpr auto kBlend = Function;
};

template <int A, int K>
class BlendModes {
 public:
  using Pixel = BlendPixel<A, K>;
  static constexpr float kEpsilon = 1e-6f;

  static float Luminance(const float (&x)[K]) {
    float y = 0.0f;
    for (int k = 0; k < K; ++k) y += LuminanceWeights<K>::kW[k] * x[k];
    return y;
  }

  // 1 "normal"
  static void Normal(Pixel& d, const Pixel& s) {
    if constexpr (A == 0) {
      for (int k = 0; k < K; ++k) d.c[k] = s.c[k];
    } else {
      const float a = d.alpha, b = s.alpha;
      const float alpha = a * (1.0f - b) + b;
      if (alpha <= 0.0f) {  // both transparent: nothing to divide by
        for (int k = 0; k < K; ++k) d.c[k] = 0.0f;
        d.alpha = 0.0f;
        return;
      }
      for (int k = 0; k < K; ++k) d.c[k] = (d.c[k] * a * (1.0f - b) + s.c[k] * b) / alpha;
      d.alpha = alpha;
    }
  }

  // 2 "max weight"
  static void MaxWeight(Pixel& d, const Pixel& s) {
    float m = s.c[0];
    for (int k = 1; k < K; ++k) m = std::max(m, s.c[k]);
    if constexpr (A == 0) {
      for (int k = 0; k < K; ++k) d.c[k] = s.c[k] * m + d.c[k] * (1.0f - m);
    } else {
      m *= s.alpha;
      float x[K];
      for (int k = 0; k < K; ++k) x[k] = Sp(s, k) * m + Dp(d, k) * (1.0f - m);
      Finish(d, x, d.alpha);
    }
  }

  // 3 "screen"
  static void Screen(Pixel& d, const Pixel& s) {
    PerChannel(d, s, [](float dv, float sv) { return std::min(1.0f, sv + (1.0f - sv) * dv); });
  }

  // 4 "overlay"
  static void Overlay(Pixel& d, const Pixel& s) {
    if constexpr (A == 0) {
      for (int k = 0; k < K; ++k) {
        d.c[k] = std::clamp(OverlayOf(d.c[k], s.c[k]), 0.0f, 1.0f);
      }
    } else {
      const float a = d.alpha, b = s.alpha;
      float x[K];
      for (int k = 0; k < K; ++k) {
        const float dk = Dp(d, k);
        const float o = OverlayOf(dk, s.c[k]);
        x[k] = std::clamp(Sp(s, k) * (1.0f - a) + dk * (1.0f - b) + b * o, 0.0f, 1.0f);
      }
      Finish(d, x, std::clamp(a, 0.0f, 1.0f));
    }
  }

  // 5 "addition"
  static void Addition(Pixel& d, const Pixel& s) {
    PerChannel(d, s, [](float dv, float sv) { return std::min(1.0f, dv + sv); });
  }

  // 6 "subtraction"
  static void Subtraction(Pixel& d, const Pixel& s) {
    PerChannel(d, s, [](float dv, float sv) { return std::max(0.0f, dv - sv); });
  }

  // 7 "multiply"
  static void Multiply(Pixel& d, const Pixel& s) {
    if constexpr (A == 0) {
      for (int k = 0; k < K; ++k) d.c[k] = d.c[k] * s.c[k];
    } else {
      const float a = d.alpha, b = s.alpha;
      float x[K];
      for (int k = 0; k < K; ++k) {
        const float dk = Dp(d, k);
        x[k] = dk * (1.0f - b) + b * s.c[k] * dk + (1.0f - a) * Sp(s, k);
      }
      Finish(d, x, a + b * (1.0f - a));
    }
  }

  // 8 "divide"
  static void Divide(Pixel& d, const Pixel& s) {
    if constexpr (A == 0) {
      for (int k = 0; k < K; ++k) d.c[k] = std::min(1.0f, d.c[k] / (s.c[k] + 0.0001f));
    } else {
      const float a = d.alpha, b = s.alpha;
      float x[K];
      for (int k = 0; k < K; ++k) {
        const float dk = Dp(d, k);
        const float q = std::min(1.0f, dk * a / (Sp(s, k) + 0.0001f));
        x[k] = dk * (1.0f - b) + b * q;
      }
      Finish(d, x, a);
    }
  }

  // 9 "difference"
  static void Difference(Pixel& d, const Pixel& s) {
    PerChannel(d, s, [](float dv, float sv) { return std::fabs(dv - sv); });
  }

  // 10 "exclusion"
  static void Exclusion(Pixel& d, const Pixel& s) {
    PerChannel(d, s, [](float dv, float sv) { return dv * (1.0f - sv) + (1.0f - dv) * sv; });
  }

  // 11 "lighten"
  static void Lighten(Pixel& d, const Pixel& s) {
    PerChannel(d, s, [](float dv, float sv) { return std::max(dv, sv); });
  }

  // 12 "darken"
  static void Darken(Pixel& d, const Pixel& s) {
    if constexpr (A == 0) {
      for (int k = 0; k < K; ++k) d.c[k] = std::min(d.c[k], s.c[k]);
    } else {
      const float b = s.alpha;
      float x[K];
      for (int k = 0; k < K; ++k) {
        const float dk = Dp(d, k);
        x[k] = b * std::min(dk, Sp(s, k)) + (1.0f - b) * dk;
      }
      Finish(d, x, d.alpha);
    }
  }

  // 13 "maximum": the whole blurred pixel wins when it is brighter.
  static void Maximum(Pixel& d, const Pixel& s) {
    if constexpr (A == 0) {
      if (Luminance(s.c) > Luminance(d.c)) Copy(d, s);
    } else {
      if (s.alpha * Luminance(s.c) > d.alpha * Luminance(d.c)) {
        float x[K];
        for (int k = 0; k < K; ++k) x[k] = Sp(s, k);
        Finish(d, x, d.alpha);
      }
    }
  }

  // 14 "minimum": the whole blurred pixel wins when it is darker.
  static void Minimum(Pixel& d, const Pixel& s) {
    if constexpr (A == 0) {
      if (Luminance(s.c) < Luminance(d.c)) Copy(d, s);
    } else {
      const float b = s.alpha;
      if (b * Luminance(s.c) < d.alpha * Luminance(d.c)) {
        float x[K];
        for (int k = 0; k < K; ++k) x[k] = d.c[k] * (1.0f - b) + b * Sp(s, k);
        Finish(d, x, b);
      }
    }
  }

  // 15 "hue"
  static void Hue(Pixel& d, const Pixel& s) {
    HslMode(d, s, [](const Hsl& dh, const Hsl& sh) {
      return HslToRgb(sh.h, sh.s > 0.0 ? dh.s : 0.0, dh.l);
    });
  }

  // 16 "saturation"
  static void Saturation(Pixel& d, const Pixel& s) {
    HslMode(d, s, [](const Hsl& dh, const Hsl& sh) { return HslToRgb(dh.h, sh.s, dh.l); });
  }

  // 17 "color"
  static void Color(Pixel& d, const Pixel& s) {
    HslMode(d, s, [](const Hsl& dh, const Hsl& sh) { return HslToRgb(sh.h, sh.s, dh.l); });
  }

  // 18 "luminosity": the hue comes from the blurred colour too.
  static void Luminosity(Pixel& d, const Pixel& s) {
    HslMode(d, s, [](const Hsl& dh, const Hsl& sh) { return HslToRgb(sh.h, dh.s, sh.l); });
  }

  // 19 "alpha add"
  static void AlphaAdd(Pixel& d, const Pixel& s) {
    if constexpr (A == 1) d.alpha = std::clamp(d.alpha + s.alpha * Luminance(s.c), 0.0f, 1.0f);
  }

  // 20 "alpha sub"
  static void AlphaSub(Pixel& d, const Pixel& s) {
    if constexpr (A == 1) d.alpha = std::max(0.0f, d.alpha - s.alpha * Luminance(s.c));
  }

  // 21 "alpha mult"
  static void AlphaMult(Pixel& d, const Pixel& s) {
    if constexpr (A == 1) d.alpha = std::clamp(d.alpha * s.alpha * Luminance(s.c), 0.0f, 1.0f);
  }

  // 22 "alpha replace"
  static void AlphaReplace(Pixel& d, const Pixel& s) {
    if constexpr (A == 1) d.alpha = std::clamp(s.alpha * Luminance(s.c), 0.0f, 1.0f);
  }

  // 23 "(none) replace", also every mode number outside 1..22.
  static void Replace(Pixel& d, const Pixel& s) { Copy(d, s); }

 private:
  static float Dp(const Pixel& d, int k) { return d.c[k] * d.alpha; }
  static float Sp(const Pixel& s, int k) { return s.c[k] * s.alpha; }

  static float OverlayOf(float dv, float sv) {
    return dv >= 0.5f ? 1.0f - 2.0f * (1.0f - dv) * (1.0f - sv) : 2.0f * dv * sv;
  }

  static void Copy(Pixel& d, const Pixel& s) {
    for (int k = 0; k < K; ++k) d.c[k] = s.c[k];
    if constexpr (A == 1) d.alpha = s.alpha;
  }

  // Premultiplied result x against alpha: a colour brighter than the alpha raises the alpha.
  // Divisions, not a reciprocal: the brightest channel must come out as exactly 1.
  static void Finish(Pixel& d, const float (&x)[K], float alpha) {
    float m = x[0];
    for (int k = 1; k < K; ++k) m = std::max(m, x[k]);
    if (m > alpha + kEpsilon) {
      d.alpha = m;
      for (int k = 0; k < K; ++k) d.c[k] = x[k] / m;
    } else {
      d.alpha = alpha;
      const float divisor = alpha + kEpsilon;
      for (int k = 0; k < K; ++k) d.c[k] = x[k] / divisor;
    }
  }

  // Modes whose rule is one function of a source and a blurred channel: applied to straight
  // colours without alpha and to premultiplied ones, then finished, with alpha.
  template <class Rule>
  static void PerChannel(Pixel& d, const Pixel& s, Rule rule) {
    if constexpr (A == 0) {
      for (int k = 0; k < K; ++k) d.c[k] = rule(d.c[k], s.c[k]);
    } else {
      float x[K];
      for (int k = 0; k < K; ++k) x[k] = rule(Dp(d, k), Sp(s, k));
      Finish(d, x, d.alpha);
    }
  }

  // Modes 15 to 18 mix HSL components of the two colours; only for three colour channels.
  // With alpha the premultiplied colours are combined and the result can exceed 1 (alpha up to
  // 2), so colours and alpha are clamped to keep the written samples from wrapping.
  template <class Rule>
  static void HslMode(Pixel& d, const Pixel& s, Rule rule) {
    if constexpr (K == 3) {
      if constexpr (A == 0) {
        const Rgb r = rule(RgbToHsl(d.c[0], d.c[1], d.c[2]), RgbToHsl(s.c[0], s.c[1], s.c[2]));
        d.c[0] = float(r.r);
        d.c[1] = float(r.g);
        d.c[2] = float(r.b);
      } else {
        const float a = d.alpha, b = s.alpha;
        const float dp[3] = {Dp(d, 0), Dp(d, 1), Dp(d, 2)};
        const float sp[3] = {Sp(s, 0), Sp(s, 1), Sp(s, 2)};
        const Rgb r = rule(RgbToHsl(dp[0], dp[1], dp[2]), RgbToHsl(sp[0], sp[1], sp[2]));
        const float mixed[3] = {float(r.r), float(r.g), float(r.b)};
        float x[3];
        for (int k = 0; k < 3; ++k) x[k] = dp[k] * (1.0f - b) + b * mixed[k] + (1.0f - a) * sp[k];
        Finish(d, x, a + b * (1.0f - a));
        d.alpha = std::clamp(d.alpha, 0.0f, 1.0f);
        for (int k = 0; k < 3; ++k) d.c[k] = std::clamp(d.c[k], 0.0f, 1.0f);
      }
    } else {
      (void)d;
      (void)s;
      (void)rule;
    }
  }
};

// The one mode table: mode number (1-based list position) to blend function. Calls
// visit(BlendTag<function>{}) and returns its result.
template <int A, int K, class Visitor>
auto WithBlendMode(int32_t mode, Visitor&& visit) {
  using B = BlendModes<A, K>;
  switch (mode) {
    case 1:
      return visit(BlendTag<&B::Normal>{});
    case 2:
      return visit(BlendTag<&B::MaxWeight>{});
    case 3:
      return visit(BlendTag<&B::Screen>{});
    case 4:
      return visit(BlendTag<&B::Overlay>{});
    case 5:
      return visit(BlendTag<&B::Addition>{});
    case 6:
      return visit(BlendTag<&B::Subtraction>{});
    case 7:
      return visit(BlendTag<&B::Multiply>{});
    case 8:
      return visit(BlendTag<&B::Divide>{});
    case 9:
      return visit(BlendTag<&B::Difference>{});
    case 10:
      return visit(BlendTag<&B::Exclusion>{});
    case 11:
      return visit(BlendTag<&B::Lighten>{});
    case 12:
      return visit(BlendTag<&B::Darken>{});
    case 13:
      return visit(BlendTag<&B::Maximum>{});
    case 14:
      return visit(BlendTag<&B::Minimum>{});
    case 15:
      return visit(BlendTag<&B::Hue>{});
    case 16:
      return visit(BlendTag<&B::Saturation>{});
    case 17:
      return visit(BlendTag<&B::Color>{});
    case 18:
      return visit(BlendTag<&B::Luminosity>{});
    case 19:
      return visit(BlendTag<&B::AlphaAdd>{});
    case 20:
      return visit(BlendTag<&B::AlphaSub>{});
    case 21:
      return visit(BlendTag<&B::AlphaMult>{});
    case 22:
      return visit(BlendTag<&B::AlphaReplace>{});
    default:
      return visit(BlendTag<&B::Replace>{});
  }
}
