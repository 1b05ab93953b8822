// Programs without the plug-in's code in the process (the test probe) cannot reach its
// parameter container.
#include "tools/PresetCommands.h"

namespace {
bool Unavailable(std::string& error) {
  error = "preset files need the native build of quenara (the plug-in linked in)";
  return false;
}
}  // namespace

bool PresetToPlayback(const std::string&, const std::string&, HostDescriptor&, std::string& error) {
  return Unavailable(error);
}
bool SavePreset(const std::string&, const std::string&, const HostDescriptor&, std::string& error) {
  return Unavailable(error);
}
bool ListPresets(const std::string&, std::vector<std::string>&, std::string& error) {
  return Unavailable(error);
}
bool DeletePreset(const std::string&, const std::string&, std::string& error) {
  return Unavailable(error);
}
