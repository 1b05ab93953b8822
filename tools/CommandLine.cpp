#include "tools/CommandLine.h"

#include <cerrno>
#include <cstdlib>
#include <string>
#include <type_traits>

namespace {

bool ParseWholeNumber(const std::string& text, long low, long high, long& n) {
  if (text.empty() || text.size() > 9 ||
      text.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  errno = 0;
  const long v = std::strtol(text.c_str(), nullptr, 10);
  if (errno != 0 || v < low || v > high) return false;
  n = v;
  return true;
}

}  // namespace

const char* UsageText() {
  return "usage: quenara [OPTIONS] INPUT OUTPUT\n"
         "       quenara [OPTIONS] INPUT... -o DIR\n"
         "       quenara --info FILE.8bf\n"
         "       quenara --list-presets FILE.cfg\n"
         "       quenara --save-preset FILE.cfg --preset-name NAME [-p NAME=VALUE ...]\n"
         "       quenara --delete-preset FILE.cfg --preset-name NAME\n"
         "INPUT and OUTPUT are PNG, TIFF or JPEG files: the output's extension (.png, .tif,\n"
         ".tiff, .jpg, .jpeg) picks its format; a batch writes each file in its own format\n"
         "options:\n"
         "  -p, --param NAME=VALUE  set a parameter (key name or four-character key);\n"
         "                          Origin takes X,Y; lists take the 1-based index or the item\n"
         "                          text; booleans 0 or 1\n"
         "  --preset FILE.cfg       apply the preset --preset-name NAME before the -p values\n"
         "  --mask MASK.png         grey image of the image's size: the selection\n"
         "  --reduction N           render at 1/N as the plug-in's preview does\n"
         "  --compression N         deflate level of PNG and of TIFF's Deflate, 0 (none) to 9\n"
         "                          (smallest, slowest); the default 1 is the fastest\n"
         "  --tiff-compression C    TIFF compression: deflate (the default), lzw or none\n"
         "  --quality N             JPEG quality, 1 to 100; the default is 90\n"
         "  -o, --output-dir DIR    render every INPUT into DIR under its own name; a file\n"
         "                          that fails is reported and the others are still written\n"
         "  --print-params          print the parameters the plug-in recorded\n"
         "  --time                  print the render's wall time (and the reading and writing\n"
         "                          of a single file)\n"
         "  --quiet                 no progress bar\n"
         "  --log FILE              write the plug-in's diagnostic log to FILE\n"
         "  --plugin FILE.8bf       the plug-in to run (Windows) or to check (elsewhere)\n"
         "  --dialog                open the plug-in's dialog (Windows); nothing is written\n"
         "                          when it is cancelled\n"
         "  -h, --help              this text\n";
}

bool ParseCommandLine(const std::vector<std::string>& args, CommandLine& out, std::string& error) {
  CommandLine cl;
  std::vector<std::string> positional;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    // Options that take a value accept it as the next word or after '='.
    std::string name = a, inlineValue;
    bool hasInline = false;
    if (a.rfind("--", 0) == 0) {
      const size_t eq = a.find('=');
      if (eq != std::string::npos) {
        name = a.substr(0, eq);
        inlineValue = a.substr(eq + 1);
        hasInline = true;
      }
    }
    auto value = [&](std::string& v) {
      if (hasInline) {
        v = inlineValue;
        return true;
      }
      if (i + 1 >= args.size()) {
        error = "option " + name + " needs a value";
        return false;
      }
      v = args[++i];
      return true;
    };
    auto flag = [&](bool& f) {
      if (hasInline) {
        error = "option " + name + " takes no value";
        return false;
      }
      f = true;
      return true;
    };
    // A whole number from lo to hi; the message names the option and its range.
    auto number = [&](long lo, long hi, auto& n) {
      std::string v;
      long parsed = 0;
      if (!value(v)) return false;
      if (!ParseWholeNumber(v, lo, hi, parsed)) {
        error = name + " needs a whole number from " + std::to_string(lo) + " to " +
                std::to_string(hi) + ", not '" + v + "'";
        return false;
      }
      n = std::remove_reference_t<decltype(n)>(parsed);
      return true;
    };
    bool ok = true;
    if (name == "-p" || name == "--param") {
      std::string v;
      ok = value(v);
      if (ok) {
        const size_t eq = v.find('=');
        if (eq == std::string::npos || eq == 0) {
          error = "parameter setting '" + v + "' is not NAME=VALUE";
          return false;
        }
        cl.params.push_back({v.substr(0, eq), v.substr(eq + 1)});
      }
    } else if (name == "-o" || name == "--output-dir") {
      ok = value(cl.outputDir);
    } else if (name == "--mask") {
      ok = value(cl.mask);
    } else if (name == "--reduction") {
      ok = number(1, 1024, cl.reduction);
    } else if (name == "--compression") {
      ok = number(0, 9, cl.compression);
    } else if (name == "--tiff-compression") {
      std::string v;
      ok = value(v);
      if (ok && v == "none") {
        cl.tiffCompression = TiffCompression::kNone;
      } else if (ok && v == "lzw") {
        cl.tiffCompression = TiffCompression::kLzw;
      } else if (ok && v == "deflate") {
        cl.tiffCompression = TiffCompression::kDeflate;
      } else if (ok) {
        error = "--tiff-compression needs none, lzw or deflate, not '" + v + "'";
        return false;
      }
    } else if (name == "--quality") {
      ok = number(1, 100, cl.quality);
    } else if (name == "--print-params") {
      ok = flag(cl.printParams);
    } else if (name == "--quiet") {
      ok = flag(cl.quiet);
    } else if (name == "--time") {
      ok = flag(cl.time);
    } else if (name == "--dialog") {
      ok = flag(cl.dialog);
    } else if (name == "--log") {
      ok = value(cl.log);
    } else if (name == "--plugin") {
      ok = value(cl.plugin);
    } else if (name == "--info") {
      ok = value(cl.info);
    } else if (name == "--preset") {
      ok = value(cl.preset);
    } else if (name == "--preset-name") {
      ok = value(cl.presetName);
    } else if (name == "--save-preset") {
      ok = value(cl.savePreset);
    } else if (name == "--list-presets") {
      ok = value(cl.listPresets);
    } else if (name == "--delete-preset") {
      ok = value(cl.deletePreset);
    } else if (name == "-h" || name == "--help") {
      ok = flag(cl.help);
    } else if (a.size() > 1 && a[0] == '-') {
      error = "unknown option " + name;
      return false;
    } else {
      positional.push_back(a);
    }
    if (!ok) return false;
  }
  if (cl.help) {
    out = cl;
    return true;
  }
  const bool presetCommand =
      !cl.savePreset.empty() || !cl.listPresets.empty() || !cl.deletePreset.empty();
  const int commands = int(!cl.info.empty()) + int(!cl.savePreset.empty()) +
                       int(!cl.listPresets.empty()) + int(!cl.deletePreset.empty());
  if (commands > 1) {
    error = "--info, --save-preset, --list-presets and --delete-preset exclude each other";
    return false;
  }
  if (!cl.info.empty() || presetCommand) {
    if (!positional.empty()) {
      error = "unexpected argument '" + positional[0] + "'";
      return false;
    }
  } else if (!cl.outputDir.empty()) {
    if (positional.empty()) {
      error = "missing INPUT files for -o " + cl.outputDir;
      return false;
    }
    cl.inputs = positional;
  } else {
    if (positional.size() != 2) {
      error = positional.size() < 2 ? "missing INPUT and OUTPUT (see --help)"
                                    : "unexpected argument '" + positional[2] + "'";
      return false;
    }
    cl.input = positional[0];
    cl.output = positional[1];
  }
  if ((!cl.preset.empty() || !cl.savePreset.empty() || !cl.deletePreset.empty()) &&
      cl.presetName.empty()) {
    error = "--preset-name NAME is needed with --preset, --save-preset and --delete-preset";
    return false;
  }
  if (!cl.presetName.empty() && cl.preset.empty() && cl.savePreset.empty() &&
      cl.deletePreset.empty()) {
    error = "--preset-name needs --preset, --save-preset or --delete-preset";
    return false;
  }
  out = cl;
  return true;
}
