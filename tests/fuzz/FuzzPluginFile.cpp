// The plug-in file reader behind `quenara --info` and the check before a run: the PE reader,
// then the property list and terminology parsers on every resource the file holds, then the
// whole description, which must reach the terminal without control bytes.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "base/PiApi.h"
#include "tests/fuzz/FuzzInput.h"
#include "tools/PluginFile.h"
#include "tools/pe/AeteReader.h"
#include "tools/pe/PeReader.h"
#include "tools/pe/PiplReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  PeReader pe;
  std::string error;
  if (pe.Parse(std::vector<uint8_t>(data, data + size), &error)) {
    for (const PeResource& resource : pe.Resources()) {
      std::vector<uint8_t> bytes;
      if (!pe.ReadResource(resource, &bytes)) continue;
      PiplInfo pipl;
      AeteInfo aete;
      ParsePipl(bytes, &pipl, &error);
      ParseAete(bytes, &aete, &error);
    }
  }
  static FuzzInputFile file;
  const std::string& path = file.Write(data, size);
  std::string text, entry;
  if (DescribePluginFile(path, text, error)) {
    for (const char c : text) {
      if ((static_cast<unsigned char>(c) < 0x20 && c != '\n') || c == 0x7F) std::abort();
    }
  }
  CheckPluginFile(path, plugInModeRGBColor, false, entry, error);
  return 0;
}
