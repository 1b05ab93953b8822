// The native build: the plug-in is linked into the program.
#include "base/PluginLog.h"
#include "plugin/EntryPoint.h"
#include "tools/PluginModule.h"

namespace {

class LinkedPlugin : public PluginModule {
 public:
  PluginEntryProc Entry() const override { return ENTRYPOINT; }
};

}  // namespace

std::string DefaultPluginPath() { return std::string(); }

bool RoutePluginLog(const std::string& logPath, std::string& error) {
  if (!QuenaraOpenLog(logPath.c_str(), 3)) {
    error = "cannot open the log file '" + logPath + "'";
    return false;
  }
  return true;
}

void RestorePluginLog() { QuenaraOpenLog(nullptr, 0); }

std::unique_ptr<PluginModule> LoadPluginModule(const std::string&, const std::string&,
                                               std::string&) {
  return std::make_unique<LinkedPlugin>();
}
