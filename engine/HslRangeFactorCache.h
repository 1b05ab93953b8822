// The factor of one HslRange, remembered per value: the soft ramp costs a pow per pixel, while
// an image has few distinct lightness values (876 for 8-bit RGB without alpha). Two-way
// set-associative on the value's exact bits, so a hit returns exactly what HslRange::Factor
// would. 64 KB; meant to live on the stack of one band.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

#include "engine/HslRange.h"

class HslRangeFactorCache {
 public:
  explicit HslRangeFactorCache(const HslRange& range_) : range(range_) {
    for (Set& s : sets) s = Set{{kEmpty, kEmpty}, {0.0, 0.0}};
  }

  double Factor(double v) {
    if (range.soften <= 0.0) return range.Pass(v);  // no pow to save
    const uint64_t bits = std::bit_cast<uint64_t>(v);
    Set& s = sets[Mix(bits) >> (64 - kSetBits)];
    // Which way hits is unpredictable, so it becomes an index instead of a branch.
    const size_t way = size_t(s.keys[0] != bits);
    if (s.keys[way] == bits) return s.values[way];
    // Most recent first: two values that share a set do not evict each other.
    const double f = range.Factor(v);
    s.keys[1] = s.keys[0];
    s.values[1] = s.values[0];
    s.keys[0] = bits;
    s.values[0] = f;
    return f;
  }

 private:
  static constexpr int kSetBits = 11;
  static constexpr uint64_t kEmpty = ~uint64_t(0);  // a NaN: no value that is ever looked up

  struct Set {
    uint64_t keys[2];
    double values[2];
  };

  // The sample-derived values differ mostly in their low mantissa bits; a full avalanche
  // spreads them evenly over the sets (a plain multiplicative hash leaves clusters).
  static uint64_t Mix(uint64_t z) {
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }

  const HslRange& range;
  std::array<Set, size_t(1) << kSetBits> sets;
};
