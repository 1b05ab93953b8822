// The command line of `quenara`:
//     quenara [OPTIONS] INPUT OUTPUT
//     quenara [OPTIONS] INPUT... -o DIR
//     quenara --info FILE.8bf
// and the preset commands. Parsing only checks the shape of the line; values are checked
// where they are used.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/ImageFile.h"

struct ParamAssignment {
  std::string name;   // key name or four-character key, as typed
  std::string value;  // as typed
};

struct CommandLine {
  std::string input;
  std::string output;
  std::vector<std::string> inputs;  // a batch: every input, written to outputDir
  std::string outputDir;
  std::vector<ParamAssignment> params;
  std::string mask;
  int32_t reduction = 1;
  int compression = -1;  // deflate level 0..9 of PNG and TIFF; -1: the writer's default
  TiffCompression tiffCompression = kDefaultTiffCompression;
  int quality = kDefaultJpegQuality;
  bool printParams = false;
  bool quiet = false;
  bool time = false;
  bool dialog = false;  // ask for parameters and let the plug-in show its dialog
  std::string log;
  std::string plugin;
  std::string info;  // --info FILE.8bf: list the PiPL and stop
  std::string preset;
  std::string presetName;
  std::string savePreset;
  std::string listPresets;
  std::string deletePreset;
  bool help = false;
};

// False with a one-line reason for a malformed line.
bool ParseCommandLine(const std::vector<std::string>& args, CommandLine& out, std::string& error);
const char* UsageText();
