// How the diagnostic log gets a file. The plug-in itself never opens one unless asked: on
// Windows the first ENTRYPOINT call reads the string value "LogFile" (and the optional DWORD
// "LogLevel", 1 errors .. 3 traces) under HKEY_CURRENT_USER\SOFTWARE\Kestrimond\Photoshop\Quenara;
// elsewhere the reference host calls QuenaraOpenLog before its first ENTRYPOINT call.
#pragma once

#include <cstdint>

// Opens the log file (appending) and sets the level; a null or empty path closes the log.
// Returns false when the file cannot be opened.
bool QuenaraOpenLog(const char* path, int32_t level);

// Opens the log from the platform's own setting, if there is one. ENTRYPOINT calls it once,
// before it constructs the filter object, so that the construction is traced as well.
void OpenPluginLogFromSettings();
