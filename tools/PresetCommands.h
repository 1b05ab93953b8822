// Preset files for the command line. The work is done by the plug-in's own parameter container
// (pfParameters: LoadSettings, SaveSettings, DeleteSettings, GetSettingNames) on a private
// instance of the effect's filter class, and values move between that instance and the
// rendering plug-in through scripting descriptors, as they would through a host's actions:
//   --preset: the preset is loaded into the private instance, which records its values in a
//             descriptor; the host plays that descriptor (and then the -p values) to the plug-in.
//   --save-preset: the -p values are played into the private instance, which saves them.
// This needs the plug-in's code in the process: both builds of quenara link it for these
// commands (PresetCommandsLinked.cpp); a program without it refuses them with a clear message
// (PresetCommandsNone.cpp).
#pragma once

#include <string>
#include <vector>

#include "tools/HostDescriptor.h"

bool PresetToPlayback(const std::string& path, const std::string& name, HostDescriptor& out,
                      std::string& error);
bool SavePreset(const std::string& path, const std::string& name, const HostDescriptor& values,
                std::string& error);
bool ListPresets(const std::string& path, std::vector<std::string>& names, std::string& error);
bool DeletePreset(const std::string& path, const std::string& name, std::string& error);
