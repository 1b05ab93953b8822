// Small vector helpers for the per-step channel arithmetic of the ray filters: two doubles or
// four floats per operation through the compiler's vector types (GCC and Clang, which all our
// toolchains are, lower them to SSE2 where it is enabled and to plain code elsewhere).
// Pixels and buffer slots are not 16-byte aligned, so loads and stores go through vector types
// declared with element alignment. They are not memcpy: a memcpy store may alias anything, and
// the compiler would then reload every loop invariant after each splat.
#pragma once

#include <cstdint>
#include <utility>

typedef double RayDouble2 __attribute__((vector_size(16)));
typedef float RayFloat4 __attribute__((vector_size(16)));
typedef double RayDouble2Unaligned __attribute__((vector_size(16), aligned(alignof(double))));
typedef float RayFloat4Unaligned __attribute__((vector_size(16), aligned(alignof(float))));
// Two int32 lanes, matching RayDouble2 in conversions; and four of each, for AVX.
typedef int32_t RayInt2 __attribute__((vector_size(8)));
typedef double RayDouble4 __attribute__((vector_size(32)));
typedef int32_t RayInt4 __attribute__((vector_size(16)));
// For permuting four doubles as eight single-precision lanes, and its masks.
typedef float RayFloat8 __attribute__((vector_size(32)));
typedef int32_t RayInt8 __attribute__((vector_size(32)));
typedef int64_t RayLong4 __attribute__((vector_size(32)));
typedef double RayDouble4Unaligned __attribute__((vector_size(32), aligned(alignof(double))));

// The int32 lanes matching a vector of doubles.
template <class V>
struct RayIntLanesOf {
  using Type = RayInt2;
};
template <>
struct RayIntLanesOf<RayDouble4> {
  using Type = RayInt4;
};
template <class V>
using RayIntLanes = typename RayIntLanesOf<V>::Type;
// A vector of L doubles from f(0) .. f(L - 1), built in registers.
template <class V, class Lane, int... I>
[[gnu::always_inline]] inline V RayLanesOf(const Lane& f, std::integer_sequence<int, I...>) {
  return V{f(I)...};
}
template <class V, class Lane>
[[gnu::always_inline]] inline V RayLanesOf(const Lane& f) {
  return RayLanesOf<V>(f, std::make_integer_sequence<int, int(sizeof(V) / sizeof(double))>{});
}
template <class V>
[[gnu::always_inline]] inline V RayBroadcast(double x) {
  return RayLanesOf<V>([x](int) { return x; });
}
// 0, 1, .., L - 1.
template <class V>
[[gnu::always_inline]] inline V RayIota() {
  return RayLanesOf<V>([](int l) { return double(l); });
}

typedef float RayFloat2Unaligned __attribute__((vector_size(8), aligned(alignof(float))));

[[gnu::always_inline]] inline RayDouble2 RayLoad2(const double* p) {
  return *reinterpret_cast<const RayDouble2Unaligned*>(p);
}

[[gnu::always_inline]] inline void RayStore2(double* p, RayDouble2 v) {
  *reinterpret_cast<RayDouble2Unaligned*>(p) = v;
}

// One ray sample from the two pixels p and q it lies between: q + wp x (p - q) for each of the
// F float channels, in double precision.
template <int F>
[[gnu::always_inline]] inline void RaySample(const float* p, const float* q, double wp,
                                             double* out) {
  int c = 0;
  for (; c + 1 < F; c += 2) {
    const RayDouble2 pc =
        __builtin_convertvector(*reinterpret_cast<const RayFloat2Unaligned*>(p + c), RayDouble2);
    const RayDouble2 qc =
        __builtin_convertvector(*reinterpret_cast<const RayFloat2Unaligned*>(q + c), RayDouble2);
    *reinterpret_cast<RayDouble2Unaligned*>(out + c) = qc + wp * (pc - qc);
  }
  if constexpr (F % 2 == 1) out[c] = double(q[c]) + wp * (double(p[c]) - double(q[c]));
}

// Channels c and c + 1 of the box window sum from two prefix slots and two fractional ray
// samples, scaled and clamped to [0, 1]: ((pb - pa) + fb x xb + fa x xa) x scale.
[[gnu::always_inline]] inline RayDouble2 RayBoxPair(const double* pb, const double* pa,
                                                    const double* xb, const double* xa, double fb,
                                                    double fa, double scale) {
  RayDouble2 sum = ((RayLoad2(pb) - RayLoad2(pa)) + fb * RayLoad2(xb) + fa * RayLoad2(xa)) * scale;
  const RayDouble2 zero = {0.0, 0.0};
  const RayDouble2 one = {1.0, 1.0};
  sum = sum > zero ? sum : zero;
  return sum < one ? sum : one;
}

// The splat of one step: pixel a gets w0 x value and pixel b gets w1 x value in the F channels
// and w0 (w1) in the weight channel after them, in single precision like the accumulation
// image itself.
template <int F>
[[gnu::always_inline]] inline void RaySplatPair(float* a, float* b, float w0, float w1,
                                                const double* value) {
  float v[F + 1];
  for (int c = 0; c < F; ++c) v[c] = float(value[c]);
  v[F] = 1.0f;
  int c = 0;
  if constexpr (F + 1 >= 4) {
    const RayFloat4 packed = {v[0], v[1], v[2], v[3]};
    *reinterpret_cast<RayFloat4Unaligned*>(a) += w0 * packed;
    *reinterpret_cast<RayFloat4Unaligned*>(b) += w1 * packed;
    c = 4;
  }
  for (; c < F + 1; ++c) {
    a[c] += w0 * v[c];
    b[c] += w1 * v[c];
  }
}
