// The ray passes of every working format, compiled here once (see QUENARA_RAY_PASSES).
#include "engine/QuenaraFilter.h"

QUENARA_RAY_PASSES(QuenaraFilter, )
