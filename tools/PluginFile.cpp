#include "tools/PluginFile.h"

#include <cctype>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "base/PiApi.h"
#include "tools/pe/AeteReader.h"
#include "tools/pe/PeReader.h"
#include "tools/pe/PiplReader.h"

namespace {

constexpr uint32_t kFilterKind = 0x3842464D;  // '8BFM'

struct ModeName {
  const char* name;
  int16_t mode;
};
const ModeName kModeNames[] = {
    {"BitmapMode", plugInModeBitmap},
    {"GrayScaleMode", plugInModeGrayScale},
    {"IndexedMode", plugInModeIndexedColor},
    {"RGBMode", plugInModeRGBColor},
    {"CMYKMode", plugInModeCMYKColor},
    {"HSLMode", plugInModeHSLColor},
    {"HSBMode", plugInModeHSBColor},
    {"MultichannelMode", plugInModeMultichannel},
    {"DuotoneMode", plugInModeDuotone},
    {"LabMode", plugInModeLabColor},
    {"Gray16Mode", plugInModeGray16},
    {"RGB48Mode", plugInModeRGB48},
    {"Lab48Mode", plugInModeLab48},
    {"CMYK64Mode", plugInModeCMYK64},
    {"DeepMultichannelMode", plugInModeDeepMultichannel},
};

const char* ModeText(int16_t mode) {
  for (const ModeName& m : kModeNames) {
    if (m.mode == mode) return m.name;
  }
  return "unknown mode";
}

// The PiPL flag of the colour model an image mode belongs to.
uint16_t ModeFlag(int16_t mode) {
  switch (mode) {
    case plugInModeGrayScale:
    case plugInModeGray16:
      return kPiplModeGrayScale;
    case plugInModeRGBColor:
    case plugInModeRGB48:
      return kPiplModeRgb;
    default:
      return 0;
  }
}

std::vector<std::string> Words(const std::string& s) {
  std::vector<std::string> words;
  std::string w;
  for (char c : s) {
    if (std::isalnum((unsigned char)c) || c == '_') {
      w += c;
    } else {
      if (!w.empty()) words.push_back(w);
      w.clear();
      if (c == '(' || c == ')' || c == ',')
        words.push_back(std::string(1, c));
      else if (!std::isspace((unsigned char)c))
        words.push_back("?");
    }
  }
  if (!w.empty()) words.push_back(w);
  return words;
}

const char* HandlingText(uint8_t h) {
  static const char* const names[] = {"cannot filter", "straight data",  "black matte",
                                      "grey matte",    "white matte",    "defringe",
                                      "black zap",     "grey zap",       "white zap",
                                      "fill mask",     "background zap", "foreground zap"};
  return h < sizeof(names) / sizeof(names[0]) ? names[h] : "unknown";
}

const char* const kCaseNames[] = {"flat image, no selection",
                                  "flat image with selection",
                                  "floating selection",
                                  "editable transparency, no selection",
                                  "editable transparency with selection",
                                  "protected transparency, no selection",
                                  "protected transparency with selection"};

bool LoadPipl(const std::string& path, PeReader& pe, PiplInfo& pipl, std::string& error) {
  std::string why;
  if (!pe.Load(path, &why)) {
    error = "cannot read the plug-in '" + path + "': " + why;
    return false;
  }
  if (!ReadPluginPipl(pe, &pipl, &why)) {
    error = "'" + path + "' has no readable plug-in property list: " + why;
    return false;
  }
  return true;
}

}  // namespace

bool EnableExpressionAdmits(const std::string& expression, int16_t imageMode) {
  const std::vector<std::string> w = Words(expression);
  if (w.size() < 5 || w[0] != "in" || w[1] != "(" || w[2] != "PSHOP_ImageMode" || w.back() != ")") {
    return true;  // a form we do not evaluate
  }
  for (size_t i = 3; i + 1 < w.size(); i += 2) {
    if (w[i] != ",") return true;
    if (w[i + 1] == ModeText(imageMode)) return true;
  }
  return false;
}

bool CheckPluginFile(const std::string& path, int16_t imageMode, bool requireHostMachine,
                     std::string& entryName, std::string& error) {
  PeReader pe;
  PiplInfo pipl;
  if (!LoadPipl(path, pe, pipl, error)) return false;
  if (pipl.kind != kFilterKind) {
    error = "'" + path + "' is not a filter plug-in (kind " + FourCharText(pipl.kind) + ")";
    return false;
  }
  if (requireHostMachine) {
    const uint16_t own = sizeof(void*) == 8 ? kPeMachineAmd64 : kPeMachineI386;
    if (pe.Machine() != own) {
      error = "'" + path + "' is a " + PeReader::MachineName(pe.Machine()) +
              " plug-in; this host runs " + PeReader::MachineName(own) + " plug-ins";
      return false;
    }
  }
  entryName = pipl.EntryPointFor(pe.Machine());
  if (entryName.empty()) {
    error = "'" + path + "' names no entry point for " + PeReader::MachineName(pe.Machine());
    return false;
  }
  const uint16_t flag = ModeFlag(imageMode);
  if (!pipl.hasModes || flag == 0 || (pipl.modes & flag) == 0 ||
      !EnableExpressionAdmits(pipl.enableExpression, imageMode)) {
    error = "the plug-in '" + path + "' does not support the image mode " + ModeText(imageMode);
    return false;
  }
  return true;
}

bool DescribePluginFile(const std::string& path, std::string& text, std::string& error) {
  PeReader pe;
  PiplInfo pipl;
  if (!LoadPipl(path, pe, pipl, error)) return false;
  char line[512];
  auto add = [&text](const std::string& s) { text += s + "\n"; };
  add("file: " + path + " (" + PeReader::MachineName(pe.Machine()) +
      (pe.IsDll() ? " DLL)" : " executable)"));
  add("kind: " + FourCharText(pipl.kind) + (pipl.kind == kFilterKind ? " (filter)" : ""));
  add("name: " + pipl.name);
  add("category: " + pipl.category);
  std::snprintf(line, sizeof(line), "version: %u.%u", unsigned(pipl.interfaceVersion >> 16),
                unsigned(pipl.interfaceVersion & 0xFFFF));
  add(line);
  std::string entries;
  for (const PiplEntryPoint& e : pipl.entryPoints) {
    entries += (entries.empty() ? "" : ", ") + FourCharText(e.key) + " " + e.name;
  }
  add("entry points: " + entries);
  std::string exports;
  for (const std::string& e : pe.ExportNames()) exports += (exports.empty() ? "" : ", ") + e;
  add("exports: " + exports);
  add("modes: " + (pipl.hasModes ? PiplModeNames(pipl.modes) : std::string("(none)")));
  if (!pipl.enableExpression.empty()) add("enable: " + pipl.enableExpression);
  if (!pipl.filterCases.empty()) {
    add("filter cases:");
    for (size_t i = 0; i < pipl.filterCases.size(); ++i) {
      const PiplFilterCase& c = pipl.filterCases[i];
      std::snprintf(line, sizeof(line), "  %zu %s: input %s, output %s, flags 0x%02x 0x%02x", i + 1,
                    i < 7 ? kCaseNames[i] : "(extra)", HandlingText(c.inputHandling),
                    HandlingText(c.outputHandling), c.flags1, c.flags2);
      add(line);
    }
  }
  if (pipl.hasTerminology) {
    std::snprintf(line, sizeof(line), "terminology: class %s, event %s, resource %u, scope \"%s\"",
                  FourCharText(pipl.terminologyClass).c_str(),
                  FourCharText(pipl.terminologyEvent).c_str(), unsigned(pipl.terminologyId),
                  pipl.terminologyScope.c_str());
    add(line);
    const PeResource* res =
        pe.FindResource(PeResourceName("AETE"), PeResourceName(pipl.terminologyId));
    std::vector<uint8_t> bytes;
    AeteInfo aete;
    std::string why;
    if (res != nullptr && pe.ReadResource(*res, &bytes) && ParseAete(bytes, &aete, &why)) {
      add("scripting keys:");
      for (const AeteSuite& s : aete.suites) {
        for (const AeteEvent& e : s.events) {
          for (const AeteParameter& p : e.parameters) {
            add("  " + FourCharText(p.key) + " " + FourCharText(p.type) + " " + p.name);
          }
        }
      }
    } else {
      add("scripting keys: (terminology resource unreadable)");
    }
  }
  // Names come from the file: control bytes would reach the terminal as commands.
  std::string shown;
  for (const char c : text) {
    const unsigned char u = static_cast<unsigned char>(c);
    if ((u < 0x20 && c != '\n') || u == 0x7F) {
      std::snprintf(line, sizeof(line), "\\x%02x", unsigned(u));
      shown += line;
    } else {
      shown += c;
    }
  }
  text = std::move(shown);
  return true;
}
