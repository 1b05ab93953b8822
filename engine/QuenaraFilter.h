// The ray blur: smears the working image along straight rays from the origin, each sample
// averaged over a box window whose length grows with its distance from the origin. Blurs in
// place (the pipeline passes the same image as source and destination) and leaves every
// channel, alpha included, in [0, 1]. The intensity of the effect is applied by compositing.
#pragma once

#include <cstdint>

#include "engine/RayBlurFilter.h"
#include "engine/RayBoxWindow.h"

template <class Working>
class QuenaraFilter : public RayBlurFilter<Working, QuenaraFilter<Working>> {
 public:
  using Base = RayBlurFilter<Working, QuenaraFilter<Working>>;
  using Window = RayBoxWindow<Base::F>;
  static constexpr int kSumBuffers = Window::kBuffers;

  explicit QuenaraFilter(KestrimondHost* host_) : Base(host_) {}

  template <class Visitor>
  int32_t VisitWindow(Visitor&& visit) const {
    return visit(Window{this->zoomStart});
  }
};

QUENARA_RAY_PASSES(QuenaraFilter, extern)
