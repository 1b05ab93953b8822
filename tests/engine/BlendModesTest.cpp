// Every blend mode on chosen pixel pairs, with and without alpha. Expected values are worked
// out from the mode formulas by hand (the arithmetic is in the comments) or in double precision
// outside this code base; the code computes in single precision, hence the tolerance.
#include <gtest/gtest.h>

#include <vector>

#include "engine/BlendModes.h"

namespace {

constexpr float kTolerance = 2e-6f;  // a few single-precision steps at 1.0

template <int A, int K>
BlendPixel<A, K> Blend(int mode, BlendPixel<A, K> d, const BlendPixel<A, K>& s) {
  WithBlendMode<A, K>(mode, [&](auto tag) {
    decltype(tag)::kBlend(d, s);
    return 0;
  });
  return d;
}

struct Expected3 {
  int mode;
  float c[3];
  float alpha;  // ignored without alpha
};

// Source d = (0.2, 0.5, 0.8), blurred s = (0.6, 0.3, 0.9).
// Y(d) = 0.2927 x 0.2 + 0.5521 x 0.5 + 0.1552 x 0.8 = 0.45874; Y(s) = 0.48090.
// HSL(d) = (h 3.5, s 0.6, l 0.5); HSL(s) = (h 4.5, s 0.75, l 0.6).
const std::vector<Expected3> kPlainRgb = {
    {1, {0.6f, 0.3f, 0.9f}, 0},
    {2, {0.56f, 0.32f, 0.89f}, 0},  // m = 0.9: s x 0.9 + d x 0.1
    {3, {0.68f, 0.65f, 0.98f}, 0},  // s + (1 - s) d
    {4, {0.24f, 0.3f, 0.96f}, 0},   // 2ds | 1 - 2(1-d)(1-s) from d = 0.5 on
    {5, {0.8f, 0.8f, 1.0f}, 0},
    {6, {0.0f, 0.2f, 0.0f}, 0},
    {7, {0.12f, 0.15f, 0.72f}, 0},
    {8, {0.333277787f, 1.0f, 0.888790134f}, 0},  // d / (s + 0.0001), capped at 1
    {9, {0.4f, 0.2f, 0.1f}, 0},
    {10, {0.56f, 0.5f, 0.26f}, 0},  // 0.2 x 0.4 + 0.8 x 0.6 ...
    {11, {0.6f, 0.5f, 0.9f}, 0},
    {12, {0.2f, 0.3f, 0.8f}, 0},
    {13, {0.6f, 0.3f, 0.9f}, 0},      // Y(s) > Y(d): the blurred pixel
    {14, {0.2f, 0.5f, 0.8f}, 0},      // Y(s) not below Y(d): unchanged
    {15, {0.5f, 0.2f, 0.8f}, 0},      // HSL(4.5, 0.6, 0.5): m1 0.2, m2 0.8
    {16, {0.125f, 0.5f, 0.875f}, 0},  // HSL(3.5, 0.75, 0.5): m1 0.125, m2 0.875
    {17, {0.5f, 0.125f, 0.875f}, 0},  // HSL(4.5, 0.75, 0.5)
    {18, {0.6f, 0.36f, 0.84f}, 0},    // HSL(4.5, 0.6, 0.6): m2 = 0.6 + 0.6 - 0.36
    {19, {0.2f, 0.5f, 0.8f}, 0},
    {20, {0.2f, 0.5f, 0.8f}, 0},
    {21, {0.2f, 0.5f, 0.8f}, 0},
    {22, {0.2f, 0.5f, 0.8f}, 0},
    {23, {0.6f, 0.3f, 0.9f}, 0},
    {0, {0.6f, 0.3f, 0.9f}, 0},  // outside 1..22: replace
    {24, {0.6f, 0.3f, 0.9f}, 0},
};

TEST(BlendModes, EveryModeWithoutAlphaOnRgb) {
  const BlendPixel<0, 3> d{1.0f, {0.2f, 0.5f, 0.8f}};
  const BlendPixel<0, 3> s{1.0f, {0.6f, 0.3f, 0.9f}};
  for (const Expected3& e : kPlainRgb) {
    const auto r = Blend<0, 3>(e.mode, d, s);
    for (int k = 0; k < 3; ++k)
      EXPECT_NEAR(r.c[k], e.c[k], kTolerance) << "mode " << e.mode << " k " << k;
  }
}

// Source a = 0.5 (D = 0.1, 0.25, 0.4), blurred b = 0.4 (S = 0.24, 0.12, 0.36). Finishing:
// M = max X; M > alpha + 1e-6 raises the alpha to M, else colours are X / (alpha + 1e-6).
const std::vector<Expected3> kAlphaRgb = {
    // alpha' = 0.5 x 0.6 + 0.4 = 0.7; (D x 0.6 + S) / 0.7
    {1, {0.428571429f, 0.385714286f, 0.857142857f}, 0.7f},
    // m = 0.4 x 0.9 = 0.36; X = S m + D (1 - m) = (0.1504, 0.2032, 0.3856) below 0.5
    {2, {0.300799398f, 0.406399187f, 0.771198458f}, 0.5f},
    // X = (0.316, 0.34, 0.616): 0.616 raises the alpha
    {3, {0.512987013f, 0.551948052f, 1.0f}, 0.616f},
    {4, {0.322033898f, 0.381355932f, 1.0f}, 0.708f},
    {5, {0.447368421f, 0.486842105f, 1.0f}, 0.76f},         // X = D + S = (0.34, 0.37, 0.76)
    {6, {0.0f, 0.26f, 0.08f}, 0.5f},                        // X = (0, 0.13, 0.04) / 0.5
    {7, {0.291428155f, 0.342856653f, 0.805713135f}, 0.7f},  // against 0.5 + 0.4 x 0.5
    {8, {0.260542956f, 1.0f, 0.840291838f}, 0.55f},
    {9, {0.28f, 0.26f, 0.08f}, 0.5f},
    {10, {0.583998832f, 0.61999876f, 0.943998112f}, 0.5f},
    {11, {0.48f, 0.5f, 0.8f}, 0.5f},
    {12, {0.2f, 0.396f, 0.768f}, 0.5f},
    {13, {0.2f, 0.5f, 0.8f}, 0.5f},  // b Y(s) = 0.192 < a Y(d) = 0.229: unchanged
    // b Y(s) < a Y(d): X = d (1 - b) + b S = (0.216, 0.348, 0.624), against b = 0.4
    {14, {0.346153846f, 0.557692308f, 1.0f}, 0.624f},
    {15, {0.399999429f, 0.357142347f, 0.828570245f}, 0.7f},
    {16, {0.328570959f, 0.44285651f, 0.814284551f}, 0.7f},
    {17, {0.399999429f, 0.371428041f, 0.814284551f}, 0.7f},
    {18, {0.394285151f, 0.354856636f, 0.819427401f}, 0.7f},
    {19, {0.2f, 0.5f, 0.8f}, 0.692361551f},  // a + b Y(s)
    {20, {0.2f, 0.5f, 0.8f}, 0.307638449f},
    {21, {0.2f, 0.5f, 0.8f}, 0.0961807753f},
    {22, {0.2f, 0.5f, 0.8f}, 0.192361551f},
    {23, {0.6f, 0.3f, 0.9f}, 0.4f},
};

TEST(BlendModes, EveryModeWithAlphaOnRgb) {
  const BlendPixel<1, 3> d{0.5f, {0.2f, 0.5f, 0.8f}};
  const BlendPixel<1, 3> s{0.4f, {0.6f, 0.3f, 0.9f}};
  for (const Expected3& e : kAlphaRgb) {
    const auto r = Blend<1, 3>(e.mode, d, s);
    for (int k = 0; k < 3; ++k)
      EXPECT_NEAR(r.c[k], e.c[k], kTolerance) << "mode " << e.mode << " k " << k;
    EXPECT_NEAR(r.alpha, e.alpha, kTolerance) << "mode " << e.mode;
  }
}

TEST(BlendModes, GreyWithoutAndWithAlpha) {
  // d = 0.3, s = 0.7; Y is the grey value itself.
  const float plain[24] = {
      0,     0.7f, 0.58f, 0.79f, 0.42f, 1.0f, 0.0f, 0.21f, 0.428510213f, 0.4f,
      0.58f, 0.7f, 0.3f,  0.7f,  0.3f,  0.3f, 0.3f, 0.3f,  0.3f,  // 15..18 need three colours
      0.3f,  0.3f, 0.3f,  0.3f,  0.7f};
  for (int mode = 1; mode <= 23; ++mode) {
    const auto r =
        Blend<0, 1>(mode, BlendPixel<0, 1>{1.0f, {0.3f}}, BlendPixel<0, 1>{1.0f, {0.7f}});
    EXPECT_NEAR(r.c[0], plain[mode], kTolerance) << "mode " << mode;
  }
  // a = 0.8 (D = 0.24), b = 0.5 (S = 0.35), Y(s) = 0.7.
  struct {
    int mode;
    float c, alpha;
  } const withAlpha[] = {
      {1, 0.522222222f, 0.9f},   // (0.24 x 0.5 + 0.35) / 0.9
      {5, 0.737499078f, 0.8f},   // 0.59 / (0.8 + 1e-6)
      {7, 0.304444106f, 0.9f},   // (0.12 + 0.084 + 0.07) / (0.9 + 1e-6)
      {13, 0.437499453f, 0.8f},  // 0.35 > 0.24: X = S = 0.35
      {14, 0.3f, 0.8f},          // unchanged
      {15, 0.3f, 0.8f},          // unchanged with one colour
      {19, 0.3f, 1.0f},          // 0.8 + 0.35 clamped
      {20, 0.3f, 0.45f},        {21, 0.3f, 0.28f}, {22, 0.3f, 0.35f}, {23, 0.7f, 0.5f},
  };
  for (const auto& e : withAlpha) {
    const auto r =
        Blend<1, 1>(e.mode, BlendPixel<1, 1>{0.8f, {0.3f}}, BlendPixel<1, 1>{0.5f, {0.7f}});
    EXPECT_NEAR(r.c[0], e.c, kTolerance) << "mode " << e.mode;
    EXPECT_NEAR(r.alpha, e.alpha, kTolerance) << "mode " << e.mode;
  }
}

TEST(BlendModes, TwoChannelLuminanceWeighsBothHalves) {
  // Y(d) = (0.9 + 0.3) / 2 = 0.6, Y(s) = 0.55: minimum takes s, maximum keeps d. Weights taken
  // from the RGB set (0.29, 0.55) would order them the other way.
  const BlendPixel<0, 2> d{1.0f, {0.9f, 0.3f}};
  const BlendPixel<0, 2> s{1.0f, {0.5f, 0.6f}};
  auto blend = [&](int mode) {
    const auto r = Blend<0, 2>(mode, d, s);
    return std::vector<float>{r.c[0], r.c[1]};
  };
  EXPECT_EQ(blend(13), (std::vector<float>{0.9f, 0.3f}));
  EXPECT_EQ(blend(14), (std::vector<float>{0.5f, 0.6f}));
  EXPECT_EQ(blend(16), (std::vector<float>{0.9f, 0.3f}));  // HSL modes leave two channels alone
}

// The finishing step with alpha, where its branches part.
TEST(BlendModes, FinishingWithAlphaRaisesDividesAndClamps) {
  struct {
    int mode;
    BlendPixel<1, 3> d, s;
    float alpha, c[3];
  } const cases[] = {
      // a = 0.4, b = 0.9: b Y(s) = 0.433 > a Y(d) = 0.183; X = S = (0.54, 0.27, 0.81) > 0.4:
      // the alpha rises to 0.81, the brightest channel is divided by itself.
      {13, {0.4f, {0.2f, 0.5f, 0.8f}}, {0.9f, {0.6f, 0.3f, 0.9f}}, 0.81f, {2.0f / 3, 1.0f / 3, 1}},
      // a = 0.9, b = 0.3: b Y(s) = 0.06 < a Y(d) = 0.45; X = 0.5 x 0.7 + 0.3 x 0.06 = 0.368 lies
      // above b, so the alpha becomes 0.368 and every colour 1 (against a it would stay 0.9).
      {14, {0.9f, {0.5f, 0.5f, 0.5f}}, {0.3f, {0.2f, 0.2f, 0.2f}}, 0.368f, {1, 1, 1}},
      // Two transparent pixels: transparent black.
      {1, {0.0f, {0.2f, 0.5f, 0.8f}}, {0.0f, {0.6f, 0.3f, 0.9f}}, 0.0f, {0, 0, 0}},
      // White at a = 0.5 under opaque red, "color": B = HSL(0, 1, 0.5) = red;
      // X = D x 0 + 1 x B + 0.5 x S = (1.5, 0, 0) raises the alpha to 1.5 before the clamp.
      {17, {0.5f, {1, 1, 1}}, {1.0f, {1, 0, 0}}, 1.0f, {1, 0, 0}},
  };
  for (const auto& e : cases) {
    const auto r = Blend<1, 3>(e.mode, e.d, e.s);
    EXPECT_NEAR(r.alpha, e.alpha, kTolerance) << "mode " << e.mode;
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(r.c[k], e.c[k], kTolerance) << "mode " << e.mode;
  }
  for (int mode : {15, 16, 18}) {  // the other HSL modes of the same pair stay in range too
    const auto r = Blend<1, 3>(mode, cases[3].d, cases[3].s);
    EXPECT_LE(r.alpha, 1.0f) << mode;
    for (float c : r.c) EXPECT_LE(c, 1.0f) << mode;
  }
}

}  // namespace
