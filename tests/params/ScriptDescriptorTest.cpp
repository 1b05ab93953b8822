// Reading and writing the host's scripting descriptors through the reference host's suites.
#include <gtest/gtest.h>

#include <functional>
#include <tuple>

#include "ParamsTestSupport.h"
#include "tests/support/PluginTestHost.h"

namespace {
constexpr DescriptorKeyID kX = FourCC("ORIX"), kY = FourCC("ORIY"), kInte = FourCC("INTE"),
                          kMode = FourCC("MODE"), kInvert = FourCC("INGR");

// The parameter set's "Amount" stands for a parameter without a script key.
class Scripting : public ::testing::Test, public ParameterSet {
 protected:
  void SetUp() override {
    origin.SetXY(0.5, 0.5);
    intensity.SetValue(1);
    amount.SetValue(0.3);
  }
  // Hands the plug-in a descriptor for playback.
  Handle Play(PluginTestHost& h, const HostDescriptor& values, int16_t playInfo) {
    Handle d = h.Descriptors().Store(values);
    h.Record().descriptorParameters->descriptor = d;
    h.Record().descriptorParameters->playInfo = playInfo;
    return d;
  }
  PluginTestHost host;
  FilterRecord& record = host.Record();
};
}  // namespace

TEST_F(Scripting, ReadAppliesPresentKeysAndDisposesTheDescriptor) {
  CallbackCount modeCalls;
  modeCalls.Attach(blend);
  HostDescriptor values;
  values.PutFloat(kInte, 2.5);
  values.PutFloat(kX, 0.125);  // x only: y stays
  values.PutInteger(kMode, 2);
  values.PutFloat(FourCC("XXXX"), 9);
  Handle d = Play(host, values, plugInDialogDisplay);
  EXPECT_TRUE(all.ReadScriptParams(&record));
  EXPECT_EQ(host.keysAsked, (std::vector<DescriptorKeyID>{kX, kY, kInte, kInvert, kMode}));
  EXPECT_EQ(Values(), std::make_tuple(0.125, 0.5, 2.5, false, 0, 0.0, 2));
  EXPECT_EQ(modeCalls.calls, 1);
  EXPECT_EQ(amount.GetValue(), 0.3);
  EXPECT_EQ(record.descriptorParameters->descriptor, nullptr);
  EXPECT_FALSE(host.Handles().Owns(d));
}

TEST_F(Scripting, PlaybackWithoutDialogRejectsBadValues) {
  HostDescriptor values;
  values.PutInteger(kMode, 5);     // no item 5
  values.PutBoolean(kInte, true);  // wrong type: a boolean is no float
  values.PutFloat(kY, -0.25);
  values.PutBoolean(kInvert, true);
  Play(host, values, plugInDialogDontDisplay);
  EXPECT_FALSE(all.ReadScriptParams(&record));
  EXPECT_EQ(Values(), std::make_tuple(0.5, -0.25, 1.0, true, 0, 0.0, 1));
  // No token from the host: nothing read, the handle stays, the dialog still follows playInfo.
  host.refuseDescriptorTokens = true;
  values.PutFloat(kInte, 7);
  Handle d = Play(host, values, plugInDialogDisplay);
  EXPECT_TRUE(all.ReadScriptParams(&record));
  EXPECT_EQ(intensity.GetValue(), 1.0);
  EXPECT_EQ(record.descriptorParameters->descriptor, d);
}

TEST_F(Scripting, WriteRecordsInContainerOrderAndReplacesTheOldDescriptor) {
  blend.SetValue(2);
  invert.SetValue(true);
  record.descriptorParameters->recordInfo = plugInDialogRequired;
  EXPECT_EQ(all.WriteScriptParams(&record), 0);
  Handle first = record.descriptorParameters->descriptor;
  HostDescriptor written;
  ASSERT_TRUE(host.Descriptors().Load(first, written));
  ASSERT_EQ(written.items.size(), 5u);
  // In container order, each under its key and type, each value in that type's field.
  const std::tuple<DescriptorKeyID, DescriptorTypeID, double> expected[] = {
      {kX, typeFloat, 0.5},
      {kY, typeFloat, 0.5},
      {kInte, typeFloat, 1.0},
      {kInvert, typeBoolean, 1},
      {kMode, typeInteger, 2}};
  for (size_t i = 0; i < 5; ++i) {
    const DescriptorItem& item = written.items[i];
    const double value = item.type == typeFloat     ? item.number
                         : item.type == typeInteger ? item.integer
                                                    : item.boolean;
    EXPECT_EQ(std::make_tuple(item.key, item.type, value), expected[i]) << i;
  }
  EXPECT_EQ(record.descriptorParameters->recordInfo, plugInDialogOptional);
  EXPECT_EQ(all.WriteScriptParams(&record), 0);
  EXPECT_FALSE(host.Handles().Owns(first));
  EXPECT_EQ(host.Handles().LiveCount(), 1u);  // only the new descriptor
}

TEST_F(Scripting, UnusableSuitesReadAndWriteNothing) {
  using R = ReadDescriptorProcs;
  using W = WriteDescriptorProcs;
  const std::function<void(PIDescriptorParameters*&, R&, W&)> breakers[] = {
      [](PIDescriptorParameters*& p, R&, W&) { p = nullptr; },
      [](PIDescriptorParameters*& p, R&, W&) { p->descriptorParametersVersion = 1; },
      [](PIDescriptorParameters*&, R& r, W&) { r.numReadDescriptorProcs = 17; },
      [](PIDescriptorParameters*&, R&, W& w) { w.writeDescriptorProcsVersion = 1; },
      [](PIDescriptorParameters*& p, R&, W&) { p->readDescriptorProcs = nullptr; },
  };
  for (const auto& breakSuites : breakers) {
    PluginTestHost h;
    HostDescriptor values;
    values.PutFloat(kInte, 3);
    Handle d = Play(h, values, plugInDialogDontDisplay);
    PIDescriptorParameters* parameters = h.Record().descriptorParameters;
    breakSuites(h.Record().descriptorParameters, *h.Descriptors().ReadProcs(),
                *h.Descriptors().WriteProcs());
    EXPECT_TRUE(all.ReadScriptParams(&h.Record()));
    EXPECT_EQ(all.WriteScriptParams(&h.Record()), 0);
    EXPECT_EQ(h.descriptorOpens, 0);
    EXPECT_EQ(parameters->descriptor, d);
    EXPECT_EQ(intensity.GetValue(), 1.0);
  }
}
