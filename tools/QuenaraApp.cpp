#include "tools/QuenaraApp.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

#include "tools/CommandLine.h"
#include "tools/HostImage.h"
#include "tools/ParameterValues.h"
#include "tools/PluginFile.h"
#include "tools/PluginModule.h"
#include "tools/PngImage.h"
#include "tools/PresetCommands.h"
#include "tools/ProgressBar.h"
#include "tools/ReferenceHost.h"
#ifdef _WIN32
#include "tools/HostWindowWin32.h"
#endif

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr int kExitCancelled = 130;
constexpr int32_t kMaxSide = 30000;  // the record's 16-bit coordinates
constexpr int16_t kErrReportString = -30904;

std::atomic<bool> cancelRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "flag is set from a signal handler");

extern "C" void OnInterrupt(int) {
  cancelRequested.store(true);
  std::signal(SIGINT, SIG_DFL);  // a second Ctrl-C ends the program at once
}

int Fail(int code, const std::string& message) {
  std::fprintf(stderr, "quenara: %s\n", message.c_str());
  return code;
}

// The temporary file being written, for the signal handlers: a fixed buffer, since all they may
// do is unlink it.
char pendingTemp[4096] = {};

extern "C" void OnSignalDuringWrite(int sig) {
  if (pendingTemp[0] != 0) std::remove(pendingTemp);
  std::signal(sig, SIG_DFL);
  std::raise(sig);
}

// While a temporary output file exists, the signals that end the program remove it first.
class TempFileGuard {
 public:
  explicit TempFileGuard(const std::string& temp) {
    if (temp.size() < sizeof(pendingTemp)) {
      std::memcpy(pendingTemp, temp.c_str(), temp.size() + 1);
    }
    for (int sig : kSignals) std::signal(sig, OnSignalDuringWrite);
  }
  ~TempFileGuard() {
    for (int sig : kSignals) std::signal(sig, SIG_DFL);
    pendingTemp[0] = 0;
  }
  TempFileGuard(const TempFileGuard&) = delete;
  TempFileGuard& operator=(const TempFileGuard&) = delete;

 private:
#ifdef _WIN32
  static constexpr int kSignals[] = {SIGINT, SIGTERM};
#else
  static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGXFSZ};
#endif
};

// Where the output goes, decided before the render so that a bad path fails at once: a
// symbolic link is followed (the link stays, its target is replaced), a device or pipe is
// written to directly, a directory or a read-only file is refused.
struct OutputTarget {
  std::filesystem::path file;  // the file to replace or write
  bool direct = false;         // not a regular file: written in place
  bool exists = false;
  std::filesystem::perms mode = std::filesystem::perms::unknown;
};

bool PrepareOutput(const std::string& path, OutputTarget& target, std::string& error) {
  namespace fs = std::filesystem;
  std::error_code ec;
  target.file = fs::path(path);
  if (fs::is_symlink(fs::symlink_status(target.file, ec))) {
    target.file = fs::weakly_canonical(target.file, ec);
    if (ec) {
      error = "cannot follow the link '" + path + "': " + ec.message();
      return false;
    }
  }
  const fs::file_status status = fs::status(target.file, ec);
  target.exists = !ec && fs::exists(status);
  if (target.exists && fs::is_directory(status)) {
    error = "'" + path + "' is a directory";
    return false;
  }
  if (target.exists && !fs::is_regular_file(status)) {
    target.direct = true;
    return true;
  }
  if (target.exists) {
    target.mode = status.permissions();
    if ((target.mode & fs::perms::owner_write) == fs::perms::none) {
      error = "'" + path + "' is read-only";
      return false;
    }
  }
  return true;
}

// Writes through a temporary file next to the target and renames it into place, so that a
// failure or a signal never leaves a partial output file. The temporary name is short, so any
// name the file system allows for the output works, and errors name the output, not it.
bool WriteOutput(const std::string& path, const OutputTarget& target, const PngImage& png,
                 int level, std::string& error) {
  namespace fs = std::filesystem;
  if (target.direct) return WritePng(target.file.string(), png, error, level);
  std::random_device seed;
  const fs::path temp =
      target.file.parent_path() / (".quenara-" + std::to_string(seed() % 1000000) + ".tmp");
  std::error_code ec;
  {
    TempFileGuard guard(temp.string());
    std::string why;
    bool ok = WritePng(temp.string(), png, why, level);
    if (ok && target.exists) fs::permissions(temp, target.mode, ec);
    if (ok) fs::rename(temp, target.file, ec);
    if (!ok || ec) {
      fs::remove(temp, ec);
      const size_t colon = why.rfind(": ");
      error = "cannot write '" + path + "'" +
              (ok                           ? ": " + ec.message()
               : colon != std::string::npos ? why.substr(colon)
                                            : "");
      return false;
    }
  }
  return true;
}

bool LoadDocument(const CommandLine& cl, HostDocument& doc, std::string& error) {
  PngImage png;
  if (!ReadPng(cl.input, png, error)) return false;
  if (png.width > uint32_t(kMaxSide) || png.height > uint32_t(kMaxSide)) {
    error = "'" + cl.input + "' is larger than " + std::to_string(kMaxSide) +
            " pixels on a side, the most a filter record can describe";
    return false;
  }
  if (png.width / uint32_t(cl.reduction) == 0 || png.height / uint32_t(cl.reduction) == 0) {
    error = "'" + cl.input + "' is too small for --reduction " + std::to_string(cl.reduction);
    return false;
  }
  doc.source = HostImageFromPng(png);
  doc.colourPlanes = png.channels <= 2 ? 1 : 3;
  doc.hasAlpha = png.channels == 2 || png.channels == 4;
  if (!cl.mask.empty()) {
    PngImage maskPng;
    if (!ReadPng(cl.mask, maskPng, error)) return false;
    if (maskPng.channels != 1) {
      error = "mask '" + cl.mask + "' must be a grey PNG without alpha";
      return false;
    }
    if (maskPng.width != png.width || maskPng.height != png.height) {
      error = "mask '" + cl.mask + "' is " + std::to_string(maskPng.width) + "x" +
              std::to_string(maskPng.height) + ", the image is " + std::to_string(png.width) + "x" +
              std::to_string(png.height);
      return false;
    }
    doc.mask = MaskFromPng(maskPng, doc.source.BytesPerSample());
  }
  return true;
}

int RunFilter(const CommandLine& cl) {
#ifndef _WIN32
  if (cl.dialog)
    return Fail(kExitFailure, "--dialog needs Windows: the plug-in's dialog is a Win32 dialog");
#endif
  HostDocument doc;
  std::string error;
  if (!LoadDocument(cl, doc, error)) return Fail(kExitFailure, error);
  OutputTarget target;
  if (!PrepareOutput(cl.output, target, error)) return Fail(kExitFailure, error);
  if (!cl.log.empty()) {
    std::error_code ec;
    for (const std::string& other : {cl.input, cl.output, cl.mask}) {
      if (!other.empty() && std::filesystem::equivalent(cl.log, other, ec)) {
        return Fail(kExitFailure, "--log '" + cl.log + "' would overwrite '" + other + "'");
      }
    }
  }

  HostDescriptor playback;
  if (!BuildPlayback(cl.params, playback, error)) return Fail(kExitFailure, error);
  if (!cl.preset.empty()) {
    // The preset first, the -p values over it.
    HostDescriptor preset;
    if (!PresetToPlayback(cl.preset, cl.presetName, preset, error)) {
      return Fail(kExitFailure, error);
    }
    for (const DescriptorItem& item : playback.items) {
      bool replaced = false;
      for (DescriptorItem& p : preset.items) {
        if (p.key == item.key) {
          p = item;
          replaced = true;
        }
      }
      if (!replaced) preset.items.push_back(item);
    }
    playback = std::move(preset);
  }

  const std::string pluginPath = cl.plugin.empty() ? DefaultPluginPath() : cl.plugin;
  std::string entryName;
  // The host reads the PiPL before it runs anything. Natively the linked plug-in is trusted
  // unless a file is named; on Windows the file must also be loadable into this process.
  if (!pluginPath.empty()) {
#ifdef _WIN32
    const bool requireHostMachine = true;
#else
    const bool requireHostMachine = false;
#endif
    const int16_t mode = ImageModeFor(doc.colourPlanes, doc.source.BytesPerSample());
    if (!CheckPluginFile(pluginPath, mode, requireHostMachine, entryName, error)) {
      return Fail(kExitFailure, error);
    }
  }
  if (!cl.log.empty() && !RoutePluginLog(cl.log, error)) return Fail(kExitFailure, error);
  std::unique_ptr<PluginModule> plugin = LoadPluginModule(pluginPath, entryName, error);
  if (plugin == nullptr) {
    RestorePluginLog();
    return Fail(kExitFailure, error);
  }

  ReferenceHost host(std::move(doc));
  host.SetPreviewReduction(cl.reduction);
  // Values reach the plug-in as an action replay does: a descriptor and "don't display".
  host.SetPlayback(playback.items.empty() ? nullptr : &playback,
                   cl.dialog ? plugInDialogDisplay : plugInDialogDontDisplay);
  ProgressBar bar(!cl.quiet && ProgressBar::StderrIsTerminal(), stderr);
  host.SetProgressObserver([&bar](int32_t done, int32_t total) { bar.Update(done, total); });
  cancelRequested.store(false);
  host.SetCancelFlag(&cancelRequested);
  std::signal(SIGINT, OnInterrupt);

#ifdef _WIN32
  // The dialog needs a window of the host to belong to.
  const intptr_t hostWindow = cl.dialog ? CreateHostWindow() : 0;
  host.SetHostWindow(hostWindow);
#endif
  const auto t0 = std::chrono::steady_clock::now();
  const int16_t result = host.Run(plugin->Entry(), cl.dialog);
  const auto t1 = std::chrono::steady_clock::now();
#ifdef _WIN32
  DestroyHostWindow(hostWindow);
#endif
  std::signal(SIGINT, SIG_DFL);
  bar.Finish();
  RestorePluginLog();

  if (result == userCanceledErr) return Fail(kExitCancelled, "cancelled, nothing written");
  if (result == kErrReportString) return Fail(kExitFailure, "plug-in error: " + host.ErrorText());
  if (result != noErr) return Fail(kExitFailure, ResultCodeText(result));

  HostDescriptor recorded;
  const bool haveRecorded = host.Recorded(recorded);
  if (!playback.items.empty() && !CheckRecorded(playback, recorded, error)) {
    return Fail(kExitFailure, error);
  }
  if (!WriteOutput(cl.output, target, PngFromHostImage(host.Destination()),
                   cl.compression < 0 ? kDefaultPngLevel : cl.compression, error)) {
    return Fail(kExitFailure, error);
  }
  if (cl.printParams && haveRecorded) std::fputs(FormatRecorded(recorded).c_str(), stdout);
  if (cl.time) {
    const double seconds = std::chrono::duration<double>(t1 - t0).count();
    std::printf("render time: %.3f s\n", seconds);
  }
  return 0;
}

}  // namespace

int QuenaraMain(const std::vector<std::string>& args) {
  CommandLine cl;
  std::string error;
  if (!ParseCommandLine(args, cl, error)) return Fail(kExitUsage, error);
  if (cl.help) {
    std::fputs(UsageText(), stdout);
    return 0;
  }
  if (!cl.info.empty()) {
    std::string text;
    if (!DescribePluginFile(cl.info, text, error)) return Fail(kExitFailure, error);
    std::fputs(text.c_str(), stdout);
    return 0;
  }
  if (!cl.listPresets.empty()) {
    std::vector<std::string> names;
    if (!ListPresets(cl.listPresets, names, error)) return Fail(kExitFailure, error);
    for (const std::string& n : names) std::printf("%s\n", n.c_str());
    return 0;
  }
  if (!cl.deletePreset.empty()) {
    return DeletePreset(cl.deletePreset, cl.presetName, error) ? 0 : Fail(kExitFailure, error);
  }
  if (!cl.savePreset.empty()) {
    HostDescriptor values;
    if (!BuildPlayback(cl.params, values, error)) return Fail(kExitFailure, error);
    return SavePreset(cl.savePreset, cl.presetName, values, error) ? 0 : Fail(kExitFailure, error);
  }
  return RunFilter(cl);
}
