// The filter's undo history: a ring of 500 records in groups, one group per user step. Entry
// indices grow without bound and live in slot index mod 500; entries first..cursor-1 are done
// (undoable), cursor..last are undone (redoable). A full ring forgets its oldest whole group.
#pragma once

#include <cstdint>
#include <memory>

#include "params/pfUndo.h"

class pfUndoHistory {
 public:
  static constexpr int32_t kSize = 500;

  pfUndoHistory();
  ~pfUndoHistory();
  pfUndoHistory(const pfUndoHistory&) = delete;
  pfUndoHistory& operator=(const pfUndoHistory&) = delete;

  // A null record is ignored, a disabled history drops the record at once. Abandons any redo
  // entries.
  void Add(std::unique_ptr<pfUndo> record);
  // Closes the current step: records added afterwards belong to the next group.
  void EndGroup();
  // Each applies one whole group; false when there was nothing to apply.
  bool Undo();
  bool Redo();
  bool CanUndo() const { return cursor > first; }
  bool CanRedo() const { return cursor <= last; }
  void SetEnabled(bool e) { enabled = e; }
  bool IsEnabled() const { return enabled; }

 private:
  struct Entry {
    std::unique_ptr<pfUndo> record;
    int32_t group = -1;
  };
  Entry& At(int32_t index) { return entries[index % kSize]; }

  Entry entries[kSize];
  int32_t first = 0;
  int32_t last = -1;
  int32_t cursor = 0;
  int32_t group = 0;
  bool enabled = false;
};

// How the parameter code reaches a filter's undo history without depending on the filter
// class: the host side (which defines pfFilter) registers a lookup when a filter is made.
// A registration rather than a function the host defines, so that programs linking the
// parameter model without the host (tests, the dialog's about box) still link.
class pfFilter;
using pfUndoHistoryLookup = pfUndoHistory* (*)(pfFilter* filter);
void pfSetUndoHistoryLookup(pfUndoHistoryLookup lookup);
// The filter's history; null for a null filter or before any lookup is registered.
pfUndoHistory* pfGetUndoHistory(pfFilter* filter);
