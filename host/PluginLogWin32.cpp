#include <windows.h>

#include "host/Log.h"
#include "host/PluginLog.h"

namespace {
constexpr const char* kSettingsKey = "SOFTWARE\\Kestrimond\\Photoshop\\Quenara";
}

void OpenPluginLogFromSettings() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return;
  }
  char path[MAX_PATH + 1] = {};
  DWORD type = 0;
  DWORD size = MAX_PATH;
  const LONG pathStatus =
      RegQueryValueExA(key, "LogFile", nullptr, &type, reinterpret_cast<BYTE*>(path), &size);
  DWORD level = DWORD(GetLogLevel());
  DWORD levelType = 0;
  DWORD levelSize = sizeof(level);
  DWORD storedLevel = 0;
  if (RegQueryValueExA(key, "LogLevel", nullptr, &levelType, reinterpret_cast<BYTE*>(&storedLevel),
                       &levelSize) == ERROR_SUCCESS &&
      levelType == REG_DWORD) {
    level = storedLevel;
  }
  RegCloseKey(key);
  // The value need not be terminated in the registry; path has room for the terminator.
  if (pathStatus == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ)) {
    path[size < sizeof(path) ? size : sizeof(path) - 1] = '\0';
    QuenaraOpenLog(path, int32_t(level));
  }
}
