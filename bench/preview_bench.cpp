// The dialog's preview of a 6000 x 4000 16-bit RGB image in the default 400 x 400 preview frame:
// the factor that shows the whole image (pfFitFactor), the effect rendered at that reduction
// with the default parameters through the plug-in's own host services, and the conversion of
// the result into the 24-bit display bitmap, each timed on its own and together. The host's
// reduction of the image is the host's work and not measured.
//
//   preview_bench --benchmark_repetitions=9 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "bench/DuskImage.h"
#include "effect/QuenaraRender.h"
#include "effect/pfFilterQuenara.h"
#include "ui/PreviewGeometry.h"

namespace {

constexpr int32_t kImageWidth = 6000, kImageHeight = 4000, kFrame = 400;

// The reduced image as the host hands it over (the lamps closer together, as they are after the
// reduction), and the display bitmap it is converted into.
struct PreviewImage : DuskImage {
  PreviewImage()
      : DuskImage(kImageWidth / pfFitFactor(kImageWidth, kImageHeight, kFrame, kFrame),
                  kImageHeight / pfFitFactor(kImageWidth, kImageHeight, kFrame, kFrame), 16, 25, 19,
                  1),
        bitmap(size_t(pfBitmapStride(width)) * size_t(height) * 3) {}

  void Convert() {
    const pfPreviewSource source{out.data(), rowBytes, width, height,      16,
                                 3,          3,        -1,    kImageWidth, kImageHeight};
    pfConvertToBitmap(source, bitmap.data(), pfBitmapStride(width), height);
  }

  std::vector<uint8_t> bitmap;
};

// 0: render and conversion, 1: the render alone, 2: the conversion alone.
void PreviewRender(benchmark::State& state) {
  const int64_t part = state.range(0);
  PreviewImage image;
  pfFilterQuenara filter("bench", 1, 0, 0, "");
  const FilterRecord record = image.Record();
  const QuenaraRenderValues values = filter.GetRenderValues();  // the initial values
  for (auto _ : state) {
    if (part != 2 && RenderQuenara(&filter, record, values) != 0) {
      state.SkipWithError("render failed");
    }
    if (part != 1) image.Convert();
    benchmark::DoNotOptimize(image.bitmap.data());
  }
  state.counters["width"] = image.width;
  state.counters["height"] = image.height;
}

BENCHMARK(PreviewRender)
    ->ArgName("part")
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

}  // namespace
