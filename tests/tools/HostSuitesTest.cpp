// The host's handle, buffer and descriptor suites, called through their procedure tables as a
// plug-in calls them.
#include <gtest/gtest.h>

#include <cstring>

#include "tools/HostBufferSuite.h"
#include "tools/HostColorServices.h"
#include "tools/HostDescriptorSuite.h"
#include "tools/HostHandleSuite.h"

namespace {

constexpr uint32_t K(const char (&s)[5]) { return FourCC(s); }

TEST(HostHandleSuite, HandlesGrowKeepTheirBytesAndAreFreedOnlyOnce) {
  HostHandleSuite suite;
  HandleProcs* p = suite.Procs();
  EXPECT_EQ(p->handleProcsVersion, 1);
  EXPECT_EQ(p->numHandleProcs, 8);
  Handle h = p->newProc(4);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(p->getSizeProc(h), 4);
  Ptr data = p->lockProc(h, 0);
  ASSERT_EQ(data, *h);
  std::memcpy(data, "abcd", 4);
  p->unlockProc(h);
  ASSERT_EQ(p->setSizeProc(h, 1000), noErr);
  EXPECT_EQ(p->getSizeProc(h), 1000);
  EXPECT_EQ(std::memcmp(*h, "abcd", 4), 0);  // contents survive the move
  EXPECT_EQ(p->setSizeProc(h, -1), paramErr);
  EXPECT_EQ(p->newProc(-5), nullptr);

  p->disposeProc(h);
  EXPECT_FALSE(suite.Owns(h));
  p->disposeProc(h);  // a second dispose of the same handle is ignored, not a double free
  EXPECT_EQ(p->getSizeProc(h), 0);

  char* foreignBlock = nullptr;
  p->disposeRegularHandleProc(&foreignBlock);  // not ours: left alone
  // A new handle never takes the address of a disposed one.
  Handle again = p->newProc(4);
  EXPECT_NE(again, h);
  EXPECT_EQ(suite.LiveCount(), 1u);  // freed at the suite's end (ASan checks)
}

TEST(HostBufferSuite, BuffersAllocateLockAndFreeWithFailuresReported) {
  HostBufferSuite suite;
  BufferProcs* p = suite.Procs();
  EXPECT_EQ(p->bufferProcsVersion, 2);
  EXPECT_EQ(p->numBufferProcs, 5);
  EXPECT_EQ(p->reserveProc, nullptr);
  EXPECT_EQ(p->spaceProc(), HostBufferSuite::kSpace);
  BufferID id = nullptr;
  ASSERT_EQ(p->allocateProc(256, &id), noErr);
  Ptr data = p->lockProc(id, 1);
  ASSERT_NE(data, nullptr);
  std::memset(data, 0x5A, 256);
  p->unlockProc(id);
  EXPECT_EQ(p->allocateProc(-1, &id), paramErr);
  EXPECT_EQ(id, nullptr);
  suite.FailAllocationAt(suite.AllocationCount());
  EXPECT_EQ(p->allocateProc(16, &id), memFullErr);
  EXPECT_EQ(id, nullptr);
  ASSERT_EQ(p->allocateProc(16, &id), noErr);
  EXPECT_EQ(suite.LiveCount(), 2u);
  p->freeProc(id);
  p->freeProc(id);  // ignored the second time
  EXPECT_EQ(p->lockProc(id, 0), nullptr);
  EXPECT_EQ(suite.LiveCount(), 1u);  // the first buffer is a leftover the suite frees
}

class DescriptorSuiteTest : public ::testing::Test {
 protected:
  HostHandleSuite handles;
  HostDescriptorSuite suite{handles};
  ReadDescriptorProcs* r = suite.ReadProcs();
  WriteDescriptorProcs* w = suite.WriteProcs();
};

TEST_F(DescriptorSuiteTest, EveryRoutineIsPresent) {
  EXPECT_EQ(r->readDescriptorProcsVersion, 0);
  EXPECT_EQ(r->numReadDescriptorProcs, 18);
  EXPECT_EQ(w->writeDescriptorProcsVersion, 0);
  EXPECT_EQ(w->numWriteDescriptorProcs, 16);
  const auto* rp = reinterpret_cast<void* const*>(&r->openReadDescriptorProc);
  for (int i = 0; i < 18; ++i) EXPECT_NE(rp[i], nullptr) << "read routine " << i;
  const auto* wp = reinterpret_cast<void* const*>(&w->openWriteDescriptorProc);
  for (int i = 0; i < 16; ++i) EXPECT_NE(wp[i], nullptr) << "write routine " << i;
}

TEST_F(DescriptorSuiteTest, WhatAPlugInWritesReadsBackInOrderWithItsTypes) {
  PIWriteDescriptor t = w->openWriteDescriptorProc();
  ASSERT_NE(t, nullptr);
  const double x = 0.125, pct = 50.0;
  EXPECT_EQ(w->putFloatProc(t, K("ORIX"), &x), noErr);
  EXPECT_EQ(w->putIntegerProc(t, K("BLND"), 7), noErr);
  EXPECT_EQ(w->putBooleanProc(t, K("GAMA"), 1), noErr);
  EXPECT_EQ(w->putUnitFloatProc(t, K("Amnt"), K("#Prc"), &pct), noErr);
  EXPECT_EQ(w->putEnumeratedProc(t, K("Md  "), K("BlnM"), K("Scrn")), noErr);
  EXPECT_EQ(w->putStringProc(t, K("Nm  "),
                             reinterpret_cast<const unsigned char*>("\x03"
                                                                    "abc")),
            noErr);
  Handle text = handles.NewFrom("hello");
  EXPECT_EQ(w->putTextProc(t, K("Txt "), text), noErr);
  handles.Dispose(text);
  EXPECT_EQ(w->putCountProc(t, K("Cnt "), 3u), noErr);
  EXPECT_EQ(w->putClassProc(t, K("Cls "), K("Lyr ")), noErr);

  // A nested object.
  PIWriteDescriptor inner = w->openWriteDescriptorProc();
  EXPECT_EQ(w->putIntegerProc(inner, K("Hrzn"), -4), noErr);
  PIDescriptorHandle innerHandle = nullptr;
  ASSERT_EQ(w->closeWriteDescriptorProc(inner, &innerHandle), noErr);
  EXPECT_EQ(w->putObjectProc(t, K("Pstn"), K("Pnt "), innerHandle), noErr);
  handles.Dispose(innerHandle);

  PIDescriptorHandle d = nullptr;
  ASSERT_EQ(w->closeWriteDescriptorProc(t, &d), noErr);
  ASSERT_TRUE(handles.Owns(d));

  DescriptorKeyID keys[] = {K("GAMA"), K("MISS"), K("ORIX"), 0};
  PIReadDescriptor rt = r->openReadDescriptorProc(d, keys);
  ASSERT_NE(rt, nullptr);
  DescriptorKeyID key = 0;
  DescriptorTypeID type = 0;
  int32_t flags = -1;

  ASSERT_TRUE(r->getKeyProc(rt, &key, &type, &flags));
  EXPECT_EQ(key, K("ORIX"));
  EXPECT_EQ(type, typeFloat);
  EXPECT_EQ(flags, 0);
  double dv = 0;
  EXPECT_EQ(r->getFloatProc(rt, &dv), noErr);
  EXPECT_EQ(dv, 0.125);

  ASSERT_TRUE(r->getKeyProc(rt, &key, &type, &flags));
  EXPECT_EQ(type, typeInteger);
  int32_t iv = 0;
  EXPECT_EQ(r->getPinnedIntegerProc(rt, 1, 5, &iv), 2);  // pinned: coercedParamErr
  EXPECT_EQ(iv, 5);

  ASSERT_TRUE(r->getKeyProc(rt, &key, &type, &flags));
  PiBoolean bv = 0;
  EXPECT_EQ(r->getBooleanProc(rt, &bv), noErr);
  EXPECT_EQ(bv, 1);

  ASSERT_TRUE(r->getKeyProc(rt, &key, &type, &flags));
  DescriptorUnitID unit = 0;
  EXPECT_EQ(r->getUnitFloatProc(rt, &unit, &dv), noErr);
  EXPECT_EQ(unit, K("#Prc"));
  EXPECT_EQ(dv, 50.0);

  ASSERT_TRUE(r->getKeyProc(rt, &key, &type, &flags));
  DescriptorEnumID ev = 0;
  EXPECT_EQ(r->getEnumeratedProc(rt, &ev), noErr);
  EXPECT_EQ(ev, K("Scrn"));

  ASSERT_TRUE(r->getKeyProc(rt, &key, &type, &flags));
  Str255 str = {};
  EXPECT_EQ(r->getStringProc(rt, &str), noErr);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(&str[1]), str[0]), "abc");

  ASSERT_TRUE(r->getKeyProc(rt, &key, &type, &flags));
  Handle got = nullptr;
  EXPECT_EQ(r->getTextProc(rt, &got), noErr);
  EXPECT_EQ(handles.Contents(got), "hello");
  handles.Dispose(got);

  ASSERT_TRUE(r->getKeyProc(rt, &key, &type, &flags));
  uint32_t count = 0;
  EXPECT_EQ(r->getCountProc(rt, &count), noErr);
  EXPECT_EQ(count, 3u);

  ASSERT_TRUE(r->getKeyProc(rt, &key, &type, &flags));
  DescriptorTypeID cls = 0;
  EXPECT_EQ(r->getClassProc(rt, &cls), noErr);
  EXPECT_EQ(cls, K("Lyr "));

  ASSERT_TRUE(r->getKeyProc(rt, &key, &type, &flags));
  EXPECT_EQ(type, typeObject);
  PIDescriptorHandle obj = nullptr;
  DescriptorTypeID objClass = 0;
  EXPECT_EQ(r->getObjectProc(rt, &objClass, &obj), noErr);
  EXPECT_EQ(objClass, K("Pnt "));
  PIReadDescriptor nested = r->openReadDescriptorProc(obj, nullptr);
  ASSERT_TRUE(r->getKeyProc(nested, &key, &type, &flags));
  EXPECT_EQ(r->getIntegerProc(nested, &iv), noErr);
  EXPECT_EQ(iv, -4);
  EXPECT_FALSE(r->getKeyProc(nested, &key, &type, &flags));
  EXPECT_EQ(r->closeReadDescriptorProc(nested), noErr);
  handles.Dispose(obj);

  EXPECT_FALSE(r->getKeyProc(rt, &key, &type, &flags));
  // Found keys are struck out; the missing one and the terminator stay.
  EXPECT_EQ(keys[0], typeNull);
  EXPECT_EQ(keys[1], K("MISS"));
  EXPECT_EQ(keys[2], typeNull);
  EXPECT_EQ(keys[3], 0u);
  // The pinned integer is the session's sticky result.
  EXPECT_EQ(r->closeReadDescriptorProc(rt), 2);
  handles.Dispose(d);
  EXPECT_EQ(suite.OpenTokenCount(), 0u);
  EXPECT_EQ(handles.LiveCount(), 0u);
}

TEST_F(DescriptorSuiteTest, AWrongTypeFailsTheReadAndStaysAsTheStickyError) {
  HostDescriptor values;
  values.PutBoolean(K("INGR"), true);
  values.PutFloat(K("INTE"), 2.5);
  Handle d = suite.Store(values);
  PIReadDescriptor rt = r->openReadDescriptorProc(d, nullptr);
  DescriptorKeyID key;
  DescriptorTypeID type;
  int32_t flags;
  ASSERT_TRUE(r->getKeyProc(rt, &key, &type, &flags));
  double v = 9;
  EXPECT_NE(r->getFloatProc(rt, &v), noErr);  // a boolean is no float
  EXPECT_EQ(v, 9);
  ASSERT_TRUE(r->getKeyProc(rt, &key, &type, &flags));
  EXPECT_EQ(r->getFloatProc(rt, &v), noErr);  // later reads still work
  EXPECT_EQ(v, 2.5);
  EXPECT_EQ(r->closeReadDescriptorProc(rt), -1700);
  handles.Dispose(d);
}

TEST_F(DescriptorSuiteTest, NoDescriptorMeansNoToken) {
  EXPECT_EQ(r->openReadDescriptorProc(nullptr, nullptr), nullptr);
  Handle notADescriptor = handles.NewFrom("garbage!");
  EXPECT_EQ(r->openReadDescriptorProc(notADescriptor, nullptr), nullptr);
  handles.Dispose(notADescriptor);
  EXPECT_EQ(r->closeReadDescriptorProc(nullptr), paramErr);
}

}  // namespace

namespace {

ColorServicesInfo Request(int16_t selector, int16_t source, int16_t result) {
  ColorServicesInfo info{};
  info.infoSize = int32_t(sizeof(ColorServicesInfo));
  info.selector = selector;
  info.sourceSpace = source;
  info.resultSpace = result;
  return info;
}

TEST(HostColorServices, AnswersWithoutAPickerAndConvertsReadsAndNamesColours) {
  HostColours colours;
  HostImage source(2, 1, 3, 2);  // 16-bit RGB: pixel (1, 0) = 32768, 16384, 0
  source.Set(1, 0, 0, 32768);
  source.Set(1, 0, 1, 16384);

  ColorServicesInfo info = Request(0, 0, 0);  // choose a colour
  EXPECT_EQ(ServeColorRequest(&info, colours, &source, 3), userCanceledErr);

  info = Request(1, 0, 4);  // RGB (200, 100, 50) to grey: Rec. 601 luma
  info.colorComponents[0] = 200;
  info.colorComponents[1] = 100;
  info.colorComponents[2] = 50;
  ASSERT_EQ(ServeColorRequest(&info, colours, &source, 3), noErr);
  EXPECT_EQ(info.colorComponents[0], 124);  // 0.299*200 + 0.587*100 + 0.114*50 = 124.2

  info = Request(3, 0, 0);  // the background colour
  info.selectorParameter.specialColorID = 1;
  ASSERT_EQ(ServeColorRequest(&info, colours, &source, 3), noErr);
  EXPECT_EQ(info.colorComponents[0], 255);

  Point p{0, 1};  // v (row) 0, h (column) 1
  info = Request(2, 0, 0);
  info.selectorParameter.globalSamplePoint = &p;
  ASSERT_EQ(ServeColorRequest(&info, colours, &source, 3), noErr);
  EXPECT_EQ(info.colorComponents[0], 255);  // 32768 at 8 bits
  EXPECT_EQ(info.colorComponents[1], 128);  // 16384 rounds to 127.5 -> 128
  EXPECT_EQ(info.colorComponents[2], 0);
  p.h = 2;
  EXPECT_EQ(ServeColorRequest(&info, colours, &source, 3), kErrInvalidSamplePoint);

  info = Request(1, 0, 0);
  info.infoSize = 12;  // an unknown block size is refused
  EXPECT_EQ(ServeColorRequest(&info, colours, &source, 3), paramErr);
  info = Request(1, 3, 0);  // Lab is not converted here
  EXPECT_EQ(ServeColorRequest(&info, colours, &source, 3), paramErr);
}

}  // namespace
