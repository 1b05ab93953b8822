// Per-ray signal buffers and their running sums. For a ray of n steps, slot k + 2 holds sample
// k, and two guard slots at each end repeat the first and the last sample so that windows
// reaching one step past either end read defined values. A buffer holds F doubles per slot, or
// F channel planes of one double per slot (see RayPlaneSlots).
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

// The running totals of F channels, two at a time: each slot adds its input to the total.
template <int F>
struct RayRunning {
  static constexpr int kPairs = F / 2;
  RayDouble2 total[kPairs > 0 ? kPairs : 1];
  double last = 0.0;  // channel F - 1 when F is odd

  // Starting from the slot before the first.
  explicit RayRunning(const double* from) {
    for (int i = 0; i < kPairs; ++i) total[i] = RayLoad2(from + 2 * i);
    if constexpr (F % 2 == 1) last = from[F - 1];
  }

  [[gnu::always_inline]] void Add(const double* in, double* sum) {
#pragma GCC unroll 2
    for (int i = 0; i < kPairs; ++i) {
      total[i] += RayLoad2(in + 2 * i);
      RayStore2(sum + 2 * i, total[i]);
    }
    if constexpr (F % 2 == 1) {
      last += in[F - 1];
      sum[F - 1] = last;
    }
  }
};

// sum[j] = sum[j - 1] + in[j] for j = 2 .. n + 3. Slots 0 and 1 are never written: they keep
// the zeros the band cleared them to.
// The running totals stay in registers; reading them back from the buffer would put a
// store-to-load round trip on the dependency chain of every slot.
template <int F>
inline void BuildPrefix(const double* in, double* sum, int32_t n) {
  RayRunning<F> totals(sum + 1 * F);
  for (int32_t j = 2; j <= n + 3; ++j) totals.Add(in + j * F, sum + j * F);
}

// Buffers of F channel planes: plane c of a buffer holds channel c, one double per slot, with
// the same slots as above. The plane of an image's longest ray has RayPlaneSlots slots; the
// eight beyond RaySlots let a reader load eight consecutive slots from any slot a window reads.
inline int32_t RayPlaneSlots(int32_t width, int32_t height) { return RaySlots(width, height) + 8; }

template <int F>
inline void FillRayGuardPlanes(double* const* ray, int32_t n) {
  for (int c = 0; c < F; ++c) FillRayGuards<1>(ray[c], n);
}

// One slot of the running totals on planes: each channel adds its input to the first total and
// the first total to the second, and stores both.
template <int F>
[[gnu::always_inline]] inline void RayRunningPlanes(const double* const* in, double* const* sum,
                                                    double* const* sum2, int32_t j, double* total,
                                                    double* total2) {
#pragma GCC unroll 4
  for (int c = 0; c < F; ++c) {
    total[c] += in[c][j];
    sum[c][j] = total[c];
    total2[c] += total[c];
    sum2[c][j] = total2[c];
  }
}

// A prefix sum and the prefix sum of that, in one pass: sum[j] = sum[j - 1] + in[j] and
// sum2[j] = sum2[j - 1] + sum[j] for j = 2 .. n + 3, on planes. The channels' totals run side
// by side so that their dependency chains overlap.
template <int F>
inline void BuildPrefixPairPlanes(const double* const* in, double* const* sum, double* const* sum2,
                                  int32_t n) {
  double total[F], total2[F];
  for (int c = 0; c < F; ++c) {
    total[c] = sum[c][1];
    total2[c] = sum2[c][1];
  }
  for (int32_t j = 2; j <= n + 3; ++j) {
    RayRunningPlanes<F>(in, sum, sum2, j, total, total2);
  }
}

// The suffix counterpart: sum[j] = sum[j + 1] + in[j] and sum2[j] = sum2[j + 1] + sum[j] for
// j = n + 2 down to 0, from zeros in slot n + 3.
template <int F>
inline void BuildSuffixPairPlanes(const double* const* in, double* const* sum, double* const* sum2,
                                  int32_t n) {
  double total[F] = {}, total2[F] = {};
  for (int c = 0; c < F; ++c) sum[c][n + 3] = sum2[c][n + 3] = 0.0;
  for (int32_t j = n + 2; j >= 0; --j) {
    RayRunningPlanes<F>(in, sum, sum2, j, total, total2);
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
