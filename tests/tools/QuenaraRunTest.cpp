// End-to-end runs of the quenara program. The probe build (native) checks the host's own work
// pixel for pixel; the real build (native with the linked plug-in, Windows with the .8bf under
// Wine) checks layouts, parameters, scripting round trips and every error path.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>

#include "tests/tools/ProcessRunner.h"
#include "tests/tools/TestFiles.h"
#include "tools/HostParameterTable.h"
#include "tools/PngImage.h"

namespace {

void Save(const std::string& path, const PngImage& img) {
  std::string error;
  ASSERT_TRUE(WritePng(path, img, error)) << error;
}

PngImage Load(const std::string& path) {
  PngImage img;
  std::string error;
  EXPECT_TRUE(ReadPng(path, img, error)) << error;
  return img;
}

// The sample contract of the command line, restated: 16-bit PNG values map to 0..32768 on the
// way in and back on the way out; 8-bit values pass unchanged.
uint32_t ToHost(uint32_t v, int depth) { return depth == 8 ? v : (v * 32768u + 32767u) / 65535u; }
uint32_t FromHost(uint32_t s, int depth) {
  if (depth == 8) return s;
  const uint32_t v = (s * 65535u + 16384u) / 32768u;
  return v > 65535u ? 65535u : v;
}

bool Exists(const std::string& path) { return std::filesystem::exists(path); }

class Run : public ::testing::Test {
 protected:
  TempDir dir;
  ProcessResult Quenara(std::vector<std::string> args, const char* program = QUENARA_EXE) {
    args.insert(args.begin(), program);
    return RunProcess(args, dir.Dir().string());
  }
  // A failure: non-zero exit, one line on stderr naming the program, no output file.
  void ExpectCleanFailure(const ProcessResult& r, const std::string& output,
                          const std::string& expectedText) {
    EXPECT_NE(r.exitCode, 0);
    const std::vector<std::string> lines = LinesOf(r.err);
    ASSERT_EQ(lines.size(), 1u) << r.err;
    EXPECT_EQ(lines[0].rfind("quenara: ", 0), 0u) << lines[0];
    EXPECT_NE(lines[0].find(expectedText), std::string::npos) << lines[0];
    EXPECT_FALSE(Exists(output));
    for (const auto& entry : std::filesystem::directory_iterator(dir.Dir())) {
      EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << entry.path();
    }
  }
};

#ifdef QUENARA_PROBE_EXE

// The mask's PNG sample at the image's depth: widened to 16 bits, then mapped as an image
// sample (16-bit image) or rounded to 8 bits.
uint32_t MaskAtImageDepth(uint32_t m, int maskDepth, int imageDepth) {
  const uint32_t wide = maskDepth == 8 ? m * 257u : m;
  return imageDepth == 16 ? ToHost(wide, 16) : uint32_t(std::floor(wide * 255.0 / 65535.0 + 0.5));
}

// Every layout, a mask of the other depth under a grey and an RGB image, and the preview's
// reduction (the mean of each n x n block).
TEST_F(Run, ProbeSeesEveryLayoutMaskAndReductionWithTheSampleMapping) {
  struct Case {
    int channels, depth, maskDepth, reduction;
  };
  std::vector<Case> cases;
  for (const PngLayout& l : kPngLayouts) cases.push_back({l.channels, l.depth, 0, 1});
  cases.insert(cases.end(), {{3, 16, 8, 1}, {1, 8, 16, 1}, {4, 8, 0, 2}});
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.channels << " channels, " << c.depth << " bits, mask "
                                    << c.maskDepth << ", reduction " << c.reduction);
    const uint32_t w = 9, h = 7, n = uint32_t(c.reduction);
    const PngImage in = RandomPng(w, h, c.channels, c.depth, uint32_t(c.channels * 100 + c.depth));
    const PngImage mask = RandomPng(w, h, 1, c.maskDepth ? c.maskDepth : 8, uint32_t(c.maskDepth));
    Save(dir.Path("in.png"), in);
    Save(dir.Path("mask.png"), mask);
    std::vector<std::string> args = {"--reduction", std::to_string(n)};
    if (c.maskDepth != 0) args.insert(args.end(), {"--mask", dir.Path("mask.png")});
    args.insert(args.end(), {dir.Path("in.png"), dir.Path("out.png")});
    const ProcessResult r = Quenara(args, QUENARA_PROBE_EXE);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const PngImage out = Load(dir.Path("out.png"));
    ASSERT_EQ(out.width, w / n);
    ASSERT_EQ(out.height, h / n);
    ASSERT_EQ(out.channels, c.channels);
    ASSERT_EQ(out.bitDepth, c.depth);
    const uint32_t full = c.depth == 8 ? 255 : 32768;
    const int colours = c.channels <= 2 ? 1 : 3;
    for (uint32_t y = 0; y < h / n; ++y) {
      for (uint32_t x = 0; x < w / n; ++x) {
        for (int ch = 0; ch < c.channels; ++ch) {
          double sum = 0;
          for (uint32_t j = 0; j < n; ++j) {
            for (uint32_t i = 0; i < n; ++i)
              sum += ToHost(in.At(n * x + i, n * y + j, ch), c.depth);
          }
          uint32_t v = uint32_t(std::floor(sum / (n * n) + 0.5));
          if (ch < colours) {
            v = c.maskDepth ? MaskAtImageDepth(mask.At(x, y, 0), c.maskDepth, c.depth) : full - v;
          }
          ASSERT_EQ(out.At(x, y, ch), FromHost(v, c.depth)) << x << "," << y << "," << ch;
        }
      }
    }
  }
}

TEST_F(Run, PlugInFailureIsOneLineAndNoOutput) {
  Save(dir.Path("in.png"), RandomPng(4, 4, 3, 8, 11));
  const std::string out = dir.Path("out.png");
  ExpectCleanFailure(RunProcess({QUENARA_PROBE_EXE, dir.Path("in.png"), out}, dir.Dir().string(),
                                {"QUENARA_PROBE_FAIL=-108"}),
                     out, "out of memory");
}

#endif  // QUENARA_PROBE_EXE

TEST_F(Run, EveryBadInputFailsWithOneLineAndNoOutput) {
  const std::string in = dir.Path("in.png"), out = dir.Path("out.png");
  Save(in, RandomPng(4, 3, 3, 8, 1));
  Save(dir.Path("rgbmask.png"), RandomPng(4, 3, 3, 8, 2));
  Save(dir.Path("bigmask.png"), RandomPng(5, 3, 1, 8, 2));
  WriteFileForTest(dir.Path("text.png"), "not a png at all");
  // A valid file whose header claims 100000 x 100000 pixels: refused before any allocation.
  Save(dir.Path("huge.png"), RandomPng(2, 2, 1, 8, 3));
  {
    std::fstream huge(dir.Path("huge.png"), std::ios::in | std::ios::out | std::ios::binary);
    huge.seekp(16);
    const char side[8] = {0, 1, char(0x86), char(0xA0), 0, 1, char(0x86), char(0xA0)};
    huge.write(side, 8);
  }
  std::filesystem::create_directory(dir.Path("sub"));
  const struct {
    std::vector<std::string> args;
    const char* text;
  } cases[] = {
      {{dir.Path("missing.png"), out}, "cannot open"},
      {{dir.Path("huge.png"), out}, "is truncated or damaged"},
      {{"--mask", dir.Path("huge.png"), in, out}, "is truncated or damaged"},
      {{dir.Path("sub"), out}, "is a directory"},
      {{"--plugin", dir.Path("sub"), in, out}, "is a directory"},
      {{"--info", dir.Path("sub")}, "is a directory"},
      {{"--log", in, in, out}, "would overwrite"},
      {{"--preset-name", "x", in, out}, "--preset-name needs"},
      {{"--save-preset", dir.Path("p.cfg"), "--preset-name", "a\tb"}, "control characters"},
      {{dir.Path("text.png"), out}, "is not a PNG file"},
      {{"--mask", dir.Path("bigmask.png"), in, out}, "mask"},
      {{"--mask", dir.Path("rgbmask.png"), in, out}, "grey"},
      {{"-p", "Sharpness=1", in, out}, "unknown parameter 'Sharpness'"},
      {{"-p", "BlendMode=24", in, out},
       "value 24 for BlendMode was rejected by the plug-in (it kept 1)"},
      {{"--reduction", "5", in, out}, "too small"},
      {{"--frobnicate", in, out}, "unknown option"},
      {{"--plugin", dir.Path("text.png"), in, out}, "cannot read the plug-in"},
  };
  for (const auto& c : cases) {
    std::string line;
    for (const std::string& a : c.args) line += a + " ";
    SCOPED_TRACE(line);
    ExpectCleanFailure(Quenara(c.args), out, c.text);
  }
  EXPECT_FALSE(Exists(dir.Path("p.cfg")));
  // Outputs that cannot be written are refused before the render and left as they were.
  WriteFileForTest(dir.Path("ro.png"), "keep");
  std::filesystem::permissions(dir.Path("ro.png"), std::filesystem::perms::owner_read);
  for (const auto& [target, text] : {std::pair{dir.Path("sub"), "is a directory"},
                                     std::pair{dir.Path("ro.png"), "is read-only"}}) {
    const ProcessResult r = Quenara({in, target});
    EXPECT_NE(r.exitCode, 0);
    EXPECT_NE(r.err.find(text), std::string::npos) << r.err;
  }
  EXPECT_EQ(ReadFileForTest(dir.Path("ro.png")), "keep");
}

// A batch renders the good files as single runs would, reports the bad one, and says so in its
// exit code.
TEST_F(Run, BatchWritesTheGoodFilesAndReportsTheBadOne) {
  std::filesystem::create_directory(dir.Path("out"));
  Save(dir.Path("a.png"), RandomPng(9, 7, 3, 8, 21));
  Save(dir.Path("b.png"), RandomPng(6, 5, 4, 16, 22));
  WriteFileForTest(dir.Path("broken.png"), "not a png at all");
  const ProcessResult batch =
      Quenara({"--quiet", "-p", "Strength=0.7", dir.Path("a.png"), dir.Path("broken.png"),
               dir.Path("b.png"), "-o", dir.Path("out")});
  EXPECT_EQ(batch.exitCode, 1);
  EXPECT_EQ(LinesOf(batch.out).size(), 2u) << batch.out;
  const std::vector<std::string> errors = LinesOf(batch.err);
  ASSERT_EQ(errors.size(), 2u) << batch.err;
  EXPECT_NE(errors[0].find("broken.png"), std::string::npos) << errors[0];
  EXPECT_NE(errors[1].find("1 of 3 files failed"), std::string::npos) << errors[1];
  EXPECT_FALSE(Exists(dir.Path("out/broken.png")));
  for (const char* name : {"a.png", "b.png"}) {
    ASSERT_EQ(
        Quenara({"--quiet", "-p", "Strength=0.7", dir.Path(name), dir.Path("single.png")}).exitCode,
        0);
    EXPECT_EQ(Load(dir.Path("single.png")).samples,
              Load(dir.Path(std::string("out/") + name)).samples)
        << name;
  }
}

#ifndef _WIN32
// The output is written where the user pointed: through a link, onto a device; a size limit
// hit while writing leaves no temporary file behind.
TEST_F(Run, OutputThroughLinksAndDevicesAndNoLeftoverOnASignal) {
  const std::string in = dir.Path("in.png");
  Save(in, RandomPng(40, 30, 3, 16, 23));
  std::filesystem::create_symlink("target.png", dir.Path("link.png"));
  ASSERT_EQ(Quenara({"--quiet", in, dir.Path("link.png")}).exitCode, 0);
  EXPECT_TRUE(std::filesystem::is_symlink(dir.Path("link.png")));
  EXPECT_EQ(Load(dir.Path("target.png")).width, 40u);
  EXPECT_EQ(Quenara({"--quiet", in, "/dev/null"}).exitCode, 0);
  // 1 KB of file size: the PNG of 40 x 30 16-bit noise is larger.
  const ProcessResult limited =
      RunProcess({"/bin/sh", "-c", "ulimit -f 2; exec \"$0\" --quiet \"$@\"", QUENARA_EXE, in,
                  dir.Path("limited.png")},
                 dir.Dir().string());
  EXPECT_NE(limited.exitCode, 0);
  for (const auto& entry : std::filesystem::directory_iterator(dir.Dir())) {
    EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << entry.path();
  }
  EXPECT_FALSE(Exists(dir.Path("limited.png")));
}
#endif

TEST_F(Run, RecordedParametersCoverTheTable) {
  Save(dir.Path("in.png"), RandomPng(6, 5, 3, 8, 4));
  ProcessResult r = Quenara({"-p", "Origin=0.25,0.75", "-p", "BlendMode=screen", "-p", "INGR=1",
                             "-p", "ZoomStart=-2", "-p", "HSLH=2", "--print-params",
                             dir.Path("in.png"), dir.Path("out.png")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  // Only an enforced bound clamps (ZoomStart has none); the recording keeps the value as given.
  EXPECT_EQ(LinesOf(r.err),
            std::vector<std::string>{"quenara: Hue=2 is above its maximum 1; the plug-in uses 1"});
  // Every parameter of the table, once, under its key name.
  const std::vector<std::string> printed = LinesOf(r.out);
  std::set<std::string> names, seen;
  for (const HostParameterRow& row : HostParameterTable()) names.insert(row.keyName);
  for (const std::string& line : printed)
    EXPECT_TRUE(seen.insert(line.substr(0, line.find('='))).second) << line;
  EXPECT_EQ(seen, names);
  for (const char* expected :
       {"Origin=0.25,0.75", "BlendMode=3", "InvertGradient=1", "ZoomStart=-2", "Hue=2"})
    EXPECT_NE(std::find(printed.begin(), printed.end(), expected), printed.end()) << expected;
}

TEST_F(Run, PresetsSaveListApplyAndDeleteThroughThePlugInsContainer) {
  const std::string cfg = dir.Path("p.cfg");
  ProcessResult r = Quenara({"--save-preset", cfg, "--preset-name", "soft glow", "-p",
                             "Intensity=2.5", "-p", "BlendMode=screen"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  r = Quenara({"--save-preset", cfg, "--preset-name", "other", "-p", "Mode=2"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  r = Quenara({"--list-presets", cfg});
  EXPECT_EQ(LinesOf(r.out), (std::vector<std::string>{"soft_glow", "other"}));

  Save(dir.Path("in.png"), RandomPng(4, 4, 3, 8, 12));
  r = Quenara({"--preset", cfg, "--preset-name", "soft glow", "-p", "Strength=0.5",
               "--print-params", dir.Path("in.png"), dir.Path("out.png")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::vector<std::string> printed = LinesOf(r.out);
  for (const char* expected : {"Intensity=2.5", "BlendMode=3", "Strength=0.5", "Mode=1"}) {
    EXPECT_NE(std::find(printed.begin(), printed.end(), expected), printed.end()) << expected;
  }

  r = Quenara({"--delete-preset", cfg, "--preset-name", "soft glow"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  ExpectCleanFailure(Quenara({"--preset", cfg, "--preset-name", "soft glow", dir.Path("in.png"),
                              dir.Path("none.png")}),
                     dir.Path("none.png"), "no preset 'soft glow'");
  WriteFileForTest(dir.Path("foreign.cfg"), "FileOwner Other\n\nname x\nA 1\n");
  r = Quenara({"--save-preset", dir.Path("foreign.cfg"), "--preset-name", "y"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(
      LinesOf(r.err),
      std::vector<std::string>{"quenara: The selected settings file belongs to the Filter: Other"});
  EXPECT_EQ(ReadFileForTest(dir.Path("foreign.cfg")), "FileOwner Other\n\nname x\nA 1\n");
}

}  // namespace
