// Builds small PE files in memory, laid out by hand from the PE format (headers, one section
// holding the export, import and resource directories), so the reader is tested on files whose
// every byte we chose, independently of any compiler or linker.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "tests/resources/TestBytes.h"

struct SyntheticResource {
  std::string typeName;  // named type when non-empty, else typeId
  uint16_t typeId = 0;
  uint16_t id = 0;
  uint16_t language = 0;
  std::vector<uint8_t> data;
};

struct SyntheticPe {
  bool pe32Plus = true;
  uint16_t machine = 0x8664;
  std::vector<std::string> exports;
  std::vector<std::string> imports;
  std::vector<SyntheticResource> resources;

  static constexpr uint32_t kSectionRva = 0x1000;
  static constexpr uint32_t kSectionOffset = 0x200;

  // Where the directories ended up, for tests that corrupt them.
  uint32_t exportRva = 0, importRva = 0, resourceRva = 0, resourceSize = 0;

  std::vector<uint8_t> Build() {
    TestBytes section;
    auto rva = [&] { return uint32_t(kSectionRva + section.Size()); };

    // Export directory, then its tables and strings.
    if (!exports.empty()) {
      exportRva = rva();
      size_t dir = section.Size();
      section.Zeros(40);
      uint32_t functions = rva();
      for (size_t i = 0; i < exports.size(); ++i) section.U32(0x1000);
      uint32_t names = rva();
      section.Zeros(4 * exports.size());
      uint32_t ordinals = rva();
      for (size_t i = 0; i < exports.size(); ++i) section.U16(uint32_t(i));
      for (size_t i = 0; i < exports.size(); ++i) {
        section.Put32(names - kSectionRva + 4 * i, rva());
        section.Text(exports[i]).U8(0);
      }
      section.PadTo(4);
      section.Put32(dir + 16, 1);  // ordinal base
      section.Put32(dir + 20, uint32_t(exports.size()));
      section.Put32(dir + 24, uint32_t(exports.size()));
      section.Put32(dir + 28, functions);
      section.Put32(dir + 32, names);
      section.Put32(dir + 36, ordinals);
    }

    // Import descriptors (the last all zero), then the DLL names.
    if (!imports.empty()) {
      importRva = rva();
      size_t dir = section.Size();
      section.Zeros(20 * (imports.size() + 1));
      for (size_t i = 0; i < imports.size(); ++i) {
        section.Put32(dir + 20 * i + 12, rva());
        section.Put32(dir + 20 * i + 16, 0x1000);  // a thunk table address, never read
        section.Text(imports[i]).U8(0);
      }
      section.PadTo(4);
    }

    if (!resources.empty()) {
      resourceRva = rva();
      std::vector<uint8_t> tree = ResourceTree(resourceRva);
      resourceSize = uint32_t(tree.size());
      section.Append(tree);
    }

    // Headers: DOS stub with the PE offset, file header, optional header, one section.
    uint32_t optionalSize = pe32Plus ? 240 : 224;
    TestBytes file;
    file.Text("MZ").Zeros(0x3C - 2).U32(0x40);
    file.Text(std::string("PE\0\0", 4));
    file.U16(machine).U16(1).U32(0).U32(0).U32(0).U16(optionalSize).U16(0x2022);
    size_t optional = file.Size();
    file.Zeros(optionalSize);
    file.b[optional] = 0x0B;  // magic 0x20B (PE32+) or 0x10B (PE32)
    file.b[optional + 1] = pe32Plus ? 0x02 : 0x01;
    file.Put32(optional + 60, kSectionOffset);  // size of headers
    size_t directories = optional + (pe32Plus ? 112 : 96);
    file.Put32(directories - 4, 16);
    file.Put32(directories + 0, exportRva);
    file.Put32(directories + 4, exportRva ? 40 : 0);
    file.Put32(directories + 8, importRva);
    file.Put32(directories + 12, importRva ? uint32_t(20 * (imports.size() + 1)) : 0);
    file.Put32(directories + 16, resourceRva);
    file.Put32(directories + 20, resourceSize);
    file.Text(".rdata").Zeros(2);
    file.U32(uint32_t(section.Size())).U32(kSectionRva);
    file.U32(uint32_t(section.Size())).U32(kSectionOffset);
    file.Zeros(16);
    file.Zeros(kSectionOffset - file.Size());
    file.Append(section.b);
    return file.b;
  }

 private:
  // Resource directory: three levels (type, name, language) of 16-byte headers and 8-byte
  // entries, then the 16-byte data entries, the name strings and the data.
  std::vector<uint8_t> ResourceTree(uint32_t baseRva) {
    using Key = std::pair<std::string, uint16_t>;  // named entries sort before numbered ones
    std::map<Key, std::map<uint16_t, std::map<uint16_t, size_t>>> tree;
    for (size_t i = 0; i < resources.size(); ++i) {
      const SyntheticResource& r = resources[i];
      Key type = r.typeName.empty() ? Key{"~", r.typeId} : Key{r.typeName, 0};
      tree[type][r.id][r.language] = i;
    }

    size_t directoriesSize = 16 + 8 * tree.size();
    size_t leaves = 0;
    for (auto& [type, names] : tree) {
      directoriesSize += 16 + 8 * names.size();
      for (auto& [name, languages] : names) {
        directoriesSize += 16 + 8 * languages.size();
        leaves += languages.size();
      }
    }
    size_t dataEntries = directoriesSize;
    size_t strings = dataEntries + 16 * leaves;
    size_t stringsSize = 0;
    for (auto& [type, names] : tree)
      if (type.first != "~") stringsSize += 2 + 2 * type.first.size();
    size_t data = (strings + stringsSize + 3) & ~size_t(3);

    TestBytes out;
    out.Zeros(data);
    size_t nextDirectory = 16 + 8 * tree.size();
    size_t nextLeaf = dataEntries;
    size_t nextString = strings;

    auto header = [&](size_t at, size_t named, size_t numbered) {
      out.b[at + 12] = uint8_t(named);
      out.b[at + 14] = uint8_t(numbered);
    };
    size_t namedTypes = 0;
    for (auto& [type, names] : tree) namedTypes += type.first != "~";
    header(0, namedTypes, tree.size() - namedTypes);

    size_t typeEntry = 16;
    for (auto& [type, names] : tree) {
      if (type.first != "~") {
        out.Put32(typeEntry, 0x80000000u | uint32_t(nextString));
        out.b[nextString] = uint8_t(type.first.size());
        for (size_t k = 0; k < type.first.size(); ++k)
          out.b[nextString + 2 + 2 * k] = uint8_t(type.first[k]);
        nextString += 2 + 2 * type.first.size();
      } else {
        out.Put32(typeEntry, type.second);
      }
      size_t nameDirectory = nextDirectory;
      out.Put32(typeEntry + 4, 0x80000000u | uint32_t(nameDirectory));
      header(nameDirectory, 0, names.size());
      nextDirectory += 16 + 8 * names.size();
      size_t nameEntry = nameDirectory + 16;
      for (auto& [name, languages] : names) {
        size_t languageDirectory = nextDirectory;
        out.Put32(nameEntry, name);
        out.Put32(nameEntry + 4, 0x80000000u | uint32_t(languageDirectory));
        header(languageDirectory, 0, languages.size());
        nextDirectory += 16 + 8 * languages.size();
        size_t languageEntry = languageDirectory + 16;
        for (auto& [language, index] : languages) {
          const std::vector<uint8_t>& bytes = resources[index].data;
          out.Put32(languageEntry, language);
          out.Put32(languageEntry + 4, uint32_t(nextLeaf));
          out.Put32(nextLeaf, uint32_t(baseRva + out.Size()));
          out.Put32(nextLeaf + 4, uint32_t(bytes.size()));
          out.Append(bytes);
          out.PadTo(4);
          nextLeaf += 16;
          languageEntry += 8;
        }
        nameEntry += 8;
      }
      typeEntry += 8;
    }
    return out.b;
  }
};
