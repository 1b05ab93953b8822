// The built plug-in libraries as a host sees them: machine, export, imports, the set of
// resources, and the property list and terminology byte for byte, as written here from the
// host's documentation (not read back from the resource script).
//
// Which files: QUENARA_WIN32_PLUGIN / QUENARA_WIN64_PLUGIN, set by the build. A file that was
// asked for and is missing fails the test; a build that asked for none skips.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>

#include "base/PiApi.h"
#include "effect/QuenaraKeys.h"
#include "tests/resources/TestBytes.h"
#include "tools/pe/PeReader.h"

#ifndef QUENARA_WIN32_PLUGIN
#define QUENARA_WIN32_PLUGIN ""
#endif
#ifndef QUENARA_WIN64_PLUGIN
#define QUENARA_WIN64_PLUGIN ""
#endif

namespace {

constexpr uint16_t kEnglishUs = 1033;

struct PluginFile {
  const char* label;
  std::string path;
  uint16_t machine;
  bool pe32Plus;
  const char* entryKey;  // the entry-point property of this machine
};

void PrintTo(const PluginFile& f, std::ostream* os) { *os << f.label << " " << f.path; }

std::vector<PluginFile> Files() {
  return {{"32-bit", QUENARA_WIN32_PLUGIN, kPeMachineI386, false, "wx86"},
          {"64-bit", QUENARA_WIN64_PLUGIN, kPeMachineAmd64, true, "8664"}};
}

std::string Name(const testing::TestParamInfo<PluginFile>& info) {
  return info.param.pe32Plus ? "Win64" : "Win32";
}

class PluginFileTest : public testing::TestWithParam<PluginFile> {
 protected:
  void SetUp() override {
    const PluginFile& f = GetParam();
    if (f.path.empty()) GTEST_SKIP() << "the build names no " << f.label << " plug-in";
    std::string error;
    ASSERT_TRUE(pe.Load(f.path, &error)) << error;
  }

  // The property list or terminology resource of this plug-in (empty when missing).
  std::vector<uint8_t> Resource(const char* type) {
    const PeResource* r = pe.FindResource(type, 16000, kEnglishUs);
    std::vector<uint8_t> data;
    EXPECT_TRUE(r != nullptr && pe.ReadResource(*r, &data)) << type;
    return data;
  }

  PeReader pe;
};

TEST_P(PluginFileTest, IsADllOfItsMachineExportingEntrypointWithThePluginsResources) {
  EXPECT_EQ(pe.Machine(), GetParam().machine);
  EXPECT_EQ(pe.IsPe32Plus(), GetParam().pe32Plus);
  EXPECT_TRUE(pe.IsDll());
  EXPECT_EQ(pe.ExportNames(), std::vector<std::string>{"ENTRYPOINT"});
  // Only Windows system libraries: the runtime is linked in, a host machine has no MinGW DLLs.
  const std::set<std::string> system = {"kernel32.dll", "user32.dll",   "gdi32.dll",
                                        "advapi32.dll", "comdlg32.dll", "comctl32.dll",
                                        "shell32.dll",  "msvcrt.dll"};
  EXPECT_FALSE(pe.ImportedDlls().empty());
  for (std::string dll : pe.ImportedDlls()) {
    std::transform(dll.begin(), dll.end(), dll.begin(),
                   [](char c) { return char(std::tolower(c)); });
    EXPECT_TRUE(system.count(dll)) << "imports " << dll;
  }
  std::set<std::string> found;
  for (const PeResource& r : pe.Resources())
    found.insert(r.type.ToString() + "/" + r.name.ToString() + "/" + std::to_string(r.language));
  // String blocks 1062 and 1063 hold 16976..16991 and 16992..17007; icon and cursor images
  // are numbered by the compiler.
  for (const char* wanted :
       {"PIPL/16000/1033", "AETE/16000/1033", "5/101/1031", "5/105/1031", "5/111/1033",
        "5/113/1033", "6/1062/1033", "6/1063/1033", "14/116/1033", "12/102/1031"})
    EXPECT_TRUE(found.count(wanted)) << "missing " << wanted;
  // The icon's and the cursor's image, and nothing else: no manifest, no version block.
  EXPECT_EQ(pe.Resources().size(), 12u);
}

// The property list byte for byte: header word 1, version 0, 9 properties, each vendor '8BIM',
// key, id 0, length counting its zero padding, data.
TEST_P(PluginFileTest, PropertyListIsByteForByteTheOneTheHostExpects) {
  TestBytes want;
  want.U16(1).U32(0).U32(9);
  auto property = [&](const char(&key)[5], uint32_t length) {
    want.Code("8BIM").Code(key).U32(0).U32(length);
  };
  property("kind", 4);
  want.Code("8BFM");
  property("name", 12);
  want.PString("Quenara...").Zeros(1);
  property("catg", 12);
  want.PString("Kestrimond").Zeros(1);
  property("vers", 4);
  want.U32(65536);
  char key[5] = {};
  std::copy_n(GetParam().entryKey, 4, key);
  property(reinterpret_cast<const char(&)[5]>(key), 12);
  want.Text("ENTRYPOINT").Zeros(2);
  property("mode", 4);
  want.U8(0x50).U8(0).U8(0).U8(0);
  property("hstm", 36);
  want.U32(0).Code("KC01").Code("null").U16(16000).Text("Kestrimond Quenara").Zeros(4);
  property("enbl", 72);
  std::string enable = "in (PSHOP_ImageMode, GrayScaleMode, RGBMode, Gray16Mode, RGB48Mode)";
  want.Text(enable).Zeros(72 - enable.size());
  property("fici", 28);
  for (int c = 1; c <= 7; ++c) {
    uint8_t handling = c <= 5 ? 1 : 0;  // protected transparency cannot be filtered
    want.U8(handling).U8(handling).U8(0x0b).U8(0);
  }
  EXPECT_EQ(want.Size(), 338u);
  EXPECT_EQ(Resource("PIPL"), want.b);
}

// Each row also names the key the effect records under (its parameter table's header), so the
// resource and the effect are checked against one list.
struct TermParameter {
  const char* name;
  const char (&key)[5];
  const char (&type)[5];
  const char* description;
  uint32_t effectKey;
};

const TermParameter kTerms[21] = {
    {"origin x", "ORIX", "doub", "1.0 is rightmost pixel", QuenaraKeys::OriginX},
    {"origin y", "ORIY", "doub", "1.0 is lowest pixel", QuenaraKeys::OriginY},
    {"intensity", "INTE", "doub", "image multiplier", QuenaraKeys::Intensity},
    {"strength", "STRE", "doub", "effects strength", QuenaraKeys::Strength},
    {"zoom start", "ZOST", "doub", "effect offset", QuenaraKeys::ZoomStart},
    {"holdout radius", "HORA", "doub", "effect starts outside", QuenaraKeys::HoldoutRadius},
    {"mode", "MODE", "long", "EffectMode (1 or 2)", QuenaraKeys::Mode},
    {"invert gradient", "INGR", "bool", "inverts abberative gradient", QuenaraKeys::InvertGradient},
    {"gamma correction", "GAMA", "bool", "work in linear color space",
     QuenaraKeys::GammaCorrection},
    {"corrective gamma correction", "GAMC", "doub", "takes effect before blending",
     QuenaraKeys::GammaCorrectionCorrective},
    {"contrast", "CONT", "doub", "takes effect before blending", QuenaraKeys::Contrast},
    {"hue", "HSLH", "doub", "takes effect before blending", QuenaraKeys::Hue},
    {"saturation", "HSLS", "doub", "takes effect before blending", QuenaraKeys::Saturation},
    {"lightness", "HSLL", "doub", "takes effect before blending", QuenaraKeys::Lightness},
    {"extern strength control", "USES", "bool",
     "use extern Selection to control strength per pixel", QuenaraKeys::UseSizeSelection},
    {"selection low", "SELL", "doub", "lower grayscale selection", QuenaraKeys::SelectionLow},
    {"selection high", "SELH", "doub", "upper grayscale selection", QuenaraKeys::SelectionHigh},
    {"selection soften", "SELS", "doub", "Selection Soften based on Climax",
     QuenaraKeys::SelectionSoften},
    {"selection climax", "SELC", "doub", "Peak intensity when softened",
     QuenaraKeys::SelectionClimax},
    {"blend mode", "BLND", "long", "transfer mode", QuenaraKeys::BlendMode},
    {"show mode", "SHOW", "long", "what to see", QuenaraKeys::SelectionShow},
};

TEST_P(PluginFileTest, TerminologyIsByteForByteTheOneTheHostExpects) {
  TestBytes want;
  want.U16(1).U8(1).U8(0).U16(0).U16(0).U16(1);
  want.PString("Kestrimond").PString("Tessaline\xB4s Plug-ins").Code("KS01");
  want.U16(1).U16(1).U16(1);
  want.PString("Quenara").PString("no comment").Code("KC01").Code("null");
  want.Code("null").PString("").U16(0);
  want.Code("#ImR").PString("").U16(0xb000).U16(21);
  for (const TermParameter& p : kTerms) {
    want.PString(p.name).Code(p.key).Code(p.type).PString(p.description).U16(0);
    EXPECT_EQ(FourCC(p.key), p.effectKey) << p.name;  // what the effect records under
  }
  want.U16(0).U16(0).U16(0);
  EXPECT_EQ(Resource("AETE"), want.b);
}

INSTANTIATE_TEST_SUITE_P(Plugins, PluginFileTest, testing::ValuesIn(Files()), Name);

}  // namespace
