// The PNG writer and the two readers against each other: every layout round-trips, and damaged
// files are refused.
#include <gtest/gtest.h>

#include <string>

#include "tests/tools/TestFiles.h"
#include "tools/PngImage.h"

namespace {

void ExpectSame(const PngImage& a, const PngImage& b) {
  EXPECT_EQ(a.width, b.width);
  EXPECT_EQ(a.height, b.height);
  EXPECT_EQ(a.channels, b.channels);
  EXPECT_EQ(a.bitDepth, b.bitDepth);
  EXPECT_EQ(a.samples, b.samples);
}

class PngLayouts : public ::testing::TestWithParam<PngLayout> {};

// What the writer writes, both readers (libpng where the build has it) read back unchanged:
// a small noisy image, and a smooth one large enough to be cut into several strips that are
// deflated apart and joined, at the level edges and the default.
TEST_P(PngLayouts, WriterRoundTripsEveryLayoutThroughBothReaders) {
  TempDir dir;
  const PngLayout l = GetParam();
  PngImage smooth = RandomPng(700, 230, l.channels, l.depth, 5u * l.channels + l.depth);
  const uint32_t top = l.depth == 8 ? 255 : 65535;
  for (uint32_t y = 0; y < smooth.height; ++y) {
    for (uint32_t x = 0; x < smooth.width; ++x) {
      for (int c = 0; c < l.channels; ++c) {
        uint16_t& v = smooth.At(x, y, c);
        v = uint16_t((x * 3 + y * 5 + uint32_t(c) * 40 + v % 4) * (top / 255) % (top + 1));
      }
    }
  }
  const PngImage noisy = RandomPng(13, 9, l.channels, l.depth, 7u * l.channels + l.depth);
  for (const PngImage* img : {&noisy, static_cast<const PngImage*>(&smooth)}) {
    for (int level : {0, kDefaultPngLevel, 9}) {
      std::string error;
      PngImage back;
      ASSERT_TRUE(WritePng(dir.Path("w.png"), *img, error, level)) << error;
      ASSERT_TRUE(ReadPngZlib(dir.Path("w.png"), back, error)) << error;
      ExpectSame(*img, back);
#if QUENARA_HAVE_LIBPNG
      ASSERT_TRUE(ReadPngLibpng(dir.Path("w.png"), back, error)) << error;
      ExpectSame(*img, back);
#endif
    }
  }
}

INSTANTIATE_TEST_SUITE_P(AllLayouts, PngLayouts, ::testing::ValuesIn(kPngLayouts));

TEST(PngCodec, BothReadersRefuseFilesThatAreNotUsablePngs) {
  TempDir dir;
  std::string error;
  ASSERT_TRUE(WritePng(dir.Path("good.png"), RandomPng(4, 4, 3, 8, 3), error));
  std::string bytes = ReadFileForTest(dir.Path("good.png"));
  WriteFileForTest(dir.Path("short.png"), bytes.substr(0, 40));
  bytes[bytes.size() - 20] ^= 0x10;  // a flipped bit in the image data fails the checksum
  WriteFileForTest(dir.Path("bad.png"), bytes);
  // (Missing, foreign and palette files: the end-to-end tests.)
  const std::pair<const char*, const char*> cases[] = {{"bad.png", "damaged"}, {"short.png", ""}};
  for (auto read : {&ReadPng, &ReadPngZlib}) {
    for (const auto& [file, text] : cases) {
      PngImage img;
      EXPECT_FALSE(read(dir.Path(file), img, error)) << file;
      EXPECT_NE(error.find(text), std::string::npos) << file << ": " << error;
    }
  }
}

}  // namespace
