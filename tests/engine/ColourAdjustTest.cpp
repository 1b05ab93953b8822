// Hue rotation, saturation law and lightness, against values worked out by hand.
#include <gtest/gtest.h>

#include "engine/ColourAdjust.h"

namespace {

constexpr float kTolerance = 1e-6f;

struct Rgb3 {
  float r, g, b;
};

Rgb3 Adjust(double hue, double saturation, double lightness, Rgb3 c) {
  ColourAdjust(hue, saturation, lightness).Apply(c.r, c.g, c.b);
  return c;
}

TEST(ColourAdjust, HandWorkedColours) {
  const struct {
    double hue, saturation, lightness;
    Rgb3 in, out;
  } cases[] = {
      // Greys keep zero saturation.
      {0.0, 0.3, 0.0, {0.4f, 0.4f, 0.4f}, {0.4f, 0.4f, 0.4f}},
      {0.5, 1.0, 0.0, {0.7f, 0.7f, 0.7f}, {0.7f, 0.7f, 0.7f}},
      // (0.6, 0.4, 0.4): h = (g - b) / d = 0, so saturation is not raised.
      {0.0, 0.8, 0.0, {0.6f, 0.4f, 0.4f}, {0.6f, 0.4f, 0.4f}},
      // Blue (0.2, 0.2, 0.8): h 4, s 0.6, l 0.5, so m1 0.2, m2 0.8. +1 turns by 3 sextants:
      // 7 wraps to 1 (yellow).
      {1.0, 0.0, 0.0, {0.2f, 0.2f, 0.8f}, {0.8f, 0.8f, 0.2f}},
      // Green (h 2) turned by -3 sextants: -1 wraps to 5 (magenta).
      {-1.0, 0.0, 0.0, {0.2f, 0.8f, 0.2f}, {0.8f, 0.2f, 0.8f}},
      // A third of a turn (hue 2/3 -> 2 sextants): red to green.
      {2.0 / 3.0, 0.0, 0.0, {0.8f, 0.2f, 0.2f}, {0.2f, 0.8f, 0.2f}},
      // Lightness +1 is white, -1 black; halfway c + (1 - c) / 2 and c / 2.
      {0.0, 0.0, 1.0, {0.2f, 0.5f, 0.8f}, {1.0f, 1.0f, 1.0f}},
      {0.0, 0.0, -1.0, {0.2f, 0.5f, 0.8f}, {0.0f, 0.0f, 0.0f}},
      {0.0, 0.0, 0.5, {0.2f, 0.5f, 0.8f}, {0.6f, 0.75f, 0.9f}},
      {0.0, 0.0, -0.5, {0.2f, 0.5f, 0.8f}, {0.1f, 0.25f, 0.4f}},
      // (0.5, 0.45, 0.4): chroma 0.1, h 0.5, s 1/9, l 0.45.
      // sigma' = (1 - (1e-8)^0.1) x 0.5 = 0.420755; s' = 1/9 + (8/9) sigma' = 0.485116;
      // m2 = 0.45 x 1.485116 = 0.668302, m1 = 0.231698; r = f(2.5) = m2, g = f(0.5), b = m1.
      {0.0, 0.5, 0.0, {0.5f, 0.45f, 0.4f}, {0.668302136f, 0.45f, 0.231697864f}},
      // Full saturation raises fully: s' = 1, m2 = 0.9, m1 = 0; -1 leaves the lightness' grey.
      {0.0, 1.0, 0.0, {0.5f, 0.45f, 0.4f}, {0.9f, 0.45f, 0.0f}},
      {0.0, -1.0, 0.0, {0.5f, 0.45f, 0.4f}, {0.45f, 0.45f, 0.45f}},
  };
  for (const auto& c : cases) {
    const Rgb3 r = Adjust(c.hue, c.saturation, c.lightness, c.in);
    EXPECT_NEAR(r.r, c.out.r, kTolerance) << c.hue << " " << c.saturation << " " << c.lightness;
    EXPECT_NEAR(r.g, c.out.g, kTolerance) << c.hue << " " << c.saturation << " " << c.lightness;
    EXPECT_NEAR(r.b, c.out.b, kTolerance) << c.hue << " " << c.saturation << " " << c.lightness;
  }
}

}  // namespace
