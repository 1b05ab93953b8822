#include <gtest/gtest.h>

#include <vector>

#include "engine/RayBoxWindow.h"
#include "engine/RayFifthWindow.h"
#include "engine/RaySums.h"
#include "tests/engine/RayReference.h"

namespace {

// Ray buffers of F channel planes each for the aberration window.
template <int F>
struct Ray {
  int32_t n;
  std::vector<std::vector<double>> storage;  // plane b x F + c
  double* buffers[5 * F];

  // samples[k][c]; `stale` fills every slot from 2 on, as a longer earlier ray would leave it.
  explicit Ray(const std::vector<std::vector<double>>& samples, double stale = 0.0)
      : n(int32_t(samples.size())), storage(5 * F, std::vector<double>(samples.size() + 10)) {
    for (auto& b : storage) {
      for (size_t i = 2; i < b.size(); ++i) b[i] = stale;
    }
    for (int32_t k = 0; k < n; ++k) {
      for (int c = 0; c < F; ++c) storage[size_t(c)][size_t(k + 2)] = samples[size_t(k)][size_t(c)];
    }
    for (int b = 0; b < 5 * F; ++b) buffers[b] = storage[size_t(b)].data();
    RayFifthWindow<0, F, false>::Build(buffers, n);
  }
  double Sample(int32_t k, int c) const { return storage[size_t(c)][size_t(k + 2)]; }
  template <int A, int K, bool Invert>
  std::vector<double> Window(double k, double len, double zoom) const {
    std::vector<double> out(size_t(A + K));
    RayFifthWindow<A, K, Invert>{zoom}.Evaluate(buffers, k, len, n, out.data());
    return out;
  }
};

std::vector<std::vector<double>> Constant(int32_t n, int F, double v) {
  return std::vector<std::vector<double>>(size_t(n), std::vector<double>(size_t(F), v));
}

std::vector<std::vector<double>> Noise(int32_t n, int F, uint32_t seed) {
  auto v = Constant(n, F, 0.0);
  uint32_t s = seed;
  for (auto& row : v) {
    for (double& x : row) {
      s = s * 1664525u + 1013904223u;
      x = double(s >> 8) / double(1u << 24);
    }
  }
  return v;
}

// The averages of one grey fifth [p, q]: sum over weights, as the window reads them.
double Box(const Ray<1>& ray, double p, double q) {
  const RayBoxSum<1> box = RayBoxSum<1>::Of(p, q, SpotAt<1>(p), SpotAt<1>(q));
  return box.Read(ray.buffers, 0) / box.weights;
}
double Falling(const Ray<1>& ray, double p, double q) {
  const RayFallingSum<1> ramp =
      RayFallingSum<1>::Of(RayRampShape::Of(p, q), SpotAt<1>(p), SpotAt<1>(q));
  return ramp.Read(ray.buffers, 0) / ramp.weights;
}
double Rising(const Ray<1>& ray, double p, double q) {
  const RayRisingSum<1> ramp =
      RayRisingSum<1>::Of(RayRampShape::Of(p, q), SpotAt<1>(p), SpotAt<1>(q));
  return ramp.Read(ray.buffers, 0) / ramp.weights;
}

// Ones on samples [first, last] of every channel, zeros elsewhere.
std::vector<std::vector<double>> Block(int32_t n, int F, int32_t first, int32_t last) {
  auto v = Constant(n, F, 0.0);
  for (int32_t k = first; k <= last; ++k) v[size_t(k)].assign(size_t(F), 1.0);
  return v;
}

TEST(AberrationWindow, ZeroLengthReturnsTheSampleInEveryChannel) {
  // Every fifth is the ray signal at the window's end; the weight sums over the divisors are
  // 1 (red (0.5 + 0.5 + 1) / 2, green 3 / 3, blue 2.5 / 2.5).
  const Ray<4> ray(Noise(25, 4, 9));
  for (int32_t k = 0; k < ray.n; ++k) {
    for (double zoom : {-0.5, 0.0, 0.5}) {
      const std::vector<double> plain = ray.Window<1, 3, false>(k, 0.0, zoom);
      const std::vector<double> inverted = ray.Window<1, 3, true>(k, 0.0, zoom);
      for (int c = 0; c < 4; ++c) {
        EXPECT_NEAR(plain[size_t(c)], ray.Sample(k, c), 1e-12) << k;
        EXPECT_NEAR(inverted[size_t(c)], ray.Sample(k, c), 1e-12) << k;
      }
    }
  }
}

TEST(AberrationWindow, InversionSwapsTheRedAndBlueEnds) {
  // n = 100, k = 50, len = 50, zoom 0.5: fifths [0,10] [10,20] [20,30] [30,40] [40,50].
  // Prefix reads of [p, q] cover samples p+1..q, suffix (rising) reads samples p..q-1.
  const Ray<3> start(Block(100, 3, 1, 10));  // ones exactly in the first fifth
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

  const Ray<3> end(Block(100, 3, 41, 50));  // ones exactly in the last fifth
  v = end.Window<0, 3, false>(50, 50, 0.5);
  EXPECT_NEAR(v[0], 1.0 / 2, 1e-12);  // red: full fifth 5
  EXPECT_NEAR(v[2], 0.0, 1e-12);
  v = end.Window<0, 3, true>(50, 50, 0.5);
  EXPECT_NEAR(v[0], 0.5 * (54.0 / 55) / 2, 1e-12);  // red: rising fifth 5, samples 41..49
  EXPECT_NEAR(v[2], 1.0 / 2.5, 1e-12);              // blue: full fifth 5
}

TEST(AberrationWindow, GreyTakesTheRedProfile) {
  const Ray<3> start(Block(100, 3, 1, 10));
  const Ray<1> grey(Block(100, 1, 1, 10));
  EXPECT_NEAR((grey.Window<0, 1, false>(50, 50, 0.5)[0]), 0.25, 1e-12);
  EXPECT_NEAR((grey.Window<0, 1, true>(50, 50, 0.5)[0]), 0.5, 1e-12);
  // Nothing from the middle: ones on samples 12..28 touch only fifths 2 and 3.
  const Ray<1> middle(Block(100, 1, 12, 28));
  EXPECT_NEAR((middle.Window<0, 1, false>(50, 50, 0.5)[0]), 0.0, 1e-12);
  // Same as the red channel of a colour image, for any window.
  const Ray<3> colour(Noise(60, 3, 4));
  std::vector<std::vector<double>> redOnly;
  for (size_t k = 0; k < 60; ++k) redOnly.push_back({colour.Sample(int32_t(k), 0)});
  const Ray<1> red(redOnly);
  for (double len : {3.0, 17.5, 80.0}) {
    EXPECT_NEAR((red.Window<0, 1, false>(30, len, 0.2)[0]),
                (colour.Window<0, 3, false>(30, len, 0.2)[0]), 1e-12);
  }
}

TEST(AberrationWindow, OnlyTheLastFifthInsideTheRay) {
  // k = 2, len = 10, zoom 0.5: boundaries -8, -6, -4, -2, 0, 2; fifths 1..4 have fraction 0.
  const Ray<4> ray(Constant(100, 4, 0.6));
  const std::vector<double> v = ray.Window<1, 3, false>(2, 10, 0.5);
  EXPECT_NEAR(v[0], 0.6, 1e-12);            // alpha: plain average of [0, 2]
  EXPECT_NEAR(v[1], 0.6 / 2, 1e-12);        // red keeps 1/2 of the fifth
  EXPECT_NEAR(v[2], 0.5 * 0.6 / 3, 1e-12);  // green 0.5/3
  EXPECT_NEAR(v[3], 0.0, 1e-12);            // blue nothing
}

TEST(AberrationWindow, AlphaDividesByTheClampedLength) {
  // n = 30, k = 29, len = 40, zoom 0.5: [-11, 29] clamps to [0, 29]. Alpha stays 0.8 where the
  // plain ray blur fades to 0.8 x 29 / 40.
  const Ray<2> ray(Constant(30, 2, 0.8));
  EXPECT_NEAR((ray.Window<1, 1, false>(29, 40, 0.5)[0]), 0.8, 1e-12);
  std::vector<double> signal(36, 0.8), prefix(36, 0.0);
  double* boxBuffers[2] = {signal.data(), prefix.data()};
  RayBoxWindow<1>::Build(boxBuffers, 30);
  double box = 0.0;
  RayBoxWindow<1>{0.5}.Evaluate(boxBuffers, 29, 40, 30, &box);
  EXPECT_NEAR(box, 0.8 * 29 / 40, 1e-12);
}

TEST(AberrationWindow, RampsEqualDirectWeightedSums) {
  const auto samples = Noise(40, 1, 5);
  const Ray<1> ray(samples);
  auto s = [&](int32_t j) { return samples[size_t(j)][0]; };
  for (int32_t p = 0; p < 39; ++p) {
    for (int32_t q = p + 1; q < 40; ++q) {
      const int32_t m = q - p;
      double rising = 0, falling = 0, box = 0;
      for (int32_t j = p; j < q; ++j) rising += (j - p + 1) * s(j);  // one step earlier
      for (int32_t j = p + 1; j <= q; ++j) falling += (q - j + 1) * s(j);
      for (int32_t j = p + 1; j <= q; ++j) box += s(j);
      const double tri = m * (m + 1) / 2.0;
      EXPECT_NEAR(Rising(ray, p, q), rising / tri, 1e-12) << p << " " << q;
      EXPECT_NEAR(Falling(ray, p, q), falling / tri, 1e-12) << p << " " << q;
      EXPECT_NEAR(Box(ray, p, q), box / m, 1e-12);
    }
  }
  // Fifths shorter than a step: falling widens at the start, rising at the end.
  EXPECT_NEAR(Falling(ray, 3.2, 3.6), 0.4 * s(3) + 0.6 * s(4), 1e-12);
  EXPECT_NEAR(Rising(ray, 3.2, 3.6), 0.8 * s(3) + 0.2 * s(4), 1e-12);
  // Fractional ends against the integrals of the step signal.
  rayref::Signal sig;
  for (const auto& v : samples) sig.samples.push_back(v);
  for (double p : {0.0, 0.3, 2.75, 10.5}) {
    for (double width : {1.0, 1.4, 2.0, 3.6, 7.25, 20.9}) {
      const double q = std::min(p + width, 39.0);
      EXPECT_NEAR(Rising(ray, p, q), rayref::FifthRising(sig, p, q, 0), 1e-12) << p << " " << q;
      EXPECT_NEAR(Falling(ray, p, q), rayref::FifthFalling(sig, p, q, 0), 1e-12) << p << " " << q;
    }
  }
}

TEST(AberrationWindow, WholeWindowsMatchTheReferenceForEveryProfile) {
  const auto samples = Noise(33, 4, 6);
  const Ray<4> ray(samples);
  rayref::Signal sig;
  for (const auto& v : samples) sig.samples.push_back(v);
  for (double k : {0.0, 4.0, 16.0, 32.0}) {
    for (double len : {0.0, 0.6, 2.5, 7.0, 12.3, 60.0}) {
      for (double zoom : {-0.5, -0.1, 0.0, 0.35, 0.5}) {
        for (bool invert : {false, true}) {
          double want[4];
          rayref::FifthWindow(sig, k, len, zoom, invert, 1, 4, want);
          const std::vector<double> got =
              invert ? ray.Window<1, 3, true>(k, len, zoom) : ray.Window<1, 3, false>(k, len, zoom);
          for (int c = 0; c < 4; ++c) {
            EXPECT_NEAR(got[size_t(c)], want[c], 1e-12)
                << "k " << k << " len " << len << " zoom " << zoom << " invert " << invert;
          }
        }
      }
    }
  }
}

TEST(AberrationWindow, SumsOfALongerEarlierRayDoNotLeakIntoAShorterOne) {
  // Every slot from 2 on still holds a large value from an earlier, longer ray.
  const auto samples = Noise(12, 3, 7);
  const Ray<3> fresh(samples);
  const Ray<3> reused(samples, 1e9);
  for (double k = 0; k < 12; ++k) {
    for (double len : {0.0, 3.0, 9.5, 30.0}) {
      for (double zoom : {-0.5, 0.0, 0.5}) {
        EXPECT_EQ((fresh.Window<0, 3, false>(k, len, zoom)),
                  (reused.Window<0, 3, false>(k, len, zoom)));
        EXPECT_EQ((fresh.Window<0, 3, true>(k, len, zoom)),
                  (reused.Window<0, 3, true>(k, len, zoom)));
      }
    }
  }
}

}  // namespace
