// Folds a value into [0, n] by mirroring at both ends (a triangle wave of period 2n), so that
// a randomized value that overshoots a bound comes back from it instead of sticking to it.
#pragma once

// n is a whole number (callers truncate). It is taken as a double so that a huge or
// non-finite range cannot overflow an integer conversion.
double ReflectIntoRange(double value, double n);
