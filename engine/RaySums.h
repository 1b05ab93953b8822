// Per-ray signal buffers and their running sums. A buffer holds F doubles per slot; for a ray
// of n steps, slot k + 2 holds sample k, and two guard slots at each end repeat the first and
// the last sample so that windows reaching one step past either end read defined values.
#pragma once

#include <cstdint>

#include "engine/RayLanes.h"

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

// Running totals of a sum and, with Sums 2, of the sum of that, channels two at a time: each
// slot adds its input to the first total and the first total to the second.
template <int F, int Sums>
struct RayRunning {
  static constexpr int kPairs = F / 2;
  RayDouble2 total[kPairs > 0 ? kPairs : 1], total2[kPairs > 0 ? kPairs : 1];
  double last = 0.0, last2 = 0.0;  // channel F - 1 when F is odd

  // Starting from the slot before the first: `from` and `from2` of the two sums.
  RayRunning(const double* from, const double* from2) {
    for (int i = 0; i < kPairs; ++i) {
      total[i] = RayLoad2(from + 2 * i);
      if constexpr (Sums == 2) total2[i] = RayLoad2(from2 + 2 * i);
    }
    if constexpr (F % 2 == 1) {
      last = from[F - 1];
      if constexpr (Sums == 2) last2 = from2[F - 1];
    }
  }

  [[gnu::always_inline]] void Add(const double* in, double* sum, double* sum2) {
#pragma GCC unroll 2
    for (int i = 0; i < kPairs; ++i) {
      total[i] += RayLoad2(in + 2 * i);
      RayStore2(sum + 2 * i, total[i]);
      if constexpr (Sums == 2) {
        total2[i] += total[i];
        RayStore2(sum2 + 2 * i, total2[i]);
      }
    }
    if constexpr (F % 2 == 1) {
      last += in[F - 1];
      sum[F - 1] = last;
      if constexpr (Sums == 2) {
        last2 += last;
        sum2[F - 1] = last2;
      }
    }
  }
};

// sum[j] = sum[j - 1] + in[j] for j = 2 .. n + 3. Slots 0 and 1 are never written: they keep
// the zeros the band cleared them to.
// The running totals stay in registers; reading them back from the buffer would put a
// store-to-load round trip on the dependency chain of every slot.
template <int F>
inline void BuildPrefix(const double* in, double* sum, int32_t n) {
  RayRunning<F, 1> totals(sum + 1 * F, nullptr);
  for (int32_t j = 2; j <= n + 3; ++j) totals.Add(in + j * F, sum + j * F, nullptr);
}

// A prefix sum and the prefix sum of that, in one pass: sum[j] = sum[j - 1] + in[j] and
// sum2[j] = sum2[j - 1] + sum[j] for j = 2 .. n + 3, the same additions in the same order as
// two BuildPrefix passes.
template <int F>
inline void BuildPrefixPair(const double* in, double* sum, double* sum2, int32_t n) {
  RayRunning<F, 2> totals(sum + 1 * F, sum2 + 1 * F);
  for (int32_t j = 2; j <= n + 3; ++j) totals.Add(in + j * F, sum + j * F, sum2 + j * F);
}

// The suffix counterpart: sum[j] = sum[j + 1] + in[j] and sum2[j] = sum2[j + 1] + sum[j] for
// j = n + 2 down to 0, from zeros in slot n + 3.
template <int F>
inline void BuildSuffixPair(const double* in, double* sum, double* sum2, int32_t n) {
  for (int c = 0; c < F; ++c) sum[(n + 3) * F + c] = sum2[(n + 3) * F + c] = 0.0;
  RayRunning<F, 2> totals(sum + (n + 3) * F, sum2 + (n + 3) * F);
  for (int32_t j = n + 2; j >= 0; --j) totals.Add(in + j * F, sum + j * F, sum2 + j * F);
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
