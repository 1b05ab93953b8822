// The effect's parameters, written once as data: key name (also the preset and registry name),
// kind, initial value, bounds and whether they are enforced, script keys, dialog controls, list
// items and flags. pfFilterQuenara builds its parameters and bindings from this table, in this
// order, which is the order of the container (preset lines, scripting, randomize and undo).
#pragma once

#include <cstdint>

#include "effect/QuenaraKeys.h"

enum class QuenaraParameterKind : uint8_t { Position, Float, Bool, List };

// Positions in the container (and in the table).
enum QuenaraParameter : int32_t {
  kOrigin,
  kIntensity,
  kStrength,
  kZoomStart,
  kHoldoutRadius,
  kMode,
  kInvertGradient,
  kGammaCorrection,
  kContrast,
  kGammaCorrectionCorrective,
  kHue,
  kSaturation,
  kLightness,
  kSelectionLow,
  kSelectionHigh,
  kSelectionSoften,
  kSelectionClimax,
  kUseSizeSelection,
  kBlendMode,
  kSelectionShow,
  kRandomize,
  kRandomizeButton,
  kQuenaraParameterCount
};

// Reset restores the first 20; the randomize amount and button keep their values.
constexpr int32_t kQuenaraResetCount = kSelectionShow + 1;

struct QuenaraParameterEntry {
  const char* name;
  QuenaraParameterKind kind;
  double initial;   // position: x; bool: 0 or 1; list: the 1-based item
  double initialY;  // position only
  double minimum;   // float only
  double maximum;
  bool enforceMinimum;
  bool enforceMaximum;
  uint32_t scriptKey;   // 0: not scripted; position: the x key
  uint32_t scriptKeyY;  // position only
  // Dialog controls: float slider then edit; position x then y edit; otherwise one control.
  int32_t control;
  int32_t secondControl;
  const char* label;
  const char* secondLabel;   // position only: the y edit
  const char* const* items;  // list only
  int32_t itemCount;
  bool saved;
  bool affectsPreview;
};

inline constexpr const char* kQuenaraModeItems[] = {"normal", "abberative"};

inline constexpr const char* kQuenaraBlendItems[] = {
    "normal",    "max weight", "screen",     "overlay",       "addition",      "subtraction",
    "multiply",  "divide",     "difference", "exclusion",     "lighten",       "darken",
    "maximum",   "minimum",    "hue",        "saturation",    "color",         "luminosity",
    "alpha add", "alpha sub",  "alpha mult", "alpha replace", "(none) replace"};

inline constexpr const char* kQuenaraShowItems[] = {"normal", "selected image", "selection only",
                                                    "size selection"};

namespace QuenaraTable {
using K = QuenaraParameterKind;

constexpr QuenaraParameterEntry Position(const char* name, double x, double y, uint32_t keyX,
                                         uint32_t keyY, int32_t editX, int32_t editY) {
  return {name,         K::Position,  x,       y, 0.0,  0.0, false, false, keyX, keyY, editX, editY,
          "x-position", "y-position", nullptr, 0, true, true};
}

constexpr QuenaraParameterEntry Float(const char* name, double initial, double minimum,
                                      bool enforceMinimum, double maximum, bool enforceMaximum,
                                      uint32_t key, int32_t slider, int32_t edit,
                                      const char* label) {
  return {name,           K::Float,       initial, 0.0, minimum, maximum,
          enforceMinimum, enforceMaximum, key,     0,   slider,  edit,
          label,          nullptr,        nullptr, 0,   true,    true};
}

constexpr QuenaraParameterEntry Bool(const char* name, bool initial, uint32_t key, int32_t control,
                                     const char* label) {
  return {name,  K::Bool, initial ? 1.0 : 0.0,
          0.0,   0.0,     0.0,
          false, false,   key,
          0,     control, 0,
          label, nullptr, nullptr,
          0,     true,    true};
}

template <int N>
constexpr QuenaraParameterEntry List(const char* name, int32_t initial,
                                     const char* const (&items)[N], uint32_t key, int32_t control,
                                     const char* label) {
  return {name,    K::List, double(initial), 0.0,     1.0,   double(N), false, false, key, 0,
          control, 0,       label,           nullptr, items, N,         true,  true};
}

// Randomize amount and button: neither saved nor re-rendering the preview.
constexpr QuenaraParameterEntry Unsaved(QuenaraParameterEntry e) {
  e.saved = false;
  e.affectsPreview = false;
  return e;
}
}  // namespace QuenaraTable

inline constexpr QuenaraParameterEntry kQuenaraParameters[kQuenaraParameterCount] = {
    QuenaraTable::Position("Origin", 0.5, 0.5, QuenaraKeys::OriginX, QuenaraKeys::OriginY, 1031,
                           1032),
    QuenaraTable::Float("Intensity", 1.0, 0.0, true, 5.0, false, QuenaraKeys::Intensity, 1011, 1013,
                        "intensity"),
    QuenaraTable::Float("Strength", 0.25, 0.0, true, 1.0, false, QuenaraKeys::Strength, 1025, 1028,
                        "strength"),
    QuenaraTable::Float("ZoomStart", 0.5, -0.5, false, 0.5, false, QuenaraKeys::ZoomStart, 1033,
                        1034, "start"),
    QuenaraTable::Float("HoldoutRadius", 0.0, 0.0, true, 1.0, false, QuenaraKeys::HoldoutRadius,
                        1035, 1036, "holdout"),
    QuenaraTable::List("Mode", 1, kQuenaraModeItems, QuenaraKeys::Mode, 1037, "mode"),
    QuenaraTable::Bool("InvertGradient", false, QuenaraKeys::InvertGradient, 1077,
                       "invert Gradient"),
    QuenaraTable::Bool("GammaCorrection", true, QuenaraKeys::GammaCorrection, 1078,
                       "gamma correction"),
    QuenaraTable::Float("Contrast", 0.0, 0.0, true, 2.0, false, QuenaraKeys::Contrast, 1038, 1039,
                        "contrast"),
    QuenaraTable::Float("GammaCorrectionCorrective", 1.0, 0.0, true, 3.0, false,
                        QuenaraKeys::GammaCorrectionCorrective, 1064, 1066, "gamma"),
    QuenaraTable::Float("Hue", 0.0, -1.0, true, 1.0, true, QuenaraKeys::Hue, 1012, 1014, "hue"),
    QuenaraTable::Float("Saturation", 0.0, -1.0, true, 1.0, true, QuenaraKeys::Saturation, 1016,
                        1017, "saturation"),
    QuenaraTable::Float("Lightness", 0.0, -1.0, true, 1.0, true, QuenaraKeys::Lightness, 1018, 1019,
                        "lightness"),
    QuenaraTable::Float("SelectionLow", 0.0, 0.0, true, 255.0, true, QuenaraKeys::SelectionLow,
                        1065, 1067, "low"),
    QuenaraTable::Float("SelectionHigh", 255.0, 0.0, true, 255.0, true, QuenaraKeys::SelectionHigh,
                        1020, 1021, "high"),
    QuenaraTable::Float("SelectionSoften", 0.0, 0.0, true, 3.0, true, QuenaraKeys::SelectionSoften,
                        1022, 1023, "soften"),
    QuenaraTable::Float("SelectionClimax", 1.0, -1.0, true, 1.0, true, QuenaraKeys::SelectionClimax,
                        1024, 1026, "climax"),
    QuenaraTable::Bool("UseSizeSelection", false, QuenaraKeys::UseSizeSelection, 1080,
                       "extern is strength"),
    QuenaraTable::List("BlendMode", 1, kQuenaraBlendItems, QuenaraKeys::BlendMode, 1009, "blend"),
    QuenaraTable::List("SelectionShow", 1, kQuenaraShowItems, QuenaraKeys::SelectionShow, 1029,
                       "show"),
    QuenaraTable::Unsaved(
        QuenaraTable::Float("Randomize", 0.05, 0.0, true, 1.0, false, 0, 1068, 1069, "")),
    QuenaraTable::Unsaved(QuenaraTable::Bool("Randomize Button", false, 0, 1040, "randomize")),
};
