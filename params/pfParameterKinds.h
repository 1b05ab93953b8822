// The parameter kinds: Bool, Int, Float, List, Position and RGB. Each has one value type
// (Value, read with GetValue and set with SetValue, which the undo records use), its setters
// and its value codec. Setters return affectsPreview when the value changed, else false, and
// refresh the control on a change; Bool, Float and List also run the change callback, changed
// or not.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "params/pfParameter.h"

// An on/off parameter: check boxes, and push buttons whose change callback does the work.
class pfParameterBool : public pfParameter {
 public:
  using Value = bool;

  void Validate() override {}
  void WriteValue(pfValueSink& sink) const override { sink.PutBool(value); }
  bool ReadValue(pfValueSource& source) override;
  std::unique_ptr<pfUndo> CreateUndo() override;
  void Randomize(double amount) override;

  bool SetValue(bool v);
  bool GetValue() const { return value; }

  void SetScriptKey(uint32_t key) { scriptKeys[0] = key; }
  uint32_t GetScriptKey() const { return scriptKeys[0]; }

 private:
  bool value = false;
};

// A signed integer parameter. Complete for presets and last-used settings; it has no range,
// is not scripted and does not randomize.
class pfParameterInt : public pfParameter {
 public:
  using Value = int32_t;

  void Validate() override {}
  void WriteValue(pfValueSink& sink) const override { sink.PutInt(value); }
  bool ReadValue(pfValueSource& source) override;
  std::unique_ptr<pfUndo> CreateUndo() override;
  void Randomize(double) override {}

  // No change callback.
  bool SetValue(int32_t v);
  int32_t GetValue() const { return value; }

 private:
  int32_t value = 0;
};

// A real-valued parameter with a range. The bounds are always stored (the slider spans them
// and randomizing scales by them) but only enforced ones are applied, by Validate.
class pfParameterFloat : public pfParameter {
 public:
  using Value = double;

  void Validate() override;
  void WriteValue(pfValueSink& sink) const override { sink.PutDouble(value); }
  bool ReadValue(pfValueSource& source) override;
  std::unique_ptr<pfUndo> CreateUndo() override;
  void Randomize(double amount) override;

  // Stores the value as given (no clamping; Validate clamps).
  bool SetValue(double v);
  double GetValue() const { return value; }

  void SetMin(double m, bool enforce) {
    min = m;
    hasMin = enforce;
  }
  void SetMax(double m, bool enforce) {
    max = m;
    hasMax = enforce;
  }
  double GetMin() const { return min; }
  double GetMax() const { return max; }
  bool HasMin() const { return hasMin; }
  bool HasMax() const { return hasMax; }

  void SetScriptKey(uint32_t key) { scriptKeys[0] = key; }
  uint32_t GetScriptKey() const { return scriptKeys[0]; }

 private:
  double value = 0.0;
  double min = 0.0;
  double max = 1.0;
  bool hasMin = false;
  bool hasMax = false;
};

// A choice among named items. The value is 1-based (value v names item v - 1).
class pfParameterList : public pfParameter {
 public:
  using Value = int32_t;

  void Validate() override;
  void WriteValue(pfValueSink& sink) const override { sink.PutItem(value); }
  bool ReadValue(pfValueSource& source) override;
  std::unique_ptr<pfUndo> CreateUndo() override;
  void Randomize(double amount) override;

  // A value outside 1..item count is refused: nothing stored, no callback, false.
  bool SetValue(int32_t v);
  int32_t GetValue() const { return value; }

  void AddItem(const std::string& item) { items.push_back(item); }
  // 0-based; an index outside the list yields an empty string.
  std::string GetItem(int32_t index) const;
  int32_t GetItemCount() const { return static_cast<int32_t>(items.size()); }

  void SetScriptKey(uint32_t key) { scriptKeys[0] = key; }
  uint32_t GetScriptKey() const { return scriptKeys[0]; }

 private:
  int32_t value = 1;
  std::vector<std::string> items;
};

// A point relative to the image: x across the width and y down the height, 0..1 each. The
// dialog converts to and from pixels.
class pfParameterPosition : public pfParameter {
 public:
  using Value = std::array<double, 2>;

  void Validate() override {}
  void WriteValue(pfValueSink& sink) const override { sink.PutPoint(point[0], point[1]); }
  bool ReadValue(pfValueSource& source) override;
  std::unique_ptr<pfUndo> CreateUndo() override;
  void Randomize(double amount) override;

  // Stores both coordinates when either differs. No change callback.
  bool SetXY(double x, double y) { return SetValue({x, y}); }
  double GetX() const { return point[0]; }
  double GetY() const { return point[1]; }
  bool SetValue(const Value& v) { return Store(point, v) && affectsPreview; }
  const Value& GetValue() const { return point; }

  void SetScriptKey(uint32_t keyX, uint32_t keyY) {
    scriptKeys[0] = keyX;
    scriptKeys[1] = keyY;
  }
  uint32_t GetScriptKeyX() const { return scriptKeys[0]; }
  uint32_t GetScriptKeyY() const { return scriptKeys[1]; }

 private:
  Value point = {0.0, 0.0};  // x, y
};

// A colour with red, green and blue as fractions 0..1. Not scripted; randomizing moves each
// channel like a position coordinate.
class pfParameterRGB : public pfParameter {
 public:
  using Value = std::array<double, 3>;

  void Validate() override {}
  void WriteValue(pfValueSink& sink) const override { sink.PutColour(rgb[0], rgb[1], rgb[2]); }
  bool ReadValue(pfValueSource& source) override;
  std::unique_ptr<pfUndo> CreateUndo() override;
  void Randomize(double amount) override;

  // Stores all three when any differs. No change callback.
  bool SetRGB(double r, double g, double b) { return SetValue({r, g, b}); }
  void GetRGB(double& r, double& g, double& b) const {
    r = rgb[0];
    g = rgb[1];
    b = rgb[2];
  }
  double GetRed() const { return rgb[0]; }
  double GetGreen() const { return rgb[1]; }
  double GetBlue() const { return rgb[2]; }
  bool SetValue(const Value& v) { return Store(rgb, v) && affectsPreview; }
  const Value& GetValue() const { return rgb; }

 private:
  Value rgb = {0.0, 0.0, 0.0};
};

// Folds a value into [0, n] by mirroring at both ends (a triangle wave of period 2n), so that
// a randomized value that overshoots a bound comes back from it instead of sticking to it. n
// is a whole number (callers truncate), taken as a double so that a huge or non-finite range
// cannot overflow an integer conversion.
double ReflectIntoRange(double value, double n);

// Seeds the randomizer's generator with a millisecond tick (RandomizeAll, once per step).
void pfRandomSeedFromTick();
