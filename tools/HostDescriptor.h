// A scripting descriptor as the host stores it: an ordered list of keyed, typed values. In a
// handle it is kept in a small private byte format (opaque to plug-ins, which only see it
// through the descriptor suites); the host builds the playback descriptor from -p values and
// reads back the one the plug-in records.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/PiApi.h"

// Type codes of the values the suites can carry, beyond the three in base/PiApi.h.
constexpr DescriptorTypeID typeUnitFloat = 0x556E7446;        // 'UntF'
constexpr DescriptorTypeID typeText = 0x54455854;             // 'TEXT'
constexpr DescriptorTypeID typeAlias = 0x616C6973;            // 'alis'
constexpr DescriptorTypeID typeEnumerated = 0x656E756D;       // 'enum'
constexpr DescriptorTypeID typeClass = 0x74797065;            // 'type'
constexpr DescriptorTypeID typeGlobalClass = 0x476C6243;      // 'GlbC'
constexpr DescriptorTypeID typeObject = 0x4F626A63;           // 'Objc'
constexpr DescriptorTypeID typeGlobalObject = 0x476C624F;     // 'GlbO'
constexpr DescriptorTypeID typeObjectReference = 0x6F626A20;  // 'obj '

struct DescriptorItem {
  DescriptorKeyID key = 0;
  DescriptorTypeID type = 0;
  int32_t integer = 0;  // 'long' (integers and counts)
  double number = 0;    // 'doub', 'UntF'
  bool boolean = false;
  uint32_t code = 0;   // unit of 'UntF', enumeration type of 'enum', class of objects and 'type'
  uint32_t value = 0;  // value of 'enum'
  std::string bytes;   // text, alias, a nested descriptor, a reference record
};

class HostDescriptor {
 public:
  std::vector<DescriptorItem> items;

  void PutInteger(DescriptorKeyID key, int32_t v);
  void PutFloat(DescriptorKeyID key, double v);
  void PutBoolean(DescriptorKeyID key, bool v);
  // The first item with this key, or null.
  const DescriptorItem* Find(DescriptorKeyID key) const;

  std::string Serialize() const;
  // False for bytes that are not a descriptor of this host (or are damaged).
  static bool Parse(const std::string& bytes, HostDescriptor& out);
};

// "ORIX" style text of a four-character code; other bytes as \xNN.
std::string FourCCText(uint32_t code);
