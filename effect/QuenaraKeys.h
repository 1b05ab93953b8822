/* Scripting keys of the effect's parameters. The parameter table (C++) and the resource script
   (read by the resource compiler's C preprocessor) both take them from here, so the keys the
   plug-in records and the terminology resource that names them cannot drift apart.

   The resource compiler only understands numbers, so each key is also spelled as its 32-bit
   value (first character in the most significant byte, L for a 32-bit item); the compiler
   stores it little-endian, which is how the host expects a four-character code in the PiPL and
   AETE data. The C++ part checks every spelled value against its characters. */
#pragma once

#define QUENARA_KEY_ORIGIN_X 0x4F524958L                    /* 'ORIX' */
#define QUENARA_KEY_ORIGIN_Y 0x4F524959L                    /* 'ORIY' */
#define QUENARA_KEY_INTENSITY 0x494E5445L                   /* 'INTE' */
#define QUENARA_KEY_STRENGTH 0x53545245L                    /* 'STRE' */
#define QUENARA_KEY_ZOOM_START 0x5A4F5354L                  /* 'ZOST' */
#define QUENARA_KEY_HOLDOUT_RADIUS 0x484F5241L              /* 'HORA' */
#define QUENARA_KEY_MODE 0x4D4F4445L                        /* 'MODE' */
#define QUENARA_KEY_INVERT_GRADIENT 0x494E4752L             /* 'INGR' */
#define QUENARA_KEY_GAMMA_CORRECTION 0x47414D41L            /* 'GAMA' */
#define QUENARA_KEY_GAMMA_CORRECTION_CORRECTIVE 0x47414D43L /* 'GAMC' */
#define QUENARA_KEY_CONTRAST 0x434F4E54L                    /* 'CONT' */
#define QUENARA_KEY_HUE 0x48534C48L                         /* 'HSLH' */
#define QUENARA_KEY_SATURATION 0x48534C53L                  /* 'HSLS' */
#define QUENARA_KEY_LIGHTNESS 0x48534C4CL                   /* 'HSLL' */
#define QUENARA_KEY_USE_SIZE_SELECTION 0x55534553L          /* 'USES' */
#define QUENARA_KEY_SELECTION_LOW 0x53454C4CL               /* 'SELL' */
#define QUENARA_KEY_SELECTION_HIGH 0x53454C48L              /* 'SELH' */
#define QUENARA_KEY_SELECTION_SOFTEN 0x53454C53L            /* 'SELS' */
#define QUENARA_KEY_SELECTION_CLIMAX 0x53454C43L            /* 'SELC' */
#define QUENARA_KEY_BLEND_MODE 0x424C4E44L                  /* 'BLND' */
#define QUENARA_KEY_SELECTION_SHOW 0x53484F57L              /* 'SHOW' */

#ifdef __cplusplus
#include <cstdint>

namespace QuenaraKeys {

constexpr uint32_t Code(const char (&s)[5]) {
  return (uint32_t(uint8_t(s[0])) << 24) | (uint32_t(uint8_t(s[1])) << 16) |
         (uint32_t(uint8_t(s[2])) << 8) | uint32_t(uint8_t(s[3]));
}

inline constexpr uint32_t OriginX = Code("ORIX");
inline constexpr uint32_t OriginY = Code("ORIY");
inline constexpr uint32_t Intensity = Code("INTE");
inline constexpr uint32_t Strength = Code("STRE");
inline constexpr uint32_t ZoomStart = Code("ZOST");
inline constexpr uint32_t HoldoutRadius = Code("HORA");
inline constexpr uint32_t Mode = Code("MODE");
inline constexpr uint32_t InvertGradient = Code("INGR");
inline constexpr uint32_t GammaCorrection = Code("GAMA");
inline constexpr uint32_t GammaCorrectionCorrective = Code("GAMC");
inline constexpr uint32_t Contrast = Code("CONT");
inline constexpr uint32_t Hue = Code("HSLH");
inline constexpr uint32_t Saturation = Code("HSLS");
inline constexpr uint32_t Lightness = Code("HSLL");
inline constexpr uint32_t UseSizeSelection = Code("USES");
inline constexpr uint32_t SelectionLow = Code("SELL");
inline constexpr uint32_t SelectionHigh = Code("SELH");
inline constexpr uint32_t SelectionSoften = Code("SELS");
inline constexpr uint32_t SelectionClimax = Code("SELC");
inline constexpr uint32_t BlendMode = Code("BLND");
inline constexpr uint32_t SelectionShow = Code("SHOW");

static_assert(OriginX == QUENARA_KEY_ORIGIN_X);
static_assert(OriginY == QUENARA_KEY_ORIGIN_Y);
static_assert(Intensity == QUENARA_KEY_INTENSITY);
static_assert(Strength == QUENARA_KEY_STRENGTH);
static_assert(ZoomStart == QUENARA_KEY_ZOOM_START);
static_assert(HoldoutRadius == QUENARA_KEY_HOLDOUT_RADIUS);
static_assert(Mode == QUENARA_KEY_MODE);
static_assert(InvertGradient == QUENARA_KEY_INVERT_GRADIENT);
static_assert(GammaCorrection == QUENARA_KEY_GAMMA_CORRECTION);
static_assert(GammaCorrectionCorrective == QUENARA_KEY_GAMMA_CORRECTION_CORRECTIVE);
static_assert(Contrast == QUENARA_KEY_CONTRAST);
static_assert(Hue == QUENARA_KEY_HUE);
static_assert(Saturation == QUENARA_KEY_SATURATION);
static_assert(Lightness == QUENARA_KEY_LIGHTNESS);
static_assert(UseSizeSelection == QUENARA_KEY_USE_SIZE_SELECTION);
static_assert(SelectionLow == QUENARA_KEY_SELECTION_LOW);
static_assert(SelectionHigh == QUENARA_KEY_SELECTION_HIGH);
static_assert(SelectionSoften == QUENARA_KEY_SELECTION_SOFTEN);
static_assert(SelectionClimax == QUENARA_KEY_SELECTION_CLIMAX);
static_assert(BlendMode == QUENARA_KEY_BLEND_MODE);
static_assert(SelectionShow == QUENARA_KEY_SELECTION_SHOW);

}  // namespace QuenaraKeys
#endif
