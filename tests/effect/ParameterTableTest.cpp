// The effect's parameters as scripts, presets and the dialog know them (names, script keys,
// list items), and the filter's behaviour around them: reset with its undo group, randomize,
// AdaptToImage with the mode callback, and the render values read from the parameters.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <tuple>
#include <utility>

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

// The key names (preset lines, the dialog's stored state) and list item texts (the dialog's
// lists; presets and scripts store their 1-based index), in container order. The script keys are
// pinned byte for byte with the terminology on the built plug-in (tests/resources).
TEST(ParameterTable, KeyNamesAndListItemsAreTheContract) {
  TestFilter f;
  std::string names;
  for (int32_t i = 0; i < f.GetParameters().GetCount(); ++i) {
    pfParameter* p = f.GetParameters().GetParameter(i);
    names += (i == 0 ? "" : ", ") + p->GetName();
    if (const auto* list = dynamic_cast<const pfParameterList*>(p)) {
      for (int32_t item = 0; item < list->GetItemCount(); ++item)
        names += (item == 0 ? ": " : "|") + list->GetItem(item);
    }
  }
  EXPECT_EQ(names,
            "Origin, Intensity, Strength, ZoomStart, HoldoutRadius, Mode: normal|abberative, "
            "InvertGradient, GammaCorrection, Contrast, GammaCorrectionCorrective, Hue, "
            "Saturation, Lightness, SelectionLow, SelectionHigh, SelectionSoften, "
            "SelectionClimax, UseSizeSelection, BlendMode: normal|max weight|screen|overlay|"
            "addition|subtraction|multiply|divide|difference|exclusion|lighten|darken|maximum|"
            "minimum|hue|saturation|color|luminosity|alpha add|alpha sub|alpha mult|alpha "
            "replace|(none) replace, SelectionShow: normal|selected image|selection only|size "
            "selection, Randomize, Randomize Button");
}

TEST(ParameterTable, ResetRestoresAllButRandomizeAsOneUndoGroup) {
  TestFilter fresh;
  TestFilter f;
  f.GetUndoHistory().SetEnabled(true);
  f.Position(kOrigin).SetXY(0.1, 0.9);
  f.List(kMode).SetValue(2);
  f.List(kSelectionShow).SetValue(3);  // the last parameter that resets
  f.Float(kRandomize).SetValue(0.5);
  f.ResetParameters(true);
  EXPECT_EQ(f.Position(kOrigin).GetY(), fresh.Position(kOrigin).GetY());
  EXPECT_EQ(f.List(kMode).GetValue(), fresh.List(kMode).GetValue());
  EXPECT_EQ(f.List(kSelectionShow).GetValue(), fresh.List(kSelectionShow).GetValue());
  EXPECT_EQ(f.Float(kRandomize).GetValue(), 0.5);        // kept
  EXPECT_FALSE(f.Control(kInvertGradient).IsEnabled());  // the mode callback ran
  ASSERT_TRUE(f.GetUndoHistory().Undo());
  EXPECT_FALSE(f.GetUndoHistory().CanUndo());  // one group
  EXPECT_EQ(f.Position(kOrigin).GetY(), 0.9);
  EXPECT_EQ(f.List(kSelectionShow).GetValue(), 3);
  // Without undo nothing is recorded.
  f.ResetParameters(false);
  EXPECT_EQ(f.List(kMode).GetValue(), fresh.List(kMode).GetValue());
  EXPECT_FALSE(f.GetUndoHistory().CanUndo());
}

TEST(ParameterTable, RandomizePressKeepsTheChoicesThatChangeWhatIsShown) {
  TestFilter f;
  f.GetUndoHistory().SetEnabled(true);
  f.Float(kRandomize).SetValue(1.0);
  f.List(kBlendMode).SetValue(5);
  f.List(kSelectionShow).SetValue(2);
  f.Bool(kUseSizeSelection).SetValue(true);
  for (int press = 0; press < 3; ++press) f.Bool(kRandomizeButton).SetValue(true);
  EXPECT_EQ(f.counting->changes, 3);
  EXPECT_EQ(std::make_tuple(f.List(kBlendMode).GetValue(), f.List(kSelectionShow).GetValue(),
                            f.Bool(kUseSizeSelection).GetValue(), f.Float(kRandomize).GetValue()),
            std::make_tuple(5, 2, true, 1.0));
  EXPECT_NE(f.Float(kStrength).GetValue(), 0.25);
  // Each press is one undo step.
  for (int press = 0; press < 3; ++press) ASSERT_TRUE(f.GetUndoHistory().Undo());
  EXPECT_FALSE(f.GetUndoHistory().CanUndo());
  EXPECT_EQ(f.Float(kStrength).GetValue(), 0.25);
}

TEST(ParameterTable, AdaptToImageForGreyColourMultichannelAndMasks) {
  TestFilter f;
  f.List(kMode).SetValue(2);
  f.AdaptToImage(nullptr);  // no record: nothing changes
  EXPECT_EQ(f.List(kMode).GetValue(), 2);
  // Grey, and multichannel with fewer than three planes of each kind: the normal mode, no
  // colour controls. RGB, and multichannel with three planes of either kind, count as colour.
  const std::pair<FilterRecord, bool> images[] = {
      {ImageRecord(plugInModeGrayScale, 1, 0, false), false},
      {ImageRecord(plugInModeGray16, 1, 0, false), false},
      {ImageRecord(plugInModeMultichannel, 2, 2, false), false},
      {ImageRecord(plugInModeRGBColor, 3, 0, false), true},
      {ImageRecord(plugInModeRGB48, 0, 3, false), true},
      {ImageRecord(plugInModeMultichannel, 0, 4, false), true},
      {ImageRecord(plugInModeMultichannel, 3, 0, false), true}};
  for (auto [r, colour] : images) {
    f.List(kMode).SetValue(2);
    f.AdaptToImage(&r);
    EXPECT_EQ(f.List(kMode).GetValue(), colour ? 2 : 1) << r.imageMode;
    for (QuenaraParameter p : {kMode, kHue, kSaturation, kLightness, kInvertGradient})
      EXPECT_EQ(f.Control(p).IsEnabled(), colour) << p << " mode " << r.imageMode;
  }
  // The selection mask decides the "extern is strength" control, never its value.
  f.Bool(kUseSizeSelection).SetValue(true);
  for (bool mask : {false, true}) {
    FilterRecord r = ImageRecord(plugInModeRGBColor, 3, 0, mask);
    f.AdaptToImage(&r);
    EXPECT_EQ(f.Control(kUseSizeSelection).IsEnabled(), mask);
    EXPECT_TRUE(f.Bool(kUseSizeSelection).GetValue());
  }
}

TEST(ParameterTable, RenderValuesAreTheParametersNow) {
  TestFilter f;
  f.Position(kOrigin).SetXY(0.25, 0.75);
  f.Float(kGammaCorrectionCorrective).SetValue(0.0);
  f.List(kSelectionShow).SetValue(4);
  const QuenaraRenderValues v = f.GetRenderValues();
  EXPECT_EQ(std::make_tuple(v.originX, v.originY, v.gammaCorrective, v.show, v.gammaCorrection),
            std::make_tuple(0.25, 0.75, 0.0, 4, true));
}

}  // namespace
