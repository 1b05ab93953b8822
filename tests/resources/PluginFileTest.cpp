// The built plug-in libraries as a host sees them: machine, exports, imports, and every
// resource compared with expectations written here from the resource tables (not read back
// from the resource script).
//
// Which files: QUENARA_WIN32_PLUGIN / QUENARA_WIN64_PLUGIN, set by the build. A file that was
// asked for and is missing fails the test; a build that asked for none skips.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>

#include "effect/QuenaraKeys.h"
#include "tests/resources/TestBytes.h"
#include "tools/pe/AeteReader.h"
#include "tools/pe/PeReader.h"
#include "tools/pe/PiplReader.h"
#include "tools/pe/ResourceFormats.h"

#ifndef QUENARA_WIN32_PLUGIN
#define QUENARA_WIN32_PLUGIN ""
#endif
#ifndef QUENARA_WIN64_PLUGIN
#define QUENARA_WIN64_PLUGIN ""
#endif

namespace {

constexpr uint16_t kEnglishUs = 1033;
constexpr uint16_t kGerman = 1031;

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

  std::vector<uint8_t> Resource(const PeResourceName& type, const PeResourceName& name,
                                uint16_t language) {
    const PeResource* r = pe.FindResource(type, name, language);
    std::vector<uint8_t> data;
    if (r == nullptr) {
      ADD_FAILURE() << "no resource " << type.ToString() << " " << name.ToString()
                    << " in language " << language;
    } else if (!pe.ReadResource(*r, &data)) {
      ADD_FAILURE() << "resource " << type.ToString() << " " << name.ToString() << " unreadable";
    }
    return data;
  }

  PeReader pe;
};

TEST_P(PluginFileTest, IsADllOfItsMachineWithTheSingleExportEntrypoint) {
  EXPECT_EQ(pe.Machine(), GetParam().machine);
  EXPECT_EQ(pe.IsPe32Plus(), GetParam().pe32Plus);
  EXPECT_TRUE(pe.IsDll());
  EXPECT_EQ(pe.ExportNames(), std::vector<std::string>{"ENTRYPOINT"});
}

TEST_P(PluginFileTest, ImportsOnlyWindowsSystemLibraries) {
  // The runtime is linked in: a host machine has no MinGW DLLs.
  const std::set<std::string> system = {"kernel32.dll", "user32.dll",   "gdi32.dll",
                                        "advapi32.dll", "comdlg32.dll", "comctl32.dll",
                                        "shell32.dll",  "msvcrt.dll"};
  EXPECT_FALSE(pe.ImportedDlls().empty());
  for (std::string dll : pe.ImportedDlls()) {
    std::transform(dll.begin(), dll.end(), dll.begin(),
                   [](char c) { return char(std::tolower(c)); });
    EXPECT_TRUE(system.count(dll)) << "imports " << dll;
  }
}

TEST_P(PluginFileTest, HasExactlyTheResourcesOfThePlugin) {
  std::set<std::string> found;
  for (const PeResource& r : pe.Resources())
    found.insert(r.type.ToString() + "/" + r.name.ToString() + "/" + std::to_string(r.language));
  // String blocks 1062 and 1063 hold 16976..16991 and 16992..17007; icon and cursor images
  // are numbered by the compiler.
  for (const char* wanted :
       {"PIPL/16000/1033", "AETE/16000/1033", "5/101/1031", "5/105/1031", "5/111/1033",
        "5/113/1033", "6/1062/1033", "6/1063/1033", "14/116/1033", "12/102/1031"})
    EXPECT_TRUE(found.count(wanted)) << "missing " << wanted;
  EXPECT_EQ(pe.FindResources("PIPL").size(), 1u);
  EXPECT_EQ(pe.FindResources("AETE").size(), 1u);
  EXPECT_EQ(pe.FindResources(kPeDialog).size(), 4u);
  EXPECT_EQ(pe.FindResources(kPeGroupIcon).size(), 1u);
  EXPECT_EQ(pe.FindResources(kPeGroupCursor).size(), 1u);
  EXPECT_EQ(pe.FindResources(kPeIcon).size(), 1u);
  EXPECT_EQ(pe.FindResources(kPeCursor).size(), 1u);
  EXPECT_EQ(pe.Resources().size(), 12u);  // nothing else: no manifest, no version block
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
  EXPECT_EQ(Resource("PIPL", 16000, kEnglishUs), want.b);
}

TEST_P(PluginFileTest, PropertyListReadsAsAFilterForGreyAndRgb) {
  PiplInfo info;
  std::string error;
  ASSERT_TRUE(ReadPluginPipl(pe, &info, &error)) << error;
  EXPECT_EQ(FourCharText(info.kind), "8BFM");
  EXPECT_EQ(info.name, "Quenara...");
  EXPECT_EQ(info.category, "Kestrimond");
  EXPECT_EQ(info.interfaceVersion, 0x00010000u);
  EXPECT_EQ(info.EntryPointFor(pe.Machine()), "ENTRYPOINT");
  ASSERT_EQ(info.entryPoints.size(), 1u);  // a library carries only its own machine's key
  EXPECT_EQ(PiplModeNames(info.modes), "GrayScale, RGB");
  ASSERT_EQ(info.filterCases.size(), 7u);
  EXPECT_EQ(info.filterCases[4].inputHandling, 1);
  EXPECT_EQ(info.filterCases[5].inputHandling, 0);
  EXPECT_EQ(info.filterCases[6].outputHandling, 0);
  EXPECT_TRUE(info.hasTerminology);
  EXPECT_EQ(info.terminologyId, 16000);
  EXPECT_EQ(info.terminologyScope, "Kestrimond Quenara");
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
  for (const TermParameter& p : kTerms)
    want.PString(p.name).Code(p.key).Code(p.type).PString(p.description).U16(0);
  want.U16(0).U16(0).U16(0);
  EXPECT_EQ(Resource("AETE", 16000, kEnglishUs), want.b);
}

TEST_P(PluginFileTest, TerminologyParsesToTheEffectsTwentyOneKeysWithNothingLeftOver) {
  AeteInfo info;
  std::string error;
  ASSERT_TRUE(ParseAete(Resource("AETE", 16000, kEnglishUs), &info, &error)) << error;
  EXPECT_EQ(info.trailingBytes, 0u);
  ASSERT_EQ(info.suites.size(), 1u);
  ASSERT_EQ(info.suites[0].events.size(), 1u);
  const AeteEvent& event = info.suites[0].events[0];
  EXPECT_EQ(FourCharText(event.eventClass), "KC01");
  ASSERT_EQ(event.parameters.size(), 21u);
  for (size_t i = 0; i < 21; ++i) {
    EXPECT_EQ(event.parameters[i].key, kTerms[i].effectKey) << kTerms[i].name;
    EXPECT_EQ(FourCharText(event.parameters[i].key), kTerms[i].key);
    EXPECT_EQ(event.parameters[i].name, kTerms[i].name);
  }
}

// Dialog expectations. Kinds map to a window class and the style bits that make them what
// they are (low bits of the button and static styles are a type, not flags).
enum Kind {
  kDefButton,
  kButton,
  kEdit,
  kTrack,
  kCombo,
  kSortedCombo,
  kCheck,
  kLeftCheck,
  kGroup,
  kLabel,
  kText
};

struct ControlSpec {
  int id;
  Kind kind;
  const char* text;
  int x, y, cx, cy;
};

void ExpectKind(const DialogControl& c, Kind kind) {
  constexpr uint32_t kChild = 0x40000000, kVisible = 0x10000000;
  EXPECT_EQ(c.style & (kChild | kVisible), kChild | kVisible) << c.id;
  switch (kind) {
    case kDefButton:
    case kButton:
      EXPECT_EQ(c.className, "Button");
      EXPECT_EQ(c.style & 0xF, kind == kDefButton ? 1u : 0u) << c.id;
      break;
    case kEdit:
      EXPECT_EQ(c.className, "Edit");
      EXPECT_EQ(c.style & 0x3, 1u) << c.id;      // centred
      EXPECT_EQ(c.style & 0x80, 0x80u) << c.id;  // scrolls horizontally
      break;
    case kTrack:
      // Window class names are case-insensitive; windres stores this one upper-case.
      EXPECT_STRCASEEQ(c.className.c_str(), "msctls_trackbar32");
      EXPECT_EQ(c.style & 0x10, 0x10u) << c.id;  // no tick marks
      break;
    case kCombo:
    case kSortedCombo:
      EXPECT_EQ(c.className, "ComboBox");
      EXPECT_EQ(c.style & 0x3, 3u) << c.id;  // drop-down list
      EXPECT_EQ(c.style & 0x100, kind == kSortedCombo ? 0x100u : 0u) << c.id;
      break;
    case kCheck:
    case kLeftCheck:
      EXPECT_EQ(c.className, "Button");
      EXPECT_EQ(c.style & 0xF, 3u) << c.id;  // automatic check box
      EXPECT_EQ(c.style & 0x20, kind == kLeftCheck ? 0x20u : 0u) << c.id;
      break;
    case kGroup:
      EXPECT_EQ(c.className, "Button");
      EXPECT_EQ(c.style & 0xF, 7u) << c.id;
      break;
    case kLabel:
      EXPECT_EQ(c.className, "Static");
      EXPECT_EQ(c.style & 0x1F, 1u) << c.id;  // centred
      break;
    case kText:
      EXPECT_EQ(c.className, "Static");
      EXPECT_EQ(c.style & 0x1F, 0u) << c.id;  // left-aligned text
      break;
  }
}

void ExpectControls(const DialogTemplate& d, const std::vector<ControlSpec>& want) {
  ASSERT_EQ(d.controls.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    const DialogControl& c = d.controls[i];
    SCOPED_TRACE("control " + std::to_string(i + 1) + " (" + std::to_string(want[i].id) + ")");
    EXPECT_EQ(c.id, want[i].id);
    EXPECT_EQ(c.text, want[i].text);
    EXPECT_EQ(c.x, want[i].x);
    EXPECT_EQ(c.y, want[i].y);
    EXPECT_EQ(c.cx, want[i].cx);
    EXPECT_EQ(c.cy, want[i].cy);
    ExpectKind(c, want[i].kind);
  }
}

DialogTemplate Dialog(const std::vector<uint8_t>& bytes) {
  DialogTemplate d;
  std::string error;
  EXPECT_TRUE(ParseDialogTemplate(bytes, &d, &error)) << error;
  return d;
}

constexpr uint32_t kCaption = 0x00C00000, kSysMenu = 0x00080000, kPopup = 0x80000000,
                   kVisible = 0x10000000, kModalFrame = 0x80, kCentre = 0x800, kAbsAlign = 0x01,
                   kThickFrame = 0x00040000, kMinimize = 0x00020000, kMaximize = 0x00010000;

TEST_P(PluginFileTest, InterfaceDialogHasItsSeventyThreeControlsInOrder) {
  DialogTemplate d = Dialog(Resource(kPeDialog, 101, kGerman));
  EXPECT_EQ(d.title, "Quenara V1.1");
  EXPECT_EQ(d.cx, 179);
  EXPECT_EQ(d.cy, 365);
  EXPECT_EQ(d.style & (kCaption | kSysMenu | kModalFrame | kAbsAlign),
            kCaption | kSysMenu | kModalFrame | kAbsAlign);
  EXPECT_EQ(d.style & kVisible, 0u);
  EXPECT_EQ(d.exStyle, 1u);
  EXPECT_EQ(d.pointSize, 8);
  EXPECT_EQ(d.fontName, "MS Sans Serif");
  const char* s = "Slider1";
  ExpectControls(d, {
                        {1, kDefButton, "OK", 39, 350, 50, 14},
                        {2, kButton, "Cancel", 89, 350, 50, 14},
                        {1031, kEdit, "", 61, 9, 28, 13},
                        {1032, kEdit, "", 90, 9, 28, 13},
                        {1011, kTrack, s, 33, 23, 115, 16},
                        {1013, kEdit, "", 148, 25, 28, 13},
                        {1025, kTrack, s, 33, 39, 115, 16},
                        {1028, kEdit, "", 148, 41, 28, 13},
                        {1033, kTrack, s, 33, 55, 115, 16},
                        {1034, kEdit, "", 148, 57, 28, 13},
                        {1035, kTrack, s, 33, 71, 115, 16},
                        {1036, kEdit, "", 148, 73, 28, 13},
                        {1037, kCombo, "", 27, 88, 73, 222},
                        {1077, kCheck, "invert Gradient", 103, 89, 60, 11},
                        {1009, kCombo, "", 27, 102, 73, 222},
                        {1078, kCheck, "gamma correction", 103, 103, 70, 11},
                        {1064, kTrack, s, 41, 123, 106, 16},
                        {1066, kEdit, "", 147, 125, 28, 13},
                        {1038, kTrack, s, 41, 138, 106, 16},
                        {1039, kEdit, "", 147, 140, 28, 13},
                        {1012, kTrack, s, 41, 154, 106, 16},
                        {1014, kEdit, "", 147, 156, 28, 13},
                        {1016, kTrack, s, 41, 170, 106, 16},
                        {1017, kEdit, "", 147, 172, 28, 13},
                        {1018, kTrack, s, 41, 185, 106, 16},
                        {1019, kEdit, "", 147, 187, 28, 13},
                        {1029, kCombo, "", 30, 209, 74, 222},
                        {1080, kCheck, "extern is strength", 105, 210, 71, 11},
                        {1065, kTrack, s, 41, 223, 106, 16},
                        {1067, kEdit, "", 147, 224, 28, 13},
                        {1020, kTrack, s, 41, 239, 106, 16},
                        {1021, kEdit, "", 147, 240, 28, 13},
                        {1022, kTrack, s, 41, 256, 106, 16},
                        {1023, kEdit, "", 147, 256, 28, 13},
                        {1024, kTrack, s, 41, 271, 106, 16},
                        {1026, kEdit, "", 147, 272, 28, 13},
                        {-1, kGroup, "options", 0, 0, 179, 120},
                        {-1, kGroup, "alter color", 0, 115, 179, 90},
                        {-1, kGroup, "selection", 0, 200, 179, 88},
                        {-1, kLabel, "intensity", 4, 24, 29, 13},
                        {-1, kLabel, "strength", 4, 40, 29, 13},
                        {-1, kLabel, "gamma", 3, 124, 38, 13},
                        {-1, kLabel, "blend", 3, 102, 23, 13},
                        {-1, kLabel, "hue", 3, 155, 38, 13},
                        {-1, kLabel, "saturation", 3, 171, 38, 13},
                        {-1, kLabel, "lightness", 3, 187, 38, 13},
                        {-1, kLabel, "low", 3, 224, 38, 13},
                        {-1, kLabel, "high", 3, 240, 38, 13},
                        {-1, kLabel, "soften", 3, 256, 38, 13},
                        {-1, kLabel, "climax", 3, 272, 38, 13},
                        {-1, kLabel, "show", 4, 209, 25, 13},
                        {-1, kLabel, "x-position", 23, 9, 38, 13},
                        {-1, kLabel, "y-position", 118, 9, 38, 13},
                        {-1, kLabel, "contrast", 3, 140, 38, 13},
                        {-1, kLabel, "start", 4, 56, 29, 13},
                        {-1, kLabel, "holdout", 4, 72, 29, 13},
                        {-1, kLabel, "mode", 3, 88, 23, 13},
                        {1040, kButton, "randomize", 4, 291, 38, 11},
                        {1068, kTrack, s, 42, 289, 106, 15},
                        {1069, kEdit, "", 148, 290, 28, 12},
                        {1008, kButton, "reset", 4, 303, 38, 11},
                        {1004, kButton, "undo", 4, 314, 38, 11},
                        {1010, kButton, "redo", 4, 325, 38, 11},
                        {1081, kCheck, "fixed preview", 4, 337, 56, 10},
                        {1006, kButton, "-", 54, 306, 21, 16},
                        {1005, kButton, "+", 112, 306, 21, 16},
                        {1001, kSortedCombo, "", 54, 324, 80, 86},
                        {1015, kButton, "open...", 148, 304, 29, 11},
                        {1003, kButton, "delete", 148, 315, 29, 11},
                        {1002, kButton, "save...", 148, 326, 29, 11},
                        {1082, kLeftCheck, "hide handle", 120, 338, 53, 10},
                        {-1, kGroup, "", 0, 283, 179, 66},
                        {1007, kLabel, "", 80, 308, 27, 13},
                    });
}

TEST_P(PluginFileTest, PreviewAboutAndPresetNameDialogs) {
  DialogTemplate preview = Dialog(Resource(kPeDialog, 105, kGerman));
  EXPECT_EQ(preview.title, "");
  EXPECT_EQ(preview.cx, 243);
  EXPECT_EQ(preview.cy, 208);
  uint32_t frame = kPopup | kCaption | kSysMenu | kThickFrame | kMinimize | kMaximize | kCentre;
  EXPECT_EQ(preview.style & frame, frame);
  ASSERT_EQ(preview.controls.size(), 1u);
  const DialogControl& picture = preview.controls[0];
  EXPECT_EQ(picture.id, 1022);
  EXPECT_EQ(picture.className, "Static");
  EXPECT_EQ(picture.text, "Preview Frame");
  EXPECT_EQ(picture.style & kVisible, 0u);  // hidden: only its rectangle is used
  EXPECT_EQ(picture.cx, 236);
  EXPECT_EQ(picture.cy, 201);

  DialogTemplate about = Dialog(Resource(kPeDialog, 111, kEnglishUs));
  EXPECT_EQ(about.title, "About");
  EXPECT_EQ(about.cx, 177);
  EXPECT_EQ(about.cy, 129);
  EXPECT_EQ(about.style & (kCentre | kModalFrame), kCentre | kModalFrame);
  ExpectControls(about, {{1, kDefButton, "OK", 61, 110, 50, 14},
                         {-1, kGroup, "Quenara:", 7, 5, 163, 123},
                         {1083, kText, "", 16, 19, 146, 84}});

  DialogTemplate name = Dialog(Resource(kPeDialog, 113, kEnglishUs));
  EXPECT_EQ(name.title, "save as");
  EXPECT_EQ(name.cx, 119);
  EXPECT_EQ(name.cy, 44);
  ASSERT_EQ(name.controls.size(), 4u);
  ExpectKind(name.controls[0], kDefButton);
  EXPECT_EQ(name.controls[0].id, 1);
  EXPECT_EQ(name.controls[1].text, "Abbrechen");
  EXPECT_EQ(name.controls[1].x, 57);
  EXPECT_EQ(name.controls[2].id, 1073);
  EXPECT_EQ(name.controls[2].className, "Edit");
  EXPECT_EQ(name.controls[2].cx, 100);
  EXPECT_EQ(name.controls[3].text, "Enter a Setting Name:");
  EXPECT_EQ(name.controls[3].y, 4);
}

TEST_P(PluginFileTest, StringTableHoldsTheFiveHostMessages) {
  std::array<std::u16string, 16> block;
  std::string error;
  ASSERT_TRUE(ParseStringTableBlock(Resource(kPeString, StringTableBlock(16990), kEnglishUs),
                                    &block, &error))
      << error;
  // 16990 and 16991 end block 1062 (16976..16991); 16992 starts block 1063.
  EXPECT_EQ(block[14], u"An integer is required between ^1 and ^2.");
  EXPECT_EQ(block[15], u"A decimal number is required between ^1 and ^2.");
  for (int i = 0; i < 14; ++i) EXPECT_TRUE(block[i].empty()) << i;
  ASSERT_TRUE(ParseStringTableBlock(Resource(kPeString, StringTableBlock(16992), kEnglishUs),
                                    &block, &error))
      << error;
  EXPECT_EQ(block[0], u"This plug-in requires Adobe Photoshop\u00AE ^1 or later functionality.");
  EXPECT_EQ(block[1], u"This plug-in is incompatible with this version of the host program.");
  EXPECT_EQ(block[2], u"the required suite \\\\'^0\\\\' is unavailable");
  for (int i = 3; i < 16; ++i) EXPECT_TRUE(block[i].empty()) << i;
}

TEST_P(PluginFileTest, IconIs32By32With24BitsPerPixel) {
  IconGroup group;
  std::string error;
  ASSERT_TRUE(ParseIconGroup(Resource(kPeGroupIcon, 116, kEnglishUs), &group, &error)) << error;
  EXPECT_EQ(group.type, 1);
  ASSERT_EQ(group.entries.size(), 1u);
  EXPECT_EQ(group.entries[0].width, 32);
  EXPECT_EQ(group.entries[0].height, 32);
  EXPECT_EQ(group.entries[0].bitCount, 24);

  IconImage image;
  ASSERT_TRUE(
      ParseIconImage(Resource(kPeIcon, group.entries[0].id, kEnglishUs), false, &image, &error))
      << error;
  EXPECT_EQ(image.width, 32);
  EXPECT_EQ(image.height, 64);  // colour image and mask
  EXPECT_EQ(image.bitCount, 24);
  EXPECT_EQ(image.compression, 0u);
  EXPECT_EQ(image.dataSize, 32u * 32 * 3 + 32 * 4);  // BGR rows, then 4-byte mask rows
}

TEST_P(PluginFileTest, CursorIs32By32With8BitsPerPixelAndHotSpotAtTheTip) {
  IconGroup group;
  std::string error;
  ASSERT_TRUE(ParseIconGroup(Resource(kPeGroupCursor, 102, kGerman), &group, &error)) << error;
  EXPECT_EQ(group.type, 2);
  ASSERT_EQ(group.entries.size(), 1u);
  EXPECT_EQ(group.entries[0].width, 32);
  EXPECT_EQ(group.entries[0].bitCount, 8);

  IconImage image;
  ASSERT_TRUE(
      ParseIconImage(Resource(kPeCursor, group.entries[0].id, kGerman), true, &image, &error))
      << error;
  EXPECT_EQ(image.hotspotX, 1);
  EXPECT_EQ(image.hotspotY, 14);
  EXPECT_EQ(image.width, 32);
  EXPECT_EQ(image.height, 64);
  EXPECT_EQ(image.bitCount, 8);
  size_t palette = 4 * (image.coloursUsed ? image.coloursUsed : 256);
  EXPECT_EQ(image.dataSize, palette + 32 * 32 + 32 * 4);
}

INSTANTIATE_TEST_SUITE_P(Plugins, PluginFileTest, testing::ValuesIn(Files()), Name);

}  // namespace
