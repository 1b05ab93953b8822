// The dialog's preview of a 6000 x 4000 16-bit RGB image in the default 400 x 400 preview frame:
// the factor that shows the whole image (pfFitFactor), the effect rendered at that reduction
// with the default parameters through the plug-in's own host services, and the conversion of
// the result into the 24-bit display bitmap, each timed on its own and together. The host's
// reduction of the image is the host's work and not measured.
//
//   preview_bench --benchmark_repetitions=9 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "effect/QuenaraRender.h"
#include "effect/pfFilterQuenara.h"
#include "ui/PreviewGeometry.h"

namespace {

constexpr int32_t kImageWidth = 6000, kImageHeight = 4000, kFrame = 400;

// The reduced image as the host hands it over: a dusk gradient with bright lamps, so that the
// selection and the blur see structure.
struct PreviewImage {
  PreviewImage() {
    const int32_t n = pfFitFactor(kImageWidth, kImageHeight, kFrame, kFrame);
    width = kImageWidth / n;
    height = kImageHeight / n;
    rowBytes = width * 3 * 2;
    in.resize(size_t(rowBytes) * size_t(height));
    out.resize(in.size());
    for (int32_t y = 0; y < height; ++y) {
      for (int32_t x = 0; x < width; ++x) {
        const bool lamp = (x % 25) < 1 && (y % 19) < 1;
        for (int32_t k = 0; k < 3; ++k) {
          const uint16_t v = lamp ? 32768 : uint16_t(32768 * (y + k * height / 8) / (2 * height));
          std::memcpy(&in[size_t(y) * rowBytes + size_t(x) * 6 + size_t(k) * 2], &v, 2);
        }
      }
    }
    bitmap.resize(size_t(pfBitmapStride(width)) * size_t(height) * 3);
  }

  FilterRecord Record() {
    FilterRecord r;
    std::memset(&r, 0, sizeof r);
    r.imageMode = plugInModeRGB48;
    r.depth = 16;
    r.inLayerPlanes = 3;
    r.planes = 3;
    r.outRect = Rect{0, 0, int16_t(height), int16_t(width)};
    r.inData = in.data();
    r.outData = out.data();
    r.inRowBytes = r.outRowBytes = rowBytes;
    return r;
  }

  void Convert() {
    const pfPreviewSource source{out.data(), rowBytes, width, height,      16,
                                 3,          3,        -1,    kImageWidth, kImageHeight};
    pfConvertToBitmap(source, bitmap.data(), pfBitmapStride(width), height);
  }

  int32_t width = 0, height = 0, rowBytes = 0;
  std::vector<uint8_t> in, out, bitmap;
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
