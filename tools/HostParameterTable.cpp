#include "tools/HostParameterTable.h"

#include "base/PiApi.h"

namespace {

constexpr uint32_t kDouble = typeFloat;
constexpr uint32_t kLong = typeInteger;
constexpr uint32_t kBool = typeBoolean;

using K = HostParameterKind;

}  // namespace

const std::vector<HostParameterRow>& HostParameterTable() {
  static const std::vector<HostParameterRow> table = {
      {"origin x", "ORIX", kDouble, "Origin", K::kPositionX, {}},
      {"origin y", "ORIY", kDouble, "Origin", K::kPositionY, {}},
      {"intensity", "INTE", kDouble, "Intensity", K::kFloat, {}},
      {"strength", "STRE", kDouble, "Strength", K::kFloat, {}},
      {"zoom start", "ZOST", kDouble, "ZoomStart", K::kFloat, {}},
      {"holdout radius", "HORA", kDouble, "HoldoutRadius", K::kFloat, {}},
      {"mode", "MODE", kLong, "Mode", K::kList, {"normal", "abberative"}},
      {"invert gradient", "INGR", kBool, "InvertGradient", K::kBool, {}},
      {"gamma correction", "GAMA", kBool, "GammaCorrection", K::kBool, {}},
      {"corrective gamma correction", "GAMC", kDouble, "GammaCorrectionCorrective", K::kFloat, {}},
      {"contrast", "CONT", kDouble, "Contrast", K::kFloat, {}},
      {"hue", "HSLH", kDouble, "Hue", K::kFloat, {}},
      {"saturation", "HSLS", kDouble, "Saturation", K::kFloat, {}},
      {"lightness", "HSLL", kDouble, "Lightness", K::kFloat, {}},
      {"extern strength control", "USES", kBool, "UseSizeSelection", K::kBool, {}},
      {"selection low", "SELL", kDouble, "SelectionLow", K::kFloat, {}},
      {"selection high", "SELH", kDouble, "SelectionHigh", K::kFloat, {}},
      {"selection soften", "SELS", kDouble, "SelectionSoften", K::kFloat, {}},
      {"selection climax", "SELC", kDouble, "SelectionClimax", K::kFloat, {}},
      {"blend mode",
       "BLND",
       kLong,
       "BlendMode",
       K::kList,
       {"normal",    "max weight", "screen",     "overlay",       "addition",      "subtraction",
        "multiply",  "divide",     "difference", "exclusion",     "lighten",       "darken",
        "maximum",   "minimum",    "hue",        "saturation",    "color",         "luminosity",
        "alpha add", "alpha sub",  "alpha mult", "alpha replace", "(none) replace"}},
      {"show mode",
       "SHOW",
       kLong,
       "SelectionShow",
       K::kList,
       {"normal", "selected image", "selection only", "size selection"}},
  };
  return table;
}

uint32_t ScriptKeyCode(const HostParameterRow& row) {
  const char* k = row.scriptKey;
  return (uint32_t(uint8_t(k[0])) << 24) | (uint32_t(uint8_t(k[1])) << 16) |
         (uint32_t(uint8_t(k[2])) << 8) | uint32_t(uint8_t(k[3]));
}

const HostParameterRow* FindParameterByKey(uint32_t key) {
  for (const HostParameterRow& row : HostParameterTable()) {
    if (ScriptKeyCode(row) == key) return &row;
  }
  return nullptr;
}

std::vector<const HostParameterRow*> FindParametersByName(const std::string& name) {
  std::vector<const HostParameterRow*> rows;
  for (const HostParameterRow& row : HostParameterTable()) {
    if (name == row.keyName || name == row.scriptKey) rows.push_back(&row);
  }
  return rows;
}
