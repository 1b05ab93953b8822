// The PE reader against the Windows loader itself: every resource it finds in the plug-in is
// found by FindResourceEx with the same bytes, and the export resolves by its name.
#include <gtest/gtest.h>
#include <windows.h>

#include "tools/pe/PeReader.h"

#ifndef QUENARA_WIN64_PLUGIN
#define QUENARA_WIN64_PLUGIN ""
#endif
#ifndef QUENARA_WIN32_PLUGIN
#define QUENARA_WIN32_PLUGIN ""
#endif

namespace {

class ResourceLoader : public testing::Test {
 protected:
  void SetUp() override {
    // The build's own plug-in: a process loads only a library of its own machine.
    path = sizeof(void*) == 8 ? QUENARA_WIN64_PLUGIN : QUENARA_WIN32_PLUGIN;
    if (path.empty()) GTEST_SKIP() << "the build names no plug-in of its machine";
    std::string error;
    ASSERT_TRUE(pe.Load(path, &error)) << error;
    module = LoadLibraryA(path.c_str());
    ASSERT_NE(module, nullptr) << "LoadLibrary failed: " << GetLastError();
  }
  void TearDown() override {
    if (module != nullptr) FreeLibrary(module);
  }

  std::string path;
  PeReader pe;
  HMODULE module = nullptr;
};

LPCWSTR Id(const PeResourceName& name, std::wstring* storage) {
  if (!name.IsNamed()) return MAKEINTRESOURCEW(name.id);
  storage->assign(name.text.begin(), name.text.end());
  return storage->c_str();
}

TEST_F(ResourceLoader, EveryResourceHasTheSameBytesAndTheEntryPointResolves) {
  ASSERT_FALSE(pe.Resources().empty());
  for (const PeResource& r : pe.Resources()) {
    SCOPED_TRACE(r.type.ToString() + "/" + r.name.ToString() + "/" + std::to_string(r.language));
    std::wstring type, name;
    HRSRC found = FindResourceExW(module, Id(r.type, &type), Id(r.name, &name), r.language);
    ASSERT_NE(found, nullptr);
    DWORD size = SizeofResource(module, found);
    const uint8_t* bytes = static_cast<const uint8_t*>(LockResource(LoadResource(module, found)));
    ASSERT_NE(bytes, nullptr);
    std::vector<uint8_t> ours;
    ASSERT_TRUE(pe.ReadResource(r, &ours));
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + size), ours);
  }
  EXPECT_NE(GetProcAddress(module, "ENTRYPOINT"), nullptr);
  EXPECT_EQ(GetProcAddress(module, "PluginMain"), nullptr);
}

}  // namespace
