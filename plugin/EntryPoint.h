// The plug-in's only export. The host calls it with a selector of the filter protocol, its
// FilterRecord (for the about selector, its about block), its per-plug-in data word and the
// address of the 16-bit result.
#pragma once

#include <cstdint>

#include "base/PiApi.h"

#if defined(_WIN32)
#define QUENARA_EXPORT __declspec(dllexport)
#else
#define QUENARA_EXPORT __attribute__((visibility("default")))
#endif

extern "C" QUENARA_EXPORT void ENTRYPOINT(int16_t selector, FilterRecord* filterRecord,
                                          intptr_t* data, int16_t* result);
