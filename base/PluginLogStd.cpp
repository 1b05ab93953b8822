#include "base/PluginLog.h"

// Without a registry the caller decides: the reference host opens the log itself.
void OpenPluginLogFromSettings() {}
