// Undo records. A record keeps one parameter's value; applying it swaps the stored value with
// the parameter's current one, so the same record serves undo and then redo.
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

// The record of one parameter kind (see pfParameterKinds.h): its Value at the time the
// record was taken (CreateUndo of the kind).
template <class Parameter>
class pfUndoParameterValue : public pfUndo {
 public:
  using Value = typename Parameter::Value;

  pfUndoParameterValue(Parameter* p, const Value& v) : parameter(p), value(v) {}

  void Apply() override {
    const Value old = parameter->GetValue();
    // The normal setter: change callbacks run, and a List index the items no longer cover is
    // refused, but the swap still happens so that redo restores the old value.
    parameter->SetValue(value);
    value = old;
    // Also when the setter changed nothing (a refused index): the control then shows the
    // value the parameter really has.
    parameter->UpdateControl();
  }

  Parameter* GetParameter() const { return parameter; }
  const Value& GetValue() const { return value; }

 private:
  Parameter* parameter;
  Value value;
};

class pfParameterBool;
class pfParameterInt;
class pfParameterFloat;
class pfParameterList;
class pfParameterPosition;
class pfParameterRGB;
using pfUndoParameterBool = pfUndoParameterValue<pfParameterBool>;
using pfUndoParameterInt = pfUndoParameterValue<pfParameterInt>;
using pfUndoParameterFloat = pfUndoParameterValue<pfParameterFloat>;
using pfUndoParameterList = pfUndoParameterValue<pfParameterList>;
using pfUndoParameterPosition = pfUndoParameterValue<pfParameterPosition>;
using pfUndoParameterRGB = pfUndoParameterValue<pfParameterRGB>;
