// The reference host's filter record, advanceState and selector protocol, driven the way a
// plug-in drives them. Expected pixels come from the test's own reading of the source.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "tools/ReferenceHost.h"

namespace {

// value(x, y, p) = x * 16 + y * 4 + p, a pattern in which every sample is distinct.
HostImage Pattern(int32_t w, int32_t h, int32_t planes, int32_t bytes) {
  HostImage img(w, h, planes, bytes);
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      for (int32_t p = 0; p < planes; ++p) {
        img.Set(x, y, p, uint16_t((x * 16 + y * 4 + p) * (bytes == 2 ? 100 : 1)));
      }
    }
  }
  return img;
}

HostDocument Document(int32_t w, int32_t h, int32_t colours, bool alpha, int32_t bytes,
                      bool withMask) {
  HostDocument d;
  d.source = Pattern(w, h, colours + (alpha ? 1 : 0), bytes);
  d.colourPlanes = colours;
  d.hasAlpha = alpha;
  if (withMask) {
    d.mask = HostImage(w, h, 1, bytes);
    for (int32_t y = 0; y < h; ++y) {
      for (int32_t x = 0; x < w; ++x) d.mask.Set(x, y, 0, uint16_t(bytes == 2 ? x * 1000 : x * 10));
    }
  }
  return d;
}

uint16_t Sample(const void* base, int32_t rowBytes, int32_t x, int32_t y, int32_t planes, int32_t p,
                int32_t bytes) {
  const auto* at = static_cast<const uint8_t*>(base) + size_t(y) * size_t(rowBytes) +
                   (size_t(x) * size_t(planes) + size_t(p)) * size_t(bytes);
  if (bytes == 1) return *at;
  uint16_t v;
  std::memcpy(&v, at, 2);
  return v;
}

struct LayoutCase {
  int32_t colours;
  bool alpha;
  int32_t bytes;
  bool mask;
  int16_t mode;
  int16_t filterCase;
};

class RecordLayouts : public ::testing::TestWithParam<LayoutCase> {};

// Pointer fields are compared as booleans: gtest binds references to its arguments, and the
// record's pointers are only 4-byte aligned.
TEST_P(RecordLayouts, RecordDescribesTheDocument) {
  const LayoutCase c = GetParam();
  ReferenceHost host(Document(7, 3, c.colours, c.alpha, c.bytes, c.mask));
  const FilterRecord& r = host.Record();
  EXPECT_EQ(r.imageSize.h, 7);
  EXPECT_EQ(r.imageSize.v, 3);
  EXPECT_EQ(r.filterRect.right, 7);
  EXPECT_EQ(r.filterRect.bottom, 3);
  EXPECT_EQ(r.imageMode, c.mode);
  EXPECT_EQ(r.depth, 8 * c.bytes);
  EXPECT_EQ(r.planes, c.colours + (c.alpha ? 1 : 0));
  EXPECT_EQ(r.inLayerPlanes, c.alpha ? c.colours : 0);
  EXPECT_EQ(r.inTransparencyMask, c.alpha ? 1 : 0);
  EXPECT_EQ(r.inNonLayerPlanes, c.alpha ? 0 : c.colours);
  EXPECT_EQ(r.outLayerPlanes + r.outNonLayerPlanes + r.outTransparencyMask, r.planes);
  EXPECT_EQ(r.filterCase, c.filterCase);
  EXPECT_EQ(r.haveMask, c.mask ? 1 : 0);
  EXPECT_EQ(r.inputRate, 1 << 16);
  EXPECT_EQ(r.samplingSupport, 1);
  EXPECT_EQ(r.inputPadding, -3);
  EXPECT_TRUE(r.advanceState != nullptr);
  EXPECT_TRUE(r.progressProc != nullptr);
  EXPECT_TRUE(r.abortProc != nullptr);
  EXPECT_TRUE(r.colorServices != nullptr);
  ASSERT_TRUE(r.bufferProcs != nullptr);
  EXPECT_EQ(r.bufferProcs->numBufferProcs, 5);
  ASSERT_TRUE(r.handleProcs != nullptr);
  EXPECT_EQ(r.handleProcs->numHandleProcs, 8);
  ASSERT_TRUE(r.descriptorParameters != nullptr);
  EXPECT_EQ(r.descriptorParameters->descriptorParametersVersion, 0);
  EXPECT_EQ(r.descriptorParameters->readDescriptorProcs->numReadDescriptorProcs, 18);
  EXPECT_TRUE(r.errorString != nullptr);
}

INSTANTIATE_TEST_SUITE_P(EveryLayout, RecordLayouts,
                         ::testing::Values(LayoutCase{1, false, 1, false, plugInModeGrayScale, 1},
                                           LayoutCase{1, true, 1, false, plugInModeGrayScale, 4},
                                           LayoutCase{3, false, 1, true, plugInModeRGBColor, 2},
                                           LayoutCase{3, true, 1, true, plugInModeRGBColor, 5},
                                           LayoutCase{1, false, 2, true, plugInModeGray16, 2},
                                           LayoutCase{3, true, 2, false, plugInModeRGB48, 4}));

TEST(AdvanceState, DeliversTheRequestedAreaAndPlanesInterleaved) {
  ReferenceHost host(Document(5, 4, 3, true, 1, false));
  FilterRecord& r = host.Record();
  r.inRect = Rect{1, 2, 3, 5};  // rows 1..2, columns 2..4
  r.inLoPlane = 1;
  r.inHiPlane = 2;
  r.outRect = Rect{0, 0, 4, 5};
  r.outLoPlane = 0;
  r.outHiPlane = 3;
  ASSERT_EQ(r.advanceState(), noErr);
  ASSERT_TRUE(r.inData != nullptr);
  EXPECT_EQ(r.inRowBytes % ReferenceHost::kRowAlignment, 0);
  EXPECT_GE(r.inRowBytes, 3 * 2);
  EXPECT_EQ(r.inColumnBytes, 2);
  for (int32_t y = 0; y < 2; ++y) {
    for (int32_t x = 0; x < 3; ++x) {
      for (int32_t p = 0; p < 2; ++p) {
        EXPECT_EQ(Sample(r.inData, r.inRowBytes, x, y, 2, p, 1),
                  (x + 2) * 16 + (y + 1) * 4 + (p + 1));
      }
    }
  }
  // The output buffer starts as the destination's pixels.
  EXPECT_EQ(Sample(r.outData, r.outRowBytes, 4, 3, 4, 3, 1), 4 * 16 + 3 * 4 + 3);
  EXPECT_TRUE(r.maskData == nullptr);

  // A plane range past the image is refused.
  r.inHiPlane = 4;
  EXPECT_EQ(r.advanceState(), paramErr);
}

TEST(AdvanceState, InputRateDeliversTheReducedSource) {
  ReferenceHost host(Document(7, 5, 1, false, 2, false));
  FilterRecord& r = host.Record();
  r.inputRate = 2 << 16;
  r.inRect = Rect{0, 0, 2, 3};  // the reduced image is 3 x 2
  r.inLoPlane = r.inHiPlane = 0;
  ASSERT_EQ(r.advanceState(), noErr);
  for (int32_t y = 0; y < 2; ++y) {
    for (int32_t x = 0; x < 3; ++x) {
      double sum = 0;
      for (int j = 0; j < 2; ++j) {
        for (int i = 0; i < 2; ++i) sum += ((2 * x + i) * 16 + (2 * y + j) * 4) * 100;
      }
      EXPECT_EQ(Sample(r.inData, r.inRowBytes, x, y, 1, 0, 2), uint16_t(std::floor(sum / 4 + 0.5)))
          << x << "," << y;
    }
  }
  // A fractional rate rounds to the nearest integer: 1.4 is 1.
  r.inputRate = Fixed(1.4 * 65536);
  r.inRect = Rect{4, 6, 5, 7};
  ASSERT_EQ(r.advanceState(), noErr);
  EXPECT_EQ(Sample(r.inData, r.inRowBytes, 0, 0, 1, 0, 2), (6 * 16 + 4 * 4) * 100);
}

TEST(AdvanceState, PaddingFillsReplicatesOrRefusesAreasOutsideTheImage) {
  ReferenceHost host(Document(4, 3, 1, false, 1, false));
  FilterRecord& r = host.Record();
  r.inRect = Rect{-1, -1, 1, 1};
  r.inLoPlane = r.inHiPlane = 0;
  EXPECT_EQ(r.advanceState(), paramErr);  // -3: error on bounds
  r.inputPadding = 200;
  ASSERT_EQ(r.advanceState(), noErr);
  EXPECT_EQ(Sample(r.inData, r.inRowBytes, 0, 0, 1, 0, 1), 200);
  EXPECT_EQ(Sample(r.inData, r.inRowBytes, 1, 0, 1, 0, 1), 200);
  EXPECT_EQ(Sample(r.inData, r.inRowBytes, 1, 1, 1, 0, 1), 0);  // pixel (0, 0)
  r.inputPadding = -1;
  r.inRect = Rect{2, 3, 4, 6};
  ASSERT_EQ(r.advanceState(), noErr);
  EXPECT_EQ(Sample(r.inData, r.inRowBytes, 2, 1, 1, 0, 1), 3 * 16 + 2 * 4);  // edge pixel

  ReferenceHost deep(Document(2, 2, 1, false, 2, false));
  // (the newest host serves the callbacks while it lives)
  FilterRecord& d = deep.Record();
  d.inRect = Rect{0, 0, 1, 3};
  d.inLoPlane = d.inHiPlane = 0;
  d.inputPadding = 255;
  ASSERT_EQ(d.advanceState(), noErr);
  EXPECT_EQ(Sample(d.inData, d.inRowBytes, 2, 0, 1, 0, 2), 32768);  // 255 at full scale
}

TEST(AdvanceState, MaskArrivesAtTheImageDepth) {
  ReferenceHost host(Document(6, 2, 3, false, 2, true));
  FilterRecord& r = host.Record();
  r.maskRect = Rect{0, 0, 2, 6};
  ASSERT_EQ(r.advanceState(), noErr);
  ASSERT_TRUE(r.maskData != nullptr);
  EXPECT_GE(r.maskRowBytes, 12);
  for (int32_t x = 0; x < 6; ++x)
    EXPECT_EQ(Sample(r.maskData, r.maskRowBytes, x, 1, 1, 0, 2), x * 1000);
  r.maskRate = 2 << 16;
  r.maskRect = Rect{0, 0, 1, 3};
  ASSERT_EQ(r.advanceState(), noErr);
  EXPECT_EQ(Sample(r.maskData, r.maskRowBytes, 1, 0, 1, 0, 2), (2000 + 3000) / 2);
}

TEST(AdvanceState, OutputGoesBackOnlyWhereItWasRequested) {
  ReferenceHost host(Document(4, 4, 1, false, 1, false));
  FilterRecord& r = host.Record();
  r.outRect = Rect{1, 1, 3, 3};
  r.outLoPlane = r.outHiPlane = 0;
  ASSERT_EQ(r.advanceState(), noErr);
  for (int32_t y = 0; y < 2; ++y) {
    std::memset(static_cast<uint8_t*>(r.outData) + size_t(y) * size_t(r.outRowBytes), 0xEE, 2);
  }
  r.outRect = Rect{0, 0, 0, 0};
  ASSERT_EQ(r.advanceState(), noErr);  // the next call takes the previous output
  EXPECT_TRUE(r.outData == nullptr);
  const HostImage& out = host.Destination();
  for (int32_t y = 0; y < 4; ++y) {
    for (int32_t x = 0; x < 4; ++x) {
      const bool inside = x >= 1 && x < 3 && y >= 1 && y < 3;
      EXPECT_EQ(out.Get(x, y, 0), inside ? 0xEE : x * 16 + y * 4) << x << "," << y;
    }
  }
}

TEST(AdvanceState, PreviewReductionRescalesTheFullSizeRequest) {
  ReferenceHost host(Document(13, 9, 3, false, 1, true));
  host.SetPreviewReduction(4);
  FilterRecord& r = host.Record();
  // What the plug-in asks for its final render: everything at full size.
  r.inRect = r.outRect = r.maskRect = Rect{0, 0, 9, 13};
  r.inLoPlane = r.outLoPlane = 0;
  r.inHiPlane = r.outHiPlane = 2;
  ASSERT_EQ(r.advanceState(), noErr);
  EXPECT_EQ(r.inRect.bottom, 2);
  EXPECT_EQ(r.inRect.right, 3);
  EXPECT_EQ(r.outRect.right, 3);
  EXPECT_EQ(r.maskRect.bottom, 2);
  EXPECT_EQ(r.inputRate, 4 << 16);
  EXPECT_EQ(r.maskRate, 4 << 16);
  EXPECT_EQ(r.filterRect.right, 13);  // the document keeps its size
  EXPECT_EQ(host.Destination().Width(), 3);
  EXPECT_EQ(host.Destination().Height(), 2);
  // Pixel (2, 1) of the reduction is the mean of source columns 8..11, rows 4..7.
  double sum = 0;
  for (int j = 4; j < 8; ++j) {
    for (int i = 8; i < 12; ++i) sum += i * 16 + j * 4 + 1;
  }
  EXPECT_EQ(Sample(r.inData, r.inRowBytes, 2, 1, 3, 1, 1), uint16_t(std::floor(sum / 16 + 0.5)));
  // The values it wrote itself are not rescaled again.
  ASSERT_EQ(r.advanceState(), noErr);
  EXPECT_EQ(r.inRect.right, 3);
  EXPECT_EQ(r.inputRate, 4 << 16);
}

// --- the selector protocol, with small scripted plug-ins ---

struct ProtocolLog {
  std::vector<int16_t> selectors;
  int16_t failAt = -1;  // selector that fails with -30100
  bool pollAbortInStart = false;
  int16_t startPlayInfo = -1;
} protocol;

// Inverts a grey 8-bit image tile by tile: start asks for the first 2-row band, each continue
// inverts the delivered band and asks for the next one.
void TilingPlugin(int16_t selector, FilterRecord* r, intptr_t*, int16_t* result) {
  protocol.selectors.push_back(selector);
  *result = noErr;
  if (selector == protocol.failAt) {
    *result = filterBadParameters;
    return;
  }
  if (selector == filterSelectorStart) {
    protocol.startPlayInfo = r->descriptorParameters->playInfo;
    if (protocol.pollAbortInStart) {
      while (!r->abortProc()) r->progressProc(0, 1);
      *result = userCanceledErr;
      return;
    }
    r->inRect = r->outRect = Rect{0, 0, 2, r->imageSize.h};
    r->inLoPlane = r->inHiPlane = r->outLoPlane = r->outHiPlane = 0;
  } else if (selector == filterSelectorContinue) {
    const int32_t w = r->outRect.right - r->outRect.left;
    for (int32_t y = 0; y < r->outRect.bottom - r->outRect.top; ++y) {
      const auto* in = static_cast<const uint8_t*>(r->inData) + size_t(y) * size_t(r->inRowBytes);
      auto* out = static_cast<uint8_t*>(r->outData) + size_t(y) * size_t(r->outRowBytes);
      for (int32_t x = 0; x < w; ++x) out[x] = uint8_t(255 - in[x]);
    }
    r->progressProc(r->outRect.bottom, r->imageSize.v);
    const int16_t next = r->outRect.bottom;
    if (next >= r->imageSize.v) {
      r->inRect = r->outRect = Rect{0, 0, 0, 0};
    } else {
      const int16_t bottom = next + 2 < r->imageSize.v ? int16_t(next + 2) : r->imageSize.v;
      r->inRect = r->outRect = Rect{next, 0, bottom, r->imageSize.h};
    }
  }
}

TEST(Protocol, SelectorsComeInAHostsOrderAndTilesAreWrittenBack) {
  protocol = ProtocolLog{};
  ReferenceHost host(Document(3, 5, 1, false, 1, false));
  std::vector<std::pair<int32_t, int32_t>> progress;
  host.SetProgressObserver([&](int32_t d, int32_t t) { progress.emplace_back(d, t); });
  ASSERT_EQ(host.Run(TilingPlugin, true), noErr);
  EXPECT_EQ(protocol.selectors, (std::vector<int16_t>{1, 2, 3, 4, 4, 4, 5}));
  EXPECT_EQ(protocol.startPlayInfo, plugInDialogDisplay);
  for (int32_t y = 0; y < 5; ++y) {
    for (int32_t x = 0; x < 3; ++x)
      EXPECT_EQ(host.Destination().Get(x, y, 0), 255 - (x * 16 + y * 4));
  }
  EXPECT_EQ(progress.back(), std::make_pair(5, 5));
}

TEST(Protocol, FinishFollowsAFailedContinueButNotAFailedStart) {
  protocol = ProtocolLog{};
  protocol.failAt = filterSelectorContinue;
  {
    ReferenceHost host(Document(3, 5, 1, false, 1, false));
    EXPECT_EQ(host.Run(TilingPlugin, false), filterBadParameters);
    EXPECT_EQ(protocol.selectors, (std::vector<int16_t>{2, 3, 4, 5}));
  }
  protocol = ProtocolLog{};
  protocol.failAt = filterSelectorStart;
  ReferenceHost host(Document(3, 5, 1, false, 1, false));
  EXPECT_EQ(host.Run(TilingPlugin, false), filterBadParameters);
  EXPECT_EQ(protocol.selectors, (std::vector<int16_t>{2, 3}));
}

TEST(Protocol, CancelReachesThePlugInThroughAbortProc) {
  protocol = ProtocolLog{};
  protocol.pollAbortInStart = true;
  ReferenceHost host(Document(3, 5, 1, false, 1, false));
  std::atomic<bool> cancel{false};
  int reports = 0;
  host.SetCancelFlag(&cancel);
  host.SetProgressObserver([&](int32_t, int32_t) {
    if (++reports == 3) cancel = true;  // the user presses Ctrl-C during the render
  });
  EXPECT_EQ(host.Run(TilingPlugin, false), userCanceledErr);
  EXPECT_EQ(reports, 3);
  EXPECT_EQ(protocol.selectors, (std::vector<int16_t>{2, 3}));
  EXPECT_EQ(host.Destination().Get(1, 1, 0), 16 + 4);  // untouched
}

// Reads the played-back values the way the protocol prescribes (and disposes of the
// descriptor), then records them doubled.
void ScriptingPlugin(int16_t selector, FilterRecord* r, intptr_t*, int16_t* result) {
  *result = noErr;
  if (selector != filterSelectorStart) return;
  PIDescriptorParameters* dp = r->descriptorParameters;
  protocol.startPlayInfo = dp->playInfo;
  double value = 0;
  DescriptorKeyID keys[] = {FourCC("INTE"), 0};
  PIReadDescriptor t = dp->readDescriptorProcs->openReadDescriptorProc(dp->descriptor, keys);
  if (t != nullptr) {
    DescriptorKeyID key;
    DescriptorTypeID type;
    int32_t flags;
    while (dp->readDescriptorProcs->getKeyProc(t, &key, &type, &flags)) {
      if (key == FourCC("INTE")) dp->readDescriptorProcs->getFloatProc(t, &value);
    }
    dp->readDescriptorProcs->closeReadDescriptorProc(t);
    r->handleProcs->disposeProc(dp->descriptor);
    dp->descriptor = nullptr;
  }
  PIWriteDescriptor w = dp->writeDescriptorProcs->openWriteDescriptorProc();
  const double doubled = 2 * value;
  dp->writeDescriptorProcs->putFloatProc(w, FourCC("INTE"), &doubled);
  dp->writeDescriptorProcs->closeWriteDescriptorProc(w, &dp->descriptor);
  dp->recordInfo = plugInDialogOptional;
}

TEST(Protocol, PlaybackValuesReachThePlugInAndOnlyItsOwnRecordingComesBack) {
  HostDescriptor values;
  values.PutFloat(FourCC("INTE"), 1.75);
  for (const bool records : {true, false}) {
    protocol = ProtocolLog{};
    ReferenceHost host(Document(2, 2, 3, false, 1, false));
    host.SetPlayback(&values, plugInDialogDontDisplay);
    // The tiling plug-in never touches the descriptor: no recording.
    ASSERT_EQ(host.Run(records ? ScriptingPlugin : TilingPlugin, false), noErr);
    EXPECT_EQ(protocol.startPlayInfo, plugInDialogDontDisplay);
    HostDescriptor recorded;
    ASSERT_EQ(host.Recorded(recorded), records);
    if (!records) continue;
    ASSERT_EQ(recorded.items.size(), 1u);
    EXPECT_EQ(recorded.items[0].number, 3.5);
    EXPECT_EQ(host.Handles().LiveCount(), 0u);  // both descriptors are gone
  }
}

}  // namespace
