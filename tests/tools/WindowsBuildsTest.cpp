// The two Windows builds against each other: quenara.exe (i686) with Quenara.8bf under 32-bit
// Wine and quenara.exe (x86_64) with Quenara64.8bf under wine64 render the same images with the
// same settings, for every layout the command line reads, to the same bytes. Both builds do
// their float arithmetic in SSE2 with the same rounding and split the image into the same bands,
// so nothing may differ; a difference means code that depends on the pointer size.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "tests/tools/ProcessRunner.h"
#include "tests/tools/TestFiles.h"
#include "tools/PngImage.h"

namespace {

struct Build {
  const char* label;
  const char* wine;
  std::string program;
};

std::string Directory(const std::string& file) { return file.substr(0, file.find_last_of('/')); }

std::vector<Build> Builds() {
  return {{"32-bit", "/usr/lib/wine/wine", Directory(QUENARA_WIN32_PLUGIN) + "/quenara.exe"},
          {"64-bit", "/usr/lib/wine/wine64", Directory(QUENARA_WIN64_PLUGIN) + "/quenara.exe"}};
}

// Options besides the files: the defaults; the aberration mode; a blend mode with a selection
// mask at the preview's reduction.
const std::vector<std::vector<std::string>> kSettings = {
    {},
    {"-p", "Mode=2", "-p", "Strength=0.8", "-p", "Origin=0.3,0.6"},
    {"-p", "BlendMode=screen", "-p", "Intensity=2.5", "-p", "Origin=0.7,0.2", "--reduction", "2",
     "--mask", "MASK"},
};

TEST(WindowsBuilds, ThirtyTwoAndSixtyFourBitPlugInsRenderTheSameBytes) {
  TempDir dir;
  std::string error;
  ASSERT_TRUE(WritePng(dir.Path("mask.png"), RandomPng(45, 31, 1, 8, 77), error)) << error;
  for (const PngLayout& l : kPngLayouts) {
    const PngImage in = RandomPng(45, 31, l.channels, l.depth, uint32_t(l.channels * 31 + l.depth));
    ASSERT_TRUE(WritePng(dir.Path("in.png"), in, error)) << error;
    for (size_t s = 0; s < kSettings.size(); ++s) {
      SCOPED_TRACE(std::to_string(l.channels) + " channels, " + std::to_string(l.depth) +
                   " bits, settings " + std::to_string(s));
      std::vector<PngImage> outputs;
      for (const Build& b : Builds()) {
        std::vector<std::string> args = {QUENARA_WINE_RUN, std::string("--wine=") + b.wine,
                                         b.program, "--quiet"};
        for (const std::string& option : kSettings[s]) {
          args.push_back(option == "MASK" ? dir.Path("mask.png") : option);
        }
        const std::string out = dir.Path(std::string("out") + b.label + ".png");
        args.insert(args.end(), {dir.Path("in.png"), out});
        const ProcessResult r = RunProcess(args, dir.Dir().string());
        ASSERT_EQ(r.exitCode, 0) << b.label << ": " << r.err;
        outputs.emplace_back();
        ASSERT_TRUE(ReadPng(out, outputs.back(), error)) << b.label << ": " << error;
      }
      const PngImage& a = outputs[0];
      const PngImage& b = outputs[1];
      ASSERT_EQ(std::tie(a.width, a.height, a.channels), std::tie(b.width, b.height, b.channels));
      ASSERT_EQ(a.channels, l.channels);
      ASSERT_EQ(a.samples.size(), b.samples.size());
      size_t differing = 0;
      int largest = 0;
      for (size_t i = 0; i < a.samples.size(); ++i) {
        const int d = std::abs(int(a.samples[i]) - int(b.samples[i]));
        differing += d != 0 ? 1 : 0;
        largest = std::max(largest, d);
      }
      EXPECT_EQ(differing, 0u) << "largest difference " << largest << " of " << a.samples.size()
                               << " samples";
      // The render did something: the default settings change a random image.
      if (s == 0) {
        EXPECT_NE(a.samples, in.samples);
      }
    }
  }
}

}  // namespace
