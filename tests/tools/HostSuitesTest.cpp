// The host's handle, buffer, descriptor and colour services, called through their procedure
// tables as a plug-in calls them. (The plug-in's own use of them is tested in the host and
// parameter tests, which run on these suites.)
#include <gtest/gtest.h>

#include <cstring>

#include "tools/HostBufferSuite.h"
#include "tools/HostColorServices.h"
#include "tools/HostDescriptorSuite.h"
#include "tools/HostHandleSuite.h"

namespace {

TEST(HostHandleSuite, HandlesGrowKeepTheirBytesAndAreFreedOnlyOnce) {
  HostHandleSuite suite;
  HandleProcs* p = suite.Procs();
  Handle h = p->newProc(4);
  ASSERT_NE(h, nullptr);
  std::memcpy(p->lockProc(h, 0), "abcd", 4);
  p->unlockProc(h);
  ASSERT_EQ(p->setSizeProc(h, 1000), noErr);
  EXPECT_EQ(p->getSizeProc(h), 1000);
  EXPECT_EQ(std::memcmp(*h, "abcd", 4), 0);  // contents survive the move
  EXPECT_EQ(p->setSizeProc(h, -1), paramErr);
  EXPECT_EQ(p->newProc(-5), nullptr);
  p->disposeProc(h);
  p->disposeProc(h);  // a second dispose of the same handle is ignored, not a double free
  char* foreignBlock = nullptr;
  p->disposeRegularHandleProc(&foreignBlock);  // not ours: left alone
  EXPECT_NE(p->newProc(4), h);       // a new handle never takes the address of a disposed one
  EXPECT_EQ(suite.LiveCount(), 1u);  // freed at the suite's end (ASan checks)
}

TEST(HostBufferSuite, BuffersAllocateLockAndFreeWithFailuresReported) {
  HostBufferSuite suite;
  BufferProcs* p = suite.Procs();
  BufferID id = nullptr;
  ASSERT_EQ(p->allocateProc(256, &id), noErr);
  std::memset(p->lockProc(id, 1), 0x5A, 256);
  p->unlockProc(id);
  EXPECT_EQ(p->allocateProc(-1, &id), paramErr);
  suite.FailAllocationAt(suite.AllocationCount());
  EXPECT_EQ(p->allocateProc(16, &id), memFullErr);
  EXPECT_EQ(id, nullptr);
  ASSERT_EQ(p->allocateProc(16, &id), noErr);
  p->freeProc(id);
  p->freeProc(id);  // ignored the second time
  EXPECT_EQ(p->lockProc(id, 0), nullptr);
  EXPECT_EQ(suite.LiveCount(), 1u);  // the first buffer is a leftover the suite frees
}

TEST(HostDescriptorSuite, PinnedAndWrongTypedReadsAreTheSessionsStickyResult) {
  HostHandleSuite handles;
  HostDescriptorSuite suite{handles};
  ReadDescriptorProcs* r = suite.ReadProcs();
  HostDescriptor values;
  values.PutInteger(FourCC("BLND"), 7);
  values.PutBoolean(FourCC("INGR"), true);
  values.PutFloat(FourCC("INTE"), 2.5);
  for (const bool pinned : {true, false}) {
    Handle d = suite.Store(values);
    DescriptorKeyID keys[] = {FourCC("INTE"), FourCC("MISS"), 0};
    PIReadDescriptor t = r->openReadDescriptorProc(d, keys);
    DescriptorKeyID key;
    DescriptorTypeID type;
    int32_t flags, i = 0;
    double v = 9;
    ASSERT_TRUE(r->getKeyProc(t, &key, &type, &flags));
    if (pinned) {
      EXPECT_EQ(r->getPinnedIntegerProc(t, 1, 5, &i), 2);  // clamped: coercedParamErr
    }
    ASSERT_TRUE(r->getKeyProc(t, &key, &type, &flags));
    if (!pinned) {
      EXPECT_NE(r->getFloatProc(t, &v), noErr);  // a boolean is no float
    }
    ASSERT_TRUE(r->getKeyProc(t, &key, &type, &flags));
    EXPECT_EQ(r->getFloatProc(t, &v), noErr);  // later reads still work
    EXPECT_EQ(v, 2.5);
    EXPECT_FALSE(r->getKeyProc(t, &key, &type, &flags));
    EXPECT_EQ(i, pinned ? 5 : 0);
    // Found keys are struck out; the missing one stays.
    EXPECT_EQ(keys[0], typeNull);
    EXPECT_EQ(keys[1], FourCC("MISS"));
    EXPECT_EQ(r->closeReadDescriptorProc(t), pinned ? 2 : -1700);
    handles.Dispose(d);
  }
  EXPECT_EQ(r->openReadDescriptorProc(nullptr, nullptr), nullptr);
  Handle notADescriptor = handles.NewFrom("garbage!");
  EXPECT_EQ(r->openReadDescriptorProc(notADescriptor, nullptr), nullptr);
  handles.Dispose(notADescriptor);
  EXPECT_EQ(suite.OpenTokenCount(), 0u);
}

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
  info = Request(3, 0, 0);                  // the background colour
  info.selectorParameter.specialColorID = 1;
  ASSERT_EQ(ServeColorRequest(&info, colours, &source, 3), noErr);
  EXPECT_EQ(info.colorComponents[0], 255);
  Point p{0, 1};  // v (row) 0, h (column) 1
  info = Request(2, 0, 0);
  info.selectorParameter.globalSamplePoint = &p;
  ASSERT_EQ(ServeColorRequest(&info, colours, &source, 3), noErr);
  EXPECT_EQ(info.colorComponents[0], 255);  // 32768 at 8 bits
  EXPECT_EQ(info.colorComponents[1], 128);  // 16384 rounds to 127.5 -> 128
  p.h = 2;
  EXPECT_EQ(ServeColorRequest(&info, colours, &source, 3), kErrInvalidSamplePoint);
  info = Request(1, 3, 0);  // Lab is not converted here
  EXPECT_EQ(ServeColorRequest(&info, colours, &source, 3), paramErr);
}

}  // namespace
