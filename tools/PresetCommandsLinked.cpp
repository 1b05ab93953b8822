// The native build: a private instance of the effect's filter class does the file work.
#include <filesystem>
#include <list>
#include <memory>

#include "effect/pfFilterQuenara.h"
#include "tools/PresetCommands.h"
#include "tools/ReferenceHost.h"

namespace {

std::unique_ptr<pfFilterQuenara> NewFilter() {
  return std::make_unique<pfFilterQuenara>(
      pfFilterQuenara::kDisplayName, pfFilterQuenara::kVersionMajor, pfFilterQuenara::kVersionMinor,
      pfFilterQuenara::kVersionPatch, pfFilterQuenara::kDescription);
}

// A record with the host's descriptor suites, for the container's scripting calls.
HostDocument TinyDocument() {
  HostDocument d;
  d.source = HostImage(1, 1, 3, 1);
  d.colourPlanes = 3;
  return d;
}

// The file must be one of this filter's (or not exist yet, when allowed).
bool CheckOwner(pfFilterQuenara& filter, const std::string& path, bool mayBeMissing,
                std::string& error) {
  if (!std::filesystem::exists(path)) {
    if (mayBeMissing) return true;
    error = "cannot open the settings file '" + path + "'";
    return false;
  }
  // In: this filter's name; out: the owner of a foreign file (unchanged when there is none).
  std::string owner = filter.GetName();
  if (filter.GetParameters().IsSettingFileValid(path, owner)) return true;
  error = owner == filter.GetName() ? "'" + path + "' is not a settings file"
                                    : "The selected settings file belongs to the Filter: " + owner;
  return false;
}

std::string StoredName(std::string name) {
  for (char& c : name) {
    if (c == ' ') c = '_';
  }
  return name;
}

bool HasPreset(pfFilterQuenara& filter, const std::string& path, const std::string& name) {
  std::list<std::string> names;
  filter.GetParameters().GetSettingNames(path, names, filter.GetName());
  for (const std::string& n : names) {
    if (n == name) return true;
  }
  return false;
}

}  // namespace

bool PresetToPlayback(const std::string& path, const std::string& name, HostDescriptor& out,
                      std::string& error) {
  std::unique_ptr<pfFilterQuenara> filter = NewFilter();
  if (!CheckOwner(*filter, path, false, error)) return false;
  if (!HasPreset(*filter, path, StoredName(name)) ||
      !filter->GetParameters().LoadSettings(StoredName(name), path, nullptr)) {
    error = "no preset '" + name + "' in '" + path + "'";
    return false;
  }
  ReferenceHost host(TinyDocument());
  FilterRecord& record = host.Record();
  filter->GetParameters().WriteScriptParams(&record);
  Handle recorded = record.descriptorParameters->descriptor;
  const bool ok = host.Descriptors().Load(recorded, out);
  host.Handles().Dispose(recorded);
  record.descriptorParameters->descriptor = nullptr;
  if (!ok) error = "the plug-in recorded no values for preset '" + name + "'";
  return ok;
}

bool SavePreset(const std::string& path, const std::string& name, const HostDescriptor& values,
                std::string& error) {
  // The file is words separated by white space: a name with other white space than spaces
  // (which become "_") or control bytes could not be read back, so it is refused before the
  // file is touched.
  for (const char c : name) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) {
      error = "a preset name cannot contain tabs, line breaks or other control characters";
      return false;
    }
  }
  std::unique_ptr<pfFilterQuenara> filter = NewFilter();
  if (!CheckOwner(*filter, path, true, error)) return false;
  if (!values.items.empty()) {
    ReferenceHost host(TinyDocument());
    host.SetPlayback(&values, plugInDialogDontDisplay);
    filter->GetParameters().ReadScriptParams(&host.Record());
    filter->GetParameters().ValidateAll();  // as the start selector does after reading
  }
  if (!filter->GetParameters().SaveSettings(name, path, filter->GetName()) ||
      !HasPreset(*filter, path, StoredName(name))) {
    error = "cannot save preset '" + name + "' in '" + path + "'";
    return false;
  }
  return true;
}

bool ListPresets(const std::string& path, std::vector<std::string>& names, std::string& error) {
  std::unique_ptr<pfFilterQuenara> filter = NewFilter();
  if (!CheckOwner(*filter, path, false, error)) return false;
  std::list<std::string> list;
  if (!filter->GetParameters().GetSettingNames(path, list, filter->GetName())) {
    error = "cannot read the settings file '" + path + "'";
    return false;
  }
  names.assign(list.begin(), list.end());
  return true;
}

bool DeletePreset(const std::string& path, const std::string& name, std::string& error) {
  std::unique_ptr<pfFilterQuenara> filter = NewFilter();
  if (!CheckOwner(*filter, path, false, error)) return false;
  if (!HasPreset(*filter, path, StoredName(name)) ||
      !filter->GetParameters().DeleteSettings(StoredName(name), path)) {
    error = "no preset '" + name + "' in '" + path + "'";
    return false;
  }
  return true;
}
