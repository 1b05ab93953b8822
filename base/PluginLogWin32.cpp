#include <windows.h>

#include "base/Log.h"
#include "base/PluginLog.h"

namespace {
constexpr const char* kSettingsKey = "SOFTWARE\\Kestrimond\\Photoshop\\Quenara";

// The optional "LogLevel" value; the current level when it is absent or not a DWORD.
int32_t ReadLevel(HKEY key) {
  DWORD type = 0;
  DWORD level = 0;
  DWORD size = sizeof(level);
  if (RegQueryValueExA(key, "LogLevel", nullptr, &type, reinterpret_cast<BYTE*>(&level), &size) ==
          ERROR_SUCCESS &&
      type == REG_DWORD) {
    return int32_t(level);
  }
  return GetLogLevel();
}

// The "LogFile" value, with environment references expanded for REG_EXPAND_SZ (so that
// "%TEMP%\quenara.log" works). Empty when absent.
bool ReadPath(HKEY key, char (&path)[MAX_PATH + 1]) {
  char raw[MAX_PATH + 1] = {};
  DWORD type = 0;
  DWORD size = MAX_PATH;  // leaves room for a terminator the registry need not store
  if (RegQueryValueExA(key, "LogFile", nullptr, &type, reinterpret_cast<BYTE*>(raw), &size) !=
      ERROR_SUCCESS) {
    return false;
  }
  raw[size <= MAX_PATH ? size : MAX_PATH] = '\0';
  if (type == REG_SZ) {
    lstrcpynA(path, raw, MAX_PATH + 1);
    return path[0] != '\0';
  }
  if (type == REG_EXPAND_SZ) {
    const DWORD length = ExpandEnvironmentStringsA(raw, path, MAX_PATH + 1);
    return length > 0 && length <= MAX_PATH + 1 && path[0] != '\0';
  }
  return false;
}
}  // namespace

void OpenPluginLogFromSettings() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return;
  }
  char path[MAX_PATH + 1] = {};
  const bool havePath = ReadPath(key, path);
  const int32_t level = ReadLevel(key);
  RegCloseKey(key);
  if (havePath) QuenaraOpenLog(path, level);
}
