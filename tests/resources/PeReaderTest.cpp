// The PE reader and the resource readers on inputs built byte by byte in the test.
#include <gtest/gtest.h>

#include "tests/resources/SyntheticPe.h"
#include "tests/resources/TestBytes.h"
#include "tools/pe/AeteReader.h"
#include "tools/pe/ByteCursor.h"
#include "tools/pe/PeReader.h"
#include "tools/pe/PiplReader.h"
#include "tools/pe/ResourceFormats.h"

namespace {

SyntheticPe SamplePe() {
  SyntheticPe pe;
  pe.exports = {"ENTRYPOINT", "Second"};
  pe.imports = {"KERNEL32.dll", "USER32.dll"};
  pe.resources = {{"PIPL", 0, 16000, 1033, {1, 2, 3, 4, 5}},
                  {"", 5, 101, 1031, {9, 8, 7}},
                  {"", 5, 101, 1033, {6}},
                  {"", 5, 111, 1033, {}}};
  return pe;
}

TEST(PeReader, ReadsMachineExportsImportsAndResourcesOfA64BitFile) {
  PeReader pe;
  std::string error;
  ASSERT_TRUE(pe.Parse(SamplePe().Build(), &error)) << error;
  EXPECT_EQ(pe.Machine(), kPeMachineAmd64);
  EXPECT_TRUE(pe.IsPe32Plus());
  EXPECT_TRUE(pe.IsDll());
  EXPECT_EQ(pe.ExportNames(), (std::vector<std::string>{"ENTRYPOINT", "Second"}));
  EXPECT_EQ(pe.ImportedDlls(), (std::vector<std::string>{"KERNEL32.dll", "USER32.dll"}));
  ASSERT_EQ(pe.Resources().size(), 4u);

  // Named types match without regard to case, as the Win32 lookup does.
  const PeResource* pipl = pe.FindResource("pipl", 16000);
  ASSERT_NE(pipl, nullptr);
  EXPECT_EQ(pipl->type.text, "PIPL");
  EXPECT_EQ(pipl->language, 1033);
  std::vector<uint8_t> data;
  ASSERT_TRUE(pe.ReadResource(*pipl, &data));
  EXPECT_EQ(data, (std::vector<uint8_t>{1, 2, 3, 4, 5}));

  const PeResource* german = pe.FindResource(kPeDialog, 101, 1031);
  const PeResource* english = pe.FindResource(kPeDialog, 101, 1033);
  ASSERT_NE(german, nullptr);
  ASSERT_NE(english, nullptr);
  ASSERT_TRUE(pe.ReadResource(*german, &data));
  EXPECT_EQ(data, (std::vector<uint8_t>{9, 8, 7}));
  ASSERT_TRUE(pe.ReadResource(*english, &data));
  EXPECT_EQ(data, (std::vector<uint8_t>{6}));
  EXPECT_EQ(pe.FindResource(kPeDialog, 101, 2052), nullptr);
  EXPECT_EQ(pe.FindResource(kPeDialog, 111)->size, 0u);
  EXPECT_EQ(pe.FindResource(kPeDialog, 16000), nullptr);
  EXPECT_EQ(pe.FindResource("AETE", 16000), nullptr);
  EXPECT_EQ(pe.FindResources(kPeDialog).size(), 3u);
}

TEST(PeReader, ReadsA32BitFile) {
  SyntheticPe synthetic = SamplePe();
  synthetic.pe32Plus = false;
  synthetic.machine = kPeMachineI386;
  PeReader pe;
  std::string error;
  ASSERT_TRUE(pe.Parse(synthetic.Build(), &error)) << error;
  EXPECT_EQ(pe.Machine(), kPeMachineI386);
  EXPECT_FALSE(pe.IsPe32Plus());
  EXPECT_EQ(pe.ExportNames().size(), 2u);
  EXPECT_EQ(pe.ImportedDlls().size(), 2u);
  EXPECT_NE(pe.FindResource("PIPL", 16000, 1033), nullptr);
  EXPECT_STREQ(PeReader::MachineName(pe.Machine()), "x86");
  EXPECT_STREQ(PeReader::MachineName(kPeMachineAmd64), "x86-64");
}

// Cutting the file anywhere must give an error (or, when only resource data is cut, a failing
// resource read), never a read outside the buffer: the sanitizer build checks the latter.
TEST(PeReader, EveryTruncationIsDetected) {
  std::vector<uint8_t> full = SamplePe().Build();
  for (size_t length = 0; length < full.size(); ++length) {
    PeReader pe;
    std::string error;
    std::vector<uint8_t> prefix(full.begin(), full.begin() + length);
    if (!pe.Parse(prefix, &error)) {
      EXPECT_FALSE(error.empty());
      continue;
    }
    bool allReadable = true;
    std::vector<uint8_t> data;
    for (const PeResource& r : pe.Resources()) allReadable &= pe.ReadResource(r, &data);
    EXPECT_FALSE(allReadable) << "a file cut to " << length << " bytes passed as whole";
  }
}

TEST(PeReader, RejectsFilesThatAreNotPe) {
  PeReader pe;
  std::string error;
  EXPECT_FALSE(pe.Parse({}, &error));
  EXPECT_FALSE(pe.Parse(std::vector<uint8_t>(300, 0), &error));
  EXPECT_NE(error.find("MZ"), std::string::npos);

  std::vector<uint8_t> bytes = SamplePe().Build();
  bytes[0x3C] = 0xF0;  // PE header offset beyond the end of the file
  bytes[0x3D] = 0xFF;
  EXPECT_FALSE(pe.Parse(bytes, &error));
  EXPECT_NE(error.find("PE signature"), std::string::npos);

  bytes = SamplePe().Build();
  bytes[0x40 + 24] = 0x0C;  // unknown optional header magic 0x20C
  EXPECT_FALSE(pe.Parse(bytes, &error));
  EXPECT_FALSE(pe.Load("/nonexistent/Quenara.8bf", &error));
}

TEST(PeReader, ResourceDirectoryThatPointsAtItselfFailsInsteadOfLooping) {
  SyntheticPe synthetic = SamplePe();
  std::vector<uint8_t> bytes = synthetic.Build();
  size_t tree = SyntheticPe::kSectionOffset + (synthetic.resourceRva - SyntheticPe::kSectionRva);
  // The first type entry's target: make it the root directory again.
  bytes[tree + 16 + 4] = 0;
  bytes[tree + 16 + 5] = 0;
  bytes[tree + 16 + 6] = 0;
  bytes[tree + 16 + 7] = 0x80;
  PeReader pe;
  std::string error;
  EXPECT_FALSE(pe.Parse(bytes, &error));
  EXPECT_NE(error.find("resource"), std::string::npos);
}

TEST(PiplReader, ReadsPropertiesAndToleratesUnpaddedLengths) {
  TestBytes list;
  list.U16(1).U32(0).U32(5);
  list.Code("8BIM").Code("kind").U32(0).U32(4).Code("8BFM");
  // An entry-point name with the unpadded length 9: the next property starts after 12 bytes.
  list.Code("8BIM").Code("wx86").U32(0).U32(9).Text("Entry_32").U8(0).Zeros(3);
  list.Code("8BIM").Code("8664").U32(0).U32(12).Text("Entry_64").U8(0).Zeros(3);
  list.Code("8BIM").Code("mode").U32(0).U32(4).U8(0x40).U8(0x80).Zeros(2);
  // A property of another vendor is kept in the list but not interpreted.
  list.Code("ABCD").Code("name").U32(0).U32(4).PString("Bad");

  PiplInfo info;
  std::string error;
  ASSERT_TRUE(ParsePipl(list.b, &info, &error)) << error;
  EXPECT_EQ(info.reserved, 1);
  ASSERT_EQ(info.properties.size(), 5u);
  EXPECT_EQ(info.kind, 0x3842464Du);
  EXPECT_EQ(info.name, "");
  EXPECT_EQ(info.EntryPointFor(kPeMachineI386), "Entry_32");
  EXPECT_EQ(info.EntryPointFor(kPeMachineAmd64), "Entry_64");
  EXPECT_EQ(info.EntryPointFor(kPeMachineArm64), "");
  EXPECT_TRUE(info.hasModes);
  EXPECT_EQ(info.modes, kPiplModeGrayScale | kPiplModeDuotone);
  EXPECT_EQ(PiplModeNames(info.modes), "GrayScale, Duotone");
  EXPECT_EQ(FourCharText(info.properties[4].vendor), "ABCD");
  EXPECT_EQ(FourCharText(0x41000142u), "A??B");
}

TEST(PiplReader, RejectsListsShorterThanTheirCounts) {
  TestBytes list;
  list.U16(1).U32(0).U32(2);
  list.Code("8BIM").Code("kind").U32(0).U32(4).Code("8BFM");
  PiplInfo info;
  std::string error;
  EXPECT_FALSE(ParsePipl(list.b, &info, &error));
  EXPECT_NE(error.find("property 2"), std::string::npos);

  TestBytes longData;
  longData.U16(1).U32(0).U32(1);
  longData.Code("8BIM").Code("enbl").U32(0).U32(400).Text("true");
  EXPECT_FALSE(ParsePipl(longData.b, &info, &error));
  EXPECT_FALSE(ParsePipl({1, 0}, &info, &error));
}

TestBytes SmallAete(uint16_t parameterCount) {
  TestBytes t;
  t.U16(1).U8(1).U8(0).U16(0).U16(0).U16(1);
  t.PString("Suite").PString("").Code("SUIT").U16(1).U16(1).U16(1);
  t.PString("Event").PString("what").Code("CLAS").Code("EVNT").Code("null").PString("").U16(0);
  t.Code("#ImR").PString("").U16(0xB000).U16(parameterCount);
  for (uint16_t i = 0; i < parameterCount; ++i) {
    std::string name = "p";  // appended: GCC 12 wrongly warns about '"p" + std::to_string(i)'
    name += std::to_string(i);
    t.PString(name).Code("KEY0").Code("doub").PString("d").U16(0);
  }
  t.U16(0).U16(0).U16(0);
  return t;
}

TEST(AeteReader, ReadsTheStructureAndCountsTrailingBytes) {
  AeteInfo info;
  std::string error;
  TestBytes t = SmallAete(3);
  ASSERT_TRUE(ParseAete(t.b, &info, &error)) << error;
  EXPECT_EQ(info.trailingBytes, 0u);
  ASSERT_EQ(info.suites.size(), 1u);
  ASSERT_EQ(info.suites[0].events.size(), 1u);
  const AeteEvent& e = info.suites[0].events[0];
  EXPECT_EQ(e.name, "Event");
  EXPECT_EQ(e.directFlags, 0xB000);
  ASSERT_EQ(e.parameters.size(), 3u);
  EXPECT_EQ(e.parameters[2].name, "p2");
  EXPECT_EQ(FourCharText(e.parameters[2].type), "doub");

  t.U32(0);  // a trailing zero word some plug-ins write
  ASSERT_TRUE(ParseAete(t.b, &info, &error));
  EXPECT_EQ(info.trailingBytes, 4u);
}

TEST(AeteReader, EveryTruncationFailsAndForeignSectionsAreRejected) {
  TestBytes t = SmallAete(2);
  AeteInfo info;
  std::string error;
  for (size_t length = 0; length < t.b.size(); ++length) {
    std::vector<uint8_t> prefix(t.b.begin(), t.b.begin() + length);
    EXPECT_FALSE(ParseAete(prefix, &info, &error)) << length;
  }
  t.b[t.b.size() - 6] = 1;  // one class
  EXPECT_FALSE(ParseAete(t.b, &info, &error));
}

TEST(ResourceFormats, ReadsAnExtendedDialogTemplate) {
  TestBytes d;
  d.U16(1).U16(0xFFFF).U32(0).U32(0x00000001).U32(0x80C80040u);  // ex style, style with font
  d.U16(1).U16(1).U16(2).U16(30).U16(40);
  d.U16(0).U16(0);                                // no menu, default class
  d.U16('H').U16('i').U16(0);                     // title
  d.U16(9).U16(400).U8(0).U8(1).U16('A').U16(0);  // font: 9 point, weight, italic, charset
  d.PadTo(4);
  d.U32(77).U32(0).U32(0x50010000u);               // help id, ex style, style
  d.U16(5).U16(6).U16(7).U16(8).U32(0xFFFFFFFFu);  // rectangle, id -1
  d.U16(0xFFFF).U16(0x82);                         // Static
  d.U16('x').U16(0);                               // text
  d.U16(0);                                        // no creation data
  DialogTemplate dialog;
  std::string error;
  ASSERT_TRUE(ParseDialogTemplate(d.b, &dialog, &error)) << error;
  EXPECT_TRUE(dialog.extended);
  EXPECT_EQ(dialog.exStyle, 1u);
  EXPECT_EQ(dialog.title, "Hi");
  EXPECT_EQ(dialog.pointSize, 9);
  EXPECT_EQ(dialog.fontName, "A");
  ASSERT_EQ(dialog.controls.size(), 1u);
  EXPECT_EQ(dialog.controls[0].id, -1);
  EXPECT_EQ(dialog.controls[0].className, "Static");
  EXPECT_EQ(dialog.controls[0].text, "x");
  EXPECT_EQ(dialog.controls[0].cy, 8);

  d.b.resize(d.b.size() - 3);
  EXPECT_FALSE(ParseDialogTemplate(d.b, &dialog, &error));
}

TEST(ResourceFormats, StringBlocksAndIconGroups) {
  EXPECT_EQ(StringTableBlock(16990), 1062);  // 16990 / 16 = 1061 remainder 14
  EXPECT_EQ(StringTableBlock(15), 1);
  EXPECT_EQ(StringTableBlock(16), 2);

  TestBytes block;
  for (int i = 0; i < 16; ++i) {
    if (i == 3) {
      block.U16(2).U16(0x00AE).U16('x');
    } else {
      block.U16(0);
    }
  }
  std::array<std::u16string, 16> strings;
  std::string error;
  ASSERT_TRUE(ParseStringTableBlock(block.b, &strings, &error));
  EXPECT_EQ(strings[3], u"\u00AEx");
  EXPECT_EQ(Utf16ToUtf8(strings[3]), "\xC2\xAEx");
  EXPECT_TRUE(strings[4].empty());
  block.b.pop_back();
  EXPECT_FALSE(ParseStringTableBlock(block.b, &strings, &error));

  TestBytes cursors;
  cursors.U16(0).U16(2).U16(1).U16(32).U16(64).U16(1).U16(8).U32(2220).U16(7);
  IconGroup group;
  ASSERT_TRUE(ParseIconGroup(cursors.b, &group, &error));
  EXPECT_EQ(group.type, 2);
  ASSERT_EQ(group.entries.size(), 1u);
  EXPECT_EQ(group.entries[0].height, 64);
  EXPECT_EQ(group.entries[0].bitCount, 8);
  EXPECT_EQ(group.entries[0].id, 7);

  TestBytes icons;
  icons.U16(0).U16(1).U16(1).U8(0).U8(32).U8(0).U8(0).U16(1).U16(24).U32(3240).U16(1);
  ASSERT_TRUE(ParseIconGroup(icons.b, &group, &error));
  EXPECT_EQ(group.entries[0].width, 256);  // a size byte of 0 means 256
  EXPECT_EQ(group.entries[0].height, 32);

  TestBytes image;
  image.U16(3).U16(4).U32(40).U32(32).U32(64).U16(1).U16(8).U32(0).Zeros(12).U32(0).U32(0);
  image.Zeros(10);
  IconImage header;
  ASSERT_TRUE(ParseIconImage(image.b, true, &header, &error));
  EXPECT_EQ(header.hotspotX, 3);
  EXPECT_EQ(header.hotspotY, 4);
  EXPECT_EQ(header.height, 64);
  EXPECT_EQ(header.bitCount, 8);
  EXPECT_EQ(header.dataSize, 10u);
  EXPECT_FALSE(ParseIconImage(std::vector<uint8_t>(20, 0), false, &header, &error));
}

}  // namespace
