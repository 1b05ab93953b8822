#include "params/pfParameterRGB.h"

#include "params/ReflectIntoRange.h"
#include "params/pfRandom.h"

bool pfParameterRGB::SetRGB(double r, double g, double b) {
  if (r == red && g == green && b == blue) return false;
  red = r;
  green = g;
  blue = b;
  UpdateControl();
  return affectsPreview;
}

// Each channel moves like a position coordinate and folds back into 0..1.
void pfParameterRGB::Randomize(double amount) {
  if (!randomizable) return;
  const double r1 = pfRandomUnit();
  const double r2 = pfRandomUnit();
  const double r3 = pfRandomUnit();
  SetRGB(ReflectIntoRange((r1 - 0.5) * amount + red, 1.0),
         ReflectIntoRange((r2 - 0.5) * amount + green, 1.0),
         ReflectIntoRange((r3 - 0.5) * amount + blue, 1.0));
}
