// Test doubles: a control counting refreshes, a callback counter, a filter with only a history,
// and a container with one parameter of each kind.
#pragma once

#include <initializer_list>
#include <tuple>

#include "base/PiApi.h"
#include "params/pfParameterKinds.h"
#include "params/pfParameters.h"
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

// Named for preset files, with script keys for descriptors but on the int, the colour and the
// unsaved "Amount".
struct ParameterSet {
  ParameterSet() {
    origin.SetName("Origin");
    origin.SetScriptKey(FourCC("ORIX"), FourCC("ORIY"));
    intensity.SetName("Intensity");
    intensity.SetScriptKey(FourCC("INTE"));
    invert.SetName("Invert");
    invert.SetScriptKey(FourCC("INGR"));
    count.SetName("Count");
    tint.SetName("Tint");
    blend.SetName("Blend");
    blend.SetScriptKey(FourCC("MODE"));
    for (const char* s : {"normal", "screen", "overlay", "add"}) blend.AddItem(s);
    amount.SetName("Amount");
    amount.SetSaved(false);
    for (pfParameter* p : std::initializer_list<pfParameter*>{&origin, &intensity, &invert, &count,
                                                              &tint, &blend, &amount}) {
      all.AddParameter(p);
    }
  }

  // Origin x and y, intensity, invert, count, the tint's green and the blend item.
  auto Values() const {
    return std::make_tuple(origin.GetX(), origin.GetY(), intensity.GetValue(), invert.GetValue(),
                           count.GetValue(), tint.GetGreen(), blend.GetValue());
  }

  pfParameterPosition origin;
  pfParameterFloat intensity, amount;
  pfParameterBool invert;
  pfParameterInt count;
  pfParameterRGB tint;
  pfParameterList blend;
  pfParameters all;
};
