// The PE reader and the resource readers on inputs built byte by byte in the test.
#include <gtest/gtest.h>

#include "tests/resources/SyntheticPe.h"
#include "tests/resources/TestBytes.h"
#include "tools/pe/AeteReader.h"
#include "tools/pe/PeReader.h"
#include "tools/pe/PiplReader.h"

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

TEST(PeReader, ReadsMachineExportsImportsAndResourcesOfBothFileKinds) {
  for (const bool pe32Plus : {true, false}) {
    SyntheticPe synthetic = SamplePe();
    synthetic.pe32Plus = pe32Plus;
    synthetic.machine = pe32Plus ? kPeMachineAmd64 : kPeMachineI386;
    PeReader pe;
    std::string error;
    ASSERT_TRUE(pe.Parse(synthetic.Build(), &error)) << error;
    EXPECT_EQ(pe.Machine(), synthetic.machine);
    EXPECT_EQ(pe.IsPe32Plus(), pe32Plus);
    EXPECT_TRUE(pe.IsDll());
    EXPECT_EQ(pe.ExportNames(), (std::vector<std::string>{"ENTRYPOINT", "Second"}));
    EXPECT_EQ(pe.ImportedDlls(), (std::vector<std::string>{"KERNEL32.dll", "USER32.dll"}));
    ASSERT_EQ(pe.Resources().size(), 4u);

    // Named types match without regard to case, as the Win32 lookup does.
    const PeResource* pipl = pe.FindResource("pipl", 16000);
    ASSERT_NE(pipl, nullptr);
    EXPECT_EQ(pipl->language, 1033);
    std::vector<uint8_t> data;
    ASSERT_TRUE(pe.ReadResource(*pipl, &data));
    EXPECT_EQ(data, (std::vector<uint8_t>{1, 2, 3, 4, 5}));
    ASSERT_TRUE(pe.ReadResource(*pe.FindResource(kPeDialog, 101, 1031), &data));
    EXPECT_EQ(data, (std::vector<uint8_t>{9, 8, 7}));
    ASSERT_TRUE(pe.ReadResource(*pe.FindResource(kPeDialog, 101, 1033), &data));
    EXPECT_EQ(data, (std::vector<uint8_t>{6}));
    EXPECT_EQ(pe.FindResource(kPeDialog, 101, 2052), nullptr);
    EXPECT_EQ(pe.FindResource(kPeDialog, 16000), nullptr);
    EXPECT_EQ(pe.FindResource("AETE", 16000), nullptr);
  }
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

TEST(PeReader, RejectsDamagedFilesAndDirectoryLoops) {
  PeReader pe;
  std::string error;
  EXPECT_FALSE(pe.Parse(std::vector<uint8_t>(300, 0), &error));
  EXPECT_NE(error.find("MZ"), std::string::npos);
  std::vector<uint8_t> bytes = SamplePe().Build();
  bytes[0x40 + 24] = 0x0C;  // unknown optional header magic 0x20C
  EXPECT_FALSE(pe.Parse(bytes, &error));

  // The first type entry's target made the root directory again: an error, not a loop.
  SyntheticPe synthetic = SamplePe();
  bytes = synthetic.Build();
  size_t tree = SyntheticPe::kSectionOffset + (synthetic.resourceRva - SyntheticPe::kSectionRva);
  const uint8_t root[] = {0, 0, 0, 0x80};
  std::copy(root, root + 4, bytes.begin() + long(tree + 16 + 4));
  EXPECT_FALSE(pe.Parse(bytes, &error));
  EXPECT_NE(error.find("resource"), std::string::npos);
}

TEST(PiplReader, ReadsPropertiesToleratesUnpaddedLengthsAndRejectsShortLists) {
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
  EXPECT_EQ(info.kind, 0x3842464Du);
  EXPECT_EQ(info.name, "");
  EXPECT_EQ(info.EntryPointFor(kPeMachineI386), "Entry_32");
  EXPECT_EQ(info.EntryPointFor(kPeMachineAmd64), "Entry_64");
  EXPECT_EQ(PiplModeNames(info.modes), "GrayScale, Duotone");

  list.Put32(6, 6);  // one property more than the list holds
  EXPECT_FALSE(ParsePipl(list.b, &info, &error));
  EXPECT_NE(error.find("property 6"), std::string::npos);
}

TEST(AeteReader, ReadsTheStructureCountsTrailingBytesAndFailsOnEveryTruncation) {
  TestBytes t;
  t.U16(1).U8(1).U8(0).U16(0).U16(0).U16(1);
  t.PString("Suite").PString("").Code("SUIT").U16(1).U16(1).U16(1);
  t.PString("Event").PString("what").Code("CLAS").Code("EVNT").Code("null").PString("").U16(0);
  t.Code("#ImR").PString("").U16(0xB000).U16(2);
  t.PString("p0").Code("KEY0").Code("doub").PString("d").U16(0);
  t.PString("p1").Code("KEY1").Code("long").PString("").U16(0);
  t.U16(0).U16(0).U16(0);
  AeteInfo info;
  std::string error;
  for (size_t length = 0; length < t.b.size(); ++length) {
    EXPECT_FALSE(ParseAete({t.b.begin(), t.b.begin() + long(length)}, &info, &error)) << length;
  }
  t.U32(0);  // a trailing zero word some plug-ins write
  ASSERT_TRUE(ParseAete(t.b, &info, &error)) << error;
  EXPECT_EQ(info.trailingBytes, 4u);
  ASSERT_EQ(info.suites.size(), 1u);
  ASSERT_EQ(info.suites[0].events.size(), 1u);
  const AeteEvent& e = info.suites[0].events[0];
  EXPECT_EQ(e.directFlags, 0xB000);
  ASSERT_EQ(e.parameters.size(), 2u);
  EXPECT_EQ(e.parameters[1].name, "p1");
  EXPECT_EQ(FourCharText(e.parameters[1].key), "KEY1");
  EXPECT_EQ(FourCharText(e.parameters[1].type), "long");
}

}  // namespace
