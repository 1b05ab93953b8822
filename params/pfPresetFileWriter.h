// Writes a preset file so that a failure at any point leaves the user's file as it was: the
// new content goes completely into a temporary file next to it, every write and the close
// are checked, and only then the temporary file replaces the original in one rename. On any
// failure the temporary file is removed.
#pragma once

#include <string>

enum pfPresetWriteResult {
  kPresetWritten,
  kPresetTempNotOpened,    // the temporary file could not be created
  kPresetTempWriteFailed,  // writing or closing it failed (disk full, size limit, ...)
  kPresetReplaceFailed,    // it could not take the original's place (locked, ...)
};

pfPresetWriteResult pfWritePresetFile(const std::string& path, const std::string& tempPath,
                                      const std::string& content);

// Moves from over to, replacing an existing to in one step. One definition per platform.
bool pfReplaceFile(const std::string& from, const std::string& to);
