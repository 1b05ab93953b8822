// A plain reference of the ray blur and the aberration filter for tests: double precision
// throughout, windows integrated directly from the samples (no running sums), one thread, the
// rays traced in edge order. Written step by step from the definition of the walk and the
// windows, independently of the engine's helpers, for small images only.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace rayref {

struct Input {
  int32_t width = 0;
  int32_t height = 0;
  int32_t alpha = 0;           // 1: channel 0 is alpha
  int32_t channels = 0;        // floats per pixel, alpha included
  std::vector<double> pixels;  // channels per pixel, row by row
  std::vector<double> map;     // strength per pixel in [0, 1]; empty: full strength
  double zoomStart = 0.5;
  double strength = 0.25;
  double holdout = 0.0;
  int64_t ox = 0;
  int64_t oy = 0;
  bool aberration = false;
  bool invert = false;
};

// The ray signal extended by two guard samples at each end: Ext(j) for j = -2 .. n + 1.
struct Signal {
  std::vector<std::vector<double>> samples;  // [step][channel]
  int32_t n() const { return int32_t(samples.size()); }
  double Ext(int64_t j, int c) const {
    const int64_t k = std::min<int64_t>(std::max<int64_t>(j, 0), n() - 1);
    return samples[size_t(k)][size_t(c)];
  }
  // Integral over [x0, x1] of the step function that holds Ext(j) on (j - 1, j]: what the
  // prefix sums integrate.
  double IntegralCeil(double x0, double x1, int c) const {
    double sum = 0.0;
    for (int64_t j = int64_t(std::floor(x0)); j <= int64_t(std::ceil(x1)) + 1; ++j) {
      const double lo = std::max(x0, double(j - 1));
      const double hi = std::min(x1, double(j));
      if (hi > lo) sum += (hi - lo) * Ext(j, c);
    }
    return sum;
  }
  // Integral over [x0, x1] of the step function that holds Ext(j) on [j, j + 1): what the
  // suffix sums integrate, one step earlier.
  double IntegralFloor(double x0, double x1, int c) const {
    double sum = 0.0;
    for (int64_t j = int64_t(std::floor(x0)) - 1; j <= int64_t(std::ceil(x1)); ++j) {
      const double lo = std::max(x0, double(j));
      const double hi = std::min(x1, double(j + 1));
      if (hi > lo) sum += (hi - lo) * Ext(j, c);
    }
    return sum;
  }
};

// The plain window: box average over [a, b] after clamping and widening, divided by the
// unclamped length when longer than one step.
inline double BoxWindow(const Signal& s, double k, double len, double z, int c) {
  const int32_t n = s.n();
  double a = k - (z + 0.5) * len;
  double b = a + len;
  const double l = b - a;
  if (a < 0) a = 0;
  if (b < 0) b = 0;
  if (a >= n) a = n - 1;
  if (b >= n) b = n - 1;
  if (b - a <= 1) a = b - 1;
  double v = s.IntegralCeil(a, b, c);
  if (l > 1) v /= l;
  return std::min(std::max(v, 0.0), 1.0);
}

inline double FifthBox(const Signal& s, double p, double q, int c) {
  double width = q - p;
  if (width < 1) {
    p = q - 1;
    width = 1;
  }
  return s.IntegralCeil(p, q, c) / width;
}

// Falling ramp: the whole steps after p weigh m, m - 1, .., 1, as nested box sums from p.
inline double FifthFalling(const Signal& s, double p, double q, int c) {
  double width = q - p;
  if (width < 1) {
    p = q - 1;
    width = 1;
  }
  const double m = std::floor(width);
  const double r = width - m;
  double sum = 0.0;
  for (int j = 1; j <= int(m); ++j) sum += s.IntegralCeil(p, p + j, c);
  sum += r * s.IntegralCeil(p + m, p + m + 1, c);
  return sum / (m * (m + 1) / 2 + r);
}

// Rising ramp, one step earlier: from a = p + r, the steps weigh 1, 2, .., m towards q.
inline double FifthRising(const Signal& s, double p, double q, int c) {
  double width = q - p;
  if (width < 1) {
    q = p + 1;
    width = 1;
  }
  const double m = std::floor(width);
  const double r = width - m;
  const double a = p + r;
  double sum = 0.0;
  for (int j = 0; j < int(m); ++j) sum += s.IntegralFloor(a + j, q, c);
  sum += r * s.IntegralFloor(a - 1, a + 1, c) / 2;
  return sum / (m * (m + 1) / 2 + r);
}

// Profiles written out in full, inverted ones included, rows red, green, blue; 'f' full box,
// '\\' falling, '/' rising, '-' nothing.
inline const char* Profile(bool invert, int colour) {
  static const char* const plain[3] = {"\\--/f", "-/ff\\", "ff\\--"};
  static const char* const inverted[3] = {"f\\--/", "/ff\\-", "--/ff"};
  return invert ? inverted[colour] : plain[colour];
}

inline void FifthWindow(const Signal& s, double k, double len, double z, bool invert, int alpha,
                        int channels, double* out) {
  const int32_t n = s.n();
  double p[6], pc[6];
  for (int i = 0; i <= 5; ++i) {
    p[i] = (k - (z + 0.5) * len) + (i / 5.0) * len;
    pc[i] = p[i] < 0 ? 0.0 : p[i];  // only n or more becomes n - 1
    if (p[i] >= n) pc[i] = n - 1;
  }
  if (alpha) out[0] = std::min(std::max(FifthBox(s, pc[0], pc[5], 0), 0.0), 1.0);
  const double divisor[3] = {2.0, 3.0, 2.5};
  for (int j = 0; j + alpha < channels; ++j) {
    const int c = alpha + j;
    double sum = 0.0;
    for (int i = 0; i < 5; ++i) {
      const double w = p[i + 1] - p[i];
      const double cw = pc[i + 1] - pc[i];
      const double f = cw == w ? 1.0 : cw / w;
      switch (Profile(invert, j)[i]) {
        case 'f':
          sum += f * FifthBox(s, pc[i], pc[i + 1], c);
          break;
        case '\\':
          sum += 0.5 * f * FifthFalling(s, pc[i], pc[i + 1], c);
          break;
        case '/':
          sum += 0.5 * f * FifthRising(s, pc[i], pc[i + 1], c);
          break;
        default:
          break;
      }
    }
    out[c] = std::min(std::max(sum / divisor[j], 0.0), 1.0);
  }
}

// The normalised output image.
inline std::vector<double> Run(const Input& in) {
  const int32_t W = in.width, H = in.height, F = in.channels;
  std::vector<double> sums(size_t(W) * H * F, 0.0), weight(size_t(W) * H, 0.0), pixels(sums.size());
  auto px = [&](int64_t x, int64_t y, int c) { return in.pixels[size_t((y * W + x) * F + c)]; };
  auto mapAt = [&](int64_t x, int64_t y) {
    return in.map.empty() ? 1.0 : in.map[size_t(y * W + x)];
  };
  const double ox = double(in.ox), oy = double(in.oy);
  const bool outside = in.ox < 0 || in.ox >= W || in.oy < 0 || in.oy >= H;

  for (int edge = 0; edge < 4; ++edge) {
    if ((edge == 0 && in.oy < 0) || (edge == 1 && in.ox >= W) || (edge == 2 && in.oy >= H) ||
        (edge == 3 && in.ox < 0)) {
      continue;
    }
    for (int32_t i = 1; i < ((edge % 2 == 0) ? W : H); ++i) {
      int64_t ex, ey;
      if (edge == 0) {
        ex = i;
        ey = 0;
      } else if (edge == 1) {
        ex = W - 1;
        ey = i;
      } else if (edge == 2) {
        ex = W - 1 - i;
        ey = H - 1;
      } else {
        ex = 0;
        ey = H - 1 - i;
      }
      const double dx = double(ex - in.ox), dy = double(ey - in.oy);
      const double sxy = dy != 0 ? dx / std::fabs(dy) : dx;
      const double syx = dx != 0 ? dy / std::fabs(dx) : dy;
      const double cx = in.ox < 0 ? -ox : (in.ox >= W ? W - 1 - ox : 0.0);
      const double cy = in.oy < 0 ? -oy : (in.oy >= H ? H - 1 - oy : 0.0);
      const double rx = ox + sxy * std::fabs(cy), ry = oy + cy;
      const double qx = ox + cx, qy = oy + syx * std::fabs(cx);
      const bool rOk =
          std::trunc(rx) >= 0 && std::trunc(rx) < W && std::trunc(ry) >= 0 && std::trunc(ry) < H;
      const bool qOk = qx >= 0 && qx < W && qy >= 0 && qy < H;
      double sx = qx, sy = qy;
      if (rOk && !qOk) {
        sx = rx;
        sy = ry;
      } else if (rOk && qOk) {
        const double dR = std::min(std::fabs(ox - rx), std::fabs(oy - ry));
        const double dQ = std::min(std::fabs(ox - qx), std::fabs(oy - qy));
        if (dQ >= dR) {
          sx = rx;
          sy = ry;
        }
      }
      const double d0 = outside ? std::sqrt((sx - ox) * (sx - ox) + (sy - oy) * (sy - oy)) : 0.0;
      const bool yMajor = std::fabs(dy) >= std::fabs(dx);
      const int64_t sign = (yMajor ? dy : dx) < 0 ? -1 : 1;
      const double startD = std::trunc(yMajor ? sy : sx);
      if (startD < 0 || startD >= (yMajor ? H : W)) continue;  // start off the image: dropped
      const int64_t start = int64_t(startD);
      const int64_t end = yMajor ? ey : ex;
      const int64_t n = (end - start) * sign + 1;
      if (n <= 0) continue;
      const double t = yMajor ? sxy : syx;
      const int64_t extent = yMajor ? W : H;

      // Per step: the two pixels and weights across the minor axis.
      struct Tap {
        int64_t major, i, dir;
        double w;
        bool inside;
      };
      std::vector<Tap> taps;
      double u = yMajor ? sx : sy;
      for (int64_t k = 0; k < n; ++k, u += t) {
        Tap tap;
        tap.major = start + k * sign;
        const double i = std::trunc(u);
        if (i >= 0 && i < extent) {
          const double f = u - i;
          int64_t dir = f > 0 ? 1 : -1;
          if ((i <= 0 && dir < 0) || (i >= extent - 1 && dir > 0)) dir = 0;
          tap = Tap{tap.major, int64_t(i), dir, 1 - std::fabs(f), true};
        } else {
          tap = Tap{tap.major, u < 0 ? 0 : extent - 1, 0, 1.0, false};  // nearest pixel
        }
        taps.push_back(tap);
      }
      auto at = [&](const Tap& tp, int64_t minor) {
        return yMajor ? std::pair<int64_t, int64_t>(minor, tp.major)
                      : std::pair<int64_t, int64_t>(tp.major, minor);
      };
      Signal sig;
      for (const Tap& tp : taps) {
        const auto p0 = at(tp, tp.i), p1 = at(tp, tp.i + tp.dir);
        std::vector<double> v(static_cast<size_t>(F));
        for (int c = 0; c < F; ++c) {
          v[size_t(c)] =
              tp.w * px(p0.first, p0.second, c) + (1 - tp.w) * px(p1.first, p1.second, c);
        }
        sig.samples.push_back(v);
      }
      const double L = std::sqrt(1 + t * t);
      const double k0 = d0 / L;
      const double hr = in.holdout * 0.5 * std::sqrt(double(W) * W + double(H) * H) / L;
      for (int64_t k = 0; k < n; ++k) {
        const Tap& tp = taps[size_t(k)];
        const auto p0 = at(tp, tp.i), p1 = at(tp, tp.i + tp.dir);
        const double s =
            tp.w * mapAt(p0.first, p0.second) + (1 - tp.w) * mapAt(p1.first, p1.second);
        double len = s * ((k0 + k - hr) * in.strength);
        if (len < 0) len = 0;
        std::vector<double> value(static_cast<size_t>(F));
        if (in.aberration) {
          FifthWindow(sig, double(k), len, in.zoomStart, in.invert, in.alpha, F, value.data());
        } else {
          for (int c = 0; c < F; ++c)
            value[size_t(c)] = BoxWindow(sig, double(k), len, in.zoomStart, c);
        }
        if (!tp.inside) continue;
        const size_t a = size_t(p0.second * W + p0.first), b = size_t(p1.second * W + p1.first);
        for (int c = 0; c < F; ++c) sums[a * F + c] += tp.w * value[size_t(c)];
        weight[a] += tp.w;
        for (int c = 0; c < F; ++c) sums[b * F + c] += (1 - tp.w) * value[size_t(c)];
        weight[b] += 1 - tp.w;
      }
    }
  }
  for (size_t p = 0; p < weight.size(); ++p) {
    for (int c = 0; c < F; ++c) {
      pixels[p * F + c] = weight[p] > 0 ? sums[p * F + c] / weight[p]
                                        : std::min(std::max(in.pixels[p * F + c], 0.0), 1.0);
    }
  }
  return pixels;
}

}  // namespace rayref
