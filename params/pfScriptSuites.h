// The one place that decides whether the host's scripting suites may be used, and how a
// descriptor handle the plug-in holds is given back.
#pragma once

#include "base/PiApi.h"

// True when descriptorParameters and both descriptor suites are present with the expected
// versions and enough routines, and every routine this plug-in calls is there.
bool pfScriptSuitesUsable(const FilterRecord* filterRecord);

// Releases a descriptor handle through the host's handle suite when that suite is usable,
// otherwise through the platform fallback (pfDisposeHandleFallback). Null is ignored.
void pfDisposeDescriptor(const FilterRecord* filterRecord, PIDescriptorHandle handle);

// Platform fallback for a host without a usable handle suite (one definition per platform).
void pfDisposeHandleFallback(Handle handle);
