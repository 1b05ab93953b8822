#include "effect/pfFilterQuenara.h"

#include <utility>

#include "host/Log.h"

pfFilterQuenara::pfFilterQuenara(std::string name_, int32_t major, int32_t minor, int32_t patch,
                                 std::string description_)
    : pfFilter(std::move(name_), major, minor, patch, std::move(description_)) {
  QLOG_ENTER("pfFilterQuenara::pfFilterQuenara()");
  QLOG_EXIT("pfFilterQuenara::pfFilterQuenara()");
}

pfFilterQuenara::~pfFilterQuenara() = default;

// Not rendering yet: leaves the host's output as it is.
int16_t pfFilterQuenara::Render(FilterRecord*) { return noErr; }

void pfFilterQuenara::ResetParameters(bool) {}

const char* pfFilterQuenara::GetName() { return "Quenara"; }
