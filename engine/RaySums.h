// Per-ray signal buffers and their running sums. A buffer holds F doubles per slot; for a ray
// of n steps, slot k + 2 holds sample k, and two guard slots at each end repeat the first and
// the last sample so that windows reaching one step past either end read defined values.
#pragma once

#include <cstdint>

// Slots a ray buffer needs for the longest ray of an image.
inline int32_t RaySlots(int32_t width, int32_t height) {
  return (width > height ? width : height) + 6;
}

template <int F>
inline void FillRayGuards(double* ray, int32_t n) {
  for (int c = 0; c < F; ++c) {
    ray[0 * F + c] = ray[2 * F + c];
    ray[1 * F + c] = ray[2 * F + c];
    ray[(n + 2) * F + c] = ray[(n + 1) * F + c];
    ray[(n + 3) * F + c] = ray[(n + 1) * F + c];
  }
}

// sum[j] = sum[j - 1] + in[j] for j = 2 .. n + 3. Slots 0 and 1 are never written: they keep
// the zeros the band cleared them to.
// The running totals stay in registers; reading them back from the buffer would put a
// store-to-load round trip on the dependency chain of every slot.
template <int F>
inline void BuildPrefix(const double* in, double* sum, int32_t n) {
  double total[F];
  for (int c = 0; c < F; ++c) total[c] = sum[1 * F + c];
  for (int32_t j = 2; j <= n + 3; ++j) {
#pragma GCC unroll 4
    for (int c = 0; c < F; ++c) {
      total[c] += in[j * F + c];
      sum[j * F + c] = total[c];
    }
  }
}

// A prefix sum and the prefix sum of that, in one pass: sum[j] = sum[j - 1] + in[j] and
// sum2[j] = sum2[j - 1] + sum[j] for j = 2 .. n + 3, the same additions in the same order as
// two BuildPrefix passes.
template <int F>
inline void BuildPrefixPair(const double* in, double* sum, double* sum2, int32_t n) {
  double total[F], total2[F];
  for (int c = 0; c < F; ++c) {
    total[c] = sum[1 * F + c];
    total2[c] = sum2[1 * F + c];
  }
  for (int32_t j = 2; j <= n + 3; ++j) {
#pragma GCC unroll 4
    for (int c = 0; c < F; ++c) {
      total[c] += in[j * F + c];
      sum[j * F + c] = total[c];
      total2[c] += total[c];
      sum2[j * F + c] = total2[c];
    }
  }
}

// The suffix counterpart: sum[j] = sum[j + 1] + in[j] and sum2[j] = sum2[j + 1] + sum[j] for
// j = n + 2 down to 0, from zeros in slot n + 3.
template <int F>
inline void BuildSuffixPair(const double* in, double* sum, double* sum2, int32_t n) {
  double total[F], total2[F];
  for (int c = 0; c < F; ++c)
    total[c] = total2[c] = sum[(n + 3) * F + c] = sum2[(n + 3) * F + c] = 0.0;
  for (int32_t j = n + 2; j >= 0; --j) {
#pragma GCC unroll 4
    for (int c = 0; c < F; ++c) {
      total[c] += in[j * F + c];
      sum[j * F + c] = total[c];
      total2[c] += total[c];
      sum2[j * F + c] = total2[c];
    }
  }
}

// A reading position x of a running-sum buffer of F doubles per slot: slots t + 2 and t + 3
// with t = floor(x), weighted 1 - f and f, f = x - t. Positions never fall below -2, so the
// floor of x + 2 is its truncation. The slot is kept as an element offset and the fraction with
// it, so that the channels and buffers read at one position share them.
struct RaySpot {
  int32_t offset;  // (t + 2) x F
  double f;
};

template <int F>
[[gnu::always_inline]] inline RaySpot SpotAt(double x) {
  const double shifted = x + 2.0;
  const int32_t slot = int32_t(shifted);
  const double f = shifted - double(slot);
  return RaySpot{slot * F, f};
}

// The same position moved by a whole number of steps.
template <int F>
[[gnu::always_inline]] inline RaySpot ShiftSpot(RaySpot s, int32_t steps) {
  return RaySpot{s.offset + steps * F, s.f};
}

// Reading a running sum at a spot with one multiplication: slot t + 3 of a prefix sum is slot
// t + 2 plus slot t + 3 of the buffer it sums (`step`), and slot t + 3 of a suffix sum is slot
// t + 2 minus slot t + 2 of its buffer.
template <int F>
[[gnu::always_inline]] inline double ReadPrefixSpot(const double* sum, const double* step,
                                                    RaySpot s, int c) {
  return sum[s.offset + c] + s.f * step[s.offset + F + c];
}

template <int F>
[[gnu::always_inline]] inline double ReadSuffixSpot(const double* sum, const double* step,
                                                    RaySpot s, int c) {
  return sum[s.offset + c] - s.f * step[s.offset + c];
}
