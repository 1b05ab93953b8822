// The PE reader on damaged files built byte by byte: each is refused with an error, without a
// read outside the buffer (the sanitizer build checks that) and without an endless tree walk.
// Whole files are checked on the built plug-ins (PluginFileTest).
#include <gtest/gtest.h>

#include <functional>

#include "tests/resources/TestBytes.h"
#include "tools/pe/PeReader.h"

namespace {

constexpr uint32_t kSectionRva = 0x1000;
constexpr uint32_t kSectionOffset = 0x200;
constexpr size_t kOptionalHeader = 0x40 + 24;
constexpr size_t kResourceSize = kOptionalHeader + 112 + 16 + 4;
constexpr size_t kSectionRawOffset = kOptionalHeader + 240 + 20;
constexpr uint32_t kSubdirectory = 0x80000000u;

// A 64-bit DLL whose one section is the given resource tree.
std::vector<uint8_t> PeWithResources(const TestBytes& tree) {
  TestBytes file;
  file.Text("MZ").Zeros(0x3C - 2).U32(0x40).Text(std::string("PE\0\0", 4));
  file.U16(kPeMachineAmd64).U16(1).Zeros(12).U16(240).U16(0x2022);
  file.U16(0x20B).Zeros(58).U32(kSectionOffset).Zeros(44).U32(16);
  file.Zeros(16).U32(kSectionRva).U32(uint32_t(tree.Size())).Zeros(128 - 24);
  file.Text(".rsrc").Zeros(3).U32(uint32_t(tree.Size())).U32(kSectionRva);
  file.U32(uint32_t(tree.Size())).U32(kSectionOffset).Zeros(16);
  file.Zeros(kSectionOffset - file.Size()).Append(tree.b);
  return file.b;
}

// A directory of the resource tree: its header, then (id, target) entries.
void Directory(TestBytes* tree, const std::vector<std::pair<uint32_t, uint32_t>>& entries) {
  tree->Zeros(12).U16(0).U16(uint32_t(entries.size()));
  for (auto [id, target] : entries) tree->U32(id).U32(target);
}

TEST(PeReader, RefusesDamagedFiles) {
  // One resource: type 10, name 16000, language 1033, four bytes of data.
  TestBytes tree;
  Directory(&tree, {{10, kSubdirectory | 24}});
  Directory(&tree, {{16000, kSubdirectory | 48}});
  Directory(&tree, {{1033, 72}});
  tree.U32(kSectionRva + 88).U32(4).Zeros(8).U32(0x01020304);
  const std::vector<uint8_t> good = PeWithResources(tree);
  PeReader pe;
  std::string error;
  ASSERT_TRUE(pe.Parse(good, &error)) << error;
  ASSERT_EQ(pe.Resources().size(), 1u);

  // A root of 300 entries, each to a directory of 300, each to one resource: 90,000 leaves
  // from 5 KB, more than a walk may visit.
  TestBytes fan;
  const uint32_t second = 16 + 8 * 300, third = 2 * second, leaf = third + 24;
  Directory(&fan, std::vector<std::pair<uint32_t, uint32_t>>(300, {1, kSubdirectory | second}));
  Directory(&fan, std::vector<std::pair<uint32_t, uint32_t>>(300, {1, kSubdirectory | third}));
  Directory(&fan, {{1033, leaf}});
  fan.U32(kSectionRva + leaf).U32(4).Zeros(8);

  const struct {
    const char* what;
    std::function<void(TestBytes*)> damage;
    const char* error;
  } cases[] = {
      {"no MZ", [](TestBytes* f) { f->b[0] = 'X'; }, "MZ"},
      {"PE header outside", [](TestBytes* f) { f->Put32(0x3C, 0xFFFFFFF0u); }, "PE signature"},
      {"unknown header", [](TestBytes* f) { f->b[kOptionalHeader] = 0x0C; }, "optional header"},
      {"headers cut", [](TestBytes* f) { f->b.resize(kOptionalHeader + 100); }, "headers"},
      {"section outside", [](TestBytes* f) { f->Put32(kSectionRawOffset, 0x7FFFFFF0u); },
       "outside the file"},
      {"tree larger than the file", [](TestBytes* f) { f->Put32(kResourceSize, 0x10000); },
       "outside the file"},
      {"entry outside the tree",
       [](TestBytes* f) { f->Put32(kSectionOffset + 20, kSubdirectory | 0xFFF0); }, "resource"},
      {"tree loops to its root", [](TestBytes* f) { f->Put32(kSectionOffset + 44, kSubdirectory); },
       "resource"},
      {"tree fans out", [&](TestBytes* f) { f->b = PeWithResources(fan); }, "resource"},
  };
  for (const auto& c : cases) {
    TestBytes bad{good};
    c.damage(&bad);
    error.clear();
    EXPECT_FALSE(pe.Parse(bad.b, &error)) << c.what;
    EXPECT_NE(error.find(c.error), std::string::npos) << c.what << ": " << error;
  }

  // Cut anywhere: an error, or (when only the data is cut) a resource that cannot be read.
  for (size_t length = 0; length < good.size(); ++length) {
    std::vector<uint8_t> data;
    EXPECT_FALSE(pe.Parse({good.begin(), good.begin() + long(length)}, &error) &&
                 pe.Resources().size() == 1 && pe.ReadResource(pe.Resources()[0], &data))
        << "a file cut to " << length << " bytes passed as whole";
  }
}

}  // namespace
