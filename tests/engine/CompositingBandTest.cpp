// The compositing band: resampling, intensity, contrast, output curve, straight colour and the
// write, checked against a plain double-precision reference of each step. (Its cancel and
// allocation failures are the effect's, tested there.)
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "engine/CompositingBand.h"
#include "engine/LayoutDispatch.h"
#include "tests/engine/HostBuffers.h"
#include "tests/support/EngineTestHosts.h"

namespace {

using Grey16 = LayoutTag<uint16_t, 32768, 0, 1>;
using Rgb16 = LayoutTag<uint16_t, 32768, 0, 3>;
using Rgba16 = LayoutTag<uint16_t, 32768, 1, 3>;

// One step of the 16-bit output, from single-precision pixel values against this double
// reference (e.g. a product landing a hair below an integer).
constexpr int kOneStep = 1;

// Reference output curve, straight from its definition.
double Curve(double v, double gamma, bool linear) {
  const int32_t i = int32_t(std::trunc(std::clamp(v, 0.0, 1.0) * 32767.0));
  double e = std::pow(i / 32767.0, gamma);
  if (linear) e = e >= 0.018 ? 1.099 * std::pow(e, 0.45) - 0.099 : 4.5 * e;
  return e;
}

template <class Tag>
struct Fixture {
  using Sample = typename Tag::Host::SampleType;
  static constexpr int A = Tag::kAlpha;
  static constexpr int K = Tag::kColours;

  Fixture(int32_t w, int32_t h)
      : source(w, h, A + K),
        destination(w, h, A + K),
        floats(size_t(w) * h * (A + K)),
        band(&host, settings) {
    band.source = source.template MakeView<typename Tag::Host>(K);
    band.destination = destination.template MakeView<typename Tag::Host>(K);
    band.blurred = Tag::Working::Packed(floats.data(), w, h);
    band.progressIndex = 5;
    band.progressTotal = 6;
  }
  float& P(int32_t x, int32_t y, int c) {
    return floats[(size_t(y) * source.width + x) * (A + K) + c];
  }
  int Out(int32_t x, int32_t y, int s) const { return destination.Get(x, y, s); }
  int32_t Run(int32_t bands = 1) {
    int32_t status = host.NoError();
    for (int32_t b = 0; b < bands && status == host.NoError(); ++b)
      status = band.Process(b, bands, true);
    return status;
  }

  TestHost host;
  HostImage<Sample> source;
  HostImage<Sample> destination;
  std::vector<float> floats;
  QuenaraSettings settings;  // set by each test before Run
  CompositingBand<typename Tag::Host> band;
};

TEST(CompositingBand, IntensityContrastAndCurve) {
  Fixture<Rgb16> f(4, 1);
  const float values[4][3] = {
      {0.1f, 0.4f, 0.5f}, {0.6f, 0.7f, 0.05f}, {0.9f, 0.0f, 0.3f}, {0.35f, 0.55f, 0.2f}};
  for (int x = 0; x < 4; ++x)
    for (int k = 0; k < 3; ++k) f.P(x, 0, k) = values[x][k];
  for (bool linear : {false, true}) {
    f.settings.intensity = 1.5;
    f.settings.contrast = 0.5;
    f.settings.gammaExponent = 1.0 / 2.2;
    f.settings.linearLight = linear;
    f.settings.blendMode = 1;  // "normal" without alpha writes the blurred colour
    ASSERT_EQ(f.Run(), 0);
    for (int x = 0; x < 4; ++x) {
      for (int k = 0; k < 3; ++k) {
        const double v = values[x][k] * 1.5;
        const double c = v + 0.5 * (v - 0.5);  // 0.9 x 1.5 gives 1.675: clamped to the last entry
        const int expected = int(Curve(c, 1.0 / 2.2, linear) * 32768.0);
        EXPECT_NEAR(f.Out(x, 0, k), expected, kOneStep) << x << " " << k << " " << linear;
      }
    }
  }
}

TEST(CompositingBand, TableIndexIsTheTruncatedDoubleProductAtEveryStep) {
  // The single-precision index against trunc(clamp(v) x 32767) in double, for the floats
  // within 8 steps of every multiple of 1/32767, where a rounding slip would show.
  auto reference = [](float v) {
    return int32_t(std::trunc(std::clamp(double(v), 0.0, 1.0) * 32767.0));
  };
  for (int32_t k = 0; k <= 32767; ++k) {
    const uint32_t centre = std::bit_cast<uint32_t>(float(k / 32767.0));
    for (uint32_t bits = centre - std::min<uint32_t>(centre, 8); bits <= centre + 8; ++bits) {
      const float v = std::min(std::bit_cast<float>(bits), 1.0f);
      ASSERT_EQ(Level15(Clamp01(v)), reference(v)) << std::hexfloat << v;
    }
  }
  const float inf = std::numeric_limits<float>::infinity();
  for (float v : {-0.0f, -1e-30f, -0.5f, 1.0000001f, 1.5f, 7e30f, inf, -inf}) {
    EXPECT_EQ(Level15(Clamp01(v)), reference(v)) << v;
  }
  EXPECT_EQ(Level15(Clamp01(std::numeric_limits<float>::quiet_NaN())), 0);
}

// Wide rows cross the stretches in which levels become table indices, and both borders of
// every row are resampled with the pixel itself as neighbour. Replace mode writes the prepared
// blurred pixel, so every sample can be checked against a plain reference: resampling,
// clamping, the BT.709 curve and straight colour in double precision.
template <class Tag>
void CheckWideRowsAgainstReference() {
  constexpr int A = Tag::kAlpha;
  constexpr int K = Tag::kColours;
  constexpr int F = A + K;
  const double shifts[][2] = {{0.5, 0.5}, {-0.5, 0.25}, {0.25, -0.5}, {-0.25, -0.75}, {0.0, 0.0}};
  for (int32_t width : {1, 2, 97, 301}) {
    for (const auto& shift : shifts) {
      const int32_t height = 3;
      Fixture<Tag> f(width, height);
      // Levels on a 1/1024 grid (some below 0 and above 1) with quarter weights: the resampled
      // sums are exact in single precision too.
      std::mt19937 rng(uint32_t(width * 7 + int(shift[0] * 8) + 16));
      std::uniform_int_distribution<int> level(-100, 1228);
      for (float& v : f.floats) v = float(level(rng)) / 1024.0f;
      f.band.shiftX = shift[0];
      f.band.shiftY = shift[1];
      f.settings.linearLight = true;
      f.settings.blendMode = 23;
      ASSERT_EQ(f.Run(), 0);

      const int dx = shift[0] > 0 ? 1 : -1, dy = shift[1] > 0 ? 1 : -1;
      const double ax = 1 - std::fabs(shift[0]), ay = 1 - std::fabs(shift[1]);
      for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
          const int32_t xn = x + dx < 0 || x + dx >= width ? x : x + dx;
          const int32_t yn = y + dy < 0 || y + dy >= height ? y : y + dy;
          double px[F];
          for (int c = 0; c < F; ++c) {
            px[c] = ax * ay * f.P(x, y, c) + (1 - ax) * ay * f.P(xn, y, c) +
                    ax * (1 - ay) * f.P(x, yn, c) + (1 - ax) * (1 - ay) * f.P(xn, yn, c);
            px[c] = c < A ? std::clamp(px[c], 0.0, 1.0) : Curve(px[c], 1.0, true);
          }
          if constexpr (A == 1) {
            double m = 0.0;
            for (int k = 0; k < K; ++k) m = std::max(m, px[1 + k]);
            const double divisor = m > px[0] + 1e-6 ? m : px[0] + 1e-6;
            if (m > px[0] + 1e-6) px[0] = m;
            for (int k = 0; k < K; ++k) px[1 + k] /= divisor;
            ASSERT_NEAR(f.Out(x, y, K), int(px[0] * 32768.0), kOneStep)
                << "alpha at " << x << "," << y << " width " << width;
          }
          for (int k = 0; k < K; ++k) {
            ASSERT_NEAR(f.Out(x, y, k), int(px[A + k] * 32768.0), kOneStep)
                << "colour " << k << " at " << x << "," << y << " width " << width << " shift "
                << shift[0] << "," << shift[1];
          }
        }
      }
    }
  }
}

TEST(CompositingBand, WideRowsMatchAPlainReferenceInEveryShiftDirection) {
  CheckWideRowsAgainstReference<Grey16>();
  CheckWideRowsAgainstReference<Rgb16>();
  CheckWideRowsAgainstReference<Rgba16>();
}

}  // namespace
