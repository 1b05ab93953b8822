// One parameter's value kept for undo. Applying a record swaps the stored value with the
// parameter's current one, so the same record serves undo and then redo.
#pragma once

class pfUndo {
 public:
  pfUndo() = default;
  // Virtual because the history deletes records through this base; without it that delete
  // would be undefined behaviour in C++.
  virtual ~pfUndo() = default;
  pfUndo(const pfUndo&) = delete;
  pfUndo& operator=(const pfUndo&) = delete;

  virtual void Apply() = 0;
};
