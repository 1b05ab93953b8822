#include "tools/HostColorServices.h"

namespace {

enum : int16_t {
  kChooseColor = 0,
  kConvertColor = 1,
  kSamplePoint = 2,
  kGetSpecialColor = 3,
};
enum : int16_t { kRgb = 0, kCmyk = 2, kGray = 4, kChosenSpace = -1 };

// Brings components of a supported space to RGB 0..255; false for other spaces.
bool ToRgb(int16_t space, const int16_t in[4], int16_t rgb[3]) {
  switch (space) {
    case kRgb:
      for (int i = 0; i < 3; ++i) rgb[i] = in[i];
      return true;
    case kGray:
      rgb[0] = rgb[1] = rgb[2] = in[0];
      return true;
    case kCmyk:
      for (int i = 0; i < 3; ++i) {
        const int v = 255 - in[i] - in[3];
        rgb[i] = int16_t(v < 0 ? 0 : v);
      }
      return true;
    default:
      return false;
  }
}

bool FromRgb(int16_t space, const int16_t rgb[3], int16_t out[4]) {
  switch (space) {
    case kRgb:
    case kChosenSpace:
      for (int i = 0; i < 3; ++i) out[i] = rgb[i];
      out[3] = 0;
      return true;
    case kGray:
      // Rec. 601 luma, rounded.
      out[0] = int16_t((299 * rgb[0] + 587 * rgb[1] + 114 * rgb[2] + 500) / 1000);
      out[1] = out[2] = out[3] = 0;
      return true;
    case kCmyk: {
      int16_t k = 255 - rgb[0];
      for (int i = 1; i < 3; ++i) k = int16_t(255 - rgb[i] < k ? 255 - rgb[i] : k);
      for (int i = 0; i < 3; ++i) out[i] = int16_t(255 - rgb[i] - k);
      out[3] = k;
      return true;
    }
    default:
      return false;
  }
}

bool Clamp255(const int16_t c[4], int16_t space) {
  const int n = space == kCmyk ? 4 : space == kGray ? 1 : 3;
  for (int i = 0; i < n; ++i) {
    if (c[i] < 0 || c[i] > 255) return false;
  }
  return true;
}

}  // namespace

OSErr ServeColorRequest(ColorServicesInfo* info, const HostColours& colours,
                        const HostImage* source, int32_t colourPlanes) {
  if (info == nullptr || info->infoSize != int32_t(sizeof(ColorServicesInfo)) ||
      info->reservedSourceSpaceInfo != nullptr || info->reservedResultSpaceInfo != nullptr) {
    return paramErr;
  }
  int16_t rgb[3];
  switch (info->selector) {
    case kChooseColor:
      return userCanceledErr;  // no picker on a command line
    case kConvertColor:
      if (!Clamp255(info->colorComponents, info->sourceSpace) ||
          !ToRgb(info->sourceSpace, info->colorComponents, rgb)) {
        return paramErr;
      }
      break;
    case kSamplePoint: {
      const Point* p = info->selectorParameter.globalSamplePoint;
      if (p == nullptr || source == nullptr || p->h < 0 || p->v < 0 || p->h >= source->Width() ||
          p->v >= source->Height()) {
        return kErrInvalidSamplePoint;
      }
      for (int i = 0; i < 3; ++i) {
        uint32_t s = source->Get(p->h, p->v, colourPlanes == 1 ? 0 : i);
        if (source->BytesPerSample() == 2) s = (s * 255u + 16384u) / 32768u;
        rgb[i] = int16_t(s);
      }
      break;
    }
    case kGetSpecialColor: {
      const int32_t id = info->selectorParameter.specialColorID;
      if (id != 0 && id != 1) return paramErr;
      const uint8_t* c = id == 0 ? colours.foreground : colours.background;
      for (int i = 0; i < 3; ++i) rgb[i] = c[i];
      break;
    }
    default:
      return paramErr;
  }
  int16_t out[4];
  if (!FromRgb(info->resultSpace, rgb, out)) return paramErr;
  for (int i = 0; i < 4; ++i) info->colorComponents[i] = out[i];
  if (info->resultSpace == kChosenSpace) info->resultSpace = kRgb;
  info->resultGamutInfoValid = 0;
  return noErr;
}
