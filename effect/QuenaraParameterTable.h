// The effect's parameters, written once as data: key name (also the preset and registry name),
// kind, initial value, bounds and whether they are enforced, scripting terms (key, name and
// description in the terminology resource, and the entry's place there), dialog controls, list
// items and flags. pfFilterQuenara builds its parameters and bindings from this table, in this
// order, which is the order of the container (preset lines, scripting, randomize and undo). The
// build generates the terminology's parameter entries and the dialog's control identifiers from
// it (resources/MakeParameterResources.cpp), and the reference host reads its -p names from it.
//
// Portable on purpose: nothing here may need more than the standard library, since the resource
// generator is compiled for the build machine.
#pragma once

#include <array>
#include <cstdint>

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

// A four-character code as the host API packs it: the first character in the most significant
// byte.
constexpr uint32_t QuenaraFourCC(const char (&s)[5]) {
  return (uint32_t(uint8_t(s[0])) << 24) | (uint32_t(uint8_t(s[1])) << 16) |
         (uint32_t(uint8_t(s[2])) << 8) | uint32_t(uint8_t(s[3]));
}

// One value in the scripting terminology: the descriptor key it travels under and the name and
// description a scripting user sees. key 0: not scripted.
struct QuenaraScriptTerm {
  uint32_t key;
  const char* name;
  const char* description;
};

struct QuenaraParameterEntry {
  const char* name = nullptr;
  QuenaraParameterKind kind = QuenaraParameterKind::Float;
  double initial = 0.0;   // position: x; bool: 0 or 1; list: the 1-based item
  double initialY = 0.0;  // position only
  double minimum = 0.0;   // float only
  double maximum = 0.0;
  bool enforceMinimum = false;
  bool enforceMaximum = false;
  // The terms of the value (a position has two, x then y, next to each other in the
  // terminology), and the 1-based place of the first in the terminology's parameter list, which
  // is not the container's order; 0 when not scripted.
  QuenaraScriptTerm script[2] = {};
  int32_t terminologyPlace = 0;
  // Dialog controls: float slider then edit; position x then y edit; otherwise one control.
  int32_t control = -1;
  int32_t secondControl = -1;
  const char* label = nullptr;
  const char* secondLabel = nullptr;   // position only: the y edit
  const char* const* items = nullptr;  // list only
  int32_t itemCount = 0;
  bool saved = true;
  bool affectsPreview = true;
};

// The descriptor type a kind's values travel as: a list as its 1-based index.
constexpr uint32_t QuenaraScriptType(QuenaraParameterKind kind) {
  switch (kind) {
    case QuenaraParameterKind::Bool:
      return QuenaraFourCC("bool");
    case QuenaraParameterKind::List:
      return QuenaraFourCC("long");
    case QuenaraParameterKind::Position:
    case QuenaraParameterKind::Float:
      break;
  }
  return QuenaraFourCC("doub");
}

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

// The scripting of one value: its place in the terminology, key, name and description.
struct Script {
  int32_t place;
  QuenaraScriptTerm term;
};

constexpr Script Term(int32_t place, const char (&key)[5], const char* name,
                      const char* description) {
  return {place, {QuenaraFourCC(key), name, description}};
}

inline constexpr Script kNotScripted = {0, {0, nullptr, nullptr}};

constexpr QuenaraParameterEntry Position(const char* name, double x, double y, Script sx, Script sy,
                                         int32_t editX, int32_t editY) {
  return {.name = name,
          .kind = K::Position,
          .initial = x,
          .initialY = y,
          .script = {sx.term, sy.term},
          .terminologyPlace = sx.place,
          .control = editX,
          .secondControl = editY,
          .label = "x-position",
          .secondLabel = "y-position"};
}

constexpr QuenaraParameterEntry Float(const char* name, double initial, double minimum,
                                      bool enforceMinimum, double maximum, bool enforceMaximum,
                                      Script s, int32_t slider, int32_t edit, const char* label) {
  return {.name = name,
          .kind = K::Float,
          .initial = initial,
          .minimum = minimum,
          .maximum = maximum,
          .enforceMinimum = enforceMinimum,
          .enforceMaximum = enforceMaximum,
          .script = {s.term},
          .terminologyPlace = s.place,
          .control = slider,
          .secondControl = edit,
          .label = label};
}

constexpr QuenaraParameterEntry Bool(const char* name, bool initial, Script s, int32_t control,
                                     const char* label) {
  return {.name = name,
          .kind = K::Bool,
          .initial = initial ? 1.0 : 0.0,
          .script = {s.term},
          .terminologyPlace = s.place,
          .control = control,
          .label = label};
}

// The range 1..N is the item count's; the setter enforces it, not a bound.
template <int N>
constexpr QuenaraParameterEntry List(const char* name, int32_t initial,
                                     const char* const (&items)[N], Script s, int32_t control,
                                     const char* label) {
  return {.name = name,
          .kind = K::List,
          .initial = double(initial),
          .minimum = 1.0,
          .maximum = double(N),
          .script = {s.term},
          .terminologyPlace = s.place,
          .control = control,
          .label = label,
          .items = items,
          .itemCount = N};
}

// Randomize amount and button: neither saved nor re-rendering the preview.
constexpr QuenaraParameterEntry Unsaved(QuenaraParameterEntry e) {
  e.saved = false;
  e.affectsPreview = false;
  return e;
}

inline constexpr QuenaraParameterEntry kEntries[kQuenaraParameterCount] = {
    Position("Origin", 0.5, 0.5, Term(1, "ORIX", "origin x", "1.0 is rightmost pixel"),
             Term(2, "ORIY", "origin y", "1.0 is lowest pixel"), 1031, 1032),
    Float("Intensity", 1.0, 0.0, true, 5.0, false, Term(3, "INTE", "intensity", "image multiplier"),
          1011, 1013, "intensity"),
    Float("Strength", 0.25, 0.0, true, 1.0, false, Term(4, "STRE", "strength", "effects strength"),
          1025, 1028, "strength"),
    Float("ZoomStart", 0.5, -0.5, false, 0.5, false, Term(5, "ZOST", "zoom start", "effect offset"),
          1033, 1034, "start"),
    Float("HoldoutRadius", 0.0, 0.0, true, 1.0, false,
          Term(6, "HORA", "holdout radius", "effect starts outside"), 1035, 1036, "holdout"),
    List("Mode", 1, kQuenaraModeItems, Term(7, "MODE", "mode", "EffectMode (1 or 2)"), 1037,
         "mode"),
    Bool("InvertGradient", false, Term(8, "INGR", "invert gradient", "inverts abberative gradient"),
         1077, "invert Gradient"),
    Bool("GammaCorrection", true, Term(9, "GAMA", "gamma correction", "work in linear color space"),
         1078, "gamma correction"),
    Float("Contrast", 0.0, 0.0, true, 2.0, false,
          Term(11, "CONT", "contrast", "takes effect before blending"), 1038, 1039, "contrast"),
    Float("GammaCorrectionCorrective", 1.0, 0.0, true, 3.0, false,
          Term(10, "GAMC", "corrective gamma correction", "takes effect before blending"), 1064,
          1066, "gamma"),
    Float("Hue", 0.0, -1.0, true, 1.0, true,
          Term(12, "HSLH", "hue", "takes effect before blending"), 1012, 1014, "hue"),
    Float("Saturation", 0.0, -1.0, true, 1.0, true,
          Term(13, "HSLS", "saturation", "takes effect before blending"), 1016, 1017, "saturation"),
    Float("Lightness", 0.0, -1.0, true, 1.0, true,
          Term(14, "HSLL", "lightness", "takes effect before blending"), 1018, 1019, "lightness"),
    Float("SelectionLow", 0.0, 0.0, true, 255.0, true,
          Term(16, "SELL", "selection low", "lower grayscale selection"), 1065, 1067, "low"),
    Float("SelectionHigh", 255.0, 0.0, true, 255.0, true,
          Term(17, "SELH", "selection high", "upper grayscale selection"), 1020, 1021, "high"),
    Float("SelectionSoften", 0.0, 0.0, true, 3.0, true,
          Term(18, "SELS", "selection soften", "Selection Soften based on Climax"), 1022, 1023,
          "soften"),
    Float("SelectionClimax", 1.0, -1.0, true, 1.0, true,
          Term(19, "SELC", "selection climax", "Peak intensity when softened"), 1024, 1026,
          "climax"),
    Bool("UseSizeSelection", false,
         Term(15, "USES", "extern strength control",
              "use extern Selection to control strength per pixel"),
         1080, "extern is strength"),
    List("BlendMode", 1, kQuenaraBlendItems, Term(20, "BLND", "blend mode", "transfer mode"), 1009,
         "blend"),
    List("SelectionShow", 1, kQuenaraShowItems, Term(21, "SHOW", "show mode", "what to see"), 1029,
         "show"),
    Unsaved(Float("Randomize", 0.05, 0.0, true, 1.0, false, kNotScripted, 1068, 1069, "")),
    Unsaved(Bool("Randomize Button", false, kNotScripted, 1040, "randomize")),
};
}  // namespace QuenaraTable

inline constexpr const QuenaraParameterEntry (&kQuenaraParameters)[kQuenaraParameterCount] =
    QuenaraTable::kEntries;

// How many terminology entries (scripting keys) a parameter has.
constexpr int32_t QuenaraTermCount(const QuenaraParameterEntry& e) {
  return (e.script[0].key != 0 ? 1 : 0) + (e.script[1].key != 0 ? 1 : 0);
}

constexpr int32_t QuenaraTerminologySize() {
  int32_t n = 0;
  for (const QuenaraParameterEntry& e : kQuenaraParameters) n += QuenaraTermCount(e);
  return n;
}

// One entry of the terminology's parameter list: which parameter, and which of its terms.
struct QuenaraTerminologyEntry {
  QuenaraParameter parameter;
  int32_t term;  // 0, or 1 for a position's y

  constexpr const QuenaraParameterEntry& Entry() const { return kQuenaraParameters[parameter]; }
  constexpr const QuenaraScriptTerm& Term() const { return Entry().script[term]; }
};

inline constexpr int32_t kQuenaraTerminologySize = QuenaraTerminologySize();

// The table's terms in the terminology's order.
constexpr std::array<QuenaraTerminologyEntry, kQuenaraTerminologySize> QuenaraTerminology() {
  std::array<QuenaraTerminologyEntry, kQuenaraTerminologySize> list{};
  for (int32_t i = 0; i < kQuenaraParameterCount; ++i) {
    const QuenaraParameterEntry& e = kQuenaraParameters[i];
    for (int32_t t = 0; t < QuenaraTermCount(e); ++t) {
      list[e.terminologyPlace - 1 + t] = {QuenaraParameter(i), t};
    }
  }
  return list;
}

inline constexpr std::array<QuenaraTerminologyEntry, kQuenaraTerminologySize> kQuenaraTerminology =
    QuenaraTerminology();

namespace QuenaraTable {
// Every place of the terminology taken by exactly one term, and scripted parameters only.
constexpr bool TerminologyIsComplete() {
  bool taken[kQuenaraTerminologySize] = {};
  for (const QuenaraParameterEntry& e : kQuenaraParameters) {
    const int32_t n = QuenaraTermCount(e);
    if ((n == 0) != (e.terminologyPlace == 0)) return false;
    if (n != 0 && (e.script[0].key == 0 || (n == 2) != (e.kind == K::Position))) return false;
    for (int32_t t = 0; t < n; ++t) {
      const int32_t place = e.terminologyPlace - 1 + t;
      if (place < 0 || place >= kQuenaraTerminologySize || taken[place]) return false;
      taken[place] = true;
    }
  }
  return true;
}

// The dialog routes a notification to the first binding that owns the control, so two
// parameters must never share one.
constexpr bool ControlsAreDistinct() {
  int32_t ids[2 * kQuenaraParameterCount] = {};
  int32_t n = 0;
  for (const QuenaraParameterEntry& e : kQuenaraParameters) {
    for (int32_t id : {e.control, e.secondControl}) {
      if (id <= 0) continue;
      for (int32_t i = 0; i < n; ++i) {
        if (ids[i] == id) return false;
      }
      ids[n++] = id;
    }
  }
  return true;
}
}  // namespace QuenaraTable

static_assert(QuenaraTable::TerminologyIsComplete(),
              "each scripted parameter needs its own place(s) in the terminology, 1 to N");
static_assert(QuenaraTable::ControlsAreDistinct(), "a dialog control belongs to one parameter");
