// The 32-bit plug-in inside a 32-bit host's address space (4 GB: the program is marked
// large-address-aware, as quenara.exe is). The host is the reference host's core in this
// process, loading the built .8bf with LoadLibrary as quenara.exe does (no PNG files: the
// images are made here). A 24-megapixel 16-bit RGBA render fits; renders too
// large for the address space end with the out-of-memory result (-108) and no crash, whether
// the plug-in's blocks come from the host's buffer suite or from its own heap, and leave
// nothing behind: the tests run in this order in one process, so the large render after the
// failed ones also shows that their memory came back.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "tools/ParameterValues.h"
#include "tools/PluginModule.h"
#include "tools/ReferenceHost.h"

namespace {

// colour planes, then opaque transparency; every colour sample the same value.
HostDocument FlatDocument(int32_t w, int32_t h, int32_t colourPlanes, bool alpha, int32_t bytes) {
  HostDocument doc;
  const int32_t planes = colourPlanes + (alpha ? 1 : 0);
  doc.source = HostImage(w, h, planes, bytes);
  doc.colourPlanes = colourPlanes;
  doc.hasAlpha = alpha;
  const uint16_t full = bytes == 1 ? 255 : 32768;
  for (int32_t x = 0; x < w; ++x) {
    for (int32_t p = 0; p < planes; ++p) {
      doc.source.Set(x, 0, p, p < colourPlanes ? uint16_t(full * (p + 2) / 7) : full);
    }
  }
  const size_t rowBytes = size_t(w) * size_t(planes) * size_t(bytes);
  for (int32_t y = 1; y < h; ++y) {
    std::memcpy(doc.source.PixelAddress(0, y), doc.source.PixelAddress(0, 0), rowBytes);
  }
  return doc;
}

class AddressSpace : public testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    plugin = LoadPluginModule(QUENARA_PLUGIN_FILE, "", error);
    ASSERT_NE(plugin, nullptr) << error;
    // Intensity below 1 keeps the blurred value clear of the source's, so that a flat image
    // stays flat to the last bit (see the end-to-end tests).
    ASSERT_TRUE(BuildPlayback({{"Intensity", "0.9"}, {"Origin", "0.3,0.6"}}, playback, error))
        << error;
  }

  int16_t Render(ReferenceHost& host) {
    host.SetPlayback(&playback, plugInDialogDontDisplay);
    return host.Run(plugin->Entry(), false);
  }

  std::unique_ptr<PluginModule> plugin;
  HostDescriptor playback;
};

// 100 megapixels of 8-bit RGBA: the host's image and its destination take 0.8 GB, the plug-in's
// working image and ray accumulation (each below the suite's 2 GB limit) another 3.6 GB.
constexpr int32_t kTooLargeSide = 10000;

TEST_F(AddressSpace, TooLargeForTheHostsBufferSuiteEndsWithOutOfMemory) {
  ReferenceHost host(FlatDocument(kTooLargeSide, kTooLargeSide, 3, true, 1));
  EXPECT_EQ(Render(host), memFullErr);
  EXPECT_GT(host.Buffers().AllocationCount(), 0);  // the blocks were asked of the suite
  EXPECT_EQ(host.Buffers().LiveCount(), 0u);       // and every one handed back
}

TEST_F(AddressSpace, TooLargeForThePlugInsOwnHeapEndsWithOutOfMemory) {
  ReferenceHost host(FlatDocument(kTooLargeSide, kTooLargeSide, 3, true, 1));
  host.Record().bufferProcs = nullptr;  // a host without the suite: the plug-in's heap serves
  EXPECT_EQ(Render(host), memFullErr);
  EXPECT_EQ(host.Buffers().AllocationCount(), 0);
}

TEST_F(AddressSpace, SixByFourThousandSixteenBitRgbaRenders) {
  const int32_t w = 6000, h = 4000;
  ReferenceHost host(FlatDocument(w, h, 3, true, 2));
  ASSERT_EQ(Render(host), noErr);
  EXPECT_EQ(host.Buffers().LiveCount(), 0u);
  const HostImage& out = host.Destination();
  ASSERT_EQ(out.Width(), w);
  ASSERT_EQ(out.Height(), h);
  // A flat image stays flat, whatever the blur does in detail: every pixel as the first.
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      ASSERT_EQ(std::memcmp(out.PixelAddress(x, y), out.PixelAddress(0, 0), 8), 0)
          << "pixel " << x << "," << y;
    }
  }
}

}  // namespace
