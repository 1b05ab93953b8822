#include "host/SetupFilterRecord.h"

#include "base/Log.h"
#include "host/HostSuites.h"

namespace {
// The host lacks a callback the plug-in needs (the API's errPlugInHostInsufficient).
constexpr int16_t kHostInsufficient = -30900;

// Booleans of the record are bytes; the log shows them as 1 or 0, not as characters.
int Flag(PiBoolean b) { return b ? 1 : 0; }

void LogRect(const char* name, const Rect& r) {
  QLOG_TRACE("    " << name << ": left(" << r.left << "), right(" << r.right << "), top(" << r.top
                    << "), bottom(" << r.bottom << ")");
}

int16_t Scaled(int16_t value, uint32_t factor) { return int16_t(uint32_t(value) * 1u / factor); }
}  // namespace

void LogFilterRecord(const FilterRecord* r) {
  if (!LogWanted(kLogTrace)) return;
  QLOG_TRACE("pFilterRecord:");
  QLOG_TRACE("    imageMode(" << r->imageMode << ")");
  QLOG_TRACE("    filterCase(" << r->filterCase << ")");
  QLOG_TRACE("    planes(" << r->planes << ")");
  QLOG_TRACE("    depth(" << r->depth << ")");
  QLOG_TRACE("    inData(0x" << LogPtr(r->inData) << ")");
  QLOG_TRACE("    inRowBytes(" << r->inRowBytes << ")");
  QLOG_TRACE("    inLayerPlanes(" << r->inLayerPlanes << ")");
  QLOG_TRACE("    inTransparencyMask(" << r->inTransparencyMask << ")");
  QLOG_TRACE("    inLayerMasks(" << r->inLayerMasks << ")");
  QLOG_TRACE("    inInvertedLayerMasks(" << r->inInvertedLayerMasks << ")");
  QLOG_TRACE("    inNonLayerPlanes(" << r->inNonLayerPlanes << ")");
  QLOG_TRACE("    outData(0x" << LogPtr(r->outData) << ")");
  QLOG_TRACE("    outRowBytes(" << r->outRowBytes << ")");
  QLOG_TRACE("    outLayerPlanes(" << r->outLayerPlanes << ")");
  QLOG_TRACE("    outTransparencyMask(" << r->outTransparencyMask << ")");
  QLOG_TRACE("    outLayerMasks(" << r->outLayerMasks << ")");
  QLOG_TRACE("    outInvertedLayerMasks(" << r->outInvertedLayerMasks << ")");
  QLOG_TRACE("    outNonLayerPlanes(" << r->outNonLayerPlanes << ")");
  QLOG_TRACE("    maskData(0x" << LogPtr(r->maskData) << ")");
  QLOG_TRACE("    maskRowBytes(" << r->maskRowBytes << ")");
  QLOG_TRACE("    haveMask(" << Flag(r->haveMask) << ")");
  QLOG_TRACE("    isFloating(" << Flag(r->isFloating) << ")");
  QLOG_TRACE("    autoMask(" << Flag(r->autoMask) << ")");
  QLOG_TRACE("    imageSize.h(" << r->imageSize.h << ")");
  QLOG_TRACE("    imageSize.v(" << r->imageSize.v << ")");
  QLOG_TRACE("    wholeSize.h(" << r->wholeSize.h << ")");
  QLOG_TRACE("    wholeSize.v(" << r->wholeSize.v << ")");
  LogRect("inRect", r->inRect);
  LogRect("outRect", r->outRect);
  LogRect("maskRect", r->maskRect);
  LogRect("filterRect", r->filterRect);
}

int16_t SetupFilterRecord(FilterRecord* record, uint32_t scaleFactor) {
  QLOG_SCOPE(scope,
             "pfFilter::SetupFilterRecord( pFilterRecord(0x" << LogPtr(record) << "), nScaleFactor("
                                                             << scaleFactor << ") )",
             "pfFilter::SetupFilterRecord");
  LogFilterRecord(record);
  const uint32_t factor = scaleFactor == 0 ? 1 : scaleFactor;

  Rect whole;
  whole.top = 0;
  whole.left = 0;
  whole.bottom = record->imageSize.v;
  whole.right = record->imageSize.h;
  record->filterRect = whole;

  Rect scaled;
  scaled.top = Scaled(whole.top, factor);
  scaled.left = Scaled(whole.left, factor);
  scaled.bottom = Scaled(whole.bottom, factor);
  scaled.right = Scaled(whole.right, factor);
  record->inRect = scaled;
  record->outRect = scaled;
  if (record->haveMask) record->maskRect = scaled;

  // Colour, transparency and layer masks all arrive interleaved in one buffer. Hosts that do not
  // fill the per-kind counts still give the total in `planes`.
  int32_t total = int32_t(record->inLayerPlanes) + record->inTransparencyMask +
                  record->inLayerMasks + record->inInvertedLayerMasks + record->inNonLayerPlanes;
  if (total < record->planes) total = record->planes;
  record->inLoPlane = 0;
  record->outLoPlane = 0;
  record->inHiPlane = int16_t(total - 1);
  record->outHiPlane = int16_t(total - 1);

  record->inputRate = Fixed(factor << 16);
  record->maskRate = Fixed(factor << 16);

  record->inputPadding = 255;
  record->outputPadding = 255;
  record->maskPadding = 0;

  // With a fixed selection the plug-in applies the mask itself (as a strength map), so the host
  // must not restrict the output to the selection as well.
  if (record->haveMask && !record->isFloating) record->autoMask = 0;
  record->wantsAbsolute = 0;

  QLOG_SCOPE_EXIT(scope, "pfFilter::SetupFilterRecord");
  if (!AdvanceStateAvailable(record)) return kHostInsufficient;
  return record->advanceState();
}
