#include <gtest/gtest.h>

#include <vector>

#include "engine/RayBoxWindow.h"
#include "engine/RaySums.h"
#include "tests/engine/RayReference.h"

namespace {

// One-channel ray buffers for n samples, with the running sums built by the window.
struct Ray {
  std::vector<double> samples;
  std::vector<double> signal, prefix;
  double* buffers[2];

  explicit Ray(std::vector<double> s) : samples(std::move(s)) {
    const int32_t n = int32_t(samples.size());
    signal.assign(size_t(n) + 6, 0.0);
    prefix.assign(size_t(n) + 6, 0.0);
    for (int32_t k = 0; k < n; ++k) signal[size_t(k) + 2] = samples[size_t(k)];
    buffers[0] = signal.data();
    buffers[1] = prefix.data();
    RayBoxWindow<1>::Build(buffers, n);
  }
  int32_t n() const { return int32_t(samples.size()); }
  double Window(double k, double len, double zoom) const {
    double out;
    RayBoxWindow<1>{zoom}.Evaluate(buffers, k, len, n(), &out);
    return out;
  }
  double Mean(int32_t first, int32_t last) const {  // samples first..last, summed directly
    double sum = 0.0;
    for (int32_t i = first; i <= last; ++i) sum += samples[size_t(i)];
    return sum / (last - first + 1);
  }
};

std::vector<double> Values(int32_t n, uint32_t seed) {
  std::vector<double> v(static_cast<size_t>(n));
  uint32_t s = seed;
  for (double& x : v) {
    s = s * 1664525u + 1013904223u;
    x = double(s >> 8) / double(1u << 24);
  }
  return v;
}

TEST(RayWindow, GuardSlotsRepeatTheEndSamples) {
  const Ray ray({0.25, 0.5, 0.75});
  EXPECT_EQ(ray.signal[0], 0.25);
  EXPECT_EQ(ray.signal[1], 0.25);
  EXPECT_EQ(ray.signal[5], 0.75);
  EXPECT_EQ(ray.signal[6], 0.75);
  EXPECT_EQ(ray.prefix[0], 0.0);
  EXPECT_EQ(ray.prefix[1], 0.0);
  EXPECT_EQ(ray.prefix[2], 0.25);
  EXPECT_EQ(ray.prefix[6], 0.25 + 0.5 + 0.75 + 0.75 + 0.75);
}

TEST(RayWindow, WorkedExampleIsTheMeanOfSamples31To40) {
  // Strength 0.25 at step 40 of a ray from an inside origin along a row: len = 40 x 0.25 = 10;
  // zoom start 0.5 puts the window at [30, 40].
  const Ray ray(Values(100, 1));
  EXPECT_NEAR(ray.Window(40, 40 * 0.25, 0.5), ray.Mean(31, 40), 1e-12);
  EXPECT_NEAR(ray.Window(40, 10, -0.5), ray.Mean(41, 50), 1e-12);  // reaching outwards
  EXPECT_NEAR(ray.Window(40, 10, 0.0), ray.Mean(36, 45), 1e-12);   // centred
}

TEST(RayWindow, ZeroLengthTakesTheSampleItself) {
  const Ray ray(Values(20, 2));
  for (int32_t k = 0; k < ray.n(); ++k) {
    for (double zoom : {-0.5, 0.0, 0.5}) {
      EXPECT_NEAR(ray.Window(k, 0.0, zoom), ray.samples[size_t(k)], 1e-12) << k;
    }
  }
  // Shorter than a step: widened to the step ending at b, i.e. interpolated at b.
  EXPECT_NEAR(ray.Window(5, 0.5, 0.5), ray.samples[5], 1e-12);
  EXPECT_NEAR(ray.Window(5, 0.5, -0.5), 0.5 * ray.samples[5] + 0.5 * ray.samples[6], 1e-12);
}

TEST(RayWindow, WindowsBeyondTheRayAreClampedAndFade) {
  // n = 20, k = 10, len = 40 centred: [-10, 30] clamps to [0, 19], integrating samples 1..19,
  // and is divided by the full length 40.
  const Ray ray(Values(20, 3));
  EXPECT_NEAR(ray.Window(10, 40, 0.0), ray.Mean(1, 19) * 19 / 40, 1e-12);
  // Reaching past the end from the last step: [19, 29] clamps to [19, 19], widened to
  // [18, 19]: sample 19 over 10.
  EXPECT_NEAR(ray.Window(19, 10, -0.5), ray.samples[19] / 10, 1e-12);
  // Reaching back from the first step: [-10, 0] clamps to [0, 0], widened to [-1, 0]: sample 0
  // over 10.
  EXPECT_NEAR(ray.Window(0, 10, 0.5), ray.samples[0] / 10, 1e-12);
}

TEST(RayWindow, FractionalWindowsIntegrateTheStepSignal) {
  const Ray ray(Values(30, 4));
  rayref::Signal sig;
  for (double s : ray.samples) sig.samples.push_back({s});
  for (double k : {0.0, 3.0, 11.0, 17.0, 29.0}) {
    for (double len : {0.3, 1.0, 1.7, 6.25, 13.9, 45.5}) {
      for (double zoom : {-0.5, -0.3, 0.0, 0.2, 0.5}) {
        EXPECT_NEAR(ray.Window(k, len, zoom), rayref::BoxWindow(sig, k, len, zoom, 0), 1e-12)
            << k << " " << len << " " << zoom;
      }
    }
  }
  // By hand: [2.5, 5] integrates half of sample 3 and all of samples 4, 5, over 2.5.
  EXPECT_NEAR(ray.Window(5, 2.5, 0.5),
              (0.5 * ray.samples[3] + ray.samples[4] + ray.samples[5]) / 2.5, 1e-12);
}

TEST(RayWindow, ValuesAreClampedToTheUnitRange) {
  const Ray bright({2.0, 2.0, 2.0, 2.0});
  EXPECT_EQ(bright.Window(2, 2, 0.5), 1.0);
  const Ray dark({-1.0, -1.0, -1.0});
  EXPECT_EQ(dark.Window(1, 1, 0.5), 0.0);
}

}  // namespace
