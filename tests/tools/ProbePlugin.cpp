// A probe filter with a known, trivially computed result, linked into `quenara_probe` in place
// of the real plug-in, so that the host's own work (PNG mapping, planes, mask, reduction,
// failures, atomic output) can be checked pixel for pixel end to end:
//   colour planes become full scale minus the input, or the mask sample where there is a
//   selection; the transparency plane passes through unchanged.
// With QUENARA_PROBE_FAIL=N it fails with N.
#include <cstdlib>
#include <cstring>

#include "plugin/EntryPoint.h"

namespace {

// The sample of plane p of pixel (x, y), 8 or 16 bits (little-endian, as on every host here).
uint8_t* At(void* base, int32_t rowBytes, int32_t x, int32_t y, int32_t stride, int32_t p,
            int32_t bytes) {
  return static_cast<uint8_t*>(base) + size_t(y) * size_t(rowBytes) +
         (size_t(x) * size_t(stride) + size_t(p)) * size_t(bytes);
}

int16_t Start(FilterRecord* r) {
  const int16_t planes = r->planes;
  const Rect whole{0, 0, r->imageSize.v, r->imageSize.h};
  r->inRect = r->outRect = whole;
  if (r->haveMask) r->maskRect = whole;
  r->inLoPlane = r->outLoPlane = 0;
  r->inHiPlane = r->outHiPlane = int16_t(planes - 1);
  r->inputRate = r->maskRate = 1 << 16;
  // Asked twice, as a plug-in may: the host must not rescale its own rescaled request.
  int16_t e = r->advanceState();
  if (e == 0) e = r->advanceState();
  if (e != 0) return e;
  if (const char* fail = std::getenv("QUENARA_PROBE_FAIL")) return int16_t(std::atoi(fail));
  // The host may have rescaled the request (preview reduction): use what it delivered.
  const int32_t w = r->outRect.right - r->outRect.left;
  const int32_t h = r->outRect.bottom - r->outRect.top;
  const int32_t bytes = r->depth == 16 ? 2 : 1;
  const uint32_t full = bytes == 2 ? 32768 : 255;
  const int32_t colours = planes - r->inTransparencyMask;
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      for (int32_t p = 0; p < planes; ++p) {
        uint16_t v = 0;
        std::memcpy(&v, At(r->inData, r->inRowBytes, x, y, planes, p, bytes), size_t(bytes));
        if (p < colours && r->maskData != nullptr) {
          std::memcpy(&v, At(r->maskData, r->maskRowBytes, x, y, 1, 0, bytes), size_t(bytes));
        } else if (p < colours) {
          v = uint16_t(full - v);
        }
        std::memcpy(At(r->outData, r->outRowBytes, x, y, planes, p, bytes), &v, size_t(bytes));
      }
    }
    r->progressProc(y + 1, h);
  }
  r->inRect = r->outRect = r->maskRect = Rect{0, 0, 0, 0};
  return 0;
}

}  // namespace

extern "C" void ENTRYPOINT(int16_t selector, FilterRecord* r, intptr_t*, int16_t* result) {
  *result = selector == filterSelectorStart ? Start(r) : int16_t(0);
}
