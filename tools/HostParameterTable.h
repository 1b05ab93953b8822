// The command-line host's view of the plug-in's scripting parameters: one row per scripting
// key, in the order of the plug-in's terminology resource, with the parameter's key name (as
// used by -p and by preset files), for lists the item texts, and for floats the bounds. The
// rows come from the plug-in's own parameter table (a portable header), the one declaration of
// a parameter; a test checks them against the terminology of the built plug-in.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "effect/QuenaraParameterTable.h"

enum class HostParameterKind { kFloat, kBool, kList, kPositionX, kPositionY };

struct HostParameterRow {
  const char* aeteName;  // the terminology resource's name of the key
  char scriptKey[5];     // four characters, first character most significant
  uint32_t type;         // descriptor type the value travels as ('doub', 'long', 'bool')
  const char* keyName;   // parameter key name; a position's two rows share it
  HostParameterKind kind;
  std::vector<const char*> items;      // list item texts, 1-based values index them
  const QuenaraParameterEntry* entry;  // bounds and their enforcement
};

const std::vector<HostParameterRow>& HostParameterTable();

// The row of a four-character code; null when the table has none.
const HostParameterRow* FindParameterByKey(uint32_t key);
// The rows a -p name addresses: a key name (both rows of a position) or a four-character key
// (one row). Empty when the name is unknown.
std::vector<const HostParameterRow*> FindParametersByName(const std::string& name);
uint32_t ScriptKeyCode(const HostParameterRow& row);
