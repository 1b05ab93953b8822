// Geometry of the rays cast by the ray blur filters: which border pixels each of the four edge
// bands traces, where a ray from the origin enters the image, and the walk along it (one step
// per row or per column, with the other coordinate interpolated between two pixels).
#pragma once

#include <cmath>
#include <cstdint>

enum RayEdge : int32_t { kRayEdgeTop = 0, kRayEdgeRight = 1, kRayEdgeBottom = 2, kRayEdgeLeft = 3 };

constexpr int32_t kRayEdgeCount = 4;

struct RayPoint {
  int32_t x;
  int32_t y;
};

// Number of end pixels of an edge. Every border pixel belongs to exactly one edge: the
// top-right corner to the top, bottom-right to the right, bottom-left to the bottom, top-left
// to the left.
inline int32_t RayCount(int32_t width, int32_t height, int32_t edge) {
  const int32_t count = (edge == kRayEdgeTop || edge == kRayEdgeBottom) ? width - 1 : height - 1;
  return count > 0 ? count : 0;
}

// End pixel `i` (1 .. RayCount) of an edge.
inline RayPoint RayEndPixel(int32_t width, int32_t height, int32_t edge, int32_t i) {
  switch (edge) {
    case kRayEdgeTop:
      return {i, 0};
    case kRayEdgeRight:
      return {width - 1, i};
    case kRayEdgeBottom:
      return {width - 1 - i, height - 1};
    default:
      return {0, height - 1 - i};
  }
}

// An edge that the origin lies beyond casts no rays: its rays would have to pass through the
// whole image backwards.
inline bool RayEdgeSkipped(int32_t width, int32_t height, int64_t ox, int64_t oy, int32_t edge) {
  switch (edge) {
    case kRayEdgeTop:
      return oy < 0;
    case kRayEdgeRight:
      return ox >= width;
    case kRayEdgeBottom:
      return oy >= height;
    default:
      return ox < 0;
  }
}

// One ray's walk. Step k visits major coordinate startMajor + k * majorStep (a row when
// yMajor, else a column) at minor coordinate u0 + k * slope (accumulated step by step).
struct RayWalk {
  bool yMajor;
  int32_t startMajor;
  int32_t majorStep;    // +1 or -1
  int32_t steps;        // n >= 1
  int32_t minorExtent;  // width for a y-major walk, height for an x-major walk
  double u0;
  double slope;          // minor change per step
  double stepLength;     // pixels per step, sqrt(1 + slope^2)
  double entryDistance;  // from the origin to the start point; 0 for an origin inside
};

// Plans the ray from the origin to end pixel (ex, ey). Returns false when the ray has no step
// inside the image.
inline bool PlanRay(int32_t width, int32_t height, int64_t ox, int64_t oy, int32_t ex, int32_t ey,
                    RayWalk& walk) {
  const int64_t dx = int64_t(ex) - ox;
  const int64_t dy = int64_t(ey) - oy;
  const double adx = double(dx < 0 ? -dx : dx);
  const double ady = double(dy < 0 ? -dy : dy);
  const double sxy = dy != 0 ? double(dx) / ady : double(dx);  // x change per row
  const double syx = dx != 0 ? double(dy) / adx : double(dy);  // y change per column

  const double cx = ox < 0 ? double(-ox) : (ox >= width ? double(width - 1 - ox) : 0.0);
  const double cy = oy < 0 ? double(-oy) : (oy >= height ? double(height - 1 - oy) : 0.0);
  const bool outside = ox < 0 || ox >= width || oy < 0 || oy >= height;

  const double fox = double(ox);
  const double foy = double(oy);
  const double rx = fox + sxy * std::fabs(cy);  // row candidate
  const double ry = foy + cy;
  const double qx = fox + cx;  // column candidate
  const double qy = foy + syx * std::fabs(cx);
  // trunc(v) lies in [0, e) exactly when -1 < v < e; comparing the doubles avoids converting
  // values that may not fit an integer.
  const bool rUsable = rx > -1.0 && rx < double(width) && ry > -1.0 && ry < double(height);
  const bool qUsable = qx >= 0.0 && qx < double(width) && qy >= 0.0 && qy < double(height);
  double sx = qx;
  double sy = qy;
  if (rUsable) {
    bool takeR = true;
    if (qUsable) {
      const double dR = std::fmin(std::fabs(fox - rx), std::fabs(foy - ry));
      const double dQ = std::fmin(std::fabs(fox - qx), std::fabs(foy - qy));
      takeR = dQ >= dR;
    }
    if (takeR) {
      sx = rx;
      sy = ry;
    }
  }

  walk.yMajor = ady >= adx;
  walk.majorStep = (walk.yMajor ? dy : dx) < 0 ? -1 : 1;
  const double majorStart = walk.yMajor ? sy : sx;
  const int32_t majorExtent = walk.yMajor ? height : width;
  // Both candidates unusable only happens when the ray grazes a corner and rounding pushes the
  // start off the image; such a ray is dropped rather than walked outside the image.
  if (!(majorStart > -1.0 && majorStart < double(majorExtent))) return false;
  walk.startMajor = int32_t(majorStart);
  const int32_t endMajor = walk.yMajor ? ey : ex;
  const int64_t steps = int64_t(endMajor - walk.startMajor) * walk.majorStep + 1;
  if (steps <= 0) return false;
  walk.steps = int32_t(steps);
  walk.minorExtent = walk.yMajor ? width : height;
  walk.u0 = walk.yMajor ? sx : sy;
  walk.slope = walk.yMajor ? sxy : syx;
  walk.stepLength = std::sqrt(1.0 + walk.slope * walk.slope);
  walk.entryDistance = outside ? std::sqrt((sx - fox) * (sx - fox) + (sy - foy) * (sy - foy)) : 0.0;
  return true;
}

// The two pixels a step reads from and splats to: pixel `index` with weight `weight` and pixel
// index + dir with 1 - weight. Pixel centres lie on integer coordinates. Sixteen bytes, so that
// it travels in registers and is stored for the second walk without a round trip through the
// stack.
struct RayTap {
  int32_t index;
  int16_t dir;  // -1, 0 or +1
  bool inside;  // false: the step lies off the minor extent; it reads the nearest pixel only
                // and adds nothing to the accumulation
  double weight;
};
static_assert(sizeof(RayTap) == 16);

// The same with the extent also given as a double, for loops that convert it once.
[[gnu::always_inline]] inline RayTap MinorTap(double u, int32_t extent, double extentD) {
  RayTap tap;
  if (u > -1.0 && u < extentD) {
    tap.index = int32_t(u);  // toward zero
    const double f = u - double(tap.index);
    int32_t dir = f > 0.0 ? 1 : -1;
    // One unsigned comparison tests both ends: a neighbour of -1 wraps to the largest value.
    if (uint32_t(tap.index + dir) >= uint32_t(extent)) dir = 0;
    tap.dir = int16_t(dir);
    tap.inside = true;
    tap.weight = 1.0 - std::fabs(f);
  } else {
    tap.index = u > -1.0 ? extent - 1 : 0;
    tap.dir = 0;
    tap.inside = false;
    tap.weight = 1.0;
  }
  return tap;
}

inline RayTap MinorTap(double u, int32_t extent) { return MinorTap(u, extent, double(extent)); }
