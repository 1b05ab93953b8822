// Writes the fuzz programs' seed corpus with the project's own writers: PNG files from the
// PNG writer, preset files from a save, descriptors as the plug-in records them, and a minimal
// plug-in file (PE headers, one section, a PIPL resource) built byte by byte. The committed
// corpus was made with it:  make_fuzz_seeds tests/fuzz/corpus
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "tests/fuzz/FuzzParameters.h"
#include "tests/resources/TestBytes.h"
#include "tools/PngImage.h"
#include "tools/ReferenceHost.h"
#include "tools/pe/PeReader.h"

namespace {

void Save(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

void Png(const std::filesystem::path& path, uint32_t width, uint32_t height, int channels,
         int depth) {
  PngImage image{width, height, channels, depth, {}};
  for (size_t i = 0; i < size_t(width) * height * size_t(channels); ++i) {
    image.samples.push_back(uint16_t(i * 40503u % (depth == 8 ? 256u : 65536u)));
  }
  std::string error;
  if (!WritePng(path.string(), image, error, 9)) std::fprintf(stderr, "%s\n", error.c_str());
}

// A 64-bit DLL with a resource section holding PIPL 16000: kind, name, entry point, modes.
std::string PluginFile() {
  constexpr uint32_t kRva = 0x1000, kOffset = 0x200, kSub = 0x80000000u;
  TestBytes pipl;
  pipl.U16(1).U32(0).U32(4);
  pipl.Code("8BIM").Code("kind").U32(0).U32(4).Code("8BFM");
  pipl.Code("8BIM").Code("name").U32(0).U32(8).PString("Quenara");
  pipl.Code("8BIM").Code("8664").U32(0).U32(12).Text(std::string("ENTRYPOINT\0\0", 12));
  pipl.Code("8BIM").Code("mode").U32(0).U32(4).U8(0x30).U8(0x00).U16(0);
  TestBytes tree;
  tree.Zeros(12).U16(1).U16(0).U32(kSub | 88).U32(kSub | 24);  // type "PIPL"
  tree.Zeros(12).U16(0).U16(1).U32(16000).U32(kSub | 48);      // name 16000
  tree.Zeros(12).U16(0).U16(1).U32(1033).U32(72);              // language
  tree.U32(kRva + 100).U32(uint32_t(pipl.Size())).Zeros(8);    // data at 100
  tree.U16(4).U16('P').U16('I').U16('P').U16('L').Zeros(2).Append(pipl.b);
  TestBytes file;
  file.Text("MZ").Zeros(0x3C - 2).U32(0x40).Text(std::string("PE\0\0", 4));
  file.U16(kPeMachineAmd64).U16(1).Zeros(12).U16(240).U16(0x2022);
  file.U16(0x20B).Zeros(58).U32(kOffset).Zeros(44).U32(16);
  file.Zeros(16).U32(kRva).U32(uint32_t(tree.Size())).Zeros(128 - 24);
  file.Text(".rsrc").Zeros(3).U32(uint32_t(tree.Size())).U32(kRva);
  file.U32(uint32_t(tree.Size())).U32(kOffset).Zeros(16);
  file.Zeros(kOffset - file.Size()).Append(tree.b);
  return std::string(file.b.begin(), file.b.end());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const std::filesystem::path root = argv[1];
  for (const char* target : {"png", "preset", "descriptor", "plugin_file"}) {
    std::filesystem::create_directories(root / target);
  }
  Png(root / "png/grey8-1x1.png", 1, 1, 1, 8);
  Png(root / "png/greyalpha8-3x2.png", 3, 2, 2, 8);
  Png(root / "png/rgba16-2x3.png", 2, 3, 4, 16);

  FuzzParameters p;
  p.strength.SetValue(0.75);
  p.origin.SetXY(0.25, 0.5);
  p.colour.SetRGB(10, 20, 30);
  p.all.SaveSettings("first", (root / "preset/two-presets.cfg").string(), "Quenara");
  p.mode.SetValue(1);
  p.all.SaveSettings("second one", (root / "preset/two-presets.cfg").string(), "Quenara");
  p.all.SaveSettings("theirs", (root / "preset/other-owner.cfg").string(), "Other");
  for (const char* name : {"two-presets.cfg.lock", "other-owner.cfg.lock"}) {
    std::filesystem::remove(root / "preset" / name);
  }

  HostDocument document;
  document.source = HostImage(1, 1, 3, 1);
  document.colourPlanes = 3;
  ReferenceHost host(std::move(document));
  HostDescriptor recorded;
  p.all.WriteScriptParams(&host.Record());
  host.Descriptors().Load(host.Record().descriptorParameters->descriptor, recorded);
  Save(root / "descriptor/recorded.bin", recorded.Serialize());
  DescriptorItem text{FourCC("TEXT"), typeText, 0, 0, false, 0, 0, "text"};
  DescriptorItem unit{FourCC("STRE"), typeUnitFloat, 0, 0.5, false, FourCC("#Prc"), 0, {}};
  DescriptorItem enumerated{FourCC("MODE"), typeEnumerated, 0, 0, false, 1, 2, {}};
  recorded.items = {text, unit, enumerated};
  Save(root / "descriptor/other-types.bin", recorded.Serialize());

  Save(root / "plugin_file/minimal.8bf", PluginFile());
  return 0;
}
