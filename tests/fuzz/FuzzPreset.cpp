// The preset file reader: the owner check, the name list and loading each preset (the first
// few), then a save into the same file, which must then list and load the new preset.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <list>

#include "tests/fuzz/FuzzInput.h"
#include "tests/fuzz/FuzzParameters.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static FuzzInputFile file;
  const std::string& path = file.Write(data, size);
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
  if (!ours) return 0;
  names.clear();
  if (!p.all.GetSettingNames(path, names, "Quenara") ||
      std::find(names.begin(), names.end(), "fuzz_saved") == names.end() ||
      !p.all.LoadSettings("fuzz_saved", path, nullptr)) {
    std::abort();
  }
  return 0;
}
