#include "base/PluginLog.h"

#include <string>

#include "base/Log.h"

bool QuenaraOpenLog(const char* path, int32_t level) {
  SetLogLevel(level);
  if (path == nullptr || *path == '\0') {
    CloseLogFile();
    return true;
  }
  return OpenLogFile(path);
}
