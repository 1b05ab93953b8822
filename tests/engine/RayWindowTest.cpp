// The windows of both ray filters on hand-built rays, in cases worked out by hand. The filters'
// tests compare every window in place against the plain reference.
#include <gtest/gtest.h>

#include <vector>

#include "engine/RayBoxWindow.h"
#include "engine/RayFifthWindow.h"
#include "engine/RaySums.h"

namespace {

// One-channel ray buffers for n samples, with the running sums built by the window.
struct BoxRay {
  std::vector<double> samples;
  std::vector<double> signal, prefix;
  double* buffers[2];

  explicit BoxRay(std::vector<double> s) : samples(std::move(s)) {
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

TEST(RayWindow, WorkedExampleIsTheMeanOfSamples31To40) {
  // Strength 0.25 at step 40 of a ray from an inside origin along a row: len = 40 x 0.25 = 10;
  // zoom start 0.5 puts the window at [30, 40].
  const BoxRay ray(Values(100, 1));
  EXPECT_NEAR(ray.Window(40, 40 * 0.25, 0.5), ray.Mean(31, 40), 1e-12);
  EXPECT_NEAR(ray.Window(40, 10, -0.5), ray.Mean(41, 50), 1e-12);  // reaching outwards
  EXPECT_NEAR(ray.Window(40, 10, 0.0), ray.Mean(36, 45), 1e-12);   // centred
  // [2.5, 5] integrates half of sample 3 and all of samples 4, 5, over 2.5.
  EXPECT_NEAR(ray.Window(5, 2.5, 0.5),
              (0.5 * ray.samples[3] + ray.samples[4] + ray.samples[5]) / 2.5, 1e-12);
}

// Ray buffers of F channel planes each for the aberration window.
template <int F>
struct FifthRay {
  int32_t n;
  std::vector<std::vector<double>> storage;  // plane b x F + c
  double* buffers[5 * F];

  // samples[k][c].
  explicit FifthRay(const std::vector<std::vector<double>>& samples)
      : n(int32_t(samples.size())), storage(5 * F, std::vector<double>(samples.size() + 10)) {
    for (int32_t k = 0; k < n; ++k) {
      for (int c = 0; c < F; ++c) storage[size_t(c)][size_t(k + 2)] = samples[size_t(k)][size_t(c)];
    }
    for (int b = 0; b < 5 * F; ++b) buffers[b] = storage[size_t(b)].data();
    RayFifthWindow<0, F, false>::Build(buffers, n);
  }
  template <int A, int K, bool Invert>
  std::vector<double> Window(double k, double len, double zoom) const {
    std::vector<double> out(size_t(A + K));
    RayFifthWindow<A, K, Invert>{zoom}.Evaluate(buffers, k, len, n, out.data());
    return out;
  }
};

// Ones on samples [first, last] of every channel, zeros elsewhere.
std::vector<std::vector<double>> Block(int32_t n, int F, int32_t first, int32_t last) {
  std::vector<std::vector<double>> v(size_t(n), std::vector<double>(size_t(F), 0.0));
  for (int32_t k = first; k <= last; ++k) v[size_t(k)].assign(size_t(F), 1.0);
  return v;
}

TEST(AberrationWindow, InversionSwapsTheRedAndBlueEnds) {
  // n = 100, k = 50, len = 50, zoom 0.5: fifths [0,10] [10,20] [20,30] [30,40] [40,50].
  // Prefix reads of [p, q] cover samples p+1..q, suffix (rising) reads samples p..q-1.
  const FifthRay<3> start(Block(100, 3, 1, 10));  // ones exactly in the first fifth
  std::vector<double> v = start.Window<0, 3, false>(50, 50, 0.5);
  EXPECT_NEAR(v[0], 0.5 * 1.0 / 2, 1e-12);  // red: falling fifth 1 (mean 1)
  EXPECT_NEAR(v[1], 0.5 * (1.0 / 55) / 3,
              1e-12);                   // green: rising fifth 2 sees sample 10, weight 1 of 55
  EXPECT_NEAR(v[2], 1.0 / 2.5, 1e-12);  // blue: full fifth 1
  v = start.Window<0, 3, true>(50, 50, 0.5);
  EXPECT_NEAR(v[0], 1.0 / 2, 1e-12);  // red: full fifth 1
  EXPECT_NEAR(v[1], 0.5 * (54.0 / 55) / 3,
              1e-12);             // green: rising fifth 1, samples 1..9 weigh 2..10
  EXPECT_NEAR(v[2], 0.0, 1e-12);  // blue: nothing from fifth 1

  const FifthRay<3> end(Block(100, 3, 41, 50));  // ones exactly in the last fifth
  v = end.Window<0, 3, false>(50, 50, 0.5);
  EXPECT_NEAR(v[0], 1.0 / 2, 1e-12);  // red: full fifth 5
  EXPECT_NEAR(v[2], 0.0, 1e-12);
  v = end.Window<0, 3, true>(50, 50, 0.5);
  EXPECT_NEAR(v[0], 0.5 * (54.0 / 55) / 2, 1e-12);  // red: rising fifth 5, samples 41..49
  EXPECT_NEAR(v[2], 1.0 / 2.5, 1e-12);              // blue: full fifth 5
}

}  // namespace
