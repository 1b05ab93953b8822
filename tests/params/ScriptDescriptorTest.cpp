// Reading and writing the host's scripting descriptors through an in-memory fake host.
#include <gtest/gtest.h>

#include "FakeDescriptorHost.h"
#include "ParamsTestSupport.h"
#include "base/Log.h"
#include "params/pfParameterBool.h"
#include "params/pfParameterFloat.h"
#include "params/pfParameterInt.h"
#include "params/pfParameterList.h"
#include "params/pfParameterPosition.h"
#include "params/pfParameters.h"

namespace {
constexpr DescriptorKeyID kX = FourCC("ORIX"), kY = FourCC("ORIY"), kInte = FourCC("INTE"),
                          kMode = FourCC("MODE"), kInvert = FourCC("INGR");

class Scripting : public ::testing::Test {
 protected:
  void SetUp() override {
    origin.SetScriptKey(kX, kY);
    origin.SetXY(0.5, 0.5);
    intensity.SetScriptKey(kInte);
    intensity.SetValue(1);
    mode.SetScriptKey(kMode);
    mode.AddItem("normal");
    mode.AddItem("abberative");
    invert.SetScriptKey(kInvert);
    unscripted.SetValue(0.3);
    for (pfParameter* p : std::initializer_list<pfParameter*>{&origin, &intensity, &unscripted,
                                                              &number, &mode, &invert}) {
      all.AddParameter(p);
    }
  }
  FakeDescriptorHost host;
  pfParameterPosition origin;
  pfParameterFloat intensity, unscripted;
  pfParameterInt number;
  pfParameterList mode;
  pfParameterBool invert;
  pfParameters all;
};
}  // namespace

TEST_F(Scripting, ReadAppliesPresentKeysAndDisposesTheDescriptor) {
  CallbackCount modeCalls;
  modeCalls.Attach(mode);
  Handle d = host.MakeDescriptor({{kInte, typeFloat, 2.5},
                                  {kX, typeFloat, 0.125},  // x only: y stays
                                  {kMode, typeInteger, 2},
                                  {FourCC("XXXX"), typeFloat, 9}});
  host.parameters.descriptor = d;
  EXPECT_TRUE(all.ReadScriptParams(&host.record));
  EXPECT_EQ(host.keysSeen, (std::vector<DescriptorKeyID>{kX, kY, kInte, kMode, kInvert}));
  EXPECT_EQ(intensity.GetValue(), 2.5);
  EXPECT_EQ(origin.GetX(), 0.125);
  EXPECT_EQ(origin.GetY(), 0.5);
  EXPECT_EQ(mode.GetValue(), 2);
  EXPECT_EQ(modeCalls.calls, 1);
  EXPECT_FALSE(invert.GetValue());
  EXPECT_EQ(unscripted.GetValue(), 0.3);
  EXPECT_EQ(host.parameters.descriptor, nullptr);
  EXPECT_FALSE(host.IsLive(d));
  EXPECT_EQ(host.disposed, 1);
}

TEST_F(Scripting, PlaybackWithoutDialogRejectsBadValues) {
  host.parameters.playInfo = plugInDialogDontDisplay;
  host.parameters.descriptor = host.MakeDescriptor({{kMode, typeInteger, 3},  // no item 3
                                                    {kInte, typeInteger, 4},  // wrong type
                                                    {kY, typeFloat, -0.25},
                                                    {kInvert, typeBoolean, 1}});
  EXPECT_FALSE(all.ReadScriptParams(&host.record));
  EXPECT_EQ(mode.GetValue(), 1);
  EXPECT_EQ(intensity.GetValue(), 1.0);
  EXPECT_EQ(origin.GetX(), 0.5);
  EXPECT_EQ(origin.GetY(), -0.25);
  EXPECT_TRUE(invert.GetValue());
  // No token from the host: nothing read, the handle stays, the dialog still follows playInfo.
  host.returnTokens = false;
  Handle d = host.MakeDescriptor({{kInte, typeFloat, 7}});
  host.parameters.descriptor = d;
  host.parameters.playInfo = plugInDialogDisplay;
  EXPECT_TRUE(all.ReadScriptParams(&host.record));
  EXPECT_EQ(intensity.GetValue(), 1.0);
  EXPECT_EQ(host.parameters.descriptor, d);
}

TEST_F(Scripting, WriteRecordsInContainerOrderAndReplacesTheOldDescriptor) {
  mode.SetValue(2);
  invert.SetValue(true);
  host.parameters.recordInfo = plugInDialogRequired;
  EXPECT_EQ(all.WriteScriptParams(&host.record), 0);
  Handle first = host.parameters.descriptor;
  ASSERT_NE(first, nullptr);
  const std::vector<FakeEntry>& e = host.Entries(first);
  ASSERT_EQ(e.size(), 5u);
  const DescriptorKeyID keys[] = {kX, kY, kInte, kMode, kInvert};
  const DescriptorTypeID types[] = {typeFloat, typeFloat, typeFloat, typeInteger, typeBoolean};
  const double values[] = {0.5, 0.5, 1.0, 2, 1};
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(e[i].key, keys[i]);
    EXPECT_EQ(e[i].type, types[i]);
    EXPECT_EQ(e[i].number, values[i]);
  }
  EXPECT_EQ(host.parameters.recordInfo, plugInDialogOptional);
  EXPECT_EQ(all.WriteScriptParams(&host.record), 0);
  EXPECT_EQ(host.disposed, 1);
  EXPECT_EQ(host.LiveCount(), 1u);  // only the new descriptor (which may reuse the address)

  // What was written reads back into other parameters.
  intensity.SetValue(0);
  mode.SetValue(1);
  invert.SetValue(false);
  origin.SetXY(0, 0);
  EXPECT_TRUE(all.ReadScriptParams(&host.record));
  EXPECT_EQ(intensity.GetValue(), 1.0);
  EXPECT_EQ(mode.GetValue(), 2);
  EXPECT_TRUE(invert.GetValue());
  EXPECT_EQ(origin.GetY(), 0.5);
}

TEST_F(Scripting, UnusableSuitesReadAndWriteNothing) {
  const std::function<void(FakeDescriptorHost&)> breakers[] = {
      [](FakeDescriptorHost& h) { h.record.descriptorParameters = nullptr; },
      [](FakeDescriptorHost& h) { h.parameters.descriptorParametersVersion = 1; },
      [](FakeDescriptorHost& h) { h.read.readDescriptorProcsVersion = 1; },
      [](FakeDescriptorHost& h) { h.read.numReadDescriptorProcs = 17; },
      [](FakeDescriptorHost& h) { h.read.getPinnedUnitFloatProc = nullptr; },
      [](FakeDescriptorHost& h) { h.write.writeDescriptorProcsVersion = 1; },
      [](FakeDescriptorHost& h) { h.write.numWriteDescriptorProcs = 15; },
      [](FakeDescriptorHost& h) { h.parameters.readDescriptorProcs = nullptr; },
  };
  for (const auto& breakSuites : breakers) {
    FakeDescriptorHost h;
    Handle d = h.MakeDescriptor({{kInte, typeFloat, 3}});
    h.parameters.descriptor = d;
    h.parameters.playInfo = plugInDialogDontDisplay;
    breakSuites(h);
    EXPECT_TRUE(all.ReadScriptParams(&h.record));
    EXPECT_EQ(all.WriteScriptParams(&h.record), 0);
    EXPECT_EQ(h.opens, 0);
    EXPECT_EQ(h.parameters.descriptor, d);
    EXPECT_EQ(intensity.GetValue(), 1.0);
  }
}

TEST_F(Scripting, UnusableHandleSuiteFallsBackWithoutCallingIt) {
  const std::function<void(HandleProcs&)> breakers[] = {
      [](HandleProcs& p) { p.handleProcsVersion = 2; },
      [](HandleProcs& p) { p.numHandleProcs = 6; },
      [](HandleProcs& p) { p.setSizeProc = nullptr; },
  };
  for (const auto& breakSuite : breakers) {
    FakeDescriptorHost h;
    Handle d = h.MakeDescriptor({{kInte, typeFloat, 3}});
    h.parameters.descriptor = d;
    breakSuite(h.handles);
    EXPECT_TRUE(all.ReadScriptParams(&h.record));
    EXPECT_EQ(intensity.GetValue(), 3.0);
    EXPECT_EQ(h.parameters.descriptor, nullptr);
    EXPECT_EQ(h.disposed, 0);
    h.Forget(d);  // the portable fallback leaves the handle to its owner
    intensity.SetValue(1);
  }
}

TEST_F(Scripting, LogLines) {
  ScratchDir dir;
  const std::string log = dir.File("log.txt");
  ASSERT_TRUE(OpenLogFile(log));
  all.ReadScriptParams(nullptr);
  all.WriteScriptParams(nullptr);
  CloseLogFile();
  std::string text = ReadFile(log);
  std::erase(text, '\r');
  const std::string zero(sizeof(void*) * 2, '0');
  EXPECT_EQ(text, "ENTER: pfParmeters::ReadScriptParams( pFilterRecord(0x" + zero + ") )\n" +
                      "EXIT : pfParmeters::ReadScriptParams( return(1) )\n" +
                      "ENTER: pfParmeters::WriteScriptParams( pFilterRecord(0x" + zero + ") )\n" +
                      "EXIT : pfParmeters::WriteScriptParams(' return(0) )\n");
}
