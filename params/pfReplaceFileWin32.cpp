#include <windows.h>

#include "params/pfPresetFileWriter.h"

// The C runtime's rename refuses an existing target on Windows. The narrow (ANSI) call takes
// the paths in the same character set as fopen.
bool pfReplaceFile(const std::string& from, const std::string& to) {
  return MoveFileExA(from.c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}
