// Which instruction set the ray filters' step loops run with. The loops are compiled twice: for
// the build's baseline (SSE2) and for AVX2 with fused multiply-add, picked at run time, so that
// the plug-in still loads on processors without AVX2.
#pragma once

#include <cstdint>

enum RayIsa : uint8_t { kRayIsaBaseline, kRayIsaAvx2 };

#if defined(__x86_64__) || defined(__i386__)
#define QUENARA_RAY_AVX2 gnu::target("avx2,fma")
#else
#define QUENARA_RAY_AVX2 gnu::cold
#endif

inline RayIsa RayBestIsa() {
#if defined(__x86_64__) || defined(__i386__)
  static const RayIsa best = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma") ? kRayIsaAvx2
                                                                           : kRayIsaBaseline;
  }();
  return best;
#else
  return kRayIsaBaseline;
#endif
}

// A product rounded on its own. With fused multiply-add the compiler may fold a product into
// the following addition and round once; where a result feeds a whole-step count (the fifths'
// m) one rounding more or less can change that count, so the products that place windows are
// kept apart and both instruction sets place every window identically.
template <class T>
[[gnu::always_inline]] inline void RayKeepRounded(T& v) {
#if defined(__x86_64__) || defined(__i386__)
  __asm__("" : "+x"(v));
#endif
}

template <class T>
[[gnu::always_inline]] inline T RayUnfused(T v) {
  RayKeepRounded(v);
  return v;
}
