// Shifts a float working image in place by a fraction of a pixel (|shift| <= 1 per axis) with
// bilinear weights, so that the blur origin falls on a pixel centre. A shift of (sx, sy) moves
// the content by (-sx, -sy).
//
// Every pixel reads its neighbours before they are overwritten: rows are visited in the
// direction of the vertical neighbour, and each row is first copied aside so that its
// horizontal neighbours keep their old values. That makes row bands possible: the one row a
// band reads from the next band's rows is saved before any band starts, so the bands' results
// are those of one pass over the whole image.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "engine/KestrimondFilter.h"

template <class Working>
class MoveSubPixelImageFilter : public KestrimondFilter {
 public:
  MoveSubPixelImageFilter(KestrimondHost* host_, Working image_, double shiftX_, double shiftY_)
      : KestrimondFilter(host_), image(image_), shiftX(shiftX_), shiftY(shiftY_) {}

  int32_t Run(uint32_t progressIndex, uint32_t progressTotal) override {
    int32_t status = host->NoError();
    if (!image.valid || image.width <= 0 || image.height <= 0) return status;
    int32_t count = 1;
    status = host->GetProcessorCount(&count);
    if (status != host->NoError()) return status;
    Bands bands;
    bands.host = host;
    bands.image = image;
    bands.dx = shiftX > 0 ? 1 : -1;
    bands.dy = shiftY > 0 ? 1 : -1;
    const double ax = 1.0 - std::fabs(shiftX);
    const double ay = 1.0 - std::fabs(shiftY);
    bands.w = Weights{ax * ay, (1.0 - ax) * ay, ax * (1.0 - ay), (1.0 - ax) * (1.0 - ay)};
    bands.progressIndex = progressIndex;
    bands.progressTotal = progressTotal;
    bands.bandCount = std::clamp(count, 1, image.height);
    // Per band: the saved row beyond its edge and the copy of the row being shifted.
    bands.rowFloats = size_t(image.width) * kChannels;
    bands.scratch = static_cast<Sample*>(
        host->AllocateMemory(size_t(bands.bandCount) * 2 * bands.rowFloats * sizeof(Sample)));
    if (bands.scratch == nullptr) return host->OutOfMemoryError();
    bands.SaveBandEdges();
    status = host->RunParallel(bands.bandCount, &bands, &BandEntry<Bands>);
    host->FreeMemory(bands.scratch);
    return status;
  }

  Working image;
  double shiftX;
  double shiftY;

 private:
  static constexpr int kChannels = Working::kChannels;
  using Sample = typename Working::SampleType;

  struct Weights {
    double w00, w10, w01, w11;
  };

  // One row: out = w00 P + w10 P(x + dx) + w01 Q + w11 Q(x + dx), where P is the row's old
  // content and Q that of its vertical neighbour row. Flat loops over the floats, so the
  // compiler can vectorise them; the column without a horizontal neighbour uses its own.
  static void ShiftRow(Sample* __restrict out, const Sample* __restrict p,
                       const Sample* __restrict q, int32_t width, int dx, const Weights& w) {
    const intptr_t n = intptr_t(width) * kChannels;
    const intptr_t o = intptr_t(dx) * kChannels;
    // Interior floats [begin, end) have their neighbour at offset o; the border pixel not.
    const intptr_t begin = dx > 0 ? 0 : kChannels;
    const intptr_t end = dx > 0 ? n - kChannels : n;
    for (intptr_t i = begin; i < end; ++i) {
      out[i] = Sample(w.w00 * p[i] + w.w10 * p[i + o] + w.w01 * q[i] + w.w11 * q[i + o]);
    }
    const intptr_t border = dx > 0 ? n - kChannels : 0;
    for (intptr_t i = border; i < border + kChannels; ++i) {
      out[i] = Sample(w.w00 * p[i] + w.w10 * p[i] + w.w01 * q[i] + w.w11 * q[i]);
    }
  }

  struct Bands {
    KestrimondHost* host;
    Working image;
    Weights w;
    int dx;
    int dy;
    uint32_t progressIndex;
    uint32_t progressTotal;
    int32_t bandCount;
    size_t rowFloats;
    Sample* scratch;

    Sample* SavedEdge(int32_t band) const { return scratch + size_t(band) * 2 * rowFloats; }
    Sample* RowCopy(int32_t band) const { return SavedEdge(band) + rowFloats; }

    // The neighbour row of a band's last row in visiting order belongs to the next band.
    int32_t EdgeRow(int32_t band) const {
      const BandRows rows = ComputeBandRows(image.height, band, bandCount);
      if (rows.first == rows.end) return -1;
      const int32_t edge = dy > 0 ? rows.end : rows.first - 1;
      return edge >= 0 && edge < image.height ? edge : -1;
    }

    void SaveBandEdges() const {
      for (int32_t band = 0; band < bandCount; ++band) {
        const int32_t edge = EdgeRow(band);
        if (edge >= 0) std::memcpy(SavedEdge(band), image.Row(edge), rowFloats * sizeof(Sample));
      }
    }

    // Rows in the direction of the vertical neighbour. Progress counts the rows done from the
    // band's first row, so it rises as bands are handed out in increasing order.
    int32_t ProcessBand(int32_t band, int32_t bandCount_, bool reportProgress) const {
      int32_t status = host->NoError();
      const int32_t H = image.height;
      const BandRows rows = ComputeBandRows(H, band, bandCount_);
      const int32_t edge = EdgeRow(band);
      Sample* copy = RowCopy(band);
      for (int32_t i = 0; i < rows.end - rows.first; ++i) {
        const int32_t y = dy > 0 ? rows.first + i : rows.end - 1 - i;
        Sample* row = image.Row(y);
        std::memcpy(copy, row, rowFloats * sizeof(Sample));
        const int32_t yn = y + dy;
        const Sample* below = yn < 0 || yn >= H ? copy
                              : yn == edge      ? SavedEdge(band)
                                                : image.Row(yn);
        ShiftRow(row, copy, below, image.width, dx, w);
        if (reportProgress) {
          status =
              host->ReportProgress(int32_t(progressIndex * uint32_t(H) + uint32_t(rows.first + i)),
                                   int32_t(progressTotal * uint32_t(H)));
          if (status != host->NoError()) return status;
        }
      }
      return status;
    }
  };
};
