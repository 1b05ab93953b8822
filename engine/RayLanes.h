// Small vector helpers for the per-step channel arithmetic of the ray filters: two doubles or
// four floats per operation through the compiler's vector types (GCC and Clang, which all our
// toolchains are, lower them to SSE2 where it is enabled and to plain code elsewhere). Vectors
// stay local to these functions, so no calling convention depends on the instruction set.
// Loads and stores go through memcpy because pixels and buffer slots are not 16-byte aligned.
#pragma once

#include <cstring>

typedef double RayDouble2 __attribute__((vector_size(16)));
typedef float RayFloat4 __attribute__((vector_size(16)));

// Channels c and c + 1 of the box window sum, clamped to [0, 1]:
// out = (wb0 x pb + wb1 x pb[F] - wa0 x pa - wa1 x pa[F]) x scale.
template <int F>
[[gnu::always_inline]] inline void RayBoxPair(double* out, const double* pb, const double* pa,
                                              double wb0, double wb1, double wa0, double wa1,
                                              double scale) {
  RayDouble2 b0, b1, a0, a1;
  std::memcpy(&b0, pb, sizeof b0);
  std::memcpy(&b1, pb + F, sizeof b1);
  std::memcpy(&a0, pa, sizeof a0);
  std::memcpy(&a1, pa + F, sizeof a1);
  RayDouble2 sum = (wb0 * b0 + wb1 * b1 - wa0 * a0 - wa1 * a1) * scale;
  const RayDouble2 zero = {0.0, 0.0};
  const RayDouble2 one = {1.0, 1.0};
  sum = sum > zero ? sum : zero;
  sum = sum < one ? sum : one;
  std::memcpy(out, &sum, sizeof sum);
}

// pixel[c] += weight x value[c] for the F channels and pixel[F] += weight (value[F] is 1), in
// single precision like the accumulation image itself.
template <int F>
[[gnu::always_inline]] inline void RaySplatPixel(float* pixel, float weight, const float* value) {
  int c = 0;
  if constexpr (F + 1 >= 4) {
    RayFloat4 v, p;
    std::memcpy(&v, value, sizeof v);
    std::memcpy(&p, pixel, sizeof p);
    p += weight * v;
    std::memcpy(pixel, &p, sizeof p);
    c = 4;
  }
  for (; c < F + 1; ++c) pixel[c] += weight * value[c];
}
