// The slots that L consecutive steps read from a channel plane, one per lane of a vector V of
// doubles, and the read that gathers them into V. Reach 0, the plain form, loads each lane on
// its own. The permuted forms (four lanes, for AVX2) serve slots that lie within Reach slots
// from the first lane's: one load of four slots from there (two for a reach of 8) and one
// permutation per load that places them. Windows of neighbouring steps move by about a slot
// per step, so four steps' slots usually lie within 4 slots, and within 8 unless the blur
// grows by more than about two slots per step.
#pragma once

#include <cstdint>
#include <cstring>
#include <utility>

#include "engine/RayLanes.h"

template <class V, int Reach>
struct RaySlotLanes {
  static constexpr int L = int(sizeof(V) / sizeof(double));
  int32_t slot[L];

  [[gnu::always_inline]] static RaySlotLanes Of(const RayIntLanes<V>& slots) {
    RaySlotLanes lanes;
    std::memcpy(lanes.slot, &slots, sizeof(lanes.slot));
    return lanes;
  }
  // The plane's values `shift` slots after each lane's slot.
  [[gnu::always_inline]] V Read(const double* plane, int32_t shift) const {
    return Read(plane, shift, std::make_integer_sequence<int, L>{});
  }

 private:
  template <int... I>
  [[gnu::always_inline]] V Read(const double* plane, int32_t shift,
                                std::integer_sequence<int, I...>) const {
    return V{plane[slot[I] + shift]...};
  }
};

// Each lane's slot less the first lane's. The slots of a group of steps suit the permuted form
// of reach R when all of these, OR-ed together over every set of slots the group reads, stay
// within 0 .. R - 1.
[[gnu::always_inline]] inline RayInt4 RaySlotSpread(const RayInt4& slots) {
  return slots - slots[0];
}
template <int Reach>
[[gnu::always_inline]] inline bool RaySlotsWithin(const RayInt4& spreads) {
  const RayInt4 outside = spreads & ~(Reach - 1);
  return (outside[0] | outside[1] | outside[2] | outside[3]) == 0;
}

template <int Reach>
requires(Reach == 4 || Reach == 8) struct RaySlotLanes<RayDouble4, Reach> {
  int32_t base;
  // Pairs of single-precision lanes 2d, 2d + 1 for a lane d slots past base; the permutation
  // reads them modulo 8, which is d modulo 4 within either load of four slots.
  RayInt8 index;
  RayLong4 far;  // lanes in the second load (reach 8 only)

  [[gnu::always_inline]] static RaySlotLanes Of(const RayInt4& slots) {
    const RayInt4 spread = RaySlotSpread(slots);
    const RayInt4 twice = spread * 2;
    const RayInt8 pairs = __builtin_shufflevector(twice, twice, 0, 0, 1, 1, 2, 2, 3, 3);
    RayLong4 far = {};
    if constexpr (Reach == 8) far = __builtin_convertvector(spread, RayLong4) >= 4;
    return RaySlotLanes{slots[0], pairs + RayInt8{0, 1, 0, 1, 0, 1, 0, 1}, far};
  }
  [[gnu::always_inline]] RayDouble4 Read(const double* plane, int32_t shift) const {
    const double* from = plane + base + shift;
    const RayDouble4 near = Four(from);
    if constexpr (Reach == 4) {
      return near;
    } else {
      return far ? Four(from + 4) : near;
    }
  }

 private:
  [[gnu::always_inline]] RayDouble4 Four(const double* from) const {
#if defined(__clang__)
    // Clang (our lint only) has no variable shuffle of vector types: the same lanes, one by one.
    return RayDouble4{from[index[0] % 8 / 2], from[index[2] % 8 / 2], from[index[4] % 8 / 2],
                      from[index[6] % 8 / 2]};
#else
    const RayFloat8 four =
        reinterpret_cast<RayFloat8>(*reinterpret_cast<const RayDouble4Unaligned*>(from));
    return reinterpret_cast<RayDouble4>(__builtin_shuffle(four, index));
#endif
  }
};
