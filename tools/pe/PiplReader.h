// Reads a Windows plug-in property list ("PIPL" resource) into the properties a host looks at:
// kind, menu name and category, interface version, entry points, supported modes, filter
// cases, enable expression and terminology.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class PeReader;

struct PiplProperty {
  uint32_t vendor = 0;
  uint32_t key = 0;
  int32_t id = 0;
  uint32_t length = 0;  // as stored: includes the padding to a multiple of 4
  std::vector<uint8_t> data;
};

struct PiplEntryPoint {
  uint32_t key = 0;  // 'wx86', '8664' or 'wa64'
  std::string name;
};

struct PiplFilterCase {
  uint8_t inputHandling = 0;
  uint8_t outputHandling = 0;
  uint8_t flags1 = 0;
  uint8_t flags2 = 0;
};

struct PiplInfo {
  uint16_t reserved = 0;  // the Windows list starts with a word 1
  uint32_t version = 0;
  std::vector<PiplProperty> properties;  // every property, in the stored order

  // Photoshop ('8BIM') properties, zero or empty when absent.
  uint32_t kind = 0;
  std::string name;
  std::string category;
  uint32_t interfaceVersion = 0;  // major in the high 16 bits
  std::vector<PiplEntryPoint> entryPoints;
  bool hasModes = false;
  uint16_t modes = 0;  // the flag word, first stored byte in the high 8 bits
  std::vector<PiplFilterCase> filterCases;
  std::string enableExpression;
  bool hasTerminology = false;
  uint32_t terminologyClass = 0;
  uint32_t terminologyEvent = 0;
  uint16_t terminologyId = 0;
  std::string terminologyScope;

  // The entry point a library of this machine type is called through ('wx86' for x86,
  // '8664' for x86-64, 'wa64' for ARM64); empty when the list has none for it.
  std::string EntryPointFor(uint16_t machine) const;
};

// Mode flag bits as the flag word is read (first stored byte high).
enum PiplModeFlag : uint16_t {
  kPiplModeBitmap = 0x8000,
  kPiplModeGrayScale = 0x4000,
  kPiplModeIndexed = 0x2000,
  kPiplModeRgb = 0x1000,
  kPiplModeCmyk = 0x0800,
  kPiplModeHsl = 0x0400,
  kPiplModeHsb = 0x0200,
  kPiplModeMultichannel = 0x0100,
  kPiplModeDuotone = 0x0080,
  kPiplModeLab = 0x0040,
};

// Parses the bytes of a "PIPL" resource. Property data is located as hosts do it: the next
// property starts after the data rounded up to a multiple of 4.
bool ParsePipl(const std::vector<uint8_t>& bytes, PiplInfo* info, std::string* error);

// Finds the first "PIPL" resource of a loaded file and parses it.
bool ReadPluginPipl(const PeReader& pe, PiplInfo* info, std::string* error);

// A four-character code as text ("8BIM"); unprintable bytes become '?'.
std::string FourCharText(uint32_t code);
// Names of the modes in a flag word, e.g. "GrayScale, RGB".
std::string PiplModeNames(uint16_t modes);
