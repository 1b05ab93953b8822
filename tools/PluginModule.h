// Where the plug-in comes from. Natively `quenara` links the plug-in and calls its ENTRYPOINT
// directly (a .8bf is a Windows DLL; a given --plugin file is only checked through its PiPL).
// On Windows it loads the .8bf and looks up the entry point its PiPL names. The two
// implementations are PluginModuleLinked.cpp and PluginModuleWin32.cpp.
#pragma once

#include <memory>
#include <string>

#include "tools/ReferenceHost.h"

class PluginModule {
 public:
  virtual ~PluginModule() = default;
  virtual PluginEntryProc Entry() const = 0;
};

// The plug-in file used when --plugin is not given: Quenara64.8bf next to the program on
// Windows; empty natively (the linked plug-in, nothing to check).
std::string DefaultPluginPath();

// Routes the plug-in's diagnostic log to a file before the plug-in's first call: natively
// through the plug-in's internal call, on Windows through the registry value the plug-in reads
// at its first call (the previous value is put back by RestorePluginLog). False with a reason.
bool RoutePluginLog(const std::string& logPath, std::string& error);
void RestorePluginLog();

// path: the .8bf to load (Windows); entryName: the entry point from its PiPL. Null with a
// reason on failure.
std::unique_ptr<PluginModule> LoadPluginModule(const std::string& path,
                                               const std::string& entryName, std::string& error);
