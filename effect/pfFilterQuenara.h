// The effect's filter class: the identity of the Quenara filter and, on top of pfFilter, its
// parameters (built from QuenaraParameterTable.h), their control bindings and the render.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "effect/QuenaraParameterTable.h"
#include "effect/QuenaraRender.h"
#include "host/pfFilter.h"
#include "params/pfParameterKinds.h"
#include "ui/pfParameterUI.h"

class pfFilterQuenara : public pfFilter {
 public:
  // Identity shown in the about box; the strings are UTF-8.
  static constexpr const char* kDisplayName = "Vorel »Quenara«";
  static constexpr int32_t kVersionMajor = 1;
  static constexpr int32_t kVersionMinor = 1;
  static constexpr int32_t kVersionPatch = 0;
  static constexpr const char* kDescription =
      "Gererates a Quenara using selected footage.\n"
      "A Kestrimond filter for Photoshop-compatible hosts.\n";

  pfFilterQuenara(std::string name, int32_t versionMajor, int32_t versionMinor,
                  int32_t versionPatch, std::string description);
  ~pfFilterQuenara() override;

  int16_t Render(FilterRecord* record) override;
  void AdaptToImage(FilterRecord* record) override;
  void ResetParameters(bool recordUndo) override;
  const char* GetName() override;

  // The parameter at a table position, and the binding that shows it. The typed views return
  // the kind the table gives the position.
  pfParameter& Parameter(QuenaraParameter index) const { return *objects[index]; }
  pfParameterPosition& Position(QuenaraParameter index) const;
  pfParameterFloat& Float(QuenaraParameter index) const;
  pfParameterBool& Bool(QuenaraParameter index) const;
  pfParameterList& List(QuenaraParameter index) const;
  pfParameterUI& Control(QuenaraParameter index) { return *bindings[index]; }

  // The values one render uses, read through the parameters' getters now.
  QuenaraRenderValues GetRenderValues() const;

  static void OnModeChanged(pfParameter* parameter, intptr_t filter);
  static void OnRandomizePressed(pfParameter* parameter, intptr_t filter);

  // The parameters, one member each in the order the design gives for the members (the
  // container order is the table's).
  pfParameterPosition Origin;
  pfParameterFloat Intensity;
  pfParameterFloat Strength;
  pfParameterFloat ZoomStart;
  pfParameterFloat HoldoutRadius;
  pfParameterBool InvertGradient;
  pfParameterBool GammaCorrection;
  pfParameterFloat GammaCorrectionCorrective;
  pfParameterFloat Contrast;
  pfParameterFloat Hue;
  pfParameterFloat Saturation;
  pfParameterFloat Lightness;
  pfParameterFloat SelectionLow;
  pfParameterFloat SelectionHigh;
  pfParameterFloat SelectionSoften;
  pfParameterFloat SelectionClimax;
  pfParameterBool UseSizeSelection;
  pfParameterList Mode;
  pfParameterList BlendMode;
  pfParameterList SelectionShow;
  pfParameterFloat Randomize;
  pfParameterBool RandomizeButton;

 private:
  void Configure(QuenaraParameter index);
  void SetInitialValue(QuenaraParameter index);

  // The members by table position, and one binding each: the dialog's Win32 bindings where
  // there is a dialog, the portable base elsewhere.
  pfParameter* objects[kQuenaraParameterCount] = {};
  std::unique_ptr<pfParameterUI> bindings[kQuenaraParameterCount];
};
