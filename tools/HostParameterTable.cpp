#include "tools/HostParameterTable.h"

namespace {

HostParameterKind KindOf(const QuenaraTerminologyEntry& t) {
  switch (t.Entry().kind) {
    case QuenaraParameterKind::Position:
      return t.term == 0 ? HostParameterKind::kPositionX : HostParameterKind::kPositionY;
    case QuenaraParameterKind::Bool:
      return HostParameterKind::kBool;
    case QuenaraParameterKind::List:
      return HostParameterKind::kList;
    case QuenaraParameterKind::Float:
      break;
  }
  return HostParameterKind::kFloat;
}

std::vector<HostParameterRow> RowsFromTable() {
  std::vector<HostParameterRow> rows;
  for (const QuenaraTerminologyEntry& t : kQuenaraTerminology) {
    const QuenaraParameterEntry& e = t.Entry();
    HostParameterRow row{t.Term().name,
                         {},
                         QuenaraScriptType(e.kind),
                         e.name,
                         KindOf(t),
                         {e.items, e.items + e.itemCount},
                         &e};
    for (int i = 0; i < 4; ++i) row.scriptKey[i] = char(t.Term().key >> (24 - 8 * i));
    rows.push_back(row);
  }
  return rows;
}

}  // namespace

const std::vector<HostParameterRow>& HostParameterTable() {
  static const std::vector<HostParameterRow> table = RowsFromTable();
  return table;
}

uint32_t ScriptKeyCode(const HostParameterRow& row) {
  const char* k = row.scriptKey;
  return (uint32_t(uint8_t(k[0])) << 24) | (uint32_t(uint8_t(k[1])) << 16) |
         (uint32_t(uint8_t(k[2])) << 8) | uint32_t(uint8_t(k[3]));
}

const HostParameterRow* FindParameterByKey(uint32_t key) {
  for (const HostParameterRow& row : HostParameterTable()) {
    if (ScriptKeyCode(row) == key) return &row;
  }
  return nullptr;
}

std::vector<const HostParameterRow*> FindParametersByName(const std::string& name) {
  std::vector<const HostParameterRow*> rows;
  for (const HostParameterRow& row : HostParameterTable()) {
    if (name == row.keyName || name == row.scriptKey) rows.push_back(&row);
  }
  return rows;
}
