// Windows hosts without a usable handle suite hand out global-memory handles.
#include <windows.h>

#include "params/pfScriptSuites.h"

void pfDisposeHandleFallback(Handle handle) {
  if (handle != nullptr) GlobalFree(reinterpret_cast<HGLOBAL>(handle));
}
