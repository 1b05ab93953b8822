// Runs a ray blur filter on a small float image and the plain reference on the same data, for
// the ray blur and aberration filter tests.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "engine/DynamicRgbA.h"
#include "engine/RayIsa.h"
#include "engine/StaticArgb.h"
#include "tests/engine/HostBuffers.h"
#include "tests/engine/RayReference.h"
#include "tests/support/EngineTestHosts.h"

namespace rayharness {

using Map8 = DynamicRgbA<0, uint8_t, 0, 1, 0, 255>;
using Map16 = DynamicRgbA<0, uint16_t, 0, 1, 0, 32768>;

struct Params {
  int32_t ox = 0;
  int32_t oy = 0;
  double zoomStart = 0.5;
  double strength = 0.25;
  double holdout = 0.0;
  bool invert = false;
};

// Deterministic pseudo-random values in [lo, hi).
inline std::vector<float> Noise(size_t count, uint32_t seed, float lo = 0.0f, float hi = 1.0f) {
  std::vector<float> v(count);
  uint32_t s = seed * 2654435761u + 12345u;
  for (float& x : v) {
    s = s * 1664525u + 1013904223u;
    x = lo + (hi - lo) * float(s >> 8) / float(1u << 24);
  }
  return v;
}

// A one-channel strength map of the given depth filled with pseudo-random samples (or
// `constant` when it is not negative).
template <class Mask>
struct StrengthMap {
  using Sample = typename Mask::SampleType;
  HostImage<Sample> image;
  StrengthMap(int32_t w, int32_t h, uint32_t seed, int32_t constant = -1) : image(w, h, 1, 3) {
    const std::vector<float> r = Noise(size_t(w) * size_t(h), seed);
    for (int32_t y = 0; y < h; ++y) {
      for (int32_t x = 0; x < w; ++x) {
        const int32_t s =
            constant >= 0 ? constant : int32_t(r[size_t(y * w + x)] * Mask::kFullScale);
        image.Set(x, y, 0, Sample(s));
      }
    }
  }
  Mask View() {
    Mask v = image.template MakeView<Mask>();
    v.columnBytes = int32_t(sizeof(Sample));
    return v;
  }
  // Strength is the sample divided by the full scale (a division here, not the engine's
  // reciprocal).
  std::vector<double> Values() const {
    std::vector<double> v;
    for (int32_t y = 0; y < image.height; ++y) {
      for (int32_t x = 0; x < image.width; ++x) {
        v.push_back(double(image.Get(x, y, 0)) / double(Mask::kFullScale));
      }
    }
    return v;
  }
};

template <class Filter>
void Configure(Filter& f, const Params& p) {
  f.zoomStart = p.zoomStart;
  f.strength = p.strength;
  f.holdoutRadius = p.holdout;
  f.originX = p.ox;
  f.originY = p.oy;
  if constexpr (requires { f.invertGradient; }) f.invertGradient = p.invert ? 1 : 0;
}

// Runs the filter in place on `pixels` (F floats per pixel); returns the host result.
template <class Filter, class Map = Map8>
int32_t RunInPlace(TestHost& host, std::vector<float>& pixels, int32_t w, int32_t h,
                   const Params& p, const Map* map = nullptr, RayIsa isa = RayBestIsa()) {
  using Working = decltype(Filter::Base::source);
  Filter f(&host);
  f.source = Working::Packed(pixels.data(), w, h);
  f.destination = f.source;
  f.isa = isa;
  if (map != nullptr) f.strengthMap = RayStrengthMap::Of(*map);
  Configure(f, p);
  return f.Run(0, 1);
}

template <class Filter>
rayref::Input ReferenceInput(const std::vector<float>& pixels, int32_t w, int32_t h,
                             const Params& p) {
  rayref::Input in;
  in.width = w;
  in.height = h;
  in.alpha = Filter::Base::A;
  in.channels = Filter::Base::F;
  in.pixels.assign(pixels.begin(), pixels.end());
  in.zoomStart = p.zoomStart;
  in.strength = p.strength;
  in.holdout = p.holdout;
  in.ox = p.ox;
  in.oy = p.oy;
  in.invert = p.invert;
  return in;
}

inline double MaxDifference(const std::vector<float>& got, const std::vector<double>& want) {
  double worst = 0.0;
  for (size_t i = 0; i < want.size(); ++i) {
    worst = std::max(worst, std::fabs(double(got[i]) - want[i]));
  }
  return worst;
}

// Single-precision accumulation of a few dozen contributions per pixel against the double
// reference: a few units in the sixth decimal at most.
constexpr double kAccumulationTolerance = 2e-5;

// The instruction sets this processor runs the step loops with.
inline std::vector<RayIsa> Isas() {
  if (RayBestIsa() == kRayIsaBaseline) return {kRayIsaBaseline};
  return {kRayIsaBaseline, RayBestIsa()};
}

// Filter output against the reference for one case, with an optional strength map, with every
// instruction set the processor has.
template <class Filter>
void ExpectMatchesReference(int32_t w, int32_t h, const Params& p, uint32_t seed, bool aberration,
                            bool withMap = false, float lo = 0.0f, float hi = 1.0f) {
  using Mask = typename Filter::MapFormat;
  constexpr int F = Filter::Base::F;
  std::vector<float> pixels = Noise(size_t(w) * size_t(h) * F, seed, lo, hi);
  rayref::Input in = ReferenceInput<Filter>(pixels, w, h, p);
  in.aberration = aberration;
  StrengthMap<Mask> map(w, h, seed + 7);
  Mask view{};
  if (withMap) {
    view = map.View();
    in.map = map.Values();
  }
  const rayref::Output want = rayref::Run(in);
  for (const RayIsa isa : Isas()) {
    std::vector<float> image = pixels;
    TestHost host;
    ASSERT_EQ(RunInPlace<Filter>(host, image, w, h, p, &view, isa), host.NoError());
    EXPECT_EQ(host.LiveBlocks(), 0u);
    EXPECT_LE(MaxDifference(image, want.pixels), kAccumulationTolerance)
        << w << "x" << h << " origin (" << p.ox << ", " << p.oy << ") zoom " << p.zoomStart
        << " strength " << p.strength << " holdout " << p.holdout << " invert " << p.invert
        << " map " << withMap << " isa " << int(isa);
  }
}

// Origins that exercise every entry case of a w x h image: inside, on the border, beyond each
// side and each corner, and far away.
inline std::vector<std::pair<int32_t, int32_t>> Origins(int32_t w, int32_t h) {
  return {{w / 2, h / 3},   {0, 0},          {w - 1, h - 1},  {w / 3, 0},     {0, h / 2},
          {-4, h / 2},      {w / 2, -3},     {w + 2, h / 3},  {w / 3, h + 5}, {-3, -2},
          {w + 3, -5},      {w + 6, h + 1},  {-2, h + 4},     {-1, 1},        {w, h - 2},
          {-100000, h / 2}, {w / 2, 250000}, {-90000, -70000}};
}

}  // namespace rayharness
