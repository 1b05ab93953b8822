// The PNG writer and the two readers against each other: every layout round-trips. (Damaged,
// missing and foreign files: the end-to-end tests.)
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "tests/tools/TestFiles.h"
#include "tools/PngImage.h"

namespace {

void ExpectSame(const PngImage& a, const PngImage& b) {
  EXPECT_EQ(std::tie(a.width, a.height, a.channels, a.bitDepth),
            std::tie(b.width, b.height, b.channels, b.bitDepth));
  EXPECT_EQ(a.samples, b.samples);
}

// What the writer writes, both readers (libpng where the build has it) read back unchanged:
// a small noisy image, and a smooth one large enough to be cut into several strips that are
// deflated apart and joined, at the level edges and the default.
TEST(PngCodec, WriterRoundTripsEveryLayoutThroughBothReaders) {
  TempDir dir;
  for (const PngLayout& l : kPngLayouts) {
    SCOPED_TRACE(testing::Message() << l.channels << " channels, " << l.depth << " bits");
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
}

}  // namespace
