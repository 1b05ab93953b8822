#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "engine/DynamicRgbA.h"
#include "engine/SampleConvert.h"
#include "engine/StaticArgb.h"
#include "tests/engine/HostBuffers.h"

using Grey8 = DynamicRgbA<0, uint8_t, 0, 1, 0, 255>;
using Rgba16 = DynamicRgbA<0, uint16_t, 1, 3, 0, 32768>;
using WorkRgba = StaticArgb<char, float, 1, 3, 0, 1>;
using AccuRgba = StaticArgb<char, float, 1, 3, 1, 1>;

TEST(SampleConvert, SixteenBitFullScaleIsExactlyOneAndBack) {
  EXPECT_EQ(SampleToFloat<32768>(uint16_t(32768)), 1.0f);
  EXPECT_EQ((FloatToSample<32768, uint16_t>(1.0)), 32768);
  EXPECT_EQ(SampleToFloat<32768>(uint16_t(16384)), 0.5f);
  EXPECT_EQ(SampleToFloat<255>(uint8_t(255)), 1.0f);
  EXPECT_EQ((FloatToSample<255, uint8_t>(1.0)), 255);
}

TEST(SampleConvert, FloatToSampleTruncatesInsteadOfRounding) {
  EXPECT_EQ((FloatToSample<255, uint8_t>(0.999)), 254);  // 254.745
  EXPECT_EQ((FloatToSample<255, uint8_t>(0.5)), 127);    // 127.5
  EXPECT_EQ((FloatToSample<32768, uint16_t>(0.5)), 16384);
  EXPECT_EQ((FloatToSample<32768, uint16_t>(0.99999)), 32767);  // 32767.67
  EXPECT_EQ((FloatToSample<255, uint8_t>(0.0)), 0);
}

TEST(SampleConvert, EveryEightBitSampleSurvivesTheRoundTripThroughFloat) {
  for (int s = 0; s <= 255; ++s) {
    const float f = SampleToFloat<255>(uint8_t(s));
    EXPECT_NEAR(double(f), s / 255.0, 1e-7) << s;
    ASSERT_EQ(int(FloatToSample<255, uint8_t>(f)), s) << s;
  }
}

TEST(SampleConvert, EverySixteenBitSampleSurvivesTheRoundTripThroughFloat) {
  for (int s = 0; s <= 32768; ++s) {
    const float f = SampleToFloat<32768>(uint16_t(s));
    ASSERT_EQ(double(f), std::ldexp(double(s), -15)) << s;  // exact: 15 bits of mantissa
    ASSERT_EQ(int(FloatToSample<32768, uint16_t>(f)), s) << s;
  }
}

TEST(ImageViews, DefaultViewsAreInvalidAndEmpty) {
  const Rgba16 d{};
  EXPECT_FALSE(d.valid);
  EXPECT_EQ(d.base, nullptr);
  EXPECT_EQ(d.cursor, nullptr);
  EXPECT_EQ(d.width | d.height | d.rowBytes | d.columnBytes | d.alphaOffset, 0);
  const AccuRgba s{};
  EXPECT_FALSE(s.valid);
  EXPECT_EQ(s.base, nullptr);
  EXPECT_EQ(s.width | s.height | s.rowBytes, 0);
  EXPECT_FALSE(WorkRgba::Packed(nullptr, 4, 4).valid);
}

TEST(ImageViews, SixteenBitAlphaAtOffsetThreeUsesBytesSixAndSeven) {
  HostImage<uint16_t> img(3, 2, 5);  // 10 bytes per pixel: a fifth plane after the alpha
  Rgba16 v = img.MakeView<Rgba16>(3);
  const std::vector<uint8_t> before = img.bytes;
  v.MoveTo(2, 1);
  v.Alpha() = 0x1234;
  const size_t pixel = img.Offset(2, 1, 0);
  for (size_t i = 0; i < img.bytes.size(); ++i) {
    if (i == pixel + 6 || i == pixel + 7) continue;
    ASSERT_EQ(img.bytes[i], before[i]) << "byte " << i;
  }
  EXPECT_EQ(img.Get(2, 1, 3), 0x1234);
  v.Colour(2) = 0x0BCD;
  EXPECT_EQ(img.Get(2, 1, 2), 0x0BCD);
  EXPECT_EQ(v.Alpha(), 0x1234);
}

TEST(ImageViews, DynamicViewAddressesWithHostStrides) {
  HostImage<uint8_t> img(4, 3, 2, 3);  // two planes per pixel, 3 padding bytes per row
  Grey8 v = img.MakeView<Grey8>();
  img.Set(3, 2, 0, 77);
  v.MoveTo(3, 2);
  EXPECT_EQ(v.cursor, img.bytes.data() + 2 * (4 * 2 + 3) + 3 * 2);
  EXPECT_EQ(v.Colour(0), 77);
}

TEST(ImageViews, StaticViewOrdersAlphaColoursWeight) {
  std::vector<float> mem(5 * 2 * 3);
  AccuRgba v = AccuRgba::Packed(mem.data(), 2, 3);
  EXPECT_EQ(v.rowBytes, 2 * 5 * 4);
  EXPECT_EQ(AccuRgba::kPixelBytes, 20);
  v.MoveTo(1, 2);
  v.Alpha() = 1.0f;
  v.Colour(0) = 2.0f;
  v.Colour(2) = 4.0f;
  v.Weight() = 5.0f;
  const size_t p = (2 * 2 + 1) * 5;
  EXPECT_EQ(mem[p + 0], 1.0f);
  EXPECT_EQ(mem[p + 1], 2.0f);
  EXPECT_EQ(mem[p + 3], 4.0f);
  EXPECT_EQ(mem[p + 4], 5.0f);
}

// The range selection skips judging open ranges because hue, saturation and lightness of
// converted samples stay within [0, 1]; that rests on no converted sample exceeding 1, with or
// without premultiplication by alpha.
TEST(SampleConvert, ConvertedSamplesNeverExceedOne) {
  const double r8 = 1.0 / (255.0 * 255.0);
  for (int s = 0; s <= 255; ++s) {
    ASSERT_LE(SampleToDouble<255>(uint8_t(s)), 1.0);
    for (int a = 0; a <= 255; ++a) ASSERT_LE(double(s) * double(a) * r8, 1.0) << s << "," << a;
  }
  EXPECT_EQ(SampleToDouble<255>(uint8_t(255)), 1.0);
  EXPECT_EQ(SampleToDouble<32768>(uint16_t(32768)), 1.0);
  EXPECT_EQ(32768.0 * 32768.0 * (1.0 / (32768.0 * 32768.0)), 1.0);
}
