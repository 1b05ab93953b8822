// Without Windows there is no platform handle allocator whose handles a host could have
// given us, so a handle we cannot return through the host's suite is left to the host: a
// small leak is safer than freeing memory of unknown origin. The reference host always
// supplies the handle suite, so this is only reached with a host that does not.
#include "base/Log.h"
#include "params/pfScriptSuites.h"

void pfDisposeHandleFallback(Handle handle) {
  if (handle != nullptr) {
    QLOG_WARNING("no handle suite to dispose of descriptor 0x" << LogPtr(handle));
  }
}
