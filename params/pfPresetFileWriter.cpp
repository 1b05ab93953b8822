#include "params/pfPresetFileWriter.h"

#include <cstdio>

pfPresetWriteResult pfWritePresetFile(const std::string& path, const std::string& tempPath,
                                      const std::string& content) {
  std::FILE* f = std::fopen(tempPath.c_str(), "wb");
  if (f == nullptr) return kPresetTempNotOpened;
  bool ok = std::fwrite(content.data(), 1, content.size(), f) == content.size();
  ok = std::fflush(f) == 0 && ok;
  ok = std::fclose(f) == 0 && ok;
  if (!ok) {
    std::remove(tempPath.c_str());
    return kPresetTempWriteFailed;
  }
  if (!pfReplaceFile(tempPath, path)) {
    std::remove(tempPath.c_str());
    return kPresetReplaceFailed;
  }
  return kPresetWritten;
}
