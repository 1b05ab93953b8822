#include <windows.h>

#include "params/pfPresetFileWriter.h"

// The C runtime's rename refuses an existing target on Windows. The narrow (ANSI) call takes
// the paths in the same character set as fopen.
bool pfReplaceFile(const std::string& from, const std::string& to) {
  return MoveFileExA(from.c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
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
