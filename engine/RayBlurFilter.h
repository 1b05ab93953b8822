// The engine shared by the two ray blur filters. One ray is cast from the origin to every
// border pixel; the image is read along it into a one-dimensional signal, the signal is blurred
// with a window whose length grows with the distance from the origin (the window comes from the
// derived filter: RayBoxWindow or RayFifthWindow), and the blurred samples are added back into
// an accumulation image with their weights; a final pass divides by the weights.
//
// The four edges run as four bands, possibly on different threads, all adding into one
// accumulation image. Steps far from the seams between edges add directly (no other edge can
// reach those pixels); steps near a seam go to the band's private strips in a RaySeamBlock,
// merged on the calling thread once every band has finished (see RaySeams.h for the argument).
// Threaded and sequential runs therefore perform the same additions in the same order.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <type_traits>

#include "engine/ClearImageFilter.h"
#include "engine/KestrimondFilter.h"
#include "engine/RayGeometry.h"
#include "engine/RayIsa.h"
#include "engine/RayLanes.h"
#include "engine/RaySeamBlock.h"
#include "engine/RaySeams.h"
#include "engine/RaySums.h"
#include "engine/SampleConvert.h"
#include "engine/StaticArgb.h"

// Band functions for RunParallel: each band works on its own copy of the filter.
template <class Filter>
int32_t RayPassEntry(void* filter, int32_t band, int32_t bandCount, int32_t reportProgress) {
  Filter copy(*static_cast<Filter*>(filter));
  return copy.RayPass(band, bandCount, reportProgress != 0);
}

template <class Filter>
int32_t NormalizePassEntry(void* filter, int32_t band, int32_t bandCount, int32_t reportProgress) {
  Filter copy(*static_cast<Filter*>(filter));
  return copy.NormalizePass(band, bandCount, reportProgress != 0);
}

// How far ahead along a ray the walks prefetch pixels.
constexpr int32_t kRayPrefetchSteps = 16;

// A band's buffers are read and written at the same slots in one step. Accesses exactly 4 KB
// apart look alike to the processor's check of loads against earlier stores, so buffers that
// all start at one offset within a page (as blocks of this size from the system allocator do)
// stall on each other: measured, up to 1.5 times slower. Each buffer therefore starts at its own
// offset, 13 cache lines further on per buffer.
constexpr size_t kRayPageBytes = 4096;
constexpr uintptr_t kRayBufferStagger = 13 * 64;

inline double* StaggeredBuffer(void* block, int index) {
  const uintptr_t address = reinterpret_cast<uintptr_t>(block);
  const uintptr_t offset = (uintptr_t(index) * kRayBufferStagger - address) & (kRayPageBytes - 1);
  return reinterpret_cast<double*>(address + offset);
}

// The blur's strength map: one sample per pixel, 8-bit (0..255) or 16-bit (0..32768). The depth
// is a run-time choice: only the strength lookup depends on it, so it does not double the
// filters' instantiations.
struct RayStrengthMap {
  const uint8_t* base = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  int32_t rowBytes = 0;
  int32_t columnBytes = 0;
  bool valid = false;
  bool wide = false;  // 16-bit samples

  template <class Mask>
  static RayStrengthMap Of(const Mask& mask) {
    static_assert(Mask::kFullScale == (sizeof(typename Mask::SampleType) == 2 ? 32768 : 255));
    return RayStrengthMap{mask.base,
                          mask.width,
                          mask.height,
                          mask.rowBytes,
                          mask.columnBytes,
                          mask.valid,
                          sizeof(typename Mask::SampleType) == 2};
  }
};

template <class Working, class Derived>
class RayBlurFilter : public KestrimondFilter {
 public:
  static constexpr int A = Working::kAlpha;
  static constexpr int K = Working::kColours;
  static constexpr int F = A + K;  // float channels per working pixel
  using Accumulation = StaticArgb<char, float, A, K, 1, 1>;
  using Seams = RaySeamBlock<F + 1>;

  explicit RayBlurFilter(KestrimondHost* host_) : KestrimondFilter(host_) {}

  int32_t Run(uint32_t progressIndex_, uint32_t progressTotal_) override {
    progressIndex = progressIndex_;
    progressTotal = progressTotal_;
    if (!Runnable()) return host->NoError();
    int32_t status = AccumulateRays();
    if (status == host->NoError()) {
      status = host->RunParallel(kRayEdgeCount, static_cast<Derived*>(this),
                                 &NormalizePassEntry<Derived>);
    }
    ReleaseAccumulation();
    return status;
  }

  // The first half of Run: allocates and clears the accumulation image, traces all four edges
  // and merges the seam strips. On success the accumulation image stays allocated (tests
  // inspect it) until ReleaseAccumulation; on failure everything is released.
  int32_t AccumulateRays() {
    const int32_t ok = host->NoError();
    const int32_t w = source.width;
    const int32_t h = source.height;
    const uint64_t rowBytes = uint64_t(w) * (F + 1) * sizeof(float);
    const uint64_t accumulationBytes = rowBytes * uint64_t(h);
    const uint64_t seamBytes = Seams::Bytes(w, h);
    if (rowBytes > uint64_t(std::numeric_limits<int32_t>::max()) ||
        accumulationBytes > uint64_t(std::numeric_limits<size_t>::max()) ||
        seamBytes > uint64_t(std::numeric_limits<size_t>::max())) {
      return host->OutOfMemoryError();
    }
    accumulationBlock = host->AllocateMemory(size_t(accumulationBytes));
    if (accumulationBlock == nullptr) return host->OutOfMemoryError();
    accumulation = Accumulation::Packed(accumulationBlock, w, h);
    progressUnit = 3 * h + 2 * w;
    progressCount = 0;
    seamMemory = host->AllocateMemory(size_t(seamBytes));
    if (seamMemory == nullptr) {
      ReleaseAccumulation();
      return host->OutOfMemoryError();
    }
    seams = Seams(seamMemory, w, h);
    seams.Reset(ok);

    ClearImageFilter<Accumulation> clear(host, accumulation);
    int32_t status = clear.Run(3 * progressIndex, 3 * progressTotal);
    if (status == ok) {
      status =
          host->RunParallel(kRayEdgeCount, static_cast<Derived*>(this), &RayPassEntry<Derived>);
    }
    // The host does not report failures of bands that ran on worker threads; the bands leave
    // their result in the seam block.
    for (int32_t band = 0; band < kRayEdgeCount && status == ok; ++band) {
      status = seams.Status(band);
    }
    if (status == ok) seams.MergeInto(accumulation);
    if (status != ok) ReleaseAccumulation();
    return status;
  }

  void ReleaseAccumulation() {
    if (seamMemory != nullptr) host->FreeMemory(seamMemory);
    if (accumulationBlock != nullptr) host->FreeMemory(accumulationBlock);
    seamMemory = nullptr;
    accumulationBlock = nullptr;
    seams = Seams();
    accumulation = Accumulation();
  }

  // Traces the rays of one edge: 0 top row, 1 right column, 2 bottom row, 3 left column.
  // Defined out of the class so that it (and every step loop under it) is compiled once per
  // working format, in the filters' own translation units; see QuenaraFilter.h.
  int32_t RayPass(int32_t band, int32_t bandCount, bool reportProgress);

  // Divides the accumulated channels by the accumulated weight, over this band's rows. A pixel
  // that no ray reached keeps its working value (clamped like every blurred value).
  int32_t NormalizePass(int32_t band, int32_t bandCount, bool reportProgress) {
    int32_t status = host->NoError();
    if (!accumulation.valid) return status;
    const BandRows rows = ComputeBandRows(destination.height, band, bandCount);
    const int32_t w = destination.width;
    for (int32_t y = rows.first; y < rows.end; ++y) {
      const float* acc = accumulation.Row(y);
      const float* src = source.Row(y);
      float* dst = destination.Row(y);
      for (int32_t x = 0; x < w; ++x, acc += F + 1, src += F, dst += F) {
        const float weight = acc[F];
        if (weight > 0.0f) {
          const double reciprocal = 1.0 / double(weight);
#pragma GCC unroll 4
          for (int c = 0; c < F; ++c) dst[c] = float(double(acc[c]) * reciprocal);
        } else {
#pragma GCC unroll 4
          for (int c = 0; c < F; ++c) dst[c] = std::min(std::max(src[c], 0.0f), 1.0f);
        }
      }
      if (reportProgress) {
        status = Report();
        if (status != host->NoError()) return status;
      }
    }
    return status;
  }

  Working source;
  Working destination;
  RayStrengthMap strengthMap;
  double zoomStart = 0.0;
  double strength = 0.0;
  int32_t originX = 0;
  int32_t originY = 0;
  double holdoutRadius = 0.0;
  void* accumulationBlock = nullptr;
  Accumulation accumulation;
  int32_t progressUnit = 0;   // 3 x height + 2 x width
  int32_t progressCount = 0;  // rays or rows this copy has finished
  uint32_t progressIndex = 0;
  uint32_t progressTotal = 1;
  void* seamMemory = nullptr;
  Seams seams;
  // The best the processor supports; tests also run the baseline.
  RayIsa isa = RayBestIsa();

 protected:
  RayBlurFilter(const RayBlurFilter&) = default;

 private:
  bool Runnable() const {
    return source.valid && destination.valid && source.width > 0 && source.height > 0 &&
           destination.width == source.width && destination.height == source.height;
  }

  int32_t Report() {
    const int64_t done = int64_t(progressIndex) * progressUnit + progressCount;
    const int64_t total = int64_t(progressTotal) * progressUnit;
    ++progressCount;
    return host->ReportProgress(int32_t(done), int32_t(total));
  }

  // Byte strides of one walk through the images it touches.
  struct Frame {
    intptr_t sourceMajor, sourceMinor;
    intptr_t accumulationMajor, accumulationMinor;
    intptr_t mapMajor, mapMinor;
  };

  Frame FrameOf(const RayWalk& walk) const {
    const intptr_t sourcePixel = F * intptr_t(sizeof(float));
    const intptr_t accumulationPixel = (F + 1) * intptr_t(sizeof(float));
    Frame f;
    if (walk.yMajor) {
      f = Frame{source.rowBytes,   sourcePixel,          accumulation.rowBytes,
                accumulationPixel, strengthMap.rowBytes, strengthMap.columnBytes};
    } else {
      f = Frame{sourcePixel,           source.rowBytes,         accumulationPixel,
                accumulation.rowBytes, strengthMap.columnBytes, strengthMap.rowBytes};
    }
    return f;
  }

  bool MapUsed() const {
    return strengthMap.valid && strengthMap.width >= source.width &&
           strengthMap.height >= source.height;
  }

  template <RayIsa Isa, class Window>
  int32_t TraceEdge(const Window& window, int32_t band, const RayBandSeams& bandSeams,
                    double* const* buffers, bool reportProgress) {
    int32_t status = host->NoError();
    RayTap* taps = TapsOf(buffers);
    // The window's views of the buffers: the buffers themselves, or their channel planes.
    constexpr int kViews = Window::kPlanar ? Window::kBuffers * F : Window::kBuffers;
    double* views[kViews];
    const size_t planeSlots = size_t(RayPlaneSlots(source.width, source.height));
    for (int v = 0; v < kViews; ++v) {
      views[v] = Window::kPlanar ? buffers[v / F] + size_t(v % F) * planeSlots : buffers[v];
    }
    const int32_t w = source.width;
    const int32_t h = source.height;
    const int32_t count = RayCount(w, h, band);
    for (int32_t i = 1; i <= count; ++i) {
      const RayPoint end = RayEndPixel(w, h, band, i);
      RayWalk walk;
      if (PlanRay(w, h, originX, originY, end.x, end.y, walk)) {
        TraceRay<Isa>(window, band, bandSeams, walk, views, taps);
      }
      if (reportProgress) {
        status = Report();
        if (status != host->NoError()) break;
      }
    }
    return status;
  }

  template <RayIsa Isa, class Window>
  void TraceRay(const Window& window, int32_t band, const RayBandSeams& bandSeams,
                const RayWalk& walk, double* const* buffers, RayTap* taps) {
    const Frame frame = FrameOf(walk);
    if constexpr (Isa == kRayIsaAvx2) {
      SampleRayAvx2<Window>(walk, frame, buffers, taps);
    } else {
      SampleRay<Window>(walk, frame, buffers, taps);
    }

    // Second walk: windows and splats, run by run of splat destination.
    Steps steps;
    steps.walk = &walk;
    steps.frame = &frame;
    steps.buffers = buffers;
    steps.taps = taps;
    steps.band = band;
    steps.k0 = walk.entryDistance / walk.stepLength;
    steps.hr =
        holdoutRadius * 0.5 *
        std::sqrt(double(source.width) * source.width + double(source.height) * source.height) /
        walk.stepLength;
    RaySegment segments[5];
    const int32_t segmentCount = SeamSegments(bandSeams, walk, segments);
    const bool mapUsed = MapUsed();
    for (int32_t s = 0; s < segmentCount; ++s) {
      const RaySegment& seg = segments[s];
      switch (seg.mode) {
        case kRayDirect:
          mapUsed ? RunSteps<Isa, kRayDirect, true>(window, steps, seg)
                  : RunSteps<Isa, kRayDirect, false>(window, steps, seg);
          break;
        case kRayStrip0:
          mapUsed ? RunSteps<Isa, kRayStrip0, true>(window, steps, seg)
                  : RunSteps<Isa, kRayStrip0, false>(window, steps, seg);
          break;
        default:
          mapUsed ? RunSteps<Isa, kRayStrip1, true>(window, steps, seg)
                  : RunSteps<Isa, kRayStrip1, false>(window, steps, seg);
          break;
      }
    }
  }

  // The first walk and the running sums, compiled for each instruction set.
  template <class Window>
  [[gnu::noinline]] void SampleRay(const RayWalk& walk, const Frame& frame, double* const* buffers,
                                   RayTap* taps) const {
    SampleRayBody<Window>(walk, frame, buffers, taps);
  }
  template <class Window>
  [[gnu::noinline, QUENARA_RAY_AVX2]] void SampleRayAvx2(const RayWalk& walk, const Frame& frame,
                                                         double* const* buffers,
                                                         RayTap* taps) const {
    SampleRayBody<Window>(walk, frame, buffers, taps);
  }

  template <class Window>
  [[gnu::always_inline]] void SampleRayBody(const RayWalk& walk, const Frame& frame,
                                            double* const* buffers, RayTap* taps) const {
    const int32_t n = walk.steps;
    // First walk: the signal, interpolated across the minor axis. The taps are kept for the
    // second walk, which reads the strength map and splats at the same places.
    double* signal = buffers[0] + 2 * (Window::kPlanar ? 1 : F);
    const char* row =
        reinterpret_cast<const char*>(source.base) + intptr_t(walk.startMajor) * frame.sourceMajor;
    const intptr_t rowStep = walk.majorStep * frame.sourceMajor;
    double u = walk.u0;
    // The walk crosses a row (or column) per step, too far apart for the hardware prefetchers
    // in a y-major walk; ask for the pixel a few steps ahead. Prefetches never fault, so the
    // address is only computed (as an integer), not checked.
    const uintptr_t aheadStep = uintptr_t(kRayPrefetchSteps * rowStep);
    const double aheadMinor = kRayPrefetchSteps * walk.slope;
    // Locals: the stores below could alias the walk, which would reload it every step.
    const double slope = walk.slope;
    const int32_t extent = walk.minorExtent;
    const double extentD = double(extent);
    const intptr_t minor = frame.sourceMinor;
    for (int32_t k = 0; k < n; ++k, u += slope, row += rowStep) {
      __builtin_prefetch(reinterpret_cast<const void*>(
          uintptr_t(row) + aheadStep + uintptr_t(intptr_t(u + aheadMinor) * minor)));
      const RayTap tap = MinorTap(u, extent, extentD);
      taps[k] = tap;
      const float* p = reinterpret_cast<const float*>(row + tap.index * minor);
      const float* q =
          reinterpret_cast<const float*>(reinterpret_cast<const char*>(p) + tap.dir * minor);
      if constexpr (Window::kPlanar) {
        double sample[F];
        RaySample<F>(p, q, tap.weight, sample);
        for (int c = 0; c < F; ++c) buffers[c][k + 2] = sample[c];
      } else {
        RaySample<F>(p, q, tap.weight, signal);
        signal += F;
      }
    }
    Window::Build(buffers, n);
  }

  // What the second walk needs from the first.
  struct Steps {
    const RayWalk* walk;
    const Frame* frame;
    double* const* buffers;
    const RayTap* taps;
    int32_t band;
    double k0;  // entry distance in steps
    double hr;  // holdout radius in steps
  };

  template <RayIsa Isa, int Mode, bool MapUsed, class Window>
  void RunSteps(const Window& window, const Steps& steps, const RaySegment& seg) {
    if constexpr (Isa == kRayIsaAvx2) {
      TraceStepsAvx2<Mode, MapUsed>(window, steps, seg);
    } else {
      TraceSteps<Mode, MapUsed>(window, steps, seg);
    }
  }

  // Kept out of line so that each run's loop is compiled on its own, with the window inlined,
  // once per instruction set.
  template <int Mode, bool MapUsed, class Window>
  [[gnu::noinline]] void TraceSteps(const Window& window, const Steps& steps,
                                    const RaySegment& seg) {
    StepsBody<Mode, MapUsed, kRayIsaBaseline>(window, steps, seg);
  }
  template <int Mode, bool MapUsed, class Window>
  [[gnu::noinline, QUENARA_RAY_AVX2]] void TraceStepsAvx2(const Window& window, const Steps& steps,
                                                          const RaySegment& seg) {
    StepsBody<Mode, MapUsed, kRayIsaAvx2>(window, steps, seg);
  }

  template <int Mode, bool MapUsed, RayIsa Isa, class Window>
  [[gnu::always_inline]] void StepsBody(const Window& window, const Steps& steps,
                                        const RaySegment& seg) {
    const RayWalk& walk = *steps.walk;
    const Frame& frame = *steps.frame;
    const int32_t n = walk.steps;
    const double k0 = steps.k0;
    const double hr = steps.hr;
    const double gain = strength;
    const RayTap* const taps = steps.taps;
    const double* const* const buffers = steps.buffers;
    const int32_t first = seg.first;
    const int32_t end = seg.end;
    // Rows (columns) of the accumulation image and of the map at step `first`, moved one step
    // at a time.
    const intptr_t accumulationStep = walk.majorStep * frame.accumulationMajor;
    char* accumulationRow =
        reinterpret_cast<char*>(accumulation.base) +
        intptr_t(walk.startMajor + first * walk.majorStep) * frame.accumulationMajor;
    // The map's row as an offset: without a map there is no base to add it to.
    const intptr_t mapStep = walk.majorStep * frame.mapMajor;
    intptr_t mapRow = intptr_t(walk.startMajor + first * walk.majorStep) * frame.mapMajor;
    const intptr_t accumulationAhead = kRayPrefetchSteps * accumulationStep;
    // Locals, since the splats' stores could alias the frame.
    const intptr_t accumulationMinor = frame.accumulationMinor;
    const intptr_t mapMinor = frame.mapMinor;
    const bool mapWide = strengthMap.wide;

    // The strength at a step, whose tap and map row are given, and the window length from it
    // at step kd (one step, or a vector of steps side by side).
    auto strengthAt = [&](const RayTap& tap, intptr_t row) {
      double s = 1.0;
      if constexpr (MapUsed) {
        const uint8_t* m = strengthMap.base + row + intptr_t(tap.index) * mapMinor;
        const uint8_t* n = m + tap.dir * mapMinor;
        double v0, v1;
        if (mapWide) {
          // Host rows need not keep 16-bit samples aligned; memcpy is a plain load on x86.
          uint16_t m0, m1;
          std::memcpy(&m0, m, sizeof(m0));
          std::memcpy(&m1, n, sizeof(m1));
          v0 = SampleToDouble<32768>(m0);
          v1 = SampleToDouble<32768>(m1);
        } else {
          v0 = SampleToDouble<255>(*m);
          v1 = SampleToDouble<255>(*n);
        }
        s = RayUnfused(tap.weight * v0) + RayUnfused((1.0 - tap.weight) * v1);
      }
      return s;
    };
    // Always inlined: vectors of four must not cross a call into code compiled without AVX,
    // as an unoptimised build would otherwise make of this lambda.
    auto lengthOf = [&](const auto& s, const auto& kd) __attribute__((always_inline)) {
      const auto len = s * ((k0 + kd - hr) * gain);
      return len < 0.0 ? 0.0 : len;
    };
    // The splat of step k, whose accumulation row is given.
    auto splat = [&](int32_t k, const RayTap& tap, char* row, const double* value) {
      if constexpr (Mode == kRayDirect) {
        // The accumulation pixel a few steps ahead is known exactly from its tap.
        if (k + kRayPrefetchSteps < end) {
          __builtin_prefetch(row + accumulationAhead +
                                 intptr_t(taps[k + kRayPrefetchSteps].index) * accumulationMinor,
                             1);
        }
      }
      if (!tap.inside) return;
      const double w0 = tap.weight;
      const double w1 = 1.0 - tap.weight;
      if constexpr (Mode == kRayDirect) {
        float* a = reinterpret_cast<float*>(row + intptr_t(tap.index) * accumulationMinor);
        float* b =
            reinterpret_cast<float*>(reinterpret_cast<char*>(a) + tap.dir * accumulationMinor);
        RaySplatPair<F>(a, b, float(w0), float(w1), value);
      } else {
        const int32_t major = walk.startMajor + k * walk.majorStep;
        const int32_t line = Mode == kRayStrip0 ? 0 : 1;
        const int32_t i0 = tap.index;
        const int32_t i1 = tap.index + tap.dir;
        if (walk.yMajor) {
          seams.Add(steps.band, line, i0, major, w0, value);
          seams.Add(steps.band, line, i1, major, w1, value);
        } else {
          seams.Add(steps.band, line, major, i0, w0, value);
          seams.Add(steps.band, line, major, i1, w1, value);
        }
      }
    };

    int32_t k = first;
    double kd = double(first);
    if constexpr (requires { Window::kStepsSideBySide; }) {
      // Windows that can be computed side by side go two (four with AVX) at a time; their
      // splats then follow in step order, so the additions are the same as one by one.
      using V = std::conditional_t<Isa == kRayIsaAvx2, RayDouble4, RayDouble2>;
      constexpr int L = int(sizeof(V) / sizeof(double));
      for (; k + L <= end;
           k += L, kd += L, accumulationRow += L * accumulationStep, mapRow += L * mapStep) {
        // Built in registers: lanes written one by one through memory and read back as a
        // vector stall the load until every store has retired.
        const V ks = kd + RayIota<V>();
        V s = RayBroadcast<V>(1.0);
        if constexpr (MapUsed) {
          s = RayLanesOf<V>([&](int l) { return strengthAt(taps[k + l], mapRow + l * mapStep); });
        }
        const V lens = lengthOf(s, ks);
        double values[L][F];
        if (!window.EvaluateSteps(buffers, ks, lens, n, values)) {
          for (int l = 0; l < L; ++l) window.Evaluate(buffers, kd + l, lens[l], n, values[l]);
        }
        for (int l = 0; l < L; ++l) {
          splat(k + l, taps[k + l], accumulationRow + l * accumulationStep, values[l]);
        }
      }
    }
    for (; k < end; ++k, kd += 1.0, accumulationRow += accumulationStep, mapRow += mapStep) {
      const RayTap tap = taps[k];
      double value[F];
      window.Evaluate(buffers, kd, lengthOf(strengthAt(tap, mapRow), kd), n, value);
      splat(k, tap, accumulationRow, value);
    }
  }

  // The taps of a ray live behind its signal, in the same allocation.
  static size_t RayBufferBytes(int32_t slots) {
    return size_t(slots) * (F * sizeof(double) + sizeof(RayTap));
  }
  RayTap* TapsOf(double* const* buffers) const {
    return reinterpret_cast<RayTap*>(buffers[0] +
                                     size_t(RayPlaneSlots(source.width, source.height)) * F);
  }
};

template <class Working, class Derived>
int32_t RayBlurFilter<Working, Derived>::RayPass(int32_t band, int32_t /*bandCount*/,
                                                 bool reportProgress) {
  const int32_t ok = host->NoError();
  if (!accumulation.valid || seamMemory == nullptr || band < 0 || band >= kRayEdgeCount) {
    return ok;
  }
  const int32_t w = source.width;
  const int32_t h = source.height;
  const size_t bytes = size_t(RayPlaneSlots(w, h)) * F * sizeof(double);
  void* blocks[Derived::kSumBuffers] = {};
  double* buffers[Derived::kSumBuffers] = {};
  int32_t status = ok;
  for (int b = 0; b < Derived::kSumBuffers; ++b) {
    const size_t size = b == 0 ? RayBufferBytes(RayPlaneSlots(w, h)) : bytes;
    blocks[b] = host->AllocateMemory(size + kRayPageBytes);
    if (blocks[b] == nullptr) {
      status = host->OutOfMemoryError();
      break;
    }
    buffers[b] = StaggeredBuffer(blocks[b], b);
  }
  if (status == ok) {
    // The signal too: a window may load a few slots past a ray's end, and discards them.
    for (int b = 0; b < Derived::kSumBuffers; ++b) std::memset(buffers[b], 0, bytes);
    if (!RayEdgeSkipped(w, h, originX, originY, band)) {
      const RayBandSeams bandSeams = BandSeams(w, h, originX, originY, band);
      seams.Prepare(band, bandSeams);
      status = static_cast<Derived*>(this)->VisitWindow([&](const auto& window) {
        return isa == kRayIsaAvx2
                   ? TraceEdge<kRayIsaAvx2>(window, band, bandSeams, buffers, reportProgress)
                   : TraceEdge<kRayIsaBaseline>(window, band, bandSeams, buffers, reportProgress);
      });
    }
  }
  for (void* block : blocks) {
    if (block != nullptr) host->FreeMemory(block);
  }
  seams.SetStatus(band, status);
  return status;
}

// The float working formats the filters run in: with or without alpha, one to three colours.
template <int A, int K>
using RayWorking = StaticArgb<char, float, A, K, 0, 1>;

// A filter's ray pass for all six working formats: `extern` in the filter's header, and
// instantiated (Extern left empty) in the filter's own translation unit, so the step loops are
// compiled once and every user links them.
// clang-format off
#define QUENARA_RAY_PASS(Filter, Extern, A, K)                                                \
  Extern template int32_t RayBlurFilter<RayWorking<A, K>, Filter<RayWorking<A, K>>>::RayPass( \
      int32_t, int32_t, bool);
#define QUENARA_RAY_PASSES(Filter, Extern)                                      \
  QUENARA_RAY_PASS(Filter, Extern, 0, 1) QUENARA_RAY_PASS(Filter, Extern, 0, 2) \
  QUENARA_RAY_PASS(Filter, Extern, 0, 3) QUENARA_RAY_PASS(Filter, Extern, 1, 1) \
  QUENARA_RAY_PASS(Filter, Extern, 1, 2) QUENARA_RAY_PASS(Filter, Extern, 1, 3)
// clang-format on
