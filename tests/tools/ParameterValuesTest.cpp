// The command line, -p values, the enable expression and the check of the built plug-in.
#include <gtest/gtest.h>

#include "tools/CommandLine.h"
#include "tools/ParameterValues.h"
#include "tools/PluginFile.h"

namespace {

TEST(CommandLine, ReadsOptionsInEitherSpellingAndRefusesMalformedLines) {
  CommandLine cl;
  std::string error;
  ASSERT_TRUE(
      ParseCommandLine({"-p", "Intensity=2", "--param=Origin=0.1,0.2", "--mask", "m.png",
                        "--reduction=4", "--quiet", "--compression", "0", "in.png", "out.png"},
                       cl, error))
      << error;
  ASSERT_EQ(cl.params.size(), 2u);
  EXPECT_EQ(cl.params[1].name, "Origin");
  EXPECT_EQ(cl.params[1].value, "0.1,0.2");
  EXPECT_EQ(cl.reduction, 4);
  EXPECT_EQ(cl.compression, 0);
  EXPECT_EQ(cl.output, "out.png");
  for (const std::vector<std::string>& bad :
       std::vector<std::vector<std::string>>{{"in.png", "out.png", "extra.png"},
                                             {"-p", "Intensity", "in.png", "out.png"},
                                             {"--quiet=1", "in.png", "out.png"},
                                             {"--preset", "a.cfg", "in.png", "out.png"}}) {
    EXPECT_FALSE(ParseCommandLine(bad, cl, error)) << bad[0];
    EXPECT_FALSE(error.empty());
  }
}

TEST(ParameterValues, PlaybackTakesKeyNamesKeysItemsAndTheLastValue) {
  HostDescriptor d;
  std::string error;
  // (Key names and list items by their text: the end-to-end runs.)
  ASSERT_TRUE(BuildPlayback({{"Origin", "0.25,1e-1"},
                             {"ORIY", "0.5"},
                             {"GAMA", "0"},
                             {"Intensity", "1"},
                             {"INTE", "3.5"}},
                            d, error))
      << error;
  ASSERT_EQ(d.items.size(), 4u);
  EXPECT_EQ(d.Find(FourCC("ORIX"))->number, 0.25);
  EXPECT_EQ(d.Find(FourCC("ORIY"))->number, 0.5);  // the later key replaced Origin's y
  EXPECT_EQ(d.Find(FourCC("GAMA"))->type, typeBoolean);
  EXPECT_EQ(d.Find(FourCC("INTE"))->number, 3.5);
  for (const std::string bad : {"Randomize=0.5", "inte=1", "Intensity=1.5x", "Intensity=nan",
                                "Origin=1;2", "USES=2", "Mode=3.5", "SelectionShow=every"}) {
    const std::string name = bad.substr(0, bad.find('='));
    EXPECT_FALSE(BuildPlayback({{name, bad.substr(bad.find('=') + 1)}}, d, error)) << bad;
    EXPECT_NE(error.find(name), std::string::npos) << error;
  }
}

TEST(PluginFile, EnableExpressionAdmitsExactlyTheListedModes) {
  const std::string e = "in (PSHOP_ImageMode, GrayScaleMode, RGBMode, Gray16Mode, RGB48Mode)";
  EXPECT_TRUE(EnableExpressionAdmits(e, 1));
  EXPECT_TRUE(EnableExpressionAdmits(e, 11));
  EXPECT_FALSE(EnableExpressionAdmits(e, 4));                        // CMYK
  EXPECT_TRUE(EnableExpressionAdmits("PSHOP_ImageDepth == 16", 4));  // not evaluated
}

#ifdef QUENARA_PLUGIN_FILE
// The check before a run, on the built plug-in: its entry point, and the modes it refuses.
TEST(PluginFile, CheckFindsTheEntryPointAndRefusesModesNotListed) {
  std::string entry, error;
  EXPECT_TRUE(CheckPluginFile(QUENARA_PLUGIN_FILE, 11, true, entry, error)) << error;
  EXPECT_EQ(entry, "ENTRYPOINT");
  EXPECT_FALSE(CheckPluginFile(QUENARA_PLUGIN_FILE, 4, true, entry, error));  // CMYK
}
#endif

}  // namespace
