// A reader for Windows PE files (DLL, EXE, .8bf) that needs no Windows: machine type, export
// names, imported DLL names and the resource tree. Every offset read from the file is checked
// against its size, so a truncated or hostile file yields an error, never a crash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A resource type or name: a 16-bit identifier or a string (stored upper-case by the resource
// compilers, e.g. "PIPL").
struct PeResourceName {
  uint16_t id = 0;
  std::string text;  // non-empty for a named entry

  PeResourceName() = default;
  PeResourceName(uint16_t number) : id(number) {}
  PeResourceName(const char* name) : text(name) {}
  PeResourceName(std::string name) : text(std::move(name)) {}
  bool IsNamed() const { return !text.empty(); }
  bool operator==(const PeResourceName& other) const;
  std::string ToString() const;  // "16000" or "PIPL"
};

struct PeResource {
  PeResourceName type;
  PeResourceName name;
  uint16_t language = 0;
  uint32_t dataRva = 0;
  uint32_t size = 0;
  uint32_t codePage = 0;
};

// Standard resource type numbers.
enum PeResourceType : uint16_t {
  kPeCursor = 1,
  kPeIcon = 3,
  kPeDialog = 5,
  kPeString = 6,
  kPeGroupCursor = 12,
  kPeGroupIcon = 14,
};

enum PeMachine : uint16_t {
  kPeMachineI386 = 0x014c,
  kPeMachineAmd64 = 0x8664,
  kPeMachineArm64 = 0xaa64,
};

class PeReader {
 public:
  static constexpr int kAnyLanguage = -1;

  // Reads and parses a file; false with a message in error when it is not a readable PE file.
  bool Load(const std::string& path, std::string* error);
  bool Parse(std::vector<uint8_t> bytes, std::string* error);

  uint16_t Machine() const { return machine; }
  bool IsPe32Plus() const { return pe32Plus; }  // the 64-bit optional header
  bool IsDll() const { return dll; }
  const std::vector<std::string>& ExportNames() const { return exports; }
  const std::vector<std::string>& ImportedDlls() const { return imports; }
  const std::vector<PeResource>& Resources() const { return resources; }

  // The first resource with this type and name (and language, unless kAnyLanguage), or null.
  const PeResource* FindResource(const PeResourceName& type, const PeResourceName& name,
                                 int language = kAnyLanguage) const;
  // Every resource of a type, in the file's order.
  std::vector<const PeResource*> FindResources(const PeResourceName& type) const;
  // The bytes of a resource; false when its data lies outside the file.
  bool ReadResource(const PeResource& resource, std::vector<uint8_t>* data) const;

  static const char* MachineName(uint16_t machine);  // "x86", "x86-64", "ARM64" or "unknown"

 private:
  struct Section {
    uint32_t virtualAddress, virtualSize, rawOffset, rawSize;
  };

  bool RvaToOffset(uint32_t rva, uint32_t length, size_t* offset) const;
  bool ReadCString(uint32_t rva, std::string* text) const;
  bool ParseExports(uint32_t rva, uint32_t size, std::string* error);
  bool ParseImports(uint32_t rva, uint32_t size, std::string* error);
  bool ParseResources(uint32_t rva, uint32_t size, std::string* error);
  bool ReadResourceName(size_t base, size_t length, uint32_t field, PeResourceName* name) const;

  std::vector<uint8_t> file;
  std::vector<Section> sections;
  uint32_t headerSize = 0;
  uint16_t machine = 0;
  bool pe32Plus = false;
  bool dll = false;
  std::vector<std::string> exports;
  std::vector<std::string> imports;
  std::vector<PeResource> resources;
};
