// Undo record of a pfParameterRGB: the three channels at the time the record was taken.
#pragma once

#include "params/pfUndo.h"

class pfParameterRGB;

class pfUndoParameterRGB : public pfUndo {
 public:
  pfUndoParameterRGB(pfParameterRGB* p, double r, double g, double b)
      : parameter(p), red(r), green(g), blue(b) {}

  void Apply() override;

  pfParameterRGB* GetParameter() const { return parameter; }
  void GetRGB(double& r, double& g, double& b) const {
    r = red;
    g = green;
    b = blue;
  }

 private:
  pfParameterRGB* parameter;
  double red;
  double green;
  double blue;
};
