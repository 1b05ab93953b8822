// Where the four edge bands of a ray blur meet, and which steps of a ray lie near those seams.
//
// The rays of one edge end on a straight run of border pixels [first, last] that does not
// contain the origin, so they all lie in the closed cone spanned by the directions to the first
// and the last end pixel (an angle below 180 degrees). Each border pixel is the last image point
// of its own direction from the origin, so the cones of different edges share no direction: the
// open cones are pairwise disjoint. A step whose walk point lies more than kRaySeamZone pixels
// (along the line's minor axis) from both lines of its edge writes pixels strictly inside its
// edge's open cone, because the pixels it writes and the exact ray point at that step each lie
// within one pixel of the walk point. Such steps add straight into the shared accumulation
// image; no other edge ever writes those pixels. All other steps go to the edge's private seam
// strips (RaySeamBlock), merged after all edges have finished. An edge whose own border line
// passes through the origin traces all its rays along that line and keeps everything in a strip.
#pragma once

#include <cmath>
#include <cstdint>
#include <utility>

#include "engine/RayGeometry.h"

// Distance from a seam line, along the line's minor axis, below which a walk point counts as
// near the seam. Any value of at least one pixel keeps the argument above valid (a written
// pixel is at most one pixel from the walk point along the walk's minor axis, which moves the
// offset by at most one since |slope| <= 1); 2 leaves a full pixel for rounding.
constexpr double kRaySeamZone = 2.0;
// A strip cell column covers the pixels within this many pixels of the line at each major
// coordinate: zone steps write pixels within kRaySeamZone + 1 of the line, the line's position
// is rounded down to a whole pixel, and one more pixel on each side is spare.
constexpr int32_t kRaySeamHalfWidth = 4;
constexpr int32_t kRaySeamWidth = 2 * kRaySeamHalfWidth + 1;

// A line through the origin; major is its dominant axis (|slope| <= 1).
struct RaySeamLine {
  bool xMajor;
  double originMajor;
  double originMinor;
  double slope;  // minor change per unit of major

  double MinorAt(double major) const { return originMinor + (major - originMajor) * slope; }
  // Signed distance of a point from the line along the minor axis.
  double Offset(double x, double y) const { return xMajor ? y - MinorAt(x) : x - MinorAt(y); }
};

inline RaySeamLine SeamLineThrough(int64_t ox, int64_t oy, double vx, double vy) {
  RaySeamLine line;
  line.xMajor = std::fabs(vx) >= std::fabs(vy);
  line.originMajor = double(line.xMajor ? ox : oy);
  line.originMinor = double(line.xMajor ? oy : ox);
  line.slope = line.xMajor ? vy / vx : vx / vy;
  return line;
}

// The seam lines of one edge: none when the edge traces no ray, one when its rays all lie on
// one line (the origin on the edge's own border line, or a single end pixel), else the lines
// to its first and last end pixel.
struct RayBandSeams {
  int32_t lines = 0;
  RaySeamLine line[2] = {};
};

inline RayBandSeams BandSeams(int32_t width, int32_t height, int64_t ox, int64_t oy, int32_t edge) {
  RayBandSeams seams;
  const int32_t count = RayCount(width, height, edge);
  if (count == 0 || RayEdgeSkipped(width, height, ox, oy, edge)) return seams;
  bool onBorderLine = false;
  switch (edge) {
    case kRayEdgeTop:
      onBorderLine = oy == 0;
      break;
    case kRayEdgeRight:
      onBorderLine = ox == width - 1;
      break;
    case kRayEdgeBottom:
      onBorderLine = oy == height - 1;
      break;
    default:
      onBorderLine = ox == 0;
      break;
  }
  if (onBorderLine) {
    const bool horizontal = edge == kRayEdgeTop || edge == kRayEdgeBottom;
    seams.line[0] = SeamLineThrough(ox, oy, horizontal ? 1.0 : 0.0, horizontal ? 0.0 : 1.0);
    seams.lines = 1;
    return seams;
  }
  const RayPoint first = RayEndPixel(width, height, edge, 1);
  const RayPoint last = RayEndPixel(width, height, edge, count);
  seams.line[0] = SeamLineThrough(ox, oy, double(first.x - ox), double(first.y - oy));
  seams.lines = 1;
  if (count > 1) {
    seams.line[1] = SeamLineThrough(ox, oy, double(last.x - ox), double(last.y - oy));
    seams.lines = 2;
  }
  return seams;
}

// Steps [first, end) of a walk.
struct RayStepRange {
  int32_t first;
  int32_t end;
};

// The steps whose walk point lies within kRaySeamZone of the line. The offset is affine in the
// step index, so they form one run.
inline RayStepRange SeamZone(const RaySeamLine& line, const RayWalk& walk) {
  const int32_t n = walk.steps;
  double x0, y0, gx, gy;
  if (walk.yMajor) {
    x0 = walk.u0;
    y0 = double(walk.startMajor);
    gx = walk.slope;
    gy = double(walk.majorStep);
  } else {
    x0 = double(walk.startMajor);
    y0 = walk.u0;
    gx = double(walk.majorStep);
    gy = walk.slope;
  }
  const double e0 = line.Offset(x0, y0);
  const double g = line.xMajor ? gy - gx * line.slope : gx - gy * line.slope;
  if (std::fabs(g) < 1e-12) {
    return std::fabs(e0) <= kRaySeamZone ? RayStepRange{0, n} : RayStepRange{0, 0};
  }
  double lo = (-kRaySeamZone - e0) / g;
  double hi = (kRaySeamZone - e0) / g;
  if (lo > hi) std::swap(lo, hi);
  if (hi < 0.0 || lo > double(n - 1)) return RayStepRange{0, 0};
  const int32_t first = lo <= 0.0 ? 0 : int32_t(std::ceil(lo));
  const int32_t last = hi >= double(n - 1) ? n - 1 : int32_t(std::floor(hi));
  return first <= last ? RayStepRange{first, last + 1} : RayStepRange{0, 0};
}

// A run of steps with one destination: kRayDirect adds into the shared accumulation image,
// kRayStrip0 / kRayStrip1 into the strip of seam line 0 / 1.
enum RaySplatMode : int32_t { kRayDirect = 0, kRayStrip0 = 1, kRayStrip1 = 2 };

struct RaySegment {
  int32_t first;
  int32_t end;
  int32_t mode;
};

// Splits a walk into at most five runs; returns their number.
inline int32_t SeamSegments(const RayBandSeams& seams, const RayWalk& walk, RaySegment* out) {
  const int32_t n = walk.steps;
  RayStepRange zone[2] = {{0, 0}, {0, 0}};
  int32_t cuts[6];
  int32_t cutCount = 0;
  cuts[cutCount++] = 0;
  cuts[cutCount++] = n;
  for (int32_t l = 0; l < seams.lines; ++l) {
    zone[l] = SeamZone(seams.line[l], walk);
    if (zone[l].first < zone[l].end) {
      cuts[cutCount++] = zone[l].first;
      cuts[cutCount++] = zone[l].end;
    }
  }
  for (int32_t i = 1; i < cutCount; ++i) {  // insertion sort of at most six values
    for (int32_t j = i; j > 0 && cuts[j - 1] > cuts[j]; --j) std::swap(cuts[j - 1], cuts[j]);
  }
  int32_t count = 0;
  for (int32_t i = 0; i + 1 < cutCount; ++i) {
    const int32_t first = cuts[i];
    const int32_t end = cuts[i + 1];
    if (first >= end) continue;
    int32_t mode = kRayDirect;
    if (first >= zone[0].first && first < zone[0].end) {
      mode = kRayStrip0;
    } else if (first >= zone[1].first && first < zone[1].end) {
      mode = kRayStrip1;
    }
    if (count > 0 && out[count - 1].mode == mode) {
      out[count - 1].end = end;
    } else {
      out[count++] = RaySegment{first, end, mode};
    }
  }
  return count;
}
