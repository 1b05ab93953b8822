// The effect end to end: the quenara program renders small PNGs of every layout it reads
// (grey, grey with alpha, RGB, RGBA; 8 and 16 bits) through the plug-in's entry point. The
// expectations hold whatever the blur does in detail: a flat image stays flat, black stays
// black away from a lone bright pixel at the origin, and mirror symmetry about the origin's
// column survives.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/tools/ProcessRunner.h"
#include "tests/tools/TestFiles.h"
#include "tools/PngImage.h"

namespace {

struct Layout {
  int channels;
  int depth;
};
const Layout kLayouts[] = {{1, 8}, {2, 8}, {3, 8}, {4, 8}, {1, 16}, {2, 16}, {3, 16}, {4, 16}};

std::string Name(const Layout& l) {
  return std::to_string(l.channels) + "ch " + std::to_string(l.depth) + "bit";
}

class EndToEnd : public ::testing::Test {
 protected:
  PngImage Render(const PngImage& in, std::vector<std::string> params) {
    std::string error;
    EXPECT_TRUE(WritePng(dir.Path("in.png"), in, error)) << error;
    std::vector<std::string> args = {QUENARA_EXE, "--quiet"};
    for (const std::string& p : params) {
      args.push_back("-p");
      args.push_back(p);
    }
    args.push_back(dir.Path("in.png"));
    args.push_back(dir.Path("out.png"));
    const ProcessResult r = RunProcess(args, dir.Dir().string());
    EXPECT_EQ(r.exitCode, 0) << r.err;
    PngImage out;
    EXPECT_TRUE(ReadPng(dir.Path("out.png"), out, error)) << error;
    return out;
  }

  TempDir dir;
};

PngImage Make(const Layout& l, uint32_t w, uint32_t h) {
  PngImage img;
  img.width = w;
  img.height = h;
  img.channels = l.channels;
  img.bitDepth = l.depth;
  img.samples.assign(size_t(w) * h * size_t(l.channels), 0);
  return img;
}

// Every digit, so that the origin lands on the pixel centre itself.
std::string Exact(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.17g", v);
  return text;
}

bool HasAlpha(const Layout& l) { return l.channels == 2 || l.channels == 4; }
int Colours(const Layout& l) { return l.channels <= 2 ? 1 : 3; }

TEST_F(EndToEnd, FlatImageStaysFlatUnderEveryBlendMode) {
  for (const Layout& l : kLayouts) {
    PngImage in = Make(l, 13, 9);
    const uint32_t full = l.depth == 8 ? 255 : 65535;
    for (uint32_t y = 0; y < 9; ++y)
      for (uint32_t x = 0; x < 13; ++x)
        for (int c = 0; c < l.channels; ++c) in.At(x, y, c) = uint16_t(full * uint32_t(3 + c) / 8);
    for (int mode = 1; mode <= 23; ++mode) {
      // Intensity 0.9 keeps the blurred value clear of the source's: at 1 the two coincide, and
      // the maximum / minimum choice and the truncation would hang on the last float bit.
      const PngImage out =
          Render(in, {"BlendMode=" + std::to_string(mode), "Origin=0.31,0.62", "Intensity=0.9"});
      ASSERT_EQ(out.samples.size(), in.samples.size());
      for (int c = 0; c < l.channels; ++c) {
        for (uint32_t y = 0; y < 9; ++y)
          for (uint32_t x = 0; x < 13; ++x)
            ASSERT_EQ(out.At(x, y, c), out.At(0, 0, c))
                << Name(l) << " mode " << mode << " at " << x << "," << y;
      }
    }
  }
}

TEST_F(EndToEnd, LoneBrightPixelAtTheOriginLeavesTheRestBlack) {
  for (const Layout& l : kLayouts) {
    PngImage in = Make(l, 17, 12);
    const uint16_t full = l.depth == 8 ? 255 : 65535;
    for (uint32_t y = 0; y < 12; ++y) {
      for (uint32_t x = 0; x < 17; ++x) {
        for (int c = 0; c < Colours(l); ++c) in.At(x, y, c) = (x == 5 && y == 7) ? full : 0;
        if (HasAlpha(l)) in.At(x, y, l.channels - 1) = full;
      }
    }
    // The centre of pixel (5, 7). (The aberration's rising ramps read one step behind their
    // window, so there the origin's light reaches the first few steps by design.)
    {
      const char* mode = "Mode=1";
      const PngImage out =
          Render(in, {"Origin=" + Exact(5.5 / 17) + "," + Exact(7.5 / 12), mode, "Strength=0.8"});
      for (uint32_t y = 0; y < 12; ++y) {
        for (uint32_t x = 0; x < 17; ++x) {
          if (x == 5 && y == 7) continue;
          for (int c = 0; c < Colours(l); ++c)
            ASSERT_EQ(out.At(x, y, c), 0) << Name(l) << " " << mode << " at " << x << "," << y;
        }
      }
      EXPECT_GT(out.At(5, 7, 0), 0) << Name(l);
    }
  }
}

TEST_F(EndToEnd, MirrorSymmetricImageStaysSymmetricAboutTheOrigin) {
  const uint32_t w = 21, h = 14;
  for (const Layout& l : kLayouts) {
    PngImage in = Make(l, w, h);
    const uint32_t full = l.depth == 8 ? 255 : 65535;
    for (uint32_t y = 0; y < h; ++y) {
      for (uint32_t x = 0; x < w; ++x) {
        const uint32_t fx = std::min(x, w - 1 - x);
        for (int c = 0; c < l.channels; ++c)
          in.At(x, y, c) = uint16_t(full * ((fx * 5 + y * 3 + uint32_t(c) * 7) % 13) / 12);
        if (HasAlpha(l)) in.At(x, y, l.channels - 1) = uint16_t(full * (8 + (fx + y) % 5) / 12);
      }
    }
    // Origin x 0.5 of 21 pixels is 10.5: the centre of column 10, the axis.
    const PngImage out = Render(in, {"Origin=0.5,0.4", "Strength=0.7", "BlendMode=screen"});
    const uint32_t oneStep = l.depth == 8 ? 1 : 3;  // one host step is two PNG steps at 16 bits
    for (uint32_t y = 0; y < h; ++y)
      for (uint32_t x = 0; x < w / 2; ++x)
        for (int c = 0; c < l.channels; ++c)
          ASSERT_NEAR(out.At(x, y, c), out.At(w - 1 - x, y, c), oneStep)
              << Name(l) << " at " << x << "," << y << "," << c;
  }
}

}  // namespace
