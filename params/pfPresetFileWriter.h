// Writes a preset file so that a failure at any point leaves the user's file as it was: the
// new content goes completely into a temporary file next to it, every write and the close
// are checked, and only then the temporary file replaces the original in one rename. On any
// failure the temporary file is removed.
#pragma once

#include <cstdint>
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

// Serialises the read-modify-write of one preset file between writers (two hosts, a batch
// saving while the dialog does): an exclusive lock on the companion file path + ".lock", held
// while the object lives. Writers without it share the temporary file and rewrite from stale
// text, and presets get lost. Best effort: where no lock can be taken the operation goes
// ahead unserialised. One definition per platform.
class pfPresetFileLock {
 public:
  explicit pfPresetFileLock(const std::string& path);
  ~pfPresetFileLock();
  pfPresetFileLock(const pfPresetFileLock&) = delete;
  pfPresetFileLock& operator=(const pfPresetFileLock&) = delete;

 private:
  intptr_t handle;
};
