// The blur window of the aberration filter. The window of `len` steps is split into five equal
// fifths; each colour channel gathers from its own fifths (box averages and linear ramps) so
// that red, green and blue come from different distances along the streak. Ramps use second
// running sums, so every average costs a fixed number of reads whatever the window length.
// Alpha, when present, is the plain average over the clamped window.
#pragma once

#include <algorithm>
#include <cstdint>
#include <utility>

#include "engine/RaySums.h"

enum RayFifthKind : uint8_t { kFifthNone, kFifthFull, kFifthFalling, kFifthRising };

// Colour channel profiles, fifths numbered from the window's start. Row 0 red, 1 green, 2 blue.
inline constexpr RayFifthKind kRayFifthProfile[3][5] = {
    {kFifthFalling, kFifthNone, kFifthNone, kFifthRising, kFifthFull},
    {kFifthNone, kFifthRising, kFifthFull, kFifthFull, kFifthFalling},
    {kFifthFull, kFifthFull, kFifthFalling, kFifthNone, kFifthNone},
};
inline constexpr double kRayFifthDivisorReciprocal[3] = {1.0 / 2.0, 1.0 / 3.0, 1.0 / 2.5};

// The inverted gradient mirrors the window: fifth i takes the entry of fifth 6 - i, and the
// ramps change direction with it.
constexpr RayFifthKind RayFifthKindOf(bool invert, int channel, int fifth) {
  if (!invert) return kRayFifthProfile[channel][fifth];
  const RayFifthKind kind = kRayFifthProfile[channel][4 - fifth];
  if (kind == kFifthFalling) return kFifthRising;
  if (kind == kFifthRising) return kFifthFalling;
  return kind;
}

// The averages below read the running sums at the fifths' clamped ends p and q, whose reading
// positions (spots) are computed once per window and shared by all fifths and channels. Every
// other position they read lies a whole number of steps from p or q, so its spot is a shifted
// copy with the same interpolation weights.

// Box average of [p, q] from the prefix sums; a fifth shorter than one step is widened to the
// step ending at q.
template <int F>
struct RayBoxAverage {
  RaySpot p, q;
  double scale;

  [[gnu::always_inline]] static RayBoxAverage Of(double p, double q, RaySpot sp, RaySpot sq) {
    const double width = q - p;
    if (width < 1.0) return RayBoxAverage{ShiftSpot<F>(sq, -1), sq, 1.0};
    return RayBoxAverage{sp, sq, 1.0 / width};
  }
  [[gnu::always_inline]] double Read(const double* prefix, int c) const {
    return (ReadSpot<F>(prefix, q, c) - ReadSpot<F>(prefix, p, c)) * scale;
  }
};

// Ramp falling from p to q: the m whole steps after p weigh m, m-1, .., 1, plus r times the
// step after them, with m and r the whole and fractional parts of the width. A fifth shorter
// than one step is widened to the step ending at q (m = 1, r = 0).
template <int F>
struct RayFallingAverage {
  RaySpot p, pm, pm1;  // p, p + m, p + m + 1
  double m;
  double r;
  double scale;

  [[gnu::always_inline]] static RayFallingAverage Of(double p, double q, RaySpot sp, RaySpot sq) {
    const double width = q - p;
    if (width < 1.0)
      return RayFallingAverage{ShiftSpot<F>(sq, -1), sq, ShiftSpot<F>(sq, 1), 1.0, 0.0, 1.0};
    const int32_t whole = int32_t(width);
    const double m = double(whole);
    const double r = width - m;
    return RayFallingAverage{sp, ShiftSpot<F>(sp, whole),        ShiftSpot<F>(sp, whole + 1), m,
                             r,  1.0 / (m * (m + 1.0) * 0.5 + r)};
  }
  [[gnu::always_inline]] double Read(const double* prefix, const double* prefix2, int c) const {
    const double ramp =
        ReadSpot<F>(prefix2, pm, c) - ReadSpot<F>(prefix2, p, c) - m * ReadSpot<F>(prefix, p, c);
    const double box = ReadSpot<F>(prefix, pm1, c) - ReadSpot<F>(prefix, pm, c);
    return (ramp + r * box) * scale;
  }
};

// Ramp rising towards q, from the suffix sums, which read one step earlier than the prefix
// sums: the m whole steps from a = p + r (= q - m) to q weigh 1, 2, .., m, plus r times the
// average of the two steps around a. A fifth shorter than one step is widened at its end
// (q = p + 1, so a = p).
template <int F>
struct RayRisingAverage {
  RaySpot a, q, a0, a2;  // a, q, a - 1, a + 1
  double m;
  double r;
  double scale;

  [[gnu::always_inline]] static RayRisingAverage Of(double p, double q, RaySpot sp, RaySpot sq) {
    const double width = q - p;
    if (width < 1.0) {
      return RayRisingAverage{
          sp, ShiftSpot<F>(sp, 1), ShiftSpot<F>(sp, -1), ShiftSpot<F>(sp, 1), 1.0, 0.0, 1.0};
    }
    const int32_t whole = int32_t(width);
    const double m = double(whole);
    const double r = width - m;
    const RaySpot a = ShiftSpot<F>(sq, -whole);
    return RayRisingAverage{
        a, sq, ShiftSpot<F>(a, -1), ShiftSpot<F>(a, 1), m, r, 1.0 / (m * (m + 1.0) * 0.5 + r)};
  }
  [[gnu::always_inline]] double Read(const double* suffix, const double* suffix2, int c) const {
    const double ramp =
        ReadSpot<F>(suffix2, a, c) - ReadSpot<F>(suffix2, q, c) - m * ReadSpot<F>(suffix, q, c);
    const double box = (ReadSpot<F>(suffix, a0, c) - ReadSpot<F>(suffix, a2, c)) * 0.5;
    return (ramp + r * box) * scale;
  }
};

template <int A, int K, bool Invert>
struct RayFifthWindow {
  static constexpr int F = A + K;
  // ray signal, prefix, second prefix, suffix, second suffix
  static constexpr int kBuffers = 5;

  double zoomStart;

  static void Build(double* const* buffers, int32_t n) {
    FillRayGuards<F>(buffers[0], n);
    BuildPrefix<F>(buffers[0], buffers[1], n);
    BuildPrefix<F>(buffers[1], buffers[2], n);
    BuildSuffix<F>(buffers[0], buffers[3], n);
    BuildSuffix<F>(buffers[3], buffers[4], n);
  }

  [[gnu::always_inline]] void Evaluate(const double* const* buffers, double k, double len,
                                       int32_t n, double* out) const {
    Fifths w;
    const double p0 = k - (zoomStart + 0.5) * len;
    constexpr double kFactor[6] = {0.0, 0.2, 0.4, 0.6, 0.8, 1.0};
    double nominal[6];
    const double last = double(n - 1);
#pragma GCC unroll 6
    for (int i = 0; i < 6; ++i) {
      nominal[i] = i == 0 ? p0 : p0 + kFactor[i] * len;
      const double c = nominal[i] < 0.0 ? 0.0 : nominal[i];
      w.bound[i] = c >= double(n) ? last : c;
      w.spot[i] = SpotAt<F>(w.bound[i]);
    }
#pragma GCC unroll 5
    for (int i = 0; i < 5; ++i) {
      const double width = nominal[i + 1] - nominal[i];
      const double clamped = w.bound[i + 1] - w.bound[i];
      w.fraction[i] = clamped == width ? 1.0 : clamped / width;
    }
    Prepare(w, std::make_integer_sequence<int, 5>{});

    Colours(buffers, w, out, std::make_integer_sequence<int, K>{});
    if constexpr (A == 1) {
      const RayBoxAverage<F> all =
          RayBoxAverage<F>::Of(w.bound[0], w.bound[5], w.spot[0], w.spot[5]);
      out[0] = Clamp(all.Read(buffers[1], 0));
    }
  }

 private:
  struct Fifths {
    double bound[6];  // clamped boundaries
    RaySpot spot[6];  // their reading positions
    double fraction[5];
    RayBoxAverage<F> box[5];
    RayFallingAverage<F> falling[5];
    RayRisingAverage<F> rising[5];
  };

  static constexpr bool Needs(int fifth, RayFifthKind kind) {
    for (int j = 0; j < K; ++j) {
      if (RayFifthKindOf(Invert, j, fifth) == kind) return true;
    }
    return false;
  }

  [[gnu::always_inline]] static double Clamp(double v) { return std::min(std::max(v, 0.0), 1.0); }

  template <int... I>
  [[gnu::always_inline]] static void Prepare(Fifths& w, std::integer_sequence<int, I...>) {
    (PrepareFifth<I>(w), ...);
  }

  template <int I>
  [[gnu::always_inline]] static void PrepareFifth(Fifths& w) {
    const double p = w.bound[I], q = w.bound[I + 1];
    if constexpr (Needs(I, kFifthFull)) {
      w.box[I] = RayBoxAverage<F>::Of(p, q, w.spot[I], w.spot[I + 1]);
    }
    if constexpr (Needs(I, kFifthFalling)) {
      w.falling[I] = RayFallingAverage<F>::Of(p, q, w.spot[I], w.spot[I + 1]);
    }
    if constexpr (Needs(I, kFifthRising)) {
      w.rising[I] = RayRisingAverage<F>::Of(p, q, w.spot[I], w.spot[I + 1]);
    }
  }

  template <int... J>
  [[gnu::always_inline]] static void Colours(const double* const* buffers, const Fifths& w,
                                             double* out, std::integer_sequence<int, J...>) {
    // All channels first, then the stores: a store through `out` in between would force the
    // shared reading positions to be reloaded for every channel.
    const double values[K] = {Clamp(Channel<J>(buffers, w))...};
    for (int j = 0; j < K; ++j) out[A + j] = values[j];
  }

  template <int J>
  [[gnu::always_inline]] static double Channel(const double* const* buffers, const Fifths& w) {
    const double sum = Term<J, 0>(buffers, w) + Term<J, 1>(buffers, w) + Term<J, 2>(buffers, w) +
                       Term<J, 3>(buffers, w) + Term<J, 4>(buffers, w);
    return sum * kRayFifthDivisorReciprocal[J];
  }

  template <int J, int I>
  [[gnu::always_inline]] static double Term(const double* const* buffers, const Fifths& w) {
    constexpr RayFifthKind kind = RayFifthKindOf(Invert, J, I);
    constexpr int c = A + J;
    if constexpr (kind == kFifthFull) {
      return w.fraction[I] * w.box[I].Read(buffers[1], c);
    } else if constexpr (kind == kFifthFalling) {
      return 0.5 * w.fraction[I] * w.falling[I].Read(buffers[1], buffers[2], c);
    } else if constexpr (kind == kFifthRising) {
      return 0.5 * w.fraction[I] * w.rising[I].Read(buffers[3], buffers[4], c);
    } else {
      return 0.0;
    }
  }
};
