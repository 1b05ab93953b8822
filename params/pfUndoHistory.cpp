#include "params/pfUndoHistory.h"

#include <utility>

pfUndoHistory::pfUndoHistory() = default;

pfUndoHistory::~pfUndoHistory() = default;

void pfUndoHistory::Add(std::unique_ptr<pfUndo> record) {
  if (record == nullptr || !enabled) return;
  if (cursor - kSize >= first) {
    // Full: forget the oldest whole step, so no group is ever half undoable.
    const int32_t oldest = At(first).group;
    while (first < cursor && At(first).group == oldest) ++first;
  }
  Entry& slot = At(cursor);
  slot.record = std::move(record);
  slot.group = group;
  ++cursor;
  last = cursor - 1;
}

void pfUndoHistory::EndGroup() { ++group; }

bool pfUndoHistory::Undo() {
  if (cursor <= first) return false;
  const int32_t g = At(cursor - 1).group;
  bool applied = false;
  do {
    --cursor;
    if (pfUndo* r = At(cursor).record.get()) {
      r->Apply();
      applied = true;
    }
  } while (cursor > first && At(cursor - 1).group == g);
  return applied;
}

bool pfUndoHistory::Redo() {
  if (cursor > last) return false;
  const int32_t g = At(cursor).group;
  bool applied = false;
  do {
    if (pfUndo* r = At(cursor).record.get()) {
      r->Apply();
      applied = true;
    }
    ++cursor;
  } while (cursor <= last && At(cursor).group == g);
  return applied;
}

namespace {
pfUndoHistoryLookup undoHistoryLookup = nullptr;
}  // namespace

void pfSetUndoHistoryLookup(pfUndoHistoryLookup lookup) { undoHistoryLookup = lookup; }

pfUndoHistory* pfGetUndoHistory(pfFilter* filter) {
  return filter != nullptr && undoHistoryLookup != nullptr ? undoHistoryLookup(filter) : nullptr;
}
