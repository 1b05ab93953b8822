#include "params/pfParameterKinds.h"

#include <chrono>
#include <cmath>
#include <cstdlib>

#include "params/pfUndo.h"

namespace {
// A fold that lands exactly on n is pulled just inside, so a List index derived from it
// stays within the item count.
constexpr double kBelowTop = 0.0001;

bool IsOdd(double wholeNumber) { return std::fmod(wholeNumber, 2.0) != 0.0; }

// One draw as an integer 0..32767. RAND_MAX is 32767 with the Windows runtime; glibc's wider
// range is reduced to the same 15 bits so that both builds draw alike.
int32_t RandomDraw() { return static_cast<int32_t>(std::rand() % 32768); }
double RandomUnit() { return RandomDraw() / 32767.0; }

// Moves a fraction 0..1 by up to amount / 2 either way and folds it back into 0..1.
double RandomizeFraction(double value, double amount) {
  return ReflectIntoRange((RandomUnit() - 0.5) * amount + value, 1.0);
}

template <class Parameter>
std::unique_ptr<pfUndo> MakeUndo(Parameter* parameter) {
  return std::make_unique<pfUndoParameterValue<Parameter>>(parameter, parameter->GetValue());
}
}  // namespace

double ReflectIntoRange(double value, double n) {
  if (n == 0.0) return value < 0.0 ? -value : value;
  if (value >= 0.0 && value < n) return value;
  const double q = std::trunc(value / n);
  const double r = value - q * n;
  double result;
  if (value >= n) {
    result = IsOdd(q) ? n - r : r;
  } else {
    result = IsOdd(q) ? r + n : -r;
  }
  if (result == n) result = n - kBelowTop;
  return result;
}

void pfRandomSeedFromTick() {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now().time_since_epoch());
  std::srand(static_cast<unsigned>(ms.count()));
}

// ---- Bool

bool pfParameterBool::SetValue(bool v) { return StoreAndNotify(value, v); }

bool pfParameterBool::ReadValue(pfValueSource& source) {
  bool v = value;
  return source.GetBool(v) && SetValue(v);
}

std::unique_ptr<pfUndo> pfParameterBool::CreateUndo() { return MakeUndo(this); }

void pfParameterBool::Randomize(double) {
  if (!randomizable) return;
  StoreAndNotify(value, RandomDraw() % 2 == 0);
  Validate();
}

// ---- Int

bool pfParameterInt::SetValue(int32_t v) { return Store(value, v) && affectsPreview; }

bool pfParameterInt::ReadValue(pfValueSource& source) {
  int32_t v = value;
  return source.GetInt(v) && SetValue(v);
}

std::unique_ptr<pfUndo> pfParameterInt::CreateUndo() { return MakeUndo(this); }

// ---- Float

bool pfParameterFloat::SetValue(double v) { return StoreAndNotify(value, v); }

bool pfParameterFloat::ReadValue(pfValueSource& source) {
  double v = value;
  return source.GetDouble(v) && SetValue(v);
}

std::unique_ptr<pfUndo> pfParameterFloat::CreateUndo() { return MakeUndo(this); }

void pfParameterFloat::Validate() {
  double v = value;
  if (hasMin && v < min) v = min;
  if (hasMax && v > max) v = max;
  StoreAndNotify(value, v);
}

void pfParameterFloat::Randomize(double amount) {
  if (!randomizable) return;
  const double range = max - min;
  double v = (RandomUnit() - 0.5) * range * amount + value - min;
  v = ReflectIntoRange(v, std::trunc(range));
  StoreAndNotify(value, v + min);
  Validate();
}

// ---- List

bool pfParameterList::SetValue(int32_t v) {
  if (v < 1 || v > GetItemCount()) return false;
  return StoreAndNotify(value, v);
}

bool pfParameterList::ReadValue(pfValueSource& source) {
  int32_t v = value;
  return source.GetItem(v) && SetValue(v);  // refuses an index outside the items
}

std::unique_ptr<pfUndo> pfParameterList::CreateUndo() { return MakeUndo(this); }

std::string pfParameterList::GetItem(int32_t index) const {
  if (index < 0 || index >= GetItemCount()) return std::string();
  return items[static_cast<size_t>(index)];
}

void pfParameterList::Validate() {
  const int32_t count = GetItemCount();
  if (count == 0) return;
  int32_t v = value;
  if (v < 1) v = 1;
  if (v > count) v = count;
  StoreAndNotify(value, v);
}

void pfParameterList::Randomize(double amount) {
  if (!randomizable) return;
  // Large amounts would jump across the whole list; they are taken as "keep the choice".
  if (amount > 2.0) amount = 0.0;
  const int32_t count = GetItemCount();
  double v = (RandomUnit() - 0.5) * count * amount + value - 1.0;
  v = ReflectIntoRange(v, count);
  const double candidate = std::trunc(v + 1.0 + 0.5);
  if (candidate >= 1.0 && candidate <= count)
    StoreAndNotify(value, static_cast<int32_t>(candidate));
  Validate();
}

// ---- Position

bool pfParameterPosition::ReadValue(pfValueSource& source) {
  Value v = point;
  return source.GetPoint(v[0], v[1]) && SetValue(v);
}

std::unique_ptr<pfUndo> pfParameterPosition::CreateUndo() { return MakeUndo(this); }

void pfParameterPosition::Randomize(double amount) {
  if (!randomizable) return;
  const double x = RandomizeFraction(point[0], amount);  // x draws first
  const double y = RandomizeFraction(point[1], amount);
  SetXY(x, y);
  Validate();
}

// ---- RGB

bool pfParameterRGB::ReadValue(pfValueSource& source) {
  Value v = rgb;
  return source.GetColour(v[0], v[1], v[2]) && SetValue(v);
}

std::unique_ptr<pfUndo> pfParameterRGB::CreateUndo() { return MakeUndo(this); }

// Each channel moves like a position coordinate.
void pfParameterRGB::Randomize(double amount) {
  if (!randomizable) return;
  const double r = RandomizeFraction(rgb[0], amount);
  const double g = RandomizeFraction(rgb[1], amount);
  const double b = RandomizeFraction(rgb[2], amount);
  SetRGB(r, g, b);
}
