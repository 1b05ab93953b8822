// What the host reads from a plug-in file without running it: its PiPL (kind, name, category,
// version, entry points, modes, filter cases, enable expression) and its scripting terminology.
// Used to check the plug-in before a run and for `quenara --info`.
#pragma once

#include <cstdint>
#include <string>

// Checks that the file is a filter with an entry point for its machine type and that its
// modes (and enable expression, where the host can read it) admit the image mode. On success
// entryName is the entry point's name. requireHostMachine: the file must be loadable into this
// process (Windows: same architecture as the host).
bool CheckPluginFile(const std::string& path, int16_t imageMode, bool requireHostMachine,
                     std::string& entryName, std::string& error);

// The --info text: one "label: value" line per fact, filter cases and scripting keys indented.
bool DescribePluginFile(const std::string& path, std::string& text, std::string& error);

// Whether the enable expression admits the image mode. Only the usual form
// "in (PSHOP_ImageMode, Mode, ...)" is evaluated; for any other expression (or none) the
// answer is true, leaving the decision to the 'mode' flags.
bool EnableExpressionAdmits(const std::string& expression, int16_t imageMode);
