// The 500-entry ring, redo after a new change, ownership of records and applying a record.
// (Groups: the preset and randomize tests.)
#include <gtest/gtest.h>

#include <memory>

#include "ParamsTestSupport.h"
#include "params/pfParameterKinds.h"
#include "params/pfUndo.h"
#include "params/pfUndoHistory.h"

namespace {
struct Tally {
  int alive = 0;
};
class TrackingUndo : public pfUndo {
 public:
  explicit TrackingUndo(Tally& t) : tally(t) { ++tally.alive; }
  ~TrackingUndo() override { --tally.alive; }
  void Apply() override {}
  Tally& tally;
};

// One user step that moves f from its value to v.
void Step(pfUndoHistory& h, pfParameterFloat& f, double v) {
  h.Add(f.CreateUndo());
  f.SetValue(v);
  h.EndGroup();
}
}  // namespace

TEST(UndoHistory, FullRingForgetsTheOldestStep) {
  pfUndoHistory h;
  h.SetEnabled(true);
  pfParameterFloat f;
  for (int i = 1; i <= 501; ++i) Step(h, f, i);
  int undos = 0;
  while (h.Undo()) ++undos;
  EXPECT_EQ(undos, 500);
  EXPECT_EQ(f.GetValue(), 1.0);  // step 1 (0 -> 1) was forgotten
  int redos = 0;
  while (h.Redo()) ++redos;
  EXPECT_EQ(redos, 500);
  EXPECT_EQ(f.GetValue(), 501.0);
}

TEST(UndoHistory, NewChangeAfterUndoAbandonsRedoAndDisabledReleases) {
  Tally t;
  pfUndoHistory h;
  h.Add(std::make_unique<TrackingUndo>(t));  // disabled: released at once
  EXPECT_EQ(t.alive, 0);
  EXPECT_FALSE(h.CanUndo());
  h.Add(nullptr);
  h.SetEnabled(true);
  pfParameterFloat f;
  Step(h, f, 1);
  Step(h, f, 2);
  Step(h, f, 3);
  EXPECT_TRUE(h.Undo());
  EXPECT_TRUE(h.Undo());
  EXPECT_EQ(f.GetValue(), 1.0);
  EXPECT_TRUE(h.CanRedo());
  Step(h, f, 10);
  EXPECT_FALSE(h.Redo());
  EXPECT_TRUE(h.Undo());
  EXPECT_EQ(f.GetValue(), 1.0);
  EXPECT_TRUE(h.Undo());
  EXPECT_EQ(f.GetValue(), 0.0);
  EXPECT_FALSE(h.Undo());
}

// Applying a record refreshes the control even when the setter changed nothing: after a
// refused List index the control shows the value really held.
TEST(UndoRecords, ApplyAlwaysRefreshesTheControl) {
  pfParameterInt count;
  pfParameterList list;
  list.AddItem("a");
  list.AddItem("b");
  list.SetValue(2);
  CountingControl countControl, listControl;
  countControl.SetParameter(&count);
  listControl.SetParameter(&list);
  count.CreateUndo()->Apply();  // the value it holds already
  EXPECT_EQ(countControl.refreshes, 1);
  pfUndoParameterList stale(&list, 5);  // recorded when the list had more items
  stale.Apply();
  EXPECT_EQ(list.GetValue(), 2);
  EXPECT_EQ(stale.GetValue(), 2);  // swapped all the same, so redo restores 5
  EXPECT_EQ(listControl.refreshes, 1);
}
