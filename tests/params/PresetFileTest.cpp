// Preset files: exact file contents after save, replace and delete (written out by hand),
// loading with undo, a hostile file and failed writes.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>
#ifndef _WIN32
#include <sys/resource.h>
#endif

#include "ParamsTestSupport.h"

static pfUndoHistory* TestFilterHistory(pfFilter* filter) { return &filter->undoHistory; }

namespace {
class PresetFile : public ::testing::Test, public ParameterSet {
 protected:
  void SetUp() override {
    pfSetUndoHistoryLookup(&TestFilterHistory);
    SetA();
  }
  void SetA() {
    origin.SetXY(0.5, 0.5);
    intensity.SetValue(0.1);
    invert.SetValue(true);
    count.SetValue(-7);
    tint.SetRGB(1, 0.5, 0.25);
    blend.SetValue(3);
  }
  void SetB() {
    origin.SetXY(0.125, 1);
    intensity.SetValue(2);
    invert.SetValue(false);
    count.SetValue(12);
    tint.SetRGB(0, 0, 0);
    blend.SetValue(1);
  }
  const std::string kLinesA =
      "Origin 0.500000 0.500000\nIntensity 0.100000\nInvert 1\nCount -7\n"
      "Tint 1.000000 0.500000 0.250000\nBlend 3\n";
  const std::string kLinesB =
      "Origin 0.125000 1.000000\nIntensity 2.000000\nInvert 0\nCount 12\n"
      "Tint 0.000000 0.000000 0.000000\nBlend 1\n";
  const std::string kOwner = "FileOwner Quenara\n";

  TempDir dir;
  std::string file = dir.Path("presets.cfg");
};
}  // namespace

TEST_F(PresetFile, SaveCreatesOwnerLineAndReplacesInPlace) {
  ASSERT_TRUE(all.SaveSettings("soft glow", file, "Quenara"));
  EXPECT_EQ(ReadFileForTest(file), kOwner + "\nname soft_glow\n" + kLinesA);
  SetB();
  ASSERT_TRUE(all.SaveSettings("other", file, "Quenara"));
  ASSERT_TRUE(all.SaveSettings("soft glow", file, "Quenara"));
  EXPECT_EQ(ReadFileForTest(file),
            kOwner + "\nname soft_glow\n" + kLinesB + "name other\n" + kLinesB);
  std::list<std::string> names{"kept"};
  EXPECT_TRUE(all.GetSettingNames(file, names, "Quenara"));
  EXPECT_EQ(names, (std::list<std::string>{"kept", "soft_glow", "other"}));
  intensity.SetValue(16777217.0);  // 2^24 + 1 rounds to 2^24 in single precision
  ASSERT_TRUE(all.SaveSettings("big", file, "Quenara"));
  EXPECT_NE(ReadFileForTest(file).find("\nIntensity 16777216.000000\n"), std::string::npos);
}

TEST_F(PresetFile, DeleteFirstLastAndOnlyPreset) {
  const std::string a = "\nname a\n" + kLinesA, b = "\nname b\n" + kLinesB;
  WriteFileForTest(file, kOwner + a + b);
  EXPECT_TRUE(all.DeleteSettings("a", file));
  EXPECT_EQ(ReadFileForTest(file), kOwner + b);
  WriteFileForTest(file, kOwner + a + b);
  EXPECT_TRUE(all.DeleteSettings("b", file));
  EXPECT_EQ(ReadFileForTest(file), kOwner + a);
  EXPECT_TRUE(all.DeleteSettings("a", file));
  EXPECT_EQ(ReadFileForTest(file), kOwner);
  EXPECT_FALSE(all.DeleteSettings("a", file));
  EXPECT_EQ(ReadFileForTest(file), kOwner);
  EXPECT_FALSE(all.DeleteSettings("a", dir.Path("missing.cfg")));
}

TEST_F(PresetFile, LoadAppliesKnownKeysAsOneUndoStep) {
  WriteFileForTest(file, kOwner +
                             "\nname x\nBogus 12\nOrigin 0.25 0.75\nIntensity 2.5abc\nBlend 9\n"
                             "Tint 0.1 0.2 0.3\nCount +42\nInvert 0\nname y\nIntensity 9\n");
  pfFilter filter;
  ASSERT_TRUE(all.LoadSettings("x", file, &filter));
  // The numeric prefix of "2.5abc" counts; "y" is not read; Blend 9 is outside the items.
  EXPECT_EQ(Values(), std::make_tuple(0.25, 0.75, 2.5, false, 42, 0.2, 3));
  EXPECT_TRUE(filter.undoHistory.Undo());
  EXPECT_EQ(Values(), std::make_tuple(0.5, 0.5, 0.1, true, -7, 0.5, 3));
  EXPECT_FALSE(filter.undoHistory.CanUndo());
  EXPECT_FALSE(all.LoadSettings("z", file, &filter));
}

TEST_F(PresetFile, LoadingUnchangedValuesRecordsNothingButClosesTheGroup) {
  ASSERT_TRUE(all.SaveSettings("same", file, "Quenara"));
  pfFilter filter;
  pfParameterFloat other;
  filter.undoHistory.Add(other.CreateUndo());  // an open group before the load
  other.SetValue(1);
  ASSERT_TRUE(all.LoadSettings("same", file, &filter));
  filter.undoHistory.Add(amount.CreateUndo());
  amount.SetValue(0.7);
  EXPECT_TRUE(filter.undoHistory.Undo());
  EXPECT_EQ(amount.GetValue(), 0.0);
  EXPECT_EQ(other.GetValue(), 1.0);  // only the step after the load was undone
  EXPECT_TRUE(filter.undoHistory.Undo());
  EXPECT_EQ(other.GetValue(), 0.0);
}

TEST_F(PresetFile, HostileFileIsReadSafely) {
  // A 300-character word whose tail reads "name" must not start a preset.
  WriteFileForTest(file,
                   kOwner + "name p1\nIntensity 3\n" + std::string(296, 'a') + "name evil\nname");
  std::list<std::string> names;
  EXPECT_TRUE(all.GetSettingNames(file, names, "Quenara"));
  EXPECT_EQ(names, std::list<std::string>{"p1"});  // the final "name" has no value
  EXPECT_FALSE(all.LoadSettings("evil", file, nullptr));
  EXPECT_FALSE(all.LoadSettings("name", file, nullptr));
  EXPECT_TRUE(all.LoadSettings("p1", file, nullptr));
  EXPECT_EQ(intensity.GetValue(), 3.0);
}

TEST_F(PresetFile, FailedWritesLeaveTheOriginalIntact) {
  ASSERT_TRUE(all.SaveSettings("a", file, "Quenara"));
  const std::string original = ReadFileForTest(file);
  SetB();
#ifndef _WIN32
  // Disk full midway: the file-size limit makes the temporary file's writes fail.
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old;
  small.rlim_cur = 40;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool saved = all.SaveSettings("b", file, "Quenara");
  const bool replaced = all.SaveSettings("a", file, "Quenara");
  const bool deleted = all.DeleteSettings("a", file);
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, SIG_DFL);
  EXPECT_FALSE(saved);
  EXPECT_FALSE(replaced);
  EXPECT_TRUE(deleted);  // the owner line alone fits under the limit
  EXPECT_EQ(ReadFileForTest(file), kOwner);
  EXPECT_FALSE(std::filesystem::exists(file + "tmp"));
#endif

  // The temporary file cannot be created: save fails silently, delete reports it.
  WriteFileForTest(file, original);
  std::filesystem::create_directory(file + "tmp");
  EXPECT_TRUE(all.SaveSettings("a", file, "Quenara"));
  EXPECT_FALSE(all.DeleteSettings("a", file));
  EXPECT_EQ(ReadFileForTest(file), original);
  EXPECT_TRUE(all.SaveSettings("a", dir.Path("no/such/dir.cfg"), "Quenara"));
  EXPECT_FALSE(std::filesystem::exists(dir.Path("no")));
}

// Writers at the same time (two hosts, a batch beside the dialog) take turns: every preset
// arrives and the file stays readable.
TEST_F(PresetFile, ConcurrentSavesLoseNothing) {
  std::vector<std::thread> writers;
  for (int w = 0; w < 4; ++w) {
    writers.emplace_back([this, w] {
      for (int i = 0; i < 25; ++i) {
        char name[16];
        std::snprintf(name, sizeof(name), "w%d_%d", w, i);
        all.SaveSettings(name, file, "Quenara");
      }
    });
  }
  for (std::thread& t : writers) t.join();
  std::list<std::string> names;
  ASSERT_TRUE(all.GetSettingNames(file, names, "Quenara"));
  EXPECT_EQ(names.size(), 100u);
}
