// The reference host's advanceState, driven the way a plug-in drives it. Expected pixels come
// from the test's own reading of the source. (Input and mask rates, preview reduction, failures
// and playback are checked end to end with the probe and the real plug-in.)
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/support/PluginTestHost.h"

namespace {

// value(x, y, p) = x * 16 + y * 4 + p, a pattern in which every sample is distinct.
HostDocument Document(int32_t w, int32_t h, int32_t colours, bool alpha, int32_t bytes) {
  return TestDocument(w, h, colours, alpha, bytes, [bytes](int32_t x, int32_t y, int32_t p) {
    return (x * 16 + y * 4 + p) * (bytes == 2 ? 100 : 1);
  });
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

TEST(AdvanceState, DeliversTheRequestedAreaAndPlanesInterleaved) {
  ReferenceHost host(Document(5, 4, 3, true, 1));
  FilterRecord& r = host.Record();
  r.inRect = Rect{1, 2, 3, 5};  // rows 1..2, columns 2..4
  r.inLoPlane = 1;
  r.inHiPlane = 2;
  r.outRect = Rect{0, 0, 4, 5};
  r.outLoPlane = 0;
  r.outHiPlane = 3;
  ASSERT_EQ(r.advanceState(), noErr);
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

TEST(AdvanceState, PaddingFillsReplicatesOrRefusesAreasOutsideTheImage) {
  ReferenceHost host(Document(4, 3, 1, false, 1));
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

  ReferenceHost deep(Document(2, 2, 1, false, 2));
  // (the newest host serves the callbacks while it lives)
  FilterRecord& d = deep.Record();
  d.inRect = Rect{0, 0, 1, 3};
  d.inLoPlane = d.inHiPlane = 0;
  d.inputPadding = 255;
  ASSERT_EQ(d.advanceState(), noErr);
  EXPECT_EQ(Sample(d.inData, d.inRowBytes, 2, 0, 1, 0, 2), 32768);  // 255 at full scale
}

}  // namespace
