// -p values to the playback descriptor, and the recorded descriptor back to text: the host
// side of scripting, driven by the parameter table.
#pragma once

#include <string>
#include <vector>

#include "tools/CommandLine.h"
#include "tools/HostDescriptor.h"

// Later assignments of the same key replace earlier ones. False with a one-line reason for an
// unknown name or a value that does not parse.
bool BuildPlayback(const std::vector<ParamAssignment>& params, HostDescriptor& out,
                   std::string& error);
// One line for each float value outside an enforced bound, naming the bound and the value the
// plug-in uses instead (it clamps when it validates, after recording the value as given; a
// bound that is not enforced is no limit at all).
std::vector<std::string> RangeNotes(const HostDescriptor& playback);
// False with a one-line reason when the plug-in did not take a played-back value: it recorded
// another value for the key (its setter refused the one we sent) or none at all.
bool CheckRecorded(const HostDescriptor& playback, const HostDescriptor& recorded,
                   std::string& error);
// "Name=value" lines in recorded order; a position prints as "Origin=x,y", lists as their
// 1-based index, keys the table does not know as their four characters. Each line can be fed
// back to -p.
std::string FormatRecorded(const HostDescriptor& recorded);
// The shortest text that reads back as the same double.
std::string FormatNumber(double v);
