#include "ui/PreviewGeometry.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

// Image modes of the host API that the preview can show.
constexpr int32_t kModeGrey = 1;
constexpr int32_t kModeRgb = 3;
constexpr int32_t kModeMultichannel = 7;
constexpr int32_t kModeGrey16 = 10;
constexpr int32_t kModeRgb48 = 11;
constexpr int32_t kModeDeepMultichannel = 14;

// Magnified factors enlarge by k / 1.5 with k = 2 - factor: 133.3 %, 200 %, 266.7 %, ...
constexpr double kMagnifyDivisor = 1.5;

constexpr int32_t kCheckerSquare = 16;
constexpr uint8_t kCheckerLight = 255;
constexpr uint8_t kCheckerDark = 208;
// 0..32768 to 0..254: the division keeps 16-bit white just below 8-bit white.
constexpr int32_t kSixteenToEight = 129;

uint8_t ToByte(const uint8_t* sample, int32_t depth) {
  if (depth == 8) return *sample;
  uint16_t v;
  std::memcpy(&v, sample, 2);  // host buffers need not be 2-byte aligned
  return uint8_t(v / kSixteenToEight);
}

double Alpha(const uint8_t* sample, int32_t depth) {
  if (depth == 8) return *sample / 255.0;
  uint16_t v;
  std::memcpy(&v, sample, 2);
  return v / 32768.0;
}

}  // namespace

int32_t pfTrunc(double v) { return int32_t(std::trunc(v)); }

pfScaleLevel pfScaleLevelFor(int32_t factor, int32_t coarseLevel) {
  if (factor >= 1) {
    const int32_t host = factor + coarseLevel;
    return {host, double(factor) / double(host)};
  }
  const int32_t k = 2 - factor;
  return {1 + coarseLevel, (kMagnifyDivisor / k) / double(1 + coarseLevel)};
}

int32_t pfFitFactor(int32_t imageWidth, int32_t imageHeight, int32_t frameWidth,
                    int32_t frameHeight) {
  if (frameWidth < 1) frameWidth = 1;
  if (frameHeight < 1) frameHeight = 1;
  const int32_t across = imageWidth / frameWidth + 1;
  const int32_t down = imageHeight / frameHeight + 1;
  return across > down ? across : down;
}

std::string pfZoomLabel(int32_t factor) {
  const double zoom = factor >= 1 ? 100.0 / factor : (2 - factor) * 100.0 / kMagnifyDivisor;
  char text[32];
  std::snprintf(text, sizeof(text), "%.4g%%", zoom);
  return text;
}

pfPoint pfViewCentre(int32_t panX, int32_t panY, int32_t frameWidth, int32_t frameHeight,
                     double ratio, int32_t w, int32_t h) {
  pfPoint c{pfTrunc(panX + frameWidth * ratio * 0.5), pfTrunc(panY + frameHeight * ratio * 0.5)};
  if (w / ratio <= frameWidth) c.x = w / 2;
  if (frameHeight >= h / ratio) c.y = h / 2;
  return c;
}

pfPoint pfPanForCentre(double cx, double cy, int32_t frameWidth, int32_t frameHeight,
                       double ratio) {
  return {pfTrunc(cx - frameWidth * ratio * 0.5), pfTrunc(cy - frameHeight * ratio * 0.5)};
}

pfPreviewLayout pfLayoutPreview(int32_t w, int32_t h, double ratio, pfFrame frame, int32_t panX,
                                int32_t panY) {
  pfPreviewLayout l{};
  l.displayWidth = pfTrunc(w / ratio);
  l.displayHeight = pfTrunc(h / ratio);
  const double maxPanX = w - frame.width * ratio;
  const double maxPanY = h - frame.height * ratio;
  if (panX > maxPanX) panX = pfTrunc(maxPanX);
  if (panX < 0) panX = 0;
  if (panY > maxPanY) panY = pfTrunc(maxPanY);
  if (panY < 0) panY = 0;
  l.panX = panX;
  l.panY = panY;
  if (l.displayWidth > frame.width) {
    l.x0 = frame.left;
    l.drawWidth = frame.width;
  } else {
    l.x0 = frame.left + (frame.width - l.displayWidth) / 2;
    l.drawWidth = l.displayWidth;
  }
  if (l.displayHeight > frame.height) {
    l.y0 = frame.top;
    l.drawHeight = frame.height;
  } else {
    l.y0 = frame.top + (frame.height - l.displayHeight) / 2;
    l.drawHeight = l.displayHeight;
  }
  l.sourceWidth = pfTrunc(l.drawWidth * ratio);
  l.sourceHeight = pfTrunc(l.drawHeight * ratio);
  return l;
}

void pfScreenToImage(int32_t w, int32_t h, double ratio, pfFrame frame, int32_t panX, int32_t panY,
                     int32_t x, int32_t y, double& fx, double& fy) {
  const int32_t dw = pfTrunc(w / ratio + 0.5);
  const int32_t dh = pfTrunc(h / ratio + 0.5);
  const int32_t xr = x - frame.left;
  const int32_t yr = y - frame.top;
  const int32_t px = dw >= frame.width ? pfTrunc(panX / ratio + xr) : xr - (frame.width - dw) / 2;
  const int32_t py = dh >= frame.height ? pfTrunc((dh - frame.height) - panY / ratio + yr)
                                        : yr - (frame.height - dh) / 2;
  fx = dw > 0 ? double(px) / dw : 0.0;
  fy = dh > 0 ? double(py) / dh : 0.0;
}

pfPoint pfHandleCentre(const pfPreviewLayout& l, double ratio, double x, double y) {
  // Rows are counted from the bottom in the bitmap, so the vertical pan works upwards.
  return {pfTrunc(l.x0 - l.panX / ratio + l.displayWidth * x),
          pfTrunc(l.y0 + l.displayHeight * y - (l.displayHeight - l.drawHeight) + l.panY / ratio)};
}

int32_t pfBitmapStride(int32_t width) { return (width / 32 + 1) * 32; }

int32_t pfPreviewColourPlanes(int32_t imageMode, int32_t inLayerPlanes, int32_t inNonLayerPlanes,
                              int32_t planes) {
  int32_t c = inLayerPlanes;
  if (c == 0) c = inNonLayerPlanes;
  if (c == 0) c = planes;
  int32_t limit = 0;
  if (imageMode == kModeGrey || imageMode == kModeGrey16) {
    limit = 1;
  } else if (imageMode == kModeRgb || imageMode == kModeMultichannel || imageMode == kModeRgb48 ||
             imageMode == kModeDeepMultichannel) {
    limit = 3;
  }
  if (limit == 0) return 0;
  if (c < 1) c = 1;
  return c < limit ? c : limit;
}

void pfConvertToBitmap(const pfPreviewSource& s, uint8_t* bitmap, int32_t stride,
                       int32_t bitmapHeight) {
  const int32_t bytes = s.depth == 16 ? 2 : 1;
  const int32_t pixelBytes = s.totalPlanes * bytes;
  const double columnScale = s.width > 0 ? double(s.imageWidth) / s.width : 0.0;
  const double rowScale = s.height > 0 ? double(s.imageHeight) / s.height : 0.0;
  const int32_t rows = s.height < bitmapHeight ? s.height : bitmapHeight;
  const int32_t columns = s.width < stride ? s.width : stride;
  for (int32_t r = 0; r < rows; ++r) {
    const uint8_t* in = s.data + size_t(r) * size_t(s.rowBytes);
    uint8_t* out = bitmap + size_t(bitmapHeight - 1 - r) * size_t(stride) * 3;
    const int32_t j = pfTrunc(rowScale * r) / kCheckerSquare;
    for (int32_t p = 0; p < columns; ++p, in += pixelBytes, out += 3) {
      const uint8_t s0 = ToByte(in, s.depth);
      uint8_t bgr[3];
      if (s.colourPlanes == 1) {
        bgr[0] = bgr[1] = bgr[2] = s0;
      } else if (s.colourPlanes == 2) {
        bgr[0] = ToByte(in + bytes, s.depth);
        bgr[1] = s0;
        bgr[2] = 0;
      } else {
        bgr[0] = ToByte(in + 2 * bytes, s.depth);
        bgr[1] = ToByte(in + bytes, s.depth);
        bgr[2] = s0;
      }
      if (s.alphaIndex >= 0) {
        const double a = Alpha(in + s.alphaIndex * bytes, s.depth);
        const int32_t i = pfTrunc(columnScale * p) / kCheckerSquare;
        const double b = ((i ^ j) & 1) != 0 ? kCheckerLight : kCheckerDark;
        for (uint8_t& v : bgr) v = uint8_t(pfTrunc(v * a + b * (1.0 - a)) & 0xFF);
      }
      out[0] = bgr[0];
      out[1] = bgr[1];
      out[2] = bgr[2];
    }
  }
}

bool pfAngleFromPointer(double currentDegrees, int32_t dx, int32_t dy, double& degrees) {
  // The dial's own constants, kept as they are so that values match to the bit.
  const double pi = 3.1415926535;
  const double twoPi = 6.283185307;
  const double len = std::sqrt(double(dx) * dx + double(dy) * dy);
  if (len == 0.0) return false;
  const double nx = dx / len;
  const double ny = dy / len;
  const double v = currentDegrees * pi / 180.0;
  double turns = std::trunc(v / twoPi);
  double f = v - twoPi * turns;
  if (f < 0) {
    turns -= 1;
    f += twoPi;
  }
  const double base = twoPi * turns;
  const double a = nx > 0 ? std::acos(-ny) : pi + std::acos(ny);
  double r = base + a;
  if (a < pi && f > a + pi) r += twoPi;
  if (a > pi && f < a - pi) r -= twoPi;
  degrees = r * 180.0 / pi;
  return true;
}
