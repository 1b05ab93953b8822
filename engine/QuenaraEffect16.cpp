// The effect's pipeline for the 16-bit host layouts, compiled here once (see QUENARA_EFFECTS).
#include "engine/QuenaraEffect.h"

QUENARA_EFFECTS(, uint16_t, 32768)
