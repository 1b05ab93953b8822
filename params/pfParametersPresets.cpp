// Preset files: a "FileOwner" line naming the filter, then presets, each a "name" word with
// the preset's name followed by one line per saved parameter. Readers go word by word and
// never depend on the line structure.
#include <memory>
#include <utility>

#include "base/Log.h"
#include "params/pfParameter.h"
#include "params/pfParameters.h"
#include "params/pfPresetFile.h"
#include "params/pfUndo.h"
#include "params/pfUndoHistory.h"

namespace {
const char kOwnerWord[] = "FileOwner";
const char kNameWord[] = "name";

void WarnCannotRead(const std::string& path) {
  QLOG_WARNING("Could not open file for reading: '" << path << "'");
}
void WarnCannotWrite(const std::string& path) {
  QLOG_WARNING("Could not open file for writing: '" << path << "'");
}

// Preset names are single words: white space becomes "_" (a space is what users type; tabs
// or line breaks would break the file just the same), and the name is cut to the longest word
// a reader keeps, so that a saved preset can always be found again.
std::string PresetWord(const std::string& name) {
  std::string word = name.substr(0, pfPresetWords::kMaxWord);
  for (char& c : word) {
    if (pfIsPresetSpace(c)) c = '_';
  }
  return word;
}

// Advances past the "name" word and name of the preset; *nameWordStart receives the offset
// just before the "name" word (where the text before the preset ends). Not found in a text
// that ends with a "name" word and no name, *danglingStart receives the offset before that word.
bool FindPreset(pfPresetWords& words, const std::string& name, size_t* nameWordStart,
                size_t* danglingStart = nullptr) {
  std::string word;
  for (;;) {
    size_t before;
    do {
      before = words.Position();
      if (!words.ReadWord(word)) return false;
    } while (word != kNameWord);
    if (!words.ReadWord(word)) {
      if (danglingStart != nullptr) *danglingStart = before;
      return false;
    }
    if (word == name) {
      if (nameWordStart != nullptr) *nameWordStart = before;
      return true;
    }
  }
}

// Skips the rest of a preset. True when another preset follows; the words are then just
// past its "name" word.
bool SkipToNextPreset(pfPresetWords& words) {
  std::string word;
  while (words.ReadWord(word)) {
    if (word == kNameWord) return true;
  }
  return false;
}

void AppendParameterLines(const pfParameters& parameters, std::string& out) {
  pfPresetLineWriter line(out);
  for (int32_t i = 0; i < parameters.GetCount(); ++i) {
    const pfParameter* p = parameters.GetParameter(i);
    if (!p->GetSaved()) continue;
    out += p->GetName();
    p->WriteValue(line);
    out += '\n';
  }
}
}  // namespace

bool pfParameters::IsSettingFileValid(std::string path, std::string& filterName) {
  QLOG_SCOPE(scope,
             "pfParmeters::IsSettingFileValid( strPath(" << path << "), strFilterName("
                                                         << filterName << ") )",
             "pfParmeters::IsSettingFileValid");
  bool result = false;
  pfPresetWords words;
  if (path.empty()) {
    result = false;
  } else if (words.Load(path) != pfPresetWords::kLoaded) {
    result = true;  // a new file will be created
  } else {
    std::string word;
    bool found = false;
    while (!found && words.ReadWord(word)) found = word == kOwnerWord;
    std::string owner;
    if (found && words.ReadWord(owner)) {
      result = owner == filterName;
      if (!result) filterName = owner;
    }
  }
  QLOG_SCOPE_EXIT(scope, "pfParmeters::IsSettingFileValid( return(" << result << ") )");
  return result;
}

bool pfParameters::GetSettingNames(std::string path, std::list<std::string>& names,
                                   std::string filterName) {
  QLOG_SCOPE(scope,
             "pfParmeters::GetSettingNames( strPath(" << path << "), lstNames(), strFilterName("
                                                      << filterName << ") )",
             "pfParmeters::GetSettingNames");
  bool result = !path.empty() && IsSettingFileValid(path, filterName);
  pfPresetWords words;
  if (result && words.Load(path) == pfPresetWords::kLoaded) {
    std::string word;
    while (words.ReadWord(word)) {
      if (word == kNameWord && words.ReadWord(word)) names.push_back(word);
    }
  }
  QLOG_SCOPE_EXIT(scope, "pfParmeters::GetSettingNames( return(" << result << ") )");
  return result;
}

bool pfParameters::LoadSettings(std::string presetName, std::string path, pfFilter* filter) {
  QLOG_SCOPE(scope,
             "pfParmeters::LoadSettings( strName(" << presetName << "), strPath(" << path
                                                   << "), pFilter(" << LogPtr(filter) << ") )",
             "pfParmeters::LoadSettings");
  bool result = false;
  pfPresetWords words;
  const pfPresetFileLock lock(path);
  if (presetName.empty() || path.empty()) {
    result = false;
  } else if (words.Load(path) != pfPresetWords::kLoaded) {
    WarnCannotRead(path);
  } else if (FindPreset(words, presetName, nullptr)) {
    pfUndoHistory* history = filter != nullptr ? pfGetUndoHistory(filter) : nullptr;
    std::string key;
    std::string value;
    bool presetEnded = false;
    while (!presetEnded) {
      if (!words.ReadWord(key) || key == kNameWord) break;
      if (!words.ReadWord(value) || value == kNameWord) break;
      // Every parameter of that name takes the value; a key naming none is skipped.
      for (pfParameter* p : parameters) {
        if (p->GetName() != key) continue;
        std::unique_ptr<pfUndo> record = history != nullptr ? p->CreateUndo() : nullptr;
        pfPresetLineReader line(value, words, presetEnded);
        if (p->ReadValue(line) && history != nullptr) {
          history->Add(std::move(record));
        }
        if (presetEnded) break;
      }
    }
    // The whole preset is one undo step.
    if (history != nullptr) history->EndGroup();
    ValidateAll();
    result = true;
  }
  QLOG_SCOPE_EXIT(scope, "pfParmeters::LoadSettings( return(" << result << ") )");
  return result;
}

bool pfParameters::SaveSettings(std::string presetName, std::string path, std::string filterName) {
  QLOG_SCOPE(scope,
             "pfParmeters::SaveSettings( strName(" << presetName << "), strPath(" << path
                                                   << "), strFilterName(" << filterName << ") )",
             "pfParmeters::SaveSettings");
  bool result = false;
  std::string owner = filterName;
  // Held from the owner check on: on Windows a file another writer still reads cannot be
  // replaced.
  const pfPresetFileLock lock(presetName.empty() ? std::string() : path);
  if (!presetName.empty() && !path.empty() && IsSettingFileValid(path, owner)) {
    const std::string name = PresetWord(presetName);
    const std::string tempPath = path + "tmp";
    pfPresetWords words;
    const pfPresetWords::LoadResult loaded = words.Load(path);
    std::string content;
    bool ready = true;
    size_t dangling = std::string::npos;
    if (loaded == pfPresetWords::kUnreadable) {
      // Without its text the file cannot be rewritten safely; leave it alone.
      WarnCannotRead(path);
      ready = false;
    } else if (loaded == pfPresetWords::kLoaded && FindPreset(words, name, nullptr, &dangling)) {
      // Replace in place: the text up to and including the preset's name, the new lines,
      // then the presets that follow (without the empty line before them).
      const std::string& text = words.Text();
      content.assign(text, 0, words.Position());
      content += '\n';
      AppendParameterLines(*this, content);
      if (SkipToNextPreset(words)) {
        content += kNameWord;
        content.append(text, words.Position(), std::string::npos);
      }
    } else {
      // Append, starting a new file with its owner line.
      if (loaded == pfPresetWords::kLoaded) {
        // A file cut right after a "name" word: that word names nothing, and left in place it
        // would take the new preset's "name" as its name and hide the preset.
        content.assign(words.Text(), 0, dangling);
      } else {
        content = std::string(kOwnerWord) + ' ' + filterName + '\n';
      }
      content += '\n';
      content += kNameWord;
      content += ' ' + name + '\n';
      AppendParameterLines(*this, content);
    }
    if (ready) {
      switch (pfWritePresetFile(path, tempPath, content)) {
        case kPresetWritten:
        case kPresetTempNotOpened:  // an unwritable place fails silently
          result = true;
          break;
        case kPresetTempWriteFailed:
          QLOG_WARNING("Could not write file: '" << tempPath << "'");
          break;
        case kPresetReplaceFailed:
          WarnCannotWrite(path);
          break;
      }
    }
  }
  QLOG_SCOPE_EXIT(scope, "pfParmeters::SaveSettings( return(" << result << ") )");
  return result;
}

bool pfParameters::DeleteSettings(std::string presetName, std::string path) {
  QLOG_SCOPE(
      scope,
      "pfParmeters::DeleteSettings( strName(" << presetName << "), strPath(" << path << ") )",
      "pfParmeters::DeleteSettings");
  bool result = false;
  pfPresetWords words;
  const pfPresetFileLock lock(path);
  if (presetName.empty() || path.empty()) {
    result = false;
  } else if (words.Load(path) != pfPresetWords::kLoaded) {
    WarnCannotRead(path);
  } else {
    size_t start = 0;
    if (FindPreset(words, presetName, &start)) {
      const std::string tempPath = path + "tmp";
      const std::string& text = words.Text();
      std::string content(text, 0, start);
      if (start > 1) content += '\n';
      if (SkipToNextPreset(words)) {
        content += '\n';
        content += kNameWord;
        content.append(text, words.Position(), std::string::npos);
      }
      switch (pfWritePresetFile(path, tempPath, content)) {
        case kPresetWritten:
          result = true;
          break;
        case kPresetTempNotOpened:
          WarnCannotWrite(tempPath);
          break;
        case kPresetTempWriteFailed:
          QLOG_WARNING("Could not write file: '" << tempPath << "'");
          break;
        case kPresetReplaceFailed:
          WarnCannotWrite(path);
          break;
      }
    }
  }
  QLOG_SCOPE_EXIT(scope, "pfParmeters::DeleteSettings( return(" << result << ") )");
  return result;
}
