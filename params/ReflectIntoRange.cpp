#include "params/ReflectIntoRange.h"

#include <cmath>

namespace {
// A fold that lands exactly on n is pulled just inside, so a List index derived from it
// stays within the item count.
constexpr double kBelowTop = 0.0001;

bool IsOdd(double wholeNumber) { return std::fmod(wholeNumber, 2.0) != 0.0; }
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
