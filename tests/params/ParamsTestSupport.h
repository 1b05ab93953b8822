// Test doubles: a control counting refreshes, a callback counter, a filter with only a history.
#pragma once

#include "params/pfParameter.h"
#include "params/pfUndoHistory.h"
#include "tests/support/TempDir.h"
#include "ui/pfParameterUI.h"

class CountingControl : public pfParameterUI {
 public:
  void Refresh() override { ++refreshes; }
  int refreshes = 0;
};

struct CallbackCount {
  int calls = 0;
  static void Record(pfParameter*, intptr_t userData) {
    ++reinterpret_cast<CallbackCount*>(userData)->calls;
  }
  void Attach(pfParameter& p) {
    p.SetCallback(&CallbackCount::Record, reinterpret_cast<intptr_t>(this));
  }
};

// Stand-in for the host's filter: the parameter code needs only its history.
class pfFilter {
 public:
  pfFilter() { undoHistory.SetEnabled(true); }
  pfUndoHistory undoHistory;
};
