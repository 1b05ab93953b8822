// What the parameter model needs of Windows: replacing a preset file in one step, the preset
// file lock, and releasing a handle a host gave without its handle suite.
#include <windows.h>

#include "params/pfPresetFile.h"
#include "params/pfScriptSuites.h"

// The C runtime's rename refuses an existing target on Windows. The narrow (ANSI) call takes
// the paths in the same character set as fopen.
// A reader that has the file open (another host listing the presets) makes the replacement
// fail for a moment; it is tried again for up to half a second.
bool pfReplaceFile(const std::string& from, const std::string& to) {
  for (int attempt = 0;; ++attempt) {
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return true;
    }
    const DWORD why = GetLastError();
    if (attempt == 50 || (why != ERROR_SHARING_VIOLATION && why != ERROR_ACCESS_DENIED)) {
      return false;
    }
    Sleep(10);
  }
}

pfPresetFileLock::pfPresetFileLock(const std::string& path)
    : handle(reinterpret_cast<intptr_t>(INVALID_HANDLE_VALUE)) {
  if (path.empty()) return;
  HANDLE file = CreateFileA((path + ".lock").c_str(), GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  handle = reinterpret_cast<intptr_t>(file);
  OVERLAPPED at = {};
  if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at)) {
    CloseHandle(file);
    handle = reinterpret_cast<intptr_t>(INVALID_HANDLE_VALUE);
  }
}

pfPresetFileLock::~pfPresetFileLock() {
  HANDLE file = reinterpret_cast<HANDLE>(handle);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);  // closing releases the lock
}

// Windows hosts without a usable handle suite hand out global-memory handles.
void pfDisposeHandleFallback(Handle handle) {
  if (handle != nullptr) GlobalFree(reinterpret_cast<HGLOBAL>(handle));
}
