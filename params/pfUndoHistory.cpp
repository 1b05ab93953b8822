#include "params/pfUndoHistory.h"

#include "params/pfUndo.h"

pfUndoHistory::pfUndoHistory() = default;

pfUndoHistory::~pfUndoHistory() {
  for (Entry& e : entries) delete e.record;
}

void pfUndoHistory::Add(pfUndo* record) {
  if (record == nullptr) return;
  if (!enabled) {
    delete record;
    return;
  }
  if (cursor - kSize >= first) {
    // Full: forget the oldest whole step, so no group is ever half undoable.
    const int32_t oldest = At(first).group;
    while (first < cursor && At(first).group == oldest) ++first;
  }
  Entry& slot = At(cursor);
  delete slot.record;
  slot.record = record;
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
    if (pfUndo* r = At(cursor).record) {
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
    if (pfUndo* r = At(cursor).record) {
      r->Apply();
      applied = true;
    }
    ++cursor;
  } while (cursor <= last && At(cursor).group == g);
  return applied;
}
