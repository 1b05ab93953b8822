#include "effect/pfFilterQuenara.h"

#include <cassert>
#include <memory>
#include <utility>

#include "base/Log.h"
#include "params/pfUndo.h"

namespace {

pfParameterUI* CreateBinding(const QuenaraParameterEntry& e) {
  switch (e.kind) {
    case QuenaraParameterKind::Position:
      return pfCreateParameterUI(pfControlKind::Position, e.control, e.secondControl);
    case QuenaraParameterKind::Float:
      return pfCreateParameterUI(pfControlKind::Float, e.control, e.secondControl);
    case QuenaraParameterKind::Bool:
      return pfCreateParameterUI(pfControlKind::Bool, e.control, -1);
    case QuenaraParameterKind::List:
      break;
  }
  return pfCreateParameterUI(pfControlKind::List, e.control, -1);
}

}  // namespace

pfFilterQuenara::pfFilterQuenara(std::string name_, int32_t major, int32_t minor, int32_t patch,
                                 std::string description_)
    : pfFilter(std::move(name_), major, minor, patch, std::move(description_)) {
  QLOG_SCOPE(scope, "pfFilterQuenara::pfFilterQuenara()", "pfFilterQuenara::pfFilterQuenara()");
  const std::pair<QuenaraParameter, pfParameter*> members[] = {
      {kOrigin, &Origin},
      {kIntensity, &Intensity},
      {kStrength, &Strength},
      {kZoomStart, &ZoomStart},
      {kHoldoutRadius, &HoldoutRadius},
      {kMode, &Mode},
      {kInvertGradient, &InvertGradient},
      {kGammaCorrection, &GammaCorrection},
      {kContrast, &Contrast},
      {kGammaCorrectionCorrective, &GammaCorrectionCorrective},
      {kHue, &Hue},
      {kSaturation, &Saturation},
      {kLightness, &Lightness},
      {kSelectionLow, &SelectionLow},
      {kSelectionHigh, &SelectionHigh},
      {kSelectionSoften, &SelectionSoften},
      {kSelectionClimax, &SelectionClimax},
      {kUseSizeSelection, &UseSizeSelection},
      {kBlendMode, &BlendMode},
      {kSelectionShow, &SelectionShow},
      {kRandomize, &Randomize},
      {kRandomizeButton, &RandomizeButton},
  };
  for (const auto& [index, member] : members) objects[index] = member;
  Bool(kRandomizeButton).SetCallback(&OnRandomizePressed, reinterpret_cast<intptr_t>(this));
  List(kMode).SetCallback(&OnModeChanged, reinterpret_cast<intptr_t>(this));
  for (int32_t i = 0; i < kQuenaraParameterCount; ++i) {
    const QuenaraParameter index = QuenaraParameter(i);
    Configure(index);
    bindings[i].reset(CreateBinding(kQuenaraParameters[i]));
    bindings[i]->SetParameter(&Parameter(index));
    controls.push_back(bindings[i].get());
    parameters.AddParameter(&Parameter(index));
  }
  // Reset leaves the randomize amount and button alone, so the amount starts from the table
  // here. The button starts released as constructed: setting it would press it.
  static_assert(kQuenaraParameters[kRandomizeButton].initial == 0.0);
  SetInitialValue(kRandomize);
  ResetParameters(false);
  parameters.ValidateAll();
}

pfFilterQuenara::~pfFilterQuenara() = default;

// The table pairs each position with its kind, and the constructor made the object of that
// kind, so the casts hold.
pfParameterPosition& pfFilterQuenara::Position(QuenaraParameter index) const {
  assert(kQuenaraParameters[index].kind == QuenaraParameterKind::Position);
  return static_cast<pfParameterPosition&>(*objects[index]);
}

pfParameterFloat& pfFilterQuenara::Float(QuenaraParameter index) const {
  assert(kQuenaraParameters[index].kind == QuenaraParameterKind::Float);
  return static_cast<pfParameterFloat&>(*objects[index]);
}

pfParameterBool& pfFilterQuenara::Bool(QuenaraParameter index) const {
  assert(kQuenaraParameters[index].kind == QuenaraParameterKind::Bool);
  return static_cast<pfParameterBool&>(*objects[index]);
}

pfParameterList& pfFilterQuenara::List(QuenaraParameter index) const {
  assert(kQuenaraParameters[index].kind == QuenaraParameterKind::List);
  return static_cast<pfParameterList&>(*objects[index]);
}

// Name, flags, bounds, items and script keys of one parameter, from its table entry.
void pfFilterQuenara::Configure(QuenaraParameter index) {
  const QuenaraParameterEntry& e = kQuenaraParameters[index];
  pfParameter& p = Parameter(index);
  p.SetName(e.name);
  p.SetSaved(e.saved);
  p.SetAffectsPreview(e.affectsPreview);
  switch (e.kind) {
    case QuenaraParameterKind::Position:
      static_cast<pfParameterPosition&>(p).SetScriptKey(e.script[0].key, e.script[1].key);
      break;
    case QuenaraParameterKind::Float: {
      auto& f = static_cast<pfParameterFloat&>(p);
      f.SetMin(e.minimum, e.enforceMinimum);
      f.SetMax(e.maximum, e.enforceMaximum);
      f.SetScriptKey(e.script[0].key);
      break;
    }
    case QuenaraParameterKind::Bool:
      static_cast<pfParameterBool&>(p).SetScriptKey(e.script[0].key);
      break;
    case QuenaraParameterKind::List: {
      auto& l = static_cast<pfParameterList&>(p);
      for (int32_t i = 0; i < e.itemCount; ++i) l.AddItem(e.items[i]);
      l.SetScriptKey(e.script[0].key);
      break;
    }
  }
}

// Through the normal setters, so that change callbacks run.
void pfFilterQuenara::SetInitialValue(QuenaraParameter index) {
  const QuenaraParameterEntry& e = kQuenaraParameters[index];
  pfParameter& p = Parameter(index);
  switch (e.kind) {
    case QuenaraParameterKind::Position:
      static_cast<pfParameterPosition&>(p).SetXY(e.initial, e.initialY);
      break;
    case QuenaraParameterKind::Float:
      static_cast<pfParameterFloat&>(p).SetValue(e.initial);
      break;
    case QuenaraParameterKind::Bool:
      static_cast<pfParameterBool&>(p).SetValue(e.initial != 0.0);
      break;
    case QuenaraParameterKind::List:
      static_cast<pfParameterList&>(p).SetValue(int32_t(e.initial));
      break;
  }
}

void pfFilterQuenara::ResetParameters(bool recordUndo) {
  QLOG_SCOPE(scope, "pfFilterQuenara::ResetParameters( bRecordUndo(" << recordUndo << ") )",
             "pfFilterQuenara::ResetParameters()");
  if (recordUndo) {
    for (int32_t i = 0; i < kQuenaraResetCount; ++i) {
      undoHistory.Add(Parameter(QuenaraParameter(i)).CreateUndo());
    }
    undoHistory.EndGroup();
  }
  for (int32_t i = 0; i < kQuenaraResetCount; ++i) SetInitialValue(QuenaraParameter(i));
}

void pfFilterQuenara::AdaptToImage(FilterRecord* record) {
  QLOG_SCOPE(scope, "pfFilterQuenara::AdaptToImage( pFilterRecord(0x" << LogPtr(record) << ") )",
             "pfFilterQuenara::AdaptToImage()");
  if (record != nullptr) {
    const int16_t mode = record->imageMode;
    const bool colourMode =
        mode == plugInModeRGBColor || mode == plugInModeMultichannel || mode == plugInModeRGB48;
    const bool colour = colourMode && (record->inLayerPlanes >= 3 || record->inNonLayerPlanes >= 3);
    bindings[kHue]->SetEnabled(colour);
    bindings[kSaturation]->SetEnabled(colour);
    bindings[kLightness]->SetEnabled(colour);
    if (!colour) List(kMode).SetValue(1);
    // The aberration spreads three colour channels apart, so a grey image offers only the
    // plain blur; a later colour image offers both again.
    bindings[kMode]->SetEnabled(colour);
    bindings[kUseSizeSelection]->SetEnabled(record->maskData != nullptr);
  }
}

const char* pfFilterQuenara::GetName() { return "Quenara"; }

void pfFilterQuenara::OnModeChanged(pfParameter*, intptr_t filter) {
  auto* self = reinterpret_cast<pfFilterQuenara*>(filter);
  self->bindings[kInvertGradient]->SetEnabled(self->List(kMode).GetValue() == 2);
}

void pfFilterQuenara::OnRandomizePressed(pfParameter*, intptr_t filter) {
  auto* self = reinterpret_cast<pfFilterQuenara*>(filter);
  QLOG_SCOPE(scope, "pfFilterQuenara::OnRandomizePressed()",
             "pfFilterQuenara::OnRandomizePressed()");
  // The amount, the button and the choices that change what the result shows stay as the user
  // set them.
  for (QuenaraParameter kept :
       {kRandomizeButton, kRandomize, kBlendMode, kSelectionShow, kUseSizeSelection}) {
    self->Parameter(kept).SetRandomizable(false);
  }
  self->parameters.RandomizeAll(self->Float(kRandomize).GetValue(), &self->undoHistory);
  self->preview->ParametersChanged();
}

QuenaraRenderValues pfFilterQuenara::GetRenderValues() const {
  QuenaraRenderValues v;
  v.originX = Position(kOrigin).GetX();
  v.originY = Position(kOrigin).GetY();
  v.intensity = Float(kIntensity).GetValue();
  v.strength = Float(kStrength).GetValue();
  v.zoomStart = Float(kZoomStart).GetValue();
  v.holdoutRadius = Float(kHoldoutRadius).GetValue();
  v.invertGradient = Bool(kInvertGradient).GetValue();
  v.gammaCorrection = Bool(kGammaCorrection).GetValue();
  v.gammaCorrective = Float(kGammaCorrectionCorrective).GetValue();
  v.contrast = Float(kContrast).GetValue();
  v.hue = Float(kHue).GetValue();
  v.saturation = Float(kSaturation).GetValue();
  v.lightness = Float(kLightness).GetValue();
  v.selectionLow = Float(kSelectionLow).GetValue();
  v.selectionHigh = Float(kSelectionHigh).GetValue();
  v.selectionSoften = Float(kSelectionSoften).GetValue();
  v.selectionClimax = Float(kSelectionClimax).GetValue();
  v.useSizeSelection = Bool(kUseSizeSelection).GetValue();
  v.mode = List(kMode).GetValue();
  v.blendMode = List(kBlendMode).GetValue();
  v.show = List(kSelectionShow).GetValue();
  return v;
}

int16_t pfFilterQuenara::Render(FilterRecord* record) {
  QLOG_SCOPE(scope, "pfFilterQuenara::Render( pFilterRecord(0x" << LogPtr(record) << ") )",
             "pfFilterQuenara::Render");
  const int16_t result =
      record != nullptr ? int16_t(RenderQuenara(this, *record, GetRenderValues())) : int16_t(noErr);
  QLOG_SCOPE_EXIT(scope, "pfFilterQuenara::Render() = " << result);
  return result;
}
