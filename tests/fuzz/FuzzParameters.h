// One parameter of every kind with ranges, as the preset and descriptor fuzz programs (and the
// preset fault sweep) load them, and the check that whatever a file or descriptor held,
// validation left them in range.
#pragma once

#include <cmath>
#include <cstdlib>

#include "base/PiApi.h"
#include "params/pfParameterKinds.h"
#include "params/pfParameters.h"

struct FuzzParameters {
  FuzzParameters() {
    strength.SetName("Strength");
    strength.SetScriptKey(FourCC("STRE"));
    strength.SetMin(0, true);
    strength.SetMax(2, true);
    mode.SetName("Mode");
    mode.SetScriptKey(FourCC("MODE"));
    mode.AddItem("normal");
    mode.AddItem("abberative");
    invert.SetName("Invert");
    invert.SetScriptKey(FourCC("INGR"));
    origin.SetName("Origin");
    origin.SetScriptKey(FourCC("ORIX"), FourCC("ORIY"));
    colour.SetName("Colour");
    for (pfParameter* p :
         std::initializer_list<pfParameter*>{&strength, &mode, &invert, &origin, &colour}) {
      all.AddParameter(p);
    }
  }
  // A NaN passes Validate (no comparison holds for it); the render gives it the default.
  void CheckValidated() {
    all.ValidateAll();
    const double v = strength.GetValue();
    if (!(std::isnan(v) || (v >= 0 && v <= 2)) || mode.GetValue() < 1 || mode.GetValue() > 2) {
      std::abort();
    }
  }

  pfParameterFloat strength;
  pfParameterList mode;
  pfParameterBool invert;
  pfParameterPosition origin;
  pfParameterRGB colour;
  pfParameters all;
};
