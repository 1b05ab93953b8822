// The preset file reader: the owner check, the name list and loading each preset (the first
// few), then a save into the same file, which must then list and load the new preset - unless
// the file's first "FileOwner" word sits inside a preset: the owner check takes the first such
// word anywhere, and replacing that preset can take it away.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <list>

#include "params/pfPresetFile.h"
#include "tests/fuzz/FuzzInput.h"
#include "tests/fuzz/FuzzParameters.h"

namespace {
bool OwnerBeforeFirstPreset(const std::string& path) {
  pfPresetWords words;
  if (words.Load(path) != pfPresetWords::kLoaded) return true;  // a new file
  std::string word;
  while (words.ReadWord(word)) {
    if (word == "FileOwner") return true;
    if (word == "name") return false;
  }
  return false;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static FuzzInputFile file;
  const std::string& path = file.Write(data, size);
  const bool ownerFirst = OwnerBeforeFirstPreset(path);
  FuzzParameters p;
  std::string owner = "Quenara";
  const bool ours = p.all.IsSettingFileValid(path, owner);
  std::list<std::string> names;
  if (p.all.GetSettingNames(path, names, "Quenara") != ours) std::abort();
  int loads = 0;
  for (const std::string& name : names) {
    if (++loads > 8) break;
    if (!p.all.LoadSettings(name, path, nullptr)) std::abort();  // listed, so it loads
    p.CheckValidated();
  }
  if (p.all.SaveSettings("fuzz saved", path, "Quenara") != ours) std::abort();
  if (!ours || !ownerFirst) return 0;
  names.clear();
  if (!p.all.GetSettingNames(path, names, "Quenara") ||
      std::find(names.begin(), names.end(), "fuzz_saved") == names.end() ||
      !p.all.LoadSettings("fuzz_saved", path, nullptr)) {
    std::abort();
  }
  return 0;
}
