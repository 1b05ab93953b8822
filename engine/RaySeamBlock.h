// The private seam strips of the four edge bands, with each band's result code, in one block
// that the ray filter's Run allocates before tracing and releases with the accumulation image.
// A strip follows one seam line: for each coordinate along the line's major axis it holds
// kRaySeamWidth accumulation pixels around the line. Only the band that owns a strip writes it
// while the bands run; Run merges all strips into the accumulation image afterwards, on one
// thread, so the additions near the seams are never lost.
#pragma once

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "engine/RaySeams.h"

template <int Floats>  // floats per accumulation pixel: the channels, then the weight
class RaySeamBlock {
 public:
  struct Record {
    int32_t status;
    int32_t lines;  // strips prepared by the band; 0 until it starts tracing
    RaySeamLine line[2];
  };

  // Block size for an image; 64-bit so that the caller can refuse sizes the host cannot give.
  static uint64_t Bytes(int32_t width, int32_t height) {
    const uint64_t longSide = uint64_t(std::max(width, height));
    return kRecordsBytes + kStrips * longSide * sizeof(int32_t) +
           kStrips * longSide * kRaySeamWidth * Floats * sizeof(float);
  }

  RaySeamBlock() = default;
  RaySeamBlock(void* memory, int32_t width_, int32_t height_)
      : width(width_), height(height_), longSide(std::max(width_, height_)) {
    char* bytes = static_cast<char*>(memory);
    records = bytes;
    bases = reinterpret_cast<int32_t*>(bytes + kRecordsBytes);
    cells = reinterpret_cast<float*>(bytes + kRecordsBytes +
                                     size_t(kStrips) * size_t(longSide) * sizeof(int32_t));
  }

  void Reset(int32_t status) {
    for (int32_t band = 0; band < kRayEdgeCount; ++band) {
      Record& r = RecordOf(band);
      r.status = status;
      r.lines = 0;
    }
  }

  int32_t Status(int32_t band) const { return RecordOf(band).status; }
  void SetStatus(int32_t band, int32_t status) { RecordOf(band).status = status; }

  // Clears the band's strips and lays them along its seam lines.
  void Prepare(int32_t band, const RayBandSeams& seams) {
    Record& r = RecordOf(band);
    for (int32_t l = 0; l < seams.lines; ++l) {
      const RaySeamLine& line = seams.line[l];
      r.line[l] = line;
      const int32_t majorExtent = line.xMajor ? width : height;
      const double minorExtent = double(line.xMajor ? height : width);
      int32_t* base = Base(band, l);
      for (int32_t m = 0; m < majorExtent; ++m) {
        // A line further than the strip reaches from every pixel gets a clamped base: no pixel
        // of the image is ever added through it.
        double b = std::floor(line.MinorAt(double(m))) - kRaySeamHalfWidth;
        b = std::min(std::max(b, -64.0), minorExtent + 64.0);
        base[m] = int32_t(b);
      }
      std::memset(Cells(band, l), 0, size_t(majorExtent) * kRaySeamWidth * Floats * sizeof(float));
    }
    r.lines = seams.lines;
  }

  // Adds weight x value to the channels and weight to the weight of pixel (x, y) in the strip of
  // the band's seam line `l`.
  void Add(int32_t band, int32_t l, int32_t x, int32_t y, double weight, const double* value) {
    const RaySeamLine& line = RecordOf(band).line[l];
    const int32_t major = line.xMajor ? x : y;
    const int32_t minor = line.xMajor ? y : x;
    int32_t o = minor - Base(band, l)[major];
    // The zone width keeps every strip write inside the strip (see RaySeams.h); the clamp only
    // guards memory should that ever be violated.
    assert(o >= 0 && o < kRaySeamWidth);
    o = std::min(std::max(o, 0), kRaySeamWidth - 1);
    float* cell = Cells(band, l) + (size_t(major) * kRaySeamWidth + size_t(o)) * Floats;
    for (int c = 0; c + 1 < Floats; ++c) cell[c] += weight * value[c];
    cell[Floats - 1] += weight;
  }

  // Adds every prepared strip cell into its accumulation pixel. Runs on one thread after all
  // bands have finished.
  template <class Accumulation>
  void MergeInto(const Accumulation& accumulation) const {
    for (int32_t band = 0; band < kRayEdgeCount; ++band) {
      const Record& r = RecordOf(band);
      for (int32_t l = 0; l < r.lines; ++l) {
        const RaySeamLine& line = r.line[l];
        const int32_t majorExtent = line.xMajor ? width : height;
        const int32_t minorExtent = line.xMajor ? height : width;
        const int32_t* base = Base(band, l);
        const float* cell = Cells(band, l);
        for (int32_t m = 0; m < majorExtent; ++m) {
          for (int32_t o = 0; o < kRaySeamWidth; ++o, cell += Floats) {
            const int32_t minor = base[m] + o;
            if (minor < 0 || minor >= minorExtent) continue;
            float* pixel = line.xMajor ? accumulation.PixelAddress(m, minor)
                                       : accumulation.PixelAddress(minor, m);
            for (int c = 0; c < Floats; ++c) pixel[c] += cell[c];
          }
        }
      }
    }
  }

 private:
  static constexpr int32_t kStrips = 2 * kRayEdgeCount;
  static constexpr size_t kRecordStride = 128;  // one record per cache-line pair: no false sharing
  static constexpr size_t kRecordsBytes = kRecordStride * kRayEdgeCount;
  static_assert(sizeof(Record) <= kRecordStride);

  Record& RecordOf(int32_t band) const {
    return *reinterpret_cast<Record*>(records + kRecordStride * size_t(band));
  }
  int32_t* Base(int32_t band, int32_t l) const {
    return bases + size_t(band * 2 + l) * size_t(longSide);
  }
  float* Cells(int32_t band, int32_t l) const {
    return cells + size_t(band * 2 + l) * size_t(longSide) * kRaySeamWidth * Floats;
  }

  char* records = nullptr;
  int32_t* bases = nullptr;
  float* cells = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  int32_t longSide = 0;
};
