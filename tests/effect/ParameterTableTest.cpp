// The effect's parameters as the filter builds them: names, kinds and order, initial values,
// bounds and which are enforced, list items, script keys, flags, reset with its undo group,
// randomize, AdaptToImage and the mode callback. Expected values are written out here from the
// parameter list, not read from the table the filter is built from.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/PiApi.h"
#include "effect/pfFilterQuenara.h"

namespace {

class CountingPreview : public pfPreviewNone {
 public:
  void ParametersChanged() override { ++changes; }
  int changes = 0;
};

class TestFilter : public pfFilterQuenara {
 public:
  TestFilter() : pfFilterQuenara("test", 1, 0, 0, "") {
    auto owned = std::make_unique<CountingPreview>();
    counting = owned.get();
    preview = std::move(owned);
  }
  CountingPreview* counting;
};

FilterRecord ImageRecord(int16_t mode, int16_t layer, int16_t nonLayer, bool mask) {
  FilterRecord r;
  std::memset(&r, 0, sizeof r);
  r.imageMode = mode;
  r.inLayerPlanes = layer;
  r.inNonLayerPlanes = nonLayer;
  static uint8_t maskByte = 0;
  r.maskData = mask ? &maskByte : nullptr;
  return r;
}

// Four characters, the first in the most significant byte; null: not scripted.
uint32_t Key(const char* s) {
  if (s == nullptr) return 0;
  return uint32_t(uint8_t(s[0])) << 24 | uint32_t(uint8_t(s[1])) << 16 |
         uint32_t(uint8_t(s[2])) << 8 | uint32_t(uint8_t(s[3]));
}

struct Expected {
  const char* name;
  char kind;  // P position, F float, B bool, L list
  double initial;
  const char* key;
};

const Expected kExpected[] = {
    {"Origin", 'P', 0.5, "ORIX"},
    {"Intensity", 'F', 1.0, "INTE"},
    {"Strength", 'F', 0.25, "STRE"},
    {"ZoomStart", 'F', 0.5, "ZOST"},
    {"HoldoutRadius", 'F', 0.0, "HORA"},
    {"Mode", 'L', 1, "MODE"},
    {"InvertGradient", 'B', 0, "INGR"},
    {"GammaCorrection", 'B', 1, "GAMA"},
    {"Contrast", 'F', 0.0, "CONT"},
    {"GammaCorrectionCorrective", 'F', 1.0, "GAMC"},
    {"Hue", 'F', 0.0, "HSLH"},
    {"Saturation", 'F', 0.0, "HSLS"},
    {"Lightness", 'F', 0.0, "HSLL"},
    {"SelectionLow", 'F', 0.0, "SELL"},
    {"SelectionHigh", 'F', 255.0, "SELH"},
    {"SelectionSoften", 'F', 0.0, "SELS"},
    {"SelectionClimax", 'F', 1.0, "SELC"},
    {"UseSizeSelection", 'B', 0, "USES"},
    {"BlendMode", 'L', 1, "BLND"},
    {"SelectionShow", 'L', 1, "SHOW"},
    {"Randomize", 'F', 0.05, nullptr},
    {"Randomize Button", 'B', 0, nullptr},
};

TEST(ParameterTable, ContainerOrderNamesInitialValuesAndKeys) {
  TestFilter f;
  pfParameters& params = f.GetParameters();
  ASSERT_EQ(params.GetCount(), 22);
  for (int32_t i = 0; i < 22; ++i) {
    const Expected& e = kExpected[i];
    pfParameter* p = params.GetParameter(i);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->GetName(), e.name);
    uint32_t keys[2] = {0, 0};
    p->GetScriptKeys(keys);
    EXPECT_EQ(keys[0], Key(e.key)) << e.name;
    EXPECT_EQ(p->GetScriptKeyCount(), e.key ? (e.kind == 'P' ? 2 : 1) : 0) << e.name;
    switch (e.kind) {
      case 'P': {
        auto* q = dynamic_cast<pfParameterPosition*>(p);
        ASSERT_NE(q, nullptr);
        EXPECT_EQ(q->GetX(), 0.5);
        EXPECT_EQ(q->GetY(), 0.5);
        EXPECT_EQ(keys[1], Key("ORIY"));
        break;
      }
      case 'F': {
        auto* q = dynamic_cast<pfParameterFloat*>(p);
        ASSERT_NE(q, nullptr) << e.name;
        EXPECT_EQ(q->GetValue(), e.initial) << e.name;
        break;
      }
      case 'B': {
        auto* q = dynamic_cast<pfParameterBool*>(p);
        ASSERT_NE(q, nullptr) << e.name;
        EXPECT_EQ(q->GetValue(), e.initial != 0) << e.name;
        break;
      }
      case 'L': {
        auto* q = dynamic_cast<pfParameterList*>(p);
        ASSERT_NE(q, nullptr) << e.name;
        EXPECT_EQ(q->GetValue(), int32_t(e.initial)) << e.name;
        break;
      }
    }
    // Only the randomize amount and button stay out of presets and preview renders.
    const bool randomize = i >= 20;
    EXPECT_EQ(p->GetSaved(), !randomize) << e.name;
    EXPECT_EQ(p->GetAffectsPreview(), !randomize) << e.name;
    EXPECT_TRUE(p->GetRandomizable()) << e.name;
  }
  // One binding per parameter, in the same order.
  ASSERT_EQ(f.GetControls().size(), 22u);
  int32_t i = 0;
  for (pfParameterUI* c : f.GetControls()) EXPECT_EQ(c->GetParameter(), params.GetParameter(i++));
  EXPECT_EQ(std::string(f.GetName()), "Quenara");
}

TEST(ParameterTable, BoundsAndTheirEnforcement) {
  TestFilter f;
  struct Bound {
    pfParameterFloat* p;
    double min, max;
    bool hasMin, hasMax;
  } const bounds[] = {
      {&f.Intensity, 0, 5, true, false},
      {&f.Strength, 0, 1, true, false},
      {&f.ZoomStart, -0.5, 0.5, false, false},
      {&f.HoldoutRadius, 0, 1, true, false},
      {&f.Contrast, 0, 2, true, false},
      {&f.GammaCorrectionCorrective, 0, 3, true, false},
      {&f.Hue, -1, 1, true, true},
      {&f.Saturation, -1, 1, true, true},
      {&f.Lightness, -1, 1, true, true},
      {&f.SelectionLow, 0, 255, true, true},
      {&f.SelectionHigh, 0, 255, true, true},
      {&f.SelectionSoften, 0, 3, true, true},
      {&f.SelectionClimax, -1, 1, true, true},
      {&f.Randomize, 0, 1, true, false},
  };
  for (const Bound& b : bounds) {
    EXPECT_EQ(b.p->GetMin(), b.min) << b.p->GetName();
    EXPECT_EQ(b.p->GetMax(), b.max) << b.p->GetName();
    EXPECT_EQ(b.p->HasMin(), b.hasMin) << b.p->GetName();
    EXPECT_EQ(b.p->HasMax(), b.hasMax) << b.p->GetName();
  }
  f.Intensity.SetValue(7.5);
  f.Intensity.Validate();
  EXPECT_EQ(f.Intensity.GetValue(), 7.5);
  f.Intensity.SetValue(-1.0);
  f.Intensity.Validate();
  EXPECT_EQ(f.Intensity.GetValue(), 0.0);
  f.ZoomStart.SetValue(-2.0);
  f.ZoomStart.Validate();
  EXPECT_EQ(f.ZoomStart.GetValue(), -2.0);
  f.Hue.SetValue(1.5);
  f.Hue.Validate();
  EXPECT_EQ(f.Hue.GetValue(), 1.0);
}

TEST(ParameterTable, ListItems) {
  TestFilter f;
  ASSERT_EQ(f.Mode.GetItemCount(), 2);
  EXPECT_EQ(f.Mode.GetItem(1), "abberative");
  ASSERT_EQ(f.BlendMode.GetItemCount(), 23);
  const std::vector<std::string> blend = {
      "normal",    "max weight", "screen",     "overlay",       "addition",      "subtraction",
      "multiply",  "divide",     "difference", "exclusion",     "lighten",       "darken",
      "maximum",   "minimum",    "hue",        "saturation",    "color",         "luminosity",
      "alpha add", "alpha sub",  "alpha mult", "alpha replace", "(none) replace"};
  for (int32_t i = 0; i < 23; ++i) EXPECT_EQ(f.BlendMode.GetItem(i), blend[size_t(i)]);
  ASSERT_EQ(f.SelectionShow.GetItemCount(), 4);
  EXPECT_EQ(f.SelectionShow.GetItem(0), "normal");
  EXPECT_EQ(f.SelectionShow.GetItem(1), "selected image");
  EXPECT_EQ(f.SelectionShow.GetItem(2), "selection only");
  EXPECT_EQ(f.SelectionShow.GetItem(3), "size selection");
  EXPECT_TRUE(f.BlendMode.SetValue(23));
  EXPECT_FALSE(f.BlendMode.SetValue(24));
  EXPECT_EQ(f.BlendMode.GetValue(), 23);
}

TEST(ParameterTable, InvertGradientControlFollowsMode) {
  TestFilter f;
  EXPECT_FALSE(f.Control(kInvertGradient).IsEnabled());
  f.Mode.SetValue(2);
  EXPECT_TRUE(f.Control(kInvertGradient).IsEnabled());
  f.Mode.SetValue(1);
  EXPECT_FALSE(f.Control(kInvertGradient).IsEnabled());
}

TEST(ParameterTable, ResetWithUndoIsOneGroupRestoringAllTwenty) {
  TestFilter f;
  f.GetUndoHistory().SetEnabled(true);
  f.Origin.SetXY(0.1, 0.9);
  f.Intensity.SetValue(3.0);
  f.Strength.SetValue(0.8);
  f.ZoomStart.SetValue(-0.3);
  f.HoldoutRadius.SetValue(0.2);
  f.Mode.SetValue(2);
  f.InvertGradient.SetValue(true);
  f.GammaCorrection.SetValue(false);
  f.Contrast.SetValue(1.0);
  f.GammaCorrectionCorrective.SetValue(2.0);
  f.Hue.SetValue(0.5);
  f.Saturation.SetValue(-0.5);
  f.Lightness.SetValue(0.25);
  f.SelectionLow.SetValue(10.0);
  f.SelectionHigh.SetValue(200.0);
  f.SelectionSoften.SetValue(2.0);
  f.SelectionClimax.SetValue(0.0);
  f.UseSizeSelection.SetValue(true);
  f.BlendMode.SetValue(9);
  f.SelectionShow.SetValue(3);
  f.Randomize.SetValue(0.5);

  f.ResetParameters(true);
  EXPECT_EQ(f.Origin.GetX(), 0.5);
  EXPECT_EQ(f.Intensity.GetValue(), 1.0);
  EXPECT_EQ(f.Mode.GetValue(), 1);
  EXPECT_TRUE(f.GammaCorrection.GetValue());
  EXPECT_EQ(f.SelectionHigh.GetValue(), 255.0);
  EXPECT_EQ(f.SelectionShow.GetValue(), 1);
  EXPECT_EQ(f.Randomize.GetValue(), 0.5);                // kept
  EXPECT_FALSE(f.Control(kInvertGradient).IsEnabled());  // the mode callback ran

  ASSERT_TRUE(f.GetUndoHistory().Undo());
  EXPECT_FALSE(f.GetUndoHistory().CanUndo());  // one group
  EXPECT_EQ(f.Origin.GetX(), 0.1);
  EXPECT_EQ(f.Origin.GetY(), 0.9);
  EXPECT_EQ(f.Intensity.GetValue(), 3.0);
  EXPECT_EQ(f.Strength.GetValue(), 0.8);
  EXPECT_EQ(f.ZoomStart.GetValue(), -0.3);
  EXPECT_EQ(f.HoldoutRadius.GetValue(), 0.2);
  EXPECT_EQ(f.Mode.GetValue(), 2);
  EXPECT_TRUE(f.InvertGradient.GetValue());
  EXPECT_FALSE(f.GammaCorrection.GetValue());
  EXPECT_EQ(f.Contrast.GetValue(), 1.0);
  EXPECT_EQ(f.GammaCorrectionCorrective.GetValue(), 2.0);
  EXPECT_EQ(f.Hue.GetValue(), 0.5);
  EXPECT_EQ(f.Saturation.GetValue(), -0.5);
  EXPECT_EQ(f.Lightness.GetValue(), 0.25);
  EXPECT_EQ(f.SelectionLow.GetValue(), 10.0);
  EXPECT_EQ(f.SelectionHigh.GetValue(), 200.0);
  EXPECT_EQ(f.SelectionSoften.GetValue(), 2.0);
  EXPECT_EQ(f.SelectionClimax.GetValue(), 0.0);
  EXPECT_TRUE(f.UseSizeSelection.GetValue());
  EXPECT_EQ(f.BlendMode.GetValue(), 9);
  EXPECT_EQ(f.SelectionShow.GetValue(), 3);
}

TEST(ParameterTable, ResetWithoutUndoRecordsNothing) {
  TestFilter f;
  f.GetUndoHistory().SetEnabled(true);
  f.Intensity.SetValue(3.0);
  f.ResetParameters(false);
  EXPECT_EQ(f.Intensity.GetValue(), 1.0);
  EXPECT_FALSE(f.GetUndoHistory().CanUndo());
}

TEST(ParameterTable, RandomizePressKeepsTheChoicesThatChangeWhatIsShown) {
  TestFilter f;
  f.GetUndoHistory().SetEnabled(true);
  f.Randomize.SetValue(1.0);
  f.BlendMode.SetValue(5);
  f.SelectionShow.SetValue(2);
  f.UseSizeSelection.SetValue(true);
  for (int press = 0; press < 3; ++press) f.RandomizeButton.SetValue(true);
  EXPECT_EQ(f.counting->changes, 3);
  EXPECT_EQ(f.BlendMode.GetValue(), 5);
  EXPECT_EQ(f.SelectionShow.GetValue(), 2);
  EXPECT_TRUE(f.UseSizeSelection.GetValue());
  EXPECT_EQ(f.Randomize.GetValue(), 1.0);
  for (int32_t i = 0; i < 22; ++i) {
    const pfParameter* p = f.GetParameters().GetParameter(i);
    const std::string n = p->GetName();
    const bool kept = n == "Randomize Button" || n == "Randomize" || n == "BlendMode" ||
                      n == "SelectionShow" || n == "UseSizeSelection";
    EXPECT_EQ(p->GetRandomizable(), !kept) << n;
  }
  // Each press is one undo step.
  ASSERT_TRUE(f.GetUndoHistory().Undo());
  ASSERT_TRUE(f.GetUndoHistory().Undo());
  ASSERT_TRUE(f.GetUndoHistory().Undo());
  EXPECT_FALSE(f.GetUndoHistory().CanUndo());
  EXPECT_EQ(f.Strength.GetValue(), 0.25);
}

TEST(ParameterTable, AdaptToImageForGreyColourMultichannelAndMasks) {
  TestFilter f;
  f.Mode.SetValue(2);
  f.AdaptToImage(nullptr);  // no record: nothing changes
  EXPECT_EQ(f.Mode.GetValue(), 2);
  for (int16_t grey : {plugInModeGrayScale, plugInModeGray16}) {
    f.Mode.SetValue(2);
    FilterRecord r = ImageRecord(grey, 1, 0, false);
    f.AdaptToImage(&r);
    EXPECT_EQ(f.Mode.GetValue(), 1);
    for (QuenaraParameter p : {kMode, kHue, kSaturation, kLightness})
      EXPECT_FALSE(f.Control(p).IsEnabled()) << p;
    EXPECT_FALSE(f.Control(kInvertGradient).IsEnabled());
  }
  // RGB, and multichannel with three planes of either kind, count as colour.
  const FilterRecord colour[] = {ImageRecord(plugInModeRGBColor, 3, 0, false),
                                 ImageRecord(plugInModeRGB48, 0, 3, false),
                                 ImageRecord(plugInModeMultichannel, 0, 4, false),
                                 ImageRecord(plugInModeMultichannel, 3, 0, false)};
  for (FilterRecord r : colour) {
    f.Mode.SetValue(2);
    f.AdaptToImage(&r);
    EXPECT_EQ(f.Mode.GetValue(), 2);
    for (QuenaraParameter p : {kMode, kHue, kSaturation, kLightness})
      EXPECT_TRUE(f.Control(p).IsEnabled()) << p << " mode " << r.imageMode;
  }
  // Fewer than three planes of each kind: grey.
  FilterRecord twoPlanes = ImageRecord(plugInModeMultichannel, 2, 2, false);
  f.AdaptToImage(&twoPlanes);
  EXPECT_EQ(f.Mode.GetValue(), 1);
  EXPECT_FALSE(f.Control(kHue).IsEnabled());
  // The selection mask decides the "extern is strength" control, never its value.
  f.UseSizeSelection.SetValue(true);
  FilterRecord noMask = ImageRecord(plugInModeRGBColor, 3, 0, false);
  f.AdaptToImage(&noMask);
  EXPECT_FALSE(f.Control(kUseSizeSelection).IsEnabled());
  EXPECT_TRUE(f.UseSizeSelection.GetValue());
  FilterRecord masked = ImageRecord(plugInModeRGBColor, 3, 0, true);
  f.AdaptToImage(&masked);
  EXPECT_TRUE(f.Control(kUseSizeSelection).IsEnabled());
}

TEST(ParameterTable, RenderReadsTheParametersNow) {
  TestFilter f;
  f.Origin.SetXY(0.25, 0.75);
  f.GammaCorrectionCorrective.SetValue(0.0);
  f.SelectionShow.SetValue(4);
  const QuenaraRenderValues v = f.GetRenderValues();
  EXPECT_EQ(v.originX, 0.25);
  EXPECT_EQ(v.originY, 0.75);
  EXPECT_EQ(v.gammaCorrective, 0.0);
  EXPECT_EQ(v.show, 4);
  EXPECT_TRUE(v.gammaCorrection);

  // A whole render through the filter: the size selection display of an RGB image without a
  // mask is white.
  std::vector<uint8_t> in(4 * 3 * 3, 10), out(4 * 3 * 3, 0);
  FilterRecord r;
  std::memset(&r, 0, sizeof r);
  r.imageMode = plugInModeRGBColor;
  r.depth = 8;
  r.inLayerPlanes = 3;
  r.outRect = Rect{0, 0, 3, 4};
  r.inData = in.data();
  r.outData = out.data();
  r.inRowBytes = r.outRowBytes = 12;
  EXPECT_EQ(f.Render(&r), 0);
  EXPECT_EQ(out, std::vector<uint8_t>(36, 255));
}

}  // namespace
