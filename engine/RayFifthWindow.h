// The blur window of the aberration filter. The window of `len` steps is split into five equal
// fifths; each colour channel gathers from its own fifths (box averages and linear ramps) so
// that red, green and blue come from different distances along the streak. Ramps use second
// running sums, so every average costs a fixed number of reads whatever the window length.
// Alpha, when present, is the plain average over the clamped window.
//
// The window reads channel planes (see RaySums.h): `planes[b * F + c]` is channel c of buffer
// b, where the buffers are the ray signal, prefix, second prefix, suffix and second suffix.
// Planes let the windows of neighbouring steps, which read neighbouring slots, load them
// together (RaySlotLanes).
#pragma once

#include <algorithm>
#include <cstdint>
#include <utility>

#include "engine/RayIsa.h"
#include "engine/RayLanes.h"
#include "engine/RaySlotLanes.h"
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

// The sums below read the running sums at the fifths' clamped ends p and q, whose reading
// positions (spots) are computed once per window and shared by all fifths and channels. Every
// other position they read lies a whole number of steps from p or q, so its spot is a shifted
// copy with the same interpolation weights. Each gives its weighted sum and the total of its
// weights (`weights`); the average is their quotient, which the window folds into one factor
// with the fifth's fraction and the channel's divisor. Every choice between a normal and a
// narrow fifth is a select rather than a branch-dependent structure, so that the window keeps
// its few live values in registers.

// Box sum of [p, q] from the prefix sums; a fifth shorter than one step is widened to the step
// ending at q. F is the number of channel planes per buffer.
template <int F>
struct RayBoxSum {
  RaySpot p, q;
  double weights;

  [[gnu::always_inline]] static RayBoxSum Of(double p, double q, RaySpot sp, RaySpot sq) {
    const double width = q - p;
    const bool narrow = width < 1.0;
    return RayBoxSum{narrow ? ShiftSpot<1>(sq, -1) : sp, sq, narrow ? 1.0 : width};
  }
  [[gnu::always_inline]] double Read(const double* const* planes, int c) const {
    const double* ray = planes[c];
    const double* prefix = planes[F + c];
    return ReadPrefixSpot<1>(prefix, ray, q, 0) - ReadPrefixSpot<1>(prefix, ray, p, 0);
  }
};

// The whole steps m and the remainder r of a ramp over [p, q]; a fifth shorter than one step is
// widened to one step (m = 1, r = 0). The weights of a ramp total m (m + 1) / 2 + r.
struct RayRampShape {
  bool narrow;
  int32_t whole;
  double m;
  double r;
  double weights;

  [[gnu::always_inline]] static RayRampShape Of(double p, double q) {
    const double width = q - p;
    const bool narrow = width < 1.0;
    const int32_t whole = narrow ? 1 : int32_t(width);
    const double m = double(whole);
    const double r = narrow ? 0.0 : width - m;
    return RayRampShape{narrow, whole, m, r, m * (m + 1.0) * 0.5 + r};
  }
};

// Ramp falling from p to q: the m whole steps after p weigh m, m-1, .., 1, plus r times the
// step after them. A narrow fifth is widened to the step ending at q.
template <int F>
struct RayFallingSum {
  RaySpot p, pm, pm1;  // p, p + m, p + m + 1
  double m;
  double r;
  double weights;

  [[gnu::always_inline]] static RayFallingSum Of(const RayRampShape& shape, RaySpot sp,
                                                 RaySpot sq) {
    const RaySpot p = shape.narrow ? ShiftSpot<1>(sq, -1) : sp;
    return RayFallingSum{p,
                         ShiftSpot<1>(p, shape.whole),
                         ShiftSpot<1>(p, shape.whole + 1),
                         shape.m,
                         shape.r,
                         shape.weights};
  }
  [[gnu::always_inline]] double Read(const double* const* planes, int c) const {
    const double* ray = planes[c];
    const double* prefix = planes[F + c];
    const double* prefix2 = planes[2 * F + c];
    const double ramp = ReadPrefixSpot<1>(prefix2, prefix, pm, 0) -
                        ReadPrefixSpot<1>(prefix2, prefix, p, 0) -
                        m * ReadPrefixSpot<1>(prefix, ray, p, 0);
    const double box =
        ReadPrefixSpot<1>(prefix, ray, pm1, 0) - ReadPrefixSpot<1>(prefix, ray, pm, 0);
    return ramp + r * box;
  }
};

// Ramp rising towards q, from the suffix sums, which read one step earlier than the prefix
// sums: the m whole steps from a = p + r (= q - m) to q weigh 1, 2, .., m, plus r times the
// average of the two steps around a. A narrow fifth is widened at its end (q = p + 1, so
// a = p).
template <int F>
struct RayRisingSum {
  RaySpot a, q;
  double m;
  double r;
  double weights;

  [[gnu::always_inline]] static RayRisingSum Of(const RayRampShape& shape, RaySpot sp, RaySpot sq) {
    const RaySpot q = shape.narrow ? ShiftSpot<1>(sp, 1) : sq;
    return RayRisingSum{ShiftSpot<1>(q, -shape.whole), q, shape.m, shape.r, shape.weights};
  }
  [[gnu::always_inline]] double Read(const double* const* planes, int c) const {
    const double* ray = planes[c];
    const double* suffix = planes[3 * F + c];
    const double* suffix2 = planes[4 * F + c];
    const double ramp = ReadSuffixSpot<1>(suffix2, suffix, a, 0) -
                        ReadSuffixSpot<1>(suffix2, suffix, q, 0) -
                        m * ReadSuffixSpot<1>(suffix, ray, q, 0);
    const double box = (ReadSuffixSpot<1>(suffix, ray, ShiftSpot<1>(a, -1), 0) -
                        ReadSuffixSpot<1>(suffix, ray, ShiftSpot<1>(a, 1), 0)) *
                       0.5;
    return ramp + r * box;
  }
};

template <int A, int K, bool Invert>
struct RayFifthWindow {
  static constexpr int F = A + K;
  // ray signal, prefix, second prefix, suffix, second suffix; each as F channel planes
  static constexpr int kBuffers = 5;
  static constexpr bool kPlanar = true;

  double zoomStart;

  static void Build(double* const* planes, int32_t n) {
    FillRayGuardPlanes<F>(planes, n);
    BuildPrefixPairPlanes<F>(planes, planes + F, planes + 2 * F, n);
    BuildSuffixPairPlanes<F>(planes, planes + 3 * F, planes + 4 * F, n);
  }

  [[gnu::always_inline]] void Evaluate(const double* const* planes, double k, double len, int32_t n,
                                       double* out) const {
    const double p0 = k - RayUnfused((zoomStart + 0.5) * len);
    // 1 / the nominal width of a fifth; unused when len is 0, where every fifth is narrower
    // than a step.
    Edge start;
    start.At(p0, n);
    Walk walk{planes, n, p0, len, 5.0 / len, start, start, {}};
    Fifths(walk, std::make_integer_sequence<int, 5>{});
    for (int j = 0; j < K; ++j) out[A + j] = Clamp(walk.sums[j] * kRayFifthDivisorReciprocal[j]);
    if constexpr (A == 1) {
      const RayBoxSum<F> all =
          RayBoxSum<F>::Of(start.bound, walk.end.bound, start.spot, walk.end.spot);
      out[0] = Clamp(all.Read(planes, 0) / all.weights);
    }
  }

  // The windows of consecutive steps side by side, one per lane of V (two or four doubles):
  // steps k[l] with lengths len[l]. Only windows inside the ray with fifths of at least a step
  // are taken, which is nearly all of them (the margin on len keeps every computed width above
  // 1 despite rounding); otherwise nothing is written and the result is false. Inside the ray
  // no boundary is clamped and no fifth widened, so every fraction is 1 and every box gain
  // 1 / the nominal fifth width. The reads use the identities of the running sums (a prefix
  // slot minus the one before is the ray slot, likewise for suffixes) so that each ramp costs
  // eight reads, and each channel's consecutive full fifths are one box sum. Boundaries are
  // placed with the same arithmetic as in Evaluate.
  static constexpr bool kStepsSideBySide = true;

  template <class V>
  [[gnu::always_inline]] bool EvaluateSteps(const double* const* planes, const V& k, const V& len,
                                            int32_t n, double (*out)[F]) const {
    using VI = RayIntLanes<V>;
    constexpr int L = int(sizeof(V) / sizeof(double));
    // Products placed as on the step-by-step path (vectors of four are kept in place: AVX
    // values are not returned from functions compiled without AVX).
    V scaled = (zoomStart + 0.5) * len;
    RayKeepRounded(scaled);
    const V p0 = k - scaled;
    const auto inside = (len >= 5.0001) & (p0 >= 0.0) & (p0 + len < double(n));
    for (int l = 0; l < L; ++l) {
      if (!inside[l]) return false;
    }
    constexpr double kFactor[6] = {0.0, 0.2, 0.4, 0.6, 0.8, 1.0};
    StepShape<V> s;
    StepSlots<VI> slots;
    V boundary[6];
#pragma GCC unroll 6
    for (int i = 0; i <= 5; ++i) {
      V part = kFactor[i] * len;
      RayKeepRounded(part);
      boundary[i] = p0 + part;
      const V shifted = boundary[i] + 2.0;
      slots.boundary[i] = __builtin_convertvector(shifted, VI);
      s.f[i] = shifted - __builtin_convertvector(slots.boundary[i], V);
    }
    // The ramps' weight totals w[i], and before[i] = w[0] x .. x w[i - 1].
    V w[5];
    V before[6];
    before[0] = RayBroadcast<V>(1.0);
#pragma GCC unroll 5
    for (int i = 0; i < 5; ++i) {
      const V width = boundary[i + 1] - boundary[i];
      const VI whole = __builtin_convertvector(width, VI);
      s.m[i] = __builtin_convertvector(whole, V);
      s.r[i] = width - s.m[i];
      w[i] = s.m[i] * (s.m[i] + 1.0) * 0.5 + s.r[i];
      before[i + 1] = before[i] * w[i];
      slots.falling[i] = slots.boundary[i] + whole;
      slots.rising[i] = slots.boundary[i + 1] - whole;
    }
    // One division for the six gains (0.5 / w[i] and 5 / len), whose latency would otherwise
    // hold up each group of steps: t runs through 1 / (w[0] x .. x w[i]) from the top.
    V t = 1.0 / (before[5] * len);
    s.boxGain = 5.0 * (t * before[5]);
    t *= len;
#pragma GCC unroll 5
    for (int i = 4; i >= 0; --i) {
      s.gain[i] = 0.5 * (t * before[i]);
      t *= w[i];
    }
    if constexpr (A == 1) s.length = boundary[5] - boundary[0];
    if constexpr (L == 4) {
      VI spread = RaySlotSpread(slots.boundary[0]);
      for (int i = 1; i <= 5; ++i) spread |= RaySlotSpread(slots.boundary[i]);
      for (int i = 0; i < 5; ++i) {
        spread |= RaySlotSpread(slots.falling[i]) | RaySlotSpread(slots.rising[i]);
      }
      if (RaySlotsWithin<4>(spread)) {
        Sums<RaySlotLanes<V, 4>>(planes, s, slots, out);
        return true;
      }
      if (RaySlotsWithin<8>(spread)) {
        Sums<RaySlotLanes<V, 8>>(planes, s, slots, out);
        return true;
      }
    }
    Sums<RaySlotLanes<V, 0>>(planes, s, slots, out);
    return true;
  }

 private:
  // Per boundary (f) and per fifth (the rest) for the steps side by side.
  template <class V>
  struct StepShape {
    V f[6];
    V m[5];
    V r[5];
    V gain[5];
    V boxGain;
    V length;  // of the whole window, for alpha
  };
  // Slot of each boundary (t + 2), of each falling ramp's far end p + m and of each rising
  // ramp's near end q - m.
  template <class VI>
  struct StepSlots {
    VI boundary[6];
    VI falling[5];
    VI rising[5];
  };
  template <class Lanes>
  struct StepReads {
    Lanes boundary[6];
    Lanes falling[5];
    Lanes rising[5];
  };

  template <class Lanes, class V, class VI>
  [[gnu::always_inline]] static void Sums(const double* const* planes, const StepShape<V>& s,
                                          const StepSlots<VI>& slots, double (*out)[F]) {
    constexpr int L = int(sizeof(V) / sizeof(double));
    StepReads<Lanes> at;
    for (int i = 0; i <= 5; ++i) at.boundary[i] = Lanes::Of(slots.boundary[i]);
    for (int i = 0; i < 5; ++i) {
      at.falling[i] = Lanes::Of(slots.falling[i]);
      at.rising[i] = Lanes::Of(slots.rising[i]);
    }
    V sums[K] = {};
    StepsFifths(planes, s, at, sums, std::make_integer_sequence<int, 5>{});
    StepsBoxes(planes, s, at, sums, std::make_integer_sequence<int, K>{});
    for (int j = 0; j < K; ++j) {
      V v = sums[j] * kRayFifthDivisorReciprocal[j];
      v = v > 0.0 ? v : 0.0;
      v = v < 1.0 ? v : 1.0;
      for (int l = 0; l < L; ++l) out[l][A + j] = v[l];
    }
    if constexpr (A == 1) {
      V v = (StepsPrefix(planes, s, at, 5, 0) - StepsPrefix(planes, s, at, 0, 0)) / s.length;
      v = v > 0.0 ? v : 0.0;
      v = v < 1.0 ? v : 1.0;
      for (int l = 0; l < L; ++l) out[l][0] = v[l];
    }
  }

  // The prefix sum of channel c at boundary i: the prefix slot plus f times the next ray slot.
  template <class V, class Lanes>
  [[gnu::always_inline]] static V StepsPrefix(const double* const* planes, const StepShape<V>& s,
                                              const StepReads<Lanes>& at, int i, int c) {
    return at.boundary[i].Read(planes[F + c], 0) + s.f[i] * at.boundary[i].Read(planes[c], 1);
  }

  template <class V, class Lanes, int... I>
  [[gnu::always_inline]] static void StepsFifths(const double* const* planes, const StepShape<V>& s,
                                                 const StepReads<Lanes>& at, V* sums,
                                                 std::integer_sequence<int, I...>) {
    (StepsRamp<I>(planes, s, at, sums), ...);
  }

  // The ramps of fifth I for the channels that take one there. Falling, from p = boundary I:
  // S2(p + m) - S2(p) - m P(p), plus r times the ray interpolated at p + m + 1. Rising, to
  // q = boundary I + 1, from a = q - m: U2(a) - U2(q) - m U(q) (U2 the second suffix), plus r
  // times the ray at a - 1, a and a + 1 weighted 1 - f, 1 and f, halved.
  template <int I, class V, class Lanes>
  [[gnu::always_inline]] static void StepsRamp(const double* const* planes, const StepShape<V>& s,
                                               const StepReads<Lanes>& at, V* sums) {
#pragma GCC unroll 4
    for (int j = 0; j < K; ++j) {
      const RayFifthKind kind = RayFifthKindOf(Invert, j, I);
      const int32_t c = A + j;
      const double* x = planes[c];
      if (kind == kFifthFalling) {
        const double* p = planes[F + c];
        const double* p2 = planes[2 * F + c];
        const Lanes& o = at.boundary[I];
        const Lanes& e = at.falling[I];
        const V f = s.f[I];
        const V ramp = (e.Read(p2, 0) - o.Read(p2, 0)) + f * (e.Read(p, 1) - o.Read(p, 1)) -
                       s.m[I] * (o.Read(p, 0) + f * o.Read(x, 1));
        const V near = e.Read(x, 1);
        const V box = near + f * (e.Read(x, 2) - near);
        sums[j] += s.gain[I] * (ramp + s.r[I] * box);
      } else if (kind == kFifthRising) {
        const double* u = planes[3 * F + c];
        const double* u2 = planes[4 * F + c];
        const Lanes& o = at.boundary[I + 1];
        const Lanes& a = at.rising[I];
        const V f = s.f[I + 1];
        const V ramp = (a.Read(u2, 0) - o.Read(u2, 0)) - f * (a.Read(u, 0) - o.Read(u, 0)) -
                       s.m[I] * (o.Read(u, 0) - f * o.Read(x, 0));
        const V before = a.Read(x, -1);
        const V box = 0.5 * ((before + a.Read(x, 0)) + f * (a.Read(x, 1) - before));
        sums[j] += s.gain[I] * (ramp + s.r[I] * box);
      }
    }
  }

  template <class V, class Lanes, int... J>
  [[gnu::always_inline]] static void StepsBoxes(const double* const* planes, const StepShape<V>& s,
                                                const StepReads<Lanes>& at, V* sums,
                                                std::integer_sequence<int, J...>) {
    (StepsBox<J>(planes, s, at, sums), ...);
  }

  template <int J, class V, class Lanes>
  [[gnu::always_inline]] static void StepsBox(const double* const* planes, const StepShape<V>& s,
                                              const StepReads<Lanes>& at, V* sums) {
    V box = {};
#pragma GCC unroll 6
    for (int i = 0; i <= 5; ++i) {
      const bool before = i > 0 && RayFifthKindOf(Invert, J, i - 1) == kFifthFull;
      const bool after = i < 5 && RayFifthKindOf(Invert, J, i) == kFifthFull;
      if (before && !after) box += StepsPrefix(planes, s, at, i, A + J);
      if (after && !before) box -= StepsPrefix(planes, s, at, i, A + J);
    }
    sums[J] += s.boxGain * box;
  }

  // A fifth boundary: nominal, clamped to the ray, and its reading position.
  struct Edge {
    double nominal;
    double bound;
    RaySpot spot;
    [[gnu::always_inline]] void At(double x, int32_t n) {
      nominal = x;
      const double c = x < 0.0 ? 0.0 : x;
      bound = c >= double(n) ? double(n - 1) : c;
      spot = SpotAt<1>(bound);
    }
  };

  // The fifths are visited in order; each needs only its two boundaries, so only those are
  // kept (the registers do not hold six boundaries and their reading positions at once).
  struct Walk {
    const double* const* planes;
    int32_t n;
    double p0;
    double len;
    double perFifth;
    Edge start;
    Edge end;
    double sums[K];
  };

  template <int... I>
  [[gnu::always_inline]] static void Fifths(Walk& walk, std::integer_sequence<int, I...>) {
    (Fifth<I>(walk), ...);
  }

  template <int I>
  [[gnu::always_inline]] static void Fifth(Walk& walk) {
    constexpr double kFactor[6] = {0.0, 0.2, 0.4, 0.6, 0.8, 1.0};
    const Edge from = walk.end;
    walk.end.At(walk.p0 + RayUnfused(kFactor[I + 1] * walk.len), walk.n);
    AddFifth<I>(walk.planes, from, walk.end, walk.perFifth, walk.sums);
  }

  static constexpr bool Needs(int fifth, RayFifthKind kind) {
    for (int j = 0; j < K; ++j) {
      if (RayFifthKindOf(Invert, j, fifth) == kind) return true;
    }
    return false;
  }

  [[gnu::always_inline]] static double Clamp(double v) { return std::min(std::max(v, 0.0), 1.0); }

  // Adds fifth I's terms to the channels that gather from it.
  template <int I>
  [[gnu::always_inline]] static void AddFifth(const double* const* planes, const Edge& from,
                                              const Edge& to, double perFifth, double* sums) {
    const double width = to.nominal - from.nominal;
    const double clamped = to.bound - from.bound;
    const double fraction = clamped == width ? 1.0 : clamped * perFifth;
    if constexpr (Needs(I, kFifthFull)) {
      const RayBoxSum<F> box = RayBoxSum<F>::Of(from.bound, to.bound, from.spot, to.spot);
      // fraction / clamped width = 1 / nominal width, unless the fifth was widened.
      const double gain = clamped < 1.0 ? fraction : perFifth;
      Each([&](int c) { return box.Read(planes, c) * gain; }, sums, I, kFifthFull);
    }
    if constexpr (Needs(I, kFifthFalling) || Needs(I, kFifthRising)) {
      const RayRampShape shape = RayRampShape::Of(from.bound, to.bound);
      const double gain = 0.5 * fraction / shape.weights;
      if constexpr (Needs(I, kFifthFalling)) {
        const RayFallingSum<F> ramp = RayFallingSum<F>::Of(shape, from.spot, to.spot);
        Each([&](int c) { return ramp.Read(planes, c) * gain; }, sums, I, kFifthFalling);
      }
      if constexpr (Needs(I, kFifthRising)) {
        const RayRisingSum<F> ramp = RayRisingSum<F>::Of(shape, from.spot, to.spot);
        Each([&](int c) { return ramp.Read(planes, c) * gain; }, sums, I, kFifthRising);
      }
    }
  }

  // Adds term(c) to every colour channel whose profile has `kind` in fifth I.
  template <class Term>
  [[gnu::always_inline]] static void Each(const Term& term, double* sums, int fifth,
                                          RayFifthKind kind) {
#pragma GCC unroll 4
    for (int j = 0; j < K; ++j) {
      if (RayFifthKindOf(Invert, j, fifth) == kind) sums[j] += term(A + j);
    }
  }
};
