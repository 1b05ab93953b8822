// Abstract base of every image filter, and the row-band frame they share. A filter is a small
// value object (host pointer, views, numbers); Run splits the output rows into one band per
// processor and the host runs each band on its own copy of the filter.
#pragma once

#include <cstdint>

#include "base/KestrimondHost.h"

class KestrimondFilter {
 public:
  explicit KestrimondFilter(KestrimondHost* host_) : host(host_) {}
  virtual ~KestrimondFilter() = default;
  virtual int32_t Run(uint32_t progressIndex, uint32_t progressTotal) = 0;

  KestrimondHost* host;

 protected:
  KestrimondFilter(const KestrimondFilter&) = default;
  KestrimondFilter& operator=(const KestrimondFilter&) = default;
};

// Rows [first, end) of band `band` out of `bandCount` over `height` rows; the last band takes
// the remainder, so with more bands than rows every band but the last is empty.
struct BandRows {
  int32_t first;
  int32_t end;
};

inline BandRows ComputeBandRows(int32_t height, int32_t band, int32_t bandCount) {
  const uint32_t rows = uint32_t(height) / uint32_t(bandCount);
  BandRows r;
  r.first = int32_t(rows * uint32_t(band));
  r.end = (band == bandCount - 1) ? height : int32_t(rows * uint32_t(band + 1));
  return r;
}

// The function handed to RunParallel: runs the band on a private copy of the filter.
template <class Filter>
int32_t BandEntry(void* filter, int32_t band, int32_t bandCount, int32_t reportProgress) {
  Filter copy(*static_cast<Filter*>(filter));
  return copy.ProcessBand(band, bandCount, reportProgress != 0);
}

// The common Run: one band per processor, handed to the host's thread service.
template <class Filter>
int32_t RunBands(Filter& filter) {
  int32_t count = 1;
  const int32_t status = filter.host->GetProcessorCount(&count);
  if (status != filter.host->NoError()) return status;
  return filter.host->RunParallel(count, &filter, &BandEntry<Filter>);
}

// The band frame: processes rows of one band in increasing order, reports progress after each
// row when allowed (progressIndex x H + y of progressTotal x H), and stops on the first result
// other than NoError.
template <class RowFunction>
int32_t ProcessBandRows(KestrimondHost* host, int32_t height, int32_t band, int32_t bandCount,
                        bool reportProgress, uint32_t progressIndex, uint32_t progressTotal,
                        RowFunction&& processRow) {
  int32_t status = host->NoError();
  const BandRows rows = ComputeBandRows(height, band, bandCount);
  for (int32_t y = rows.first; y < rows.end; ++y) {
    processRow(y);
    if (reportProgress) {
      status = host->ReportProgress(int32_t(progressIndex * uint32_t(height) + uint32_t(y)),
                                    int32_t(progressTotal * uint32_t(height)));
    }
    if (status != host->NoError()) return status;
  }
  return status;
}
