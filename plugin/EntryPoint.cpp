#include "plugin/EntryPoint.h"

#include <new>

#include "base/Log.h"
#include "base/PluginLog.h"
#include "effect/pfFilterQuenara.h"

namespace {
// Opens the configured log before the filter object exists, so that its construction is
// traced too, and makes sure the log's line buffer is constructed first: statics are destroyed
// in reverse order, and the filter's destructor may still write to the log at unload.
struct LogSetUp {
  LogSetUp() {
    LogLine();
    OpenPluginLogFromSettings();
  }
};

struct PluginInstance {
  LogSetUp log;
  pfFilterQuenara filter{pfFilterQuenara::kDisplayName, pfFilterQuenara::kVersionMajor,
                         pfFilterQuenara::kVersionMinor, pfFilterQuenara::kVersionPatch,
                         pfFilterQuenara::kDescription};
};

// An exception skipped the EXIT lines of the calls it left: return to the entry's indentation.
void UnwindLog(int32_t depth, const char* what) {
  while (LogDepth() > depth) LogOutdent();
  QLOG_ERROR("ENTRYPOINT: " << what);
}

// Constructed on the first call, whatever the selector (the language guarantees once-only,
// thread-safe initialisation), and destroyed when the library unloads.
pfFilter& TheFilter() {
  static PluginInstance instance;
  return instance.filter;
}
}  // namespace

extern "C" void ENTRYPOINT(int16_t selector, FilterRecord* filterRecord, intptr_t* data,
                           int16_t* result) {
  // Nothing may leave this function as an exception: the host is C code.
  const int32_t depth = LogDepth();
  try {
    pfFilter& filter = TheFilter();
    QLOG_SCOPE(scope,
               "ENTRYPOINT( selector(" << char(selector & 0xFF) << "), filterParamBlock("
                                       << LogPtr(filterRecord) << "), data(" << LogPtr(data)
                                       << "), result(" << LogPtr(result) << ") )",
               "ENTRYPOINT()");
    filter.HandleSelector(selector, filterRecord, data, result);
  } catch (const std::bad_alloc&) {
    UnwindLog(depth, "out of memory");
    if (result != nullptr) *result = memFullErr;
  } catch (...) {
    UnwindLog(depth, "unexpected exception");
    if (result != nullptr) *result = paramErr;
  }
}
