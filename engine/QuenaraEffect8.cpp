// The effect's pipeline for the 8-bit host layouts, compiled here once (see QUENARA_EFFECTS).
#include "engine/QuenaraEffect.h"

QUENARA_EFFECTS(, uint8_t, 255)
