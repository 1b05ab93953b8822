// The filter's ordered list of its parameters (not owning). The order is that of preset
// lines, scripting keys, randomization and last-used values. Besides the list operations it
// reads and writes preset files and the host's scripting descriptors.
#pragma once

#include <cstdint>
#include <list>
#include <string>
#include <vector>

struct FilterRecord;
class pfFilter;
class pfParameter;
class pfUndoHistory;

class pfParameters {
 public:
  pfParameters() = default;
  virtual ~pfParameters() = default;
  pfParameters(const pfParameters&) = delete;
  pfParameters& operator=(const pfParameters&) = delete;

  void AddParameter(pfParameter* parameter) { parameters.push_back(parameter); }
  int32_t GetCount() const { return static_cast<int32_t>(parameters.size()); }
  // Null when the index is out of range.
  pfParameter* GetParameter(int32_t index) const;

  void ValidateAll();
  void UpdateAllControls();
  // Seeds the generator from the tick count, randomizes every randomizable parameter with
  // an undo record each, and closes the group: one undo step. history may be null.
  void RandomizeAll(double amount, pfUndoHistory* history);

  // Preset files. Paths and names are in the system's narrow character set.
  // Applies preset presetName of path; with a filter, the changes become one undo step.
  bool LoadSettings(std::string presetName, std::string path, pfFilter* filter);
  // Adds the current values as preset presetName (spaces become "_"), or replaces the preset
  // of that name in place.
  bool SaveSettings(std::string presetName, std::string path, std::string filterName);
  bool DeleteSettings(std::string presetName, std::string path);
  // True for this filter's file or a file that does not exist yet. False for a file without
  // an owner line, or of another filter, whose name then goes to filterName.
  bool IsSettingFileValid(std::string path, std::string& filterName);
  // Appends the file's preset names in file order.
  bool GetSettingNames(std::string path, std::list<std::string>& names, std::string filterName);

  // Scripting. Reads recorded values; the result says whether to show the dialog.
  bool ReadScriptParams(FilterRecord* record);
  // Records the current values in a new descriptor; always returns 0.
  int16_t WriteScriptParams(FilterRecord* record);

 private:
  std::vector<pfParameter*> parameters;
};
