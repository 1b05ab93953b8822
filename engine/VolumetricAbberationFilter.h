// The aberration variant of the ray blur: the same rays, windows and accumulation as
// QuenaraFilter, but each colour channel gathers from its own fifths of the window, so the
// streaks show a colour gradient (reversed by invertGradient). Alpha is blurred plainly.
#pragma once

#include <cstdint>

#include "engine/RayBlurFilter.h"
#include "engine/RayFifthWindow.h"

template <class Working>
class VolumetricAbberationFilter
    : public RayBlurFilter<Working, VolumetricAbberationFilter<Working>> {
 public:
  using Base = RayBlurFilter<Working, VolumetricAbberationFilter<Working>>;
  static constexpr int kSumBuffers = RayFifthWindow<Base::A, Base::K, false>::kBuffers;

  explicit VolumetricAbberationFilter(KestrimondHost* host_) : Base(host_) {}

  // The profile direction is a template argument of the window, picked once per band.
  template <class Visitor>
  int32_t VisitWindow(Visitor&& visit) const {
    if (invertGradient != 0) {
      return visit(RayFifthWindow<Base::A, Base::K, true>{this->zoomStart});
    }
    return visit(RayFifthWindow<Base::A, Base::K, false>{this->zoomStart});
  }

  uint8_t invertGradient = 0;
};

QUENARA_RAY_PASSES(VolumetricAbberationFilter, extern)
