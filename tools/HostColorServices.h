// The host's colour services. A command-line host has no colour picker, so "choose a colour"
// answers as a cancelled picker; conversion covers RGB, greyscale and a naive CMYK; the special
// colours are the host's foreground (black) and background (white); a sample point reads the
// source document.
#pragma once

#include <cstdint>

#include "base/PiApi.h"
#include "tools/HostImage.h"

struct HostColours {
  uint8_t foreground[3] = {0, 0, 0};
  uint8_t background[3] = {255, 255, 255};
};

constexpr OSErr kErrInvalidSamplePoint = -30903;

// source may be null (sample points then fail); colourPlanes is 1 (grey) or 3 (RGB).
OSErr ServeColorRequest(ColorServicesInfo* info, const HostColours& colours,
                        const HostImage* source, int32_t colourPlanes);
