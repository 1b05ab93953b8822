#include "tools/pe/PeReader.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

#include "tools/pe/ByteCursor.h"

namespace {

// Data directory slots of the optional header.
constexpr uint32_t kExportDirectory = 0;
constexpr uint32_t kImportDirectory = 1;
constexpr uint32_t kResourceDirectory = 2;

constexpr uint16_t kDllCharacteristic = 0x2000;
// A resource directory entry's name or offset field with this bit set points at a name string
// or at a subdirectory rather than holding an identifier or a data entry.
constexpr uint32_t kResourceHighBit = 0x80000000u;
// Resource trees are three levels deep (type, name, language); anything deeper is not ours.
constexpr int kResourceLevels = 3;
// Ceilings against files whose counts would make us loop for ever.
constexpr uint32_t kMaxEntries = 65536;
// Plug-ins are a few megabytes; the limit keeps a wrong file from being read into memory whole.
constexpr std::streamoff kMaxFileBytes = 256 << 20;

}  // namespace

std::string Utf16ToUtf8(const std::u16string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out += char(c);
    } else if (c < 0x800) {
      out += char(0xC0 | (c >> 6));
      out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += char(0xE0 | (c >> 12));
      out += char(0x80 | ((c >> 6) & 0x3F));
      out += char(0x80 | (c & 0x3F));
    } else {
      out += char(0xF0 | (c >> 18));
      out += char(0x80 | ((c >> 12) & 0x3F));
      out += char(0x80 | ((c >> 6) & 0x3F));
      out += char(0x80 | (c & 0x3F));
    }
  }
  return out;
}

bool PeResourceName::operator==(const PeResourceName& other) const {
  if (IsNamed() != other.IsNamed()) return false;
  if (!IsNamed()) return id == other.id;
  // Resource compilers store names upper-case and the Win32 lookup ignores case.
  return std::equal(
      text.begin(), text.end(), other.text.begin(), other.text.end(),
      [](char a, char b) { return std::toupper(uint8_t(a)) == std::toupper(uint8_t(b)); });
}

std::string PeResourceName::ToString() const { return IsNamed() ? text : std::to_string(id); }

const char* PeReader::MachineName(uint16_t machine) {
  switch (machine) {
    case kPeMachineI386:
      return "x86";
    case kPeMachineAmd64:
      return "x86-64";
    case kPeMachineArm64:
      return "ARM64";
    default:
      return "unknown";
  }
}

bool PeReader::Load(const std::string& path, std::string* error) {
  // A directory opens as a stream on Linux and reports an absurd size; a device or pipe has no
  // size at all. Only regular files of a plausible size are read.
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(path, ec);
  if (!ec && std::filesystem::is_directory(status)) {
    *error = path + " is a directory";
    return false;
  }
  if (!ec && !std::filesystem::is_regular_file(status)) {
    *error = path + " is not a regular file";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = "cannot open " + path;
    return false;
  }
  in.seekg(0, std::ios::end);
  std::streamoff size = in.tellg();
  in.seekg(0, std::ios::beg);
  if (size > kMaxFileBytes) {
    *error = path + " is too large to be a plug-in";
    return false;
  }
  std::vector<uint8_t> bytes(size > 0 ? size_t(size) : 0);
  in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(bytes.size()));
  if (!in || size < 0) {
    *error = "cannot read " + path;
    return false;
  }
  if (!Parse(std::move(bytes), error)) {
    *error = path + ": " + *error;
    return false;
  }
  return true;
}

bool PeReader::Parse(std::vector<uint8_t> bytes, std::string* error) {
  *this = PeReader();
  file = std::move(bytes);
  ByteCursor c(file);

  if (c.U16() != 0x5A4D) {  // "MZ"
    *error = "not an executable (no MZ header)";
    return false;
  }
  c.Seek(0x3C);
  uint32_t peOffset = c.U32();
  if (c.Failed() || !c.Seek(peOffset) || c.U32() != 0x00004550) {  // "PE\0\0"
    *error = "not a PE file (no PE signature)";
    return false;
  }
  machine = c.U16();
  uint16_t sectionCount = c.U16();
  c.Skip(12);  // time stamp, symbol table
  uint16_t optionalSize = c.U16();
  uint16_t characteristics = c.U16();
  dll = (characteristics & kDllCharacteristic) != 0;
  size_t optionalStart = c.Position();

  uint16_t magic = c.U16();
  if (magic != 0x10B && magic != 0x20B) {
    *error = "unknown optional header";
    return false;
  }
  pe32Plus = magic == 0x20B;
  // SizeOfHeaders sits at the same place in both header kinds; the directory count and the
  // directories themselves are 16 bytes later in the 64-bit header.
  c.Seek(optionalStart + 60);
  headerSize = c.U32();
  c.Seek(optionalStart + (pe32Plus ? 108 : 92));
  uint32_t directoryCount = c.U32();
  uint32_t directories[3][2] = {};
  for (uint32_t i = 0; i < std::min<uint32_t>(directoryCount, 3); ++i) {
    directories[i][0] = c.U32();
    directories[i][1] = c.U32();
  }
  if (c.Failed() || optionalSize < (pe32Plus ? 112 : 96)) {
    *error = "truncated headers";
    return false;
  }

  c.Seek(optionalStart + optionalSize);
  for (uint16_t i = 0; i < sectionCount; ++i) {
    c.Skip(8);  // name
    Section s;
    s.virtualSize = c.U32();
    s.virtualAddress = c.U32();
    s.rawSize = c.U32();
    s.rawOffset = c.U32();
    c.Skip(16);
    sections.push_back(s);
  }
  if (c.Failed()) {
    *error = "truncated section table";
    return false;
  }

  if (directories[kExportDirectory][0] != 0 &&
      !ParseExports(directories[kExportDirectory][0], directories[kExportDirectory][1], error))
    return false;
  if (directories[kImportDirectory][0] != 0 &&
      !ParseImports(directories[kImportDirectory][0], directories[kImportDirectory][1], error))
    return false;
  if (directories[kResourceDirectory][0] != 0 &&
      !ParseResources(directories[kResourceDirectory][0], directories[kResourceDirectory][1],
                      error))
    return false;
  return true;
}

bool PeReader::RvaToOffset(uint32_t rva, uint32_t length, size_t* offset) const {
  uint64_t end = uint64_t(rva) + length;
  if (end <= headerSize) {
    *offset = rva;
    return end <= file.size();
  }
  for (const Section& s : sections) {
    // Only bytes stored in the file can be read: a section's tail beyond its raw size is
    // zero-filled memory at run time.
    if (rva >= s.virtualAddress && end <= uint64_t(s.virtualAddress) + s.rawSize) {
      *offset = size_t(rva - s.virtualAddress) + s.rawOffset;
      return uint64_t(*offset) + length <= file.size();
    }
  }
  return false;
}

bool PeReader::ReadCString(uint32_t rva, std::string* text) const {
  size_t offset;
  if (!RvaToOffset(rva, 1, &offset)) return false;
  ByteCursor c(file);
  c.Seek(offset);
  *text = c.CString();
  return !c.Failed();
}

bool PeReader::ParseExports(uint32_t rva, uint32_t size, std::string* error) {
  size_t offset;
  if (size < 40 || !RvaToOffset(rva, 40, &offset)) {
    *error = "export directory outside the file";
    return false;
  }
  ByteCursor c(file);
  c.Seek(offset + 24);
  uint32_t nameCount = c.U32();
  c.Skip(4);  // address table
  uint32_t namesRva = c.U32();
  if (nameCount > kMaxEntries) {
    *error = "implausible export count";
    return false;
  }
  for (uint32_t i = 0; i < nameCount; ++i) {
    size_t pointer;
    std::string name;
    if (!RvaToOffset(namesRva + 4 * i, 4, &pointer)) {
      *error = "export name table outside the file";
      return false;
    }
    c.Seek(pointer);
    if (!ReadCString(c.U32(), &name)) {
      *error = "export name outside the file";
      return false;
    }
    exports.push_back(name);
  }
  return true;
}

bool PeReader::ParseImports(uint32_t rva, uint32_t, std::string* error) {
  // The descriptor list ends with an all-zero descriptor, whatever the directory size says.
  for (uint32_t i = 0; i < kMaxEntries; ++i) {
    size_t offset;
    if (!RvaToOffset(rva + 20 * i, 20, &offset)) {
      *error = "import directory outside the file";
      return false;
    }
    ByteCursor c(file);
    c.Seek(offset);
    uint32_t lookup = c.U32();
    c.Skip(8);
    uint32_t nameRva = c.U32();
    uint32_t thunks = c.U32();
    if (lookup == 0 && nameRva == 0 && thunks == 0) return true;
    std::string name;
    if (!ReadCString(nameRva, &name)) {
      *error = "imported DLL name outside the file";
      return false;
    }
    imports.push_back(name);
  }
  *error = "import directory without end";
  return false;
}

bool PeReader::ReadResourceName(size_t base, size_t length, uint32_t field,
                                PeResourceName* name) const {
  if (!(field & kResourceHighBit)) {
    if (field > 0xFFFF) return false;
    *name = PeResourceName(uint16_t(field));
    return true;
  }
  uint32_t at = field & ~kResourceHighBit;
  ByteCursor c(file.data() + base, length);
  c.Seek(at);
  uint16_t count = c.U16();
  std::u16string text;
  for (uint16_t i = 0; i < count; ++i) text += char16_t(c.U16());
  if (c.Failed() || text.empty()) return false;
  *name = PeResourceName(Utf16ToUtf8(text));
  return true;
}

bool PeReader::ParseResources(uint32_t rva, uint32_t size, std::string* error) {
  size_t base;
  if (!RvaToOffset(rva, size, &base)) {
    *error = "resource directory outside the file";
    return false;
  }
  // Offsets inside the tree count from the start of the resource directory.
  ByteCursor tree(file.data() + base, size);
  PeResource path;
  uint32_t visited = 0;

  struct Walker {
    PeReader& reader;
    ByteCursor& tree;
    size_t base, size;
    PeResource& path;
    uint32_t& visited;

    bool Walk(uint32_t at, int level) {
      if (++visited > kMaxEntries) return false;
      tree.Seek(at + 12);
      uint32_t count = uint32_t(tree.U16()) + tree.U16();  // named, then numbered entries
      if (tree.Failed()) return false;
      for (uint32_t i = 0; i < count; ++i) {
        tree.Seek(at + 16 + 8 * i);
        uint32_t nameField = tree.U32();
        uint32_t target = tree.U32();
        if (tree.Failed()) return false;
        PeResourceName name;
        if (level < 2) {
          if (!reader.ReadResourceName(base, size, nameField, &name)) return false;
          (level == 0 ? path.type : path.name) = name;
        } else {
          if (nameField > 0xFFFF) return false;
          path.language = uint16_t(nameField);
        }
        bool subdirectory = (target & kResourceHighBit) != 0;
        if (subdirectory != (level < kResourceLevels - 1)) return false;
        if (subdirectory) {
          if (!Walk(target & ~kResourceHighBit, level + 1)) return false;
        } else {
          tree.Seek(target);
          path.dataRva = tree.U32();
          path.size = tree.U32();
          path.codePage = tree.U32();
          // Leaves count too: directories shared between entries would otherwise multiply
          // them without bound.
          if (tree.Failed() || ++visited > kMaxEntries) return false;
          reader.resources.push_back(path);
        }
      }
      return true;
    }
  } walker{*this, tree, base, size, path, visited};

  if (!walker.Walk(0, 0)) {
    *error = "damaged resource directory";
    return false;
  }
  return true;
}

const PeResource* PeReader::FindResource(const PeResourceName& type, const PeResourceName& name,
                                         int language) const {
  for (const PeResource& r : resources)
    if (r.type == type && r.name == name && (language == kAnyLanguage || r.language == language))
      return &r;
  return nullptr;
}

std::vector<const PeResource*> PeReader::FindResources(const PeResourceName& type) const {
  std::vector<const PeResource*> out;
  for (const PeResource& r : resources)
    if (r.type == type) out.push_back(&r);
  return out;
}

bool PeReader::ReadResource(const PeResource& resource, std::vector<uint8_t>* data) const {
  size_t offset;
  if (!RvaToOffset(resource.dataRva, resource.size, &offset)) return false;
  data->assign(file.begin() + offset, file.begin() + offset + resource.size);
  return true;
}
