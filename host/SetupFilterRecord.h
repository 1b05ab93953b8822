// Fills the request fields of the host's record so that one advanceState delivers the whole
// image, every plane interleaved, reduced by scaleFactor (0 counts as 1), and returns the host's
// result of that advanceState.
#pragma once

#include <cstdint>

#include "base/PiApi.h"

int16_t SetupFilterRecord(FilterRecord* record, uint32_t scaleFactor);

// Writes the record's fields as the host handed them in, one trace line each.
void LogFilterRecord(const FilterRecord* record);
