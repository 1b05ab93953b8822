#include <gtest/gtest.h>

#include <type_traits>

#include "engine/LayoutDispatch.h"

namespace {

// What the visitor saw, read back from the tag's types.
struct Seen {
  int calls = 0;
  int sampleBytes = 0;
  int fullScale = 0;
  int alpha = -1;
  int colours = 0;
  int workingChannels = 0;
  int accumulationChannels = 0;
  bool maskIsOneChannelOfSameDepth = false;
};

struct Recorder {
  Seen* seen;
  template <class Tag>
  int operator()(Tag) {
    using Host = typename Tag::Host;
    using Mask = typename Tag::Mask;
    ++seen->calls;
    seen->sampleBytes = int(sizeof(typename Host::SampleType));
    seen->fullScale = Host::kFullScale;
    seen->alpha = Host::kAlpha;
    seen->colours = Host::kColours;
    seen->workingChannels = Tag::Working::kChannels;
    seen->accumulationChannels = Tag::Accumulation::kChannels;
    seen->maskIsOneChannelOfSameDepth =
        Mask::kColours == 1 && Mask::kAlpha == 0 && Mask::kFullScale == Host::kFullScale &&
        std::is_same_v<typename Mask::SampleType, typename Host::SampleType> &&
        std::is_same_v<typename Tag::Working::SampleType, float> && Tag::Working::kWeight == 0 &&
        Tag::Accumulation::kWeight == 1;
    return 42;
  }
};

}  // namespace

TEST(LayoutDispatch, MapsEachOfTheTwelveLayoutsToItsFormats) {
  int layouts = 0;
  for (int depth : {8, 16}) {
    for (bool alpha : {false, true}) {
      for (int colours = 1; colours <= 3; ++colours) {
        Seen seen;
        int result = 0;
        ASSERT_TRUE(DispatchLayout(PixelLayout{depth, alpha, colours}, Recorder{&seen}, result));
        EXPECT_EQ(result, 42);
        EXPECT_EQ(seen.calls, 1);
        EXPECT_EQ(seen.sampleBytes, depth / 8);
        EXPECT_EQ(seen.fullScale, depth == 8 ? 255 : 32768);
        EXPECT_EQ(seen.alpha, alpha ? 1 : 0);
        EXPECT_EQ(seen.colours, colours);
        EXPECT_EQ(seen.workingChannels, colours + (alpha ? 1 : 0));
        EXPECT_EQ(seen.accumulationChannels, colours + (alpha ? 1 : 0) + 1);
        EXPECT_TRUE(seen.maskIsOneChannelOfSameDepth);
        ++layouts;
      }
    }
  }
  EXPECT_EQ(layouts, 12);
}

TEST(LayoutDispatch, RejectsEveryOtherLayoutWithoutCallingTheVisitor) {
  const PixelLayout others[] = {{8, false, 0}, {8, true, 4},   {16, false, 0},
                                {16, true, 4}, {32, false, 3}, {1, false, 1},
                                {0, false, 1}, {24, true, 3},  {8, false, -1}};
  for (const PixelLayout& layout : others) {
    Seen seen;
    int result = 7;
    EXPECT_FALSE(DispatchLayout(layout, Recorder{&seen}, result));
    EXPECT_EQ(seen.calls, 0);
    EXPECT_EQ(result, 7);
  }
}
