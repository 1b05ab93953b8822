// The pieces of a preset file below the presets themselves: the words it is read as, the
// numbers in it (locale-independent), a parameter's values on its line, and writing the file
// so that a failure never damages the user's file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "params/pfParameter.h"

// A preset file read as a sequence of white-space-delimited words. The whole file is held in
// memory (presets are small), so positions are plain byte offsets and copying a part of the
// file cannot stop early on any byte value.
class pfPresetWords {
 public:
  // Longer words are cut to this length; the rest of such a word is skipped, so that a long
  // word can never turn into keywords.
  static constexpr size_t kMaxWord = 255;

  enum LoadResult { kLoaded, kMissing, kUnreadable };
  LoadResult Load(const std::string& path);

  // The next word; false (word unchanged) at the end of the text.
  bool ReadWord(std::string& word);
  // Offset just after the last word read (before any white space that follows it).
  size_t Position() const { return position; }
  const std::string& Text() const { return text; }

 private:
  std::string text;
  size_t position = 0;
};

// The C locale's white space, independent of the process locale.
inline bool pfIsPresetSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Numbers are written and read the same way whatever the process locale (a German-locale
// host must neither write "0,500000" nor misread "0.500000").
// Appends value in fixed notation with six decimals, as "%f" does in the C locale.
void pfAppendFixed6(std::string& out, double value);
// Appends a decimal integer.
void pfAppendInt(std::string& out, int32_t value);
// The longest leading decimal number of the word; 0 when there is none, when it is out of
// range, or when it is not finite.
double pfParseLeadingDouble(const std::string& word);
// The leading decimal integer of the word; 0 when there is none or it does not fit.
int32_t pfParseLeadingInt(const std::string& word);

// The values of a parameter line (after the name): each value as " " and its number, integers
// for on/off, integers and items, six decimals for the rest.
class pfPresetLineWriter : public pfValueSink {
 public:
  explicit pfPresetLineWriter(std::string& line) : out(line) {}
  void PutBool(bool value) override;
  void PutInt(int32_t value) override;
  void PutDouble(double value) override;
  void PutItem(int32_t item) override;
  void PutPoint(double x, double y) override;
  void PutColour(double red, double green, double blue) override;

 private:
  void Put(double value);
  std::string& out;
};

// The values of a parameter line being read: the first value word has been read already; a
// value of several numbers reads its further words. Numbers are read leniently (see the
// parsers above). A "name" word or the end of the file before all words of a value ends the
// preset (presetEnded) and leaves the parameter unchanged.
class pfPresetLineReader : public pfValueSource {
 public:
  pfPresetLineReader(const std::string& firstWord, pfPresetWords& rest, bool& ended)
      : first(firstWord), words(rest), presetEnded(ended) {}
  bool GetBool(bool& value) override;
  bool GetInt(int32_t& value) override;
  bool GetDouble(double& value) override;
  bool GetItem(int32_t& item) override;
  bool GetPoint(double& x, double& y) override;
  bool GetColour(double& red, double& green, double& blue) override;

 private:
  bool ReadMore(std::string* values, int count);
  const std::string& first;
  pfPresetWords& words;
  bool& presetEnded;
};

// Writes a preset file so that a failure at any point leaves the user's file as it was: the
// new content goes completely into a temporary file next to it, every write and the close
// are checked, and only then the temporary file replaces the original in one rename. On any
// failure the temporary file is removed.
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
