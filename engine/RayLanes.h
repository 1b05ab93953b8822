// Small vector helpers for the per-step channel arithmetic of the ray filters: two doubles or
// four floats per operation through the compiler's vector types (GCC and Clang, which all our
// toolchains are, lower them to SSE2 on x86 and to plain code elsewhere). Loads and stores go
// through memcpy because pixels and buffer slots are not 16-byte aligned.
#pragma once

#include <algorithm>
#include <cstring>

typedef double RayDouble2 __attribute__((vector_size(16)));
typedef float RayFloat4 __attribute__((vector_size(16)));

inline RayDouble2 RayLoad2(const double* p) {
  RayDouble2 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

inline RayDouble2 RayBroadcast2(double x) { return RayDouble2{x, x}; }

// Clamps each lane to [0, 1].
inline RayDouble2 RayUnit2(RayDouble2 v) {
  const RayDouble2 zero = {0.0, 0.0};
  const RayDouble2 one = {1.0, 1.0};
  v = v > zero ? v : zero;
  return v < one ? v : one;
}

inline void RayStore2(double* p, RayDouble2 v) { std::memcpy(p, &v, sizeof v); }

// pixel[c] += weight x value[c] for the F channels and pixel[F] += weight, in single precision
// like the accumulation image itself.
template <int F>
inline void RaySplatPixel(float* pixel, float weight, const float* value) {
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
