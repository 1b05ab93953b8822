// The command-line host's view of the plug-in's scripting parameters: one row per scripting
// key, in the order of the plug-in's terminology resource, with the parameter's key name (as
// used by -p and by preset files) and, for lists, the item texts. This is the only place the
// host spells them; a test checks the rows against the descriptor the plug-in writes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class HostParameterKind { kFloat, kBool, kList, kPositionX, kPositionY };

struct HostParameterRow {
  const char* aeteName;   // the terminology resource's name of the key
  const char* scriptKey;  // four characters, first character most significant
  uint32_t type;          // descriptor type the value travels as ('doub', 'long', 'bool')
  const char* keyName;    // parameter key name; a position's two rows share it
  HostParameterKind kind;
  std::vector<const char*> items;  // list item texts, 1-based values index them
};

const std::vector<HostParameterRow>& HostParameterTable();

// The row of a four-character code; null when the table has none.
const HostParameterRow* FindParameterByKey(uint32_t key);
// The rows a -p name addresses: a key name (both rows of a position) or a four-character key
// (one row). Empty when the name is unknown.
std::vector<const HostParameterRow*> FindParametersByName(const std::string& name);
uint32_t ScriptKeyCode(const HostParameterRow& row);
