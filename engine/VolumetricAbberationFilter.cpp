// The ray passes of every working format, compiled here once (see QUENARA_RAY_PASSES).
#include "engine/VolumetricAbberationFilter.h"

QUENARA_RAY_PASSES(VolumetricAbberationFilter, )
