// The blur window of the plain ray blur: the box average of the ray signal over a window of
// `len` steps placed around step k by the zoom start, read in constant time from the prefix
// sums. The window is clamped to the ray and widened to at least one step; the sum is divided
// by the unclamped length, so a window cut short by the ray's ends fades.
#pragma once

#include <algorithm>
#include <cstdint>

#include "engine/RayIsa.h"
#include "engine/RayLanes.h"
#include "engine/RaySums.h"

template <int F>
struct RayBoxWindow {
  static constexpr int kBuffers = 2;      // ray signal, prefix sums
  static constexpr bool kPlanar = false;  // slots of F channels

  double zoomStart;

  static void Build(double* const* buffers, int32_t n) {
    FillRayGuards<F>(buffers[0], n);
    BuildPrefix<F>(buffers[0], buffers[1], n);
  }

  [[gnu::always_inline]] void Evaluate(const double* const* buffers, double k, double len,
                                       int32_t n, double* out) const {
    const double* prefix = buffers[1];
    double a = k - RayUnfused((zoomStart + 0.5) * len);
    double b = a + len;
    const double l = b - a;
    a = std::max(a, 0.0);
    b = std::max(b, 0.0);
    const double last = double(n - 1);
    if (a >= double(n)) a = last;
    if (b >= double(n)) b = last;
    if (b - a <= 1.0) a = b - 1.0;  // at least one step, ending at b
    const int32_t ia = int32_t(a + 1.0);
    const double fa = double(ia) - a;
    const int32_t ib = int32_t(b);
    const double fb = b - double(ib);
    const double scale = l > 1.0 ? 1.0 / l : 1.0;
    // The interpolated prefix at b is prefix[ib + 2] + fb x ray[ib + 3] (the prefix grows by
    // the ray slot), and likewise at a: the sum is the difference of two prefix slots plus two
    // fractional ray samples, with half the multiplications of interpolating both ends.
    const double* pb = prefix + (ib + 2) * F;
    const double* pa = prefix + (ia + 2) * F;
    const double* xb = buffers[0] + (ib + 3) * F;
    const double* xa = buffers[0] + (ia + 2) * F;
    int c = 0;
    for (; c + 1 < F; c += 2) {
      const RayDouble2 pair = RayBoxPair(pb + c, pa + c, xb + c, xa + c, fb, fa, scale);
      out[c] = pair[0];
      out[c + 1] = pair[1];
    }
    for (; c < F; ++c) {
      const double sum = (pb[c] - pa[c]) + fb * xb[c] + fa * xa[c];
      out[c] = std::min(std::max(sum * scale, 0.0), 1.0);
    }
  }
};
