#include "tools/QuenaraApp.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <memory>
#include <random>
#include <system_error>

#include "tools/CommandLine.h"
#include "tools/HostImage.h"
#include "tools/ImageFile.h"
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

// The -p values the plug-in will clamp, one line each; the run goes on with them.
void WarnOutOfRange(const HostDescriptor& values) {
  for (const std::string& note : RangeNotes(values))
    std::fprintf(stderr, "quenara: %s\n", note.c_str());
}

// The temporary file being written, for the signal handlers: a fixed buffer, since all they may
// do is unlink it.
char pendingTemp[4096] = {};

extern "C" void OnSignalDuringWrite(int sig) {
  if (pendingTemp[0] != 0) std::remove(pendingTemp);
  std::signal(sig, SIG_DFL);
  std::raise(sig);
}

// While a temporary output file exists, the signals that end the program remove it first. An
// interrupt the program already handles (a batch stops after the file being written) is left
// to its handler; the previous handlers come back afterwards.
class TempFileGuard {
 public:
  explicit TempFileGuard(const std::string& temp) {
    if (temp.size() < sizeof(pendingTemp)) {
      std::memcpy(pendingTemp, temp.c_str(), temp.size() + 1);
    }
    for (size_t i = 0; i < kCount; ++i) {
      previous[i] = std::signal(kSignals[i], OnSignalDuringWrite);
      if (kSignals[i] == SIGINT && previous[i] != SIG_DFL) std::signal(SIGINT, previous[i]);
    }
  }
  ~TempFileGuard() {
    for (size_t i = 0; i < kCount; ++i) std::signal(kSignals[i], previous[i]);
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
  static constexpr size_t kCount = sizeof(kSignals) / sizeof(kSignals[0]);
  void (*previous[kCount])(int) = {};
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
  // Links are followed by hand: the target may not exist yet, which the library's canonical
  // forms do not resolve.
  for (int hops = 0; fs::is_symlink(fs::symlink_status(target.file, ec)); ++hops) {
    const fs::path next = fs::read_symlink(target.file, ec);
    if (ec || hops == 40) {
      error = "cannot follow the link '" + path + "'";
      return false;
    }
    target.file = next.is_absolute() ? next : target.file.parent_path() / next;
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
                 ImageFormat format, const ImageWriteOptions& options, std::string& error) {
  namespace fs = std::filesystem;
  // libtiff seeks back to fill in offsets, which a device cannot do: a TIFF for one is made in
  // the temporary directory and copied.
  const bool copy = target.direct && format == ImageFormat::kTiff;
  if (target.direct && !copy) return WriteImage(target.file.string(), format, png, options, error);
  std::error_code ec;
  std::random_device seed;
  const fs::path temp = (copy ? fs::temp_directory_path(ec) : target.file.parent_path()) /
                        (".quenara-" + std::to_string(seed() % 1000000) + ".tmp");
  {
    TempFileGuard guard(temp.string());
    std::string why;
    bool ok = WriteImage(temp.string(), format, png, options, why);
    if (ok && copy) {
      std::ifstream in(temp, std::ios::binary);
      std::ofstream out(target.file, std::ios::binary);
      out << in.rdbuf();
      out.flush();
      if (!out) ec = std::error_code(errno != 0 ? errno : EIO, std::generic_category());
    } else if (ok) {
      if (target.exists) fs::permissions(temp, target.mode, ec);
      fs::rename(temp, target.file, ec);
    }
    if (!ok || ec || copy) {
      std::error_code ignored;
      fs::remove(temp, ignored);
    }
    if (!ok || ec) {
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

ImageWriteOptions WriteOptions(const CommandLine& cl) {
  ImageWriteOptions options;
  if (cl.compression >= 0) options.level = cl.compression;
  options.tiff = cl.tiffCompression;
  options.jpegQuality = cl.quality;
  return options;
}

// One line on stderr for what the output's format cannot keep of the input; nothing is
// dropped without a word.
std::string LossNote(const std::string& input, const std::string& output, const PngImage& png,
                     ImageFormat format) {
  const std::string lost = LostInFormat(png, format);
  return lost.empty() ? "" : "writing '" + output + "' from '" + input + "' drops " + lost;
}

void Note(const std::string& text) {
  if (!text.empty()) std::fprintf(stderr, "quenara: note: %s\n", text.c_str());
}

// Reads the input (and the mask) into the document; the input's format and metadata come back
// for the output.
bool LoadDocument(const std::string& input, const CommandLine& cl, HostDocument& doc,
                  ImageFormat& format, ImageMetadata& metadata, std::string& error) {
  PngImage png;
  if (!ReadImage(input, png, format, error)) return false;
  if (png.width > uint32_t(kMaxSide) || png.height > uint32_t(kMaxSide)) {
    error = "'" + input + "' is larger than " + std::to_string(kMaxSide) +
            " pixels on a side, the most a filter record can describe";
    return false;
  }
  if (png.width / uint32_t(cl.reduction) == 0 || png.height / uint32_t(cl.reduction) == 0) {
    error = "'" + input + "' is too small for --reduction " + std::to_string(cl.reduction);
    return false;
  }
  doc.source = HostImageFromPng(png);
  metadata = std::move(png.metadata);
  if (cl.reduction > 1 && metadata.unit != ImageMetadata::Unit::kAspect) {
    // The reduced picture covers the same paper.
    metadata.xDensity /= cl.reduction;
    metadata.yDensity /= cl.reduction;
  }
  doc.colourPlanes = png.channels <= 2 ? 1 : 3;
  doc.hasAlpha = png.channels == 2 || png.channels == 4;
  if (!cl.mask.empty()) {
    PngImage maskPng;
    ImageFormat maskFormat;
    if (!ReadImage(cl.mask, maskPng, maskFormat, error)) return false;
    if (maskPng.channels != 1) {
      error = "mask '" + cl.mask + "' must be a grey image without alpha";
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

// The values the plug-in replays, as an action replay hands them over: the preset first, the
// -p values over it.
bool BuildValues(const CommandLine& cl, HostDescriptor& playback, std::string& error) {
  if (!BuildPlayback(cl.params, playback, error)) return false;
  WarnOutOfRange(playback);
  if (cl.preset.empty()) return true;
  HostDescriptor preset;
  if (!PresetToPlayback(cl.preset, cl.presetName, preset, error)) return false;
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
  return true;
}

// What every image of a run shares: the values and the plug-in, loaded once as a host does.
struct Session {
  HostDescriptor playback;
  std::string pluginPath;
  std::unique_ptr<PluginModule> plugin;
  bool logRouted = false;
  ~Session() {
    plugin.reset();
    if (logRouted) RestorePluginLog();
  }
};

// The host reads the PiPL before it runs anything, for the image's mode. Natively the linked
// plug-in is trusted unless a file is named; on Windows the file must also be loadable into
// this process.
bool ReadyPlugin(const CommandLine& cl, const HostDocument& doc, Session& session,
                 std::string& error) {
  std::string entryName;
  if (!session.pluginPath.empty()) {
#ifdef _WIN32
    const bool requireHostMachine = true;
#else
    const bool requireHostMachine = false;
#endif
    const int16_t mode = ImageModeFor(doc.colourPlanes, doc.source.BytesPerSample());
    if (!CheckPluginFile(session.pluginPath, mode, requireHostMachine, entryName, error)) {
      return false;
    }
  }
  if (session.plugin != nullptr) return true;
  if (!cl.log.empty()) {
    if (!RoutePluginLog(cl.log, error)) return false;
    session.logRouted = true;
  }
  session.plugin = LoadPluginModule(session.pluginPath, entryName, error);
  return session.plugin != nullptr;
}

struct Rendered {
  PngImage png;
  HostDescriptor recorded;
  bool haveRecorded = false;
  double seconds = 0.0;
};

// Runs the plug-in on one document. Returns the exit code: 0 with the result in `out`, else
// the reason in `error`.
int RenderDocument(const CommandLine& cl, Session& session, HostDocument doc,
                   const std::function<void(int32_t, int32_t)>& progress, Rendered& out,
                   std::string& error) {
  if (!ReadyPlugin(cl, doc, session, error)) return kExitFailure;
  ReferenceHost host(std::move(doc));
  host.SetPreviewReduction(cl.reduction);
  const HostDescriptor& playback = session.playback;
  host.SetPlayback(playback.items.empty() ? nullptr : &playback,
                   cl.dialog ? plugInDialogDisplay : plugInDialogDontDisplay);
  host.SetProgressObserver(progress);
  host.SetCancelFlag(&cancelRequested);
#ifdef _WIN32
  // The dialog needs a window of the host to belong to.
  const intptr_t hostWindow = cl.dialog ? CreateHostWindow() : 0;
  host.SetHostWindow(hostWindow);
#endif
  const auto t0 = std::chrono::steady_clock::now();
  const int16_t result = host.Run(session.plugin->Entry(), cl.dialog);
  out.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
#ifdef _WIN32
  DestroyHostWindow(hostWindow);
#endif
  if (result == userCanceledErr) {
    error = "cancelled, nothing written";
    return kExitCancelled;
  }
  if (result == kErrReportString) {
    error = "plug-in error: " + host.ErrorText();
    return kExitFailure;
  }
  if (result != noErr) {
    error = ResultCodeText(result);
    return kExitFailure;
  }
  out.haveRecorded = host.Recorded(out.recorded);
  if (!playback.items.empty() && !CheckRecorded(playback, out.recorded, error)) {
    return kExitFailure;
  }
  out.png = PngFromHostImage(host.Destination());
  return 0;
}

void ReportRendered(const CommandLine& cl, const Rendered& r) {
  if (cl.printParams && r.haveRecorded) std::fputs(FormatRecorded(r.recorded).c_str(), stdout);
  if (cl.time) std::printf("render time: %.3f s\n", r.seconds);
}

int RunFilter(const CommandLine& cl) {
#ifndef _WIN32
  if (cl.dialog)
    return Fail(kExitFailure, "--dialog needs Windows: the plug-in's dialog is a Win32 dialog");
#endif
  HostDocument doc;
  std::string error;
  ImageFormat inFormat, outFormat;
  ImageMetadata metadata;
  const auto readStart = std::chrono::steady_clock::now();
  if (!LoadDocument(cl.input, cl, doc, inFormat, metadata, error)) return Fail(kExitFailure, error);
  const auto readEnd = std::chrono::steady_clock::now();
  OutputTarget target;
  if (!PrepareOutput(cl.output, target, error)) return Fail(kExitFailure, error);
  // A device such as /dev/null has no extension: it gets the input's format.
  if (!OutputFormat(cl.output, outFormat, error)) {
    if (!target.direct) return Fail(kExitFailure, error);
    outFormat = inFormat;
  }
  if (!CheckWritable(cl.output, outFormat, doc.source.Planes(), error)) {
    return Fail(kExitFailure, error);
  }
  if (!cl.log.empty()) {
    std::error_code ec;
    for (const std::string& other : {cl.input, cl.output, cl.mask}) {
      if (!other.empty() && std::filesystem::equivalent(cl.log, other, ec)) {
        return Fail(kExitFailure, "--log '" + cl.log + "' would overwrite '" + other + "'");
      }
    }
  }
  Session session;
  if (!BuildValues(cl, session.playback, error)) return Fail(kExitFailure, error);
  session.pluginPath = cl.plugin.empty() ? DefaultPluginPath() : cl.plugin;

  ProgressBar bar(!cl.quiet && ProgressBar::StderrIsTerminal(), stderr);
  cancelRequested.store(false);
  std::signal(SIGINT, OnInterrupt);
  Rendered rendered;
  const int code = RenderDocument(
      cl, session, std::move(doc), [&bar](int32_t done, int32_t total) { bar.Update(done, total); },
      rendered, error);
  std::signal(SIGINT, SIG_DFL);
  bar.Finish();
  session.plugin.reset();
  if (code != 0) return Fail(code, error);
  rendered.png.metadata = std::move(metadata);
  const auto writeStart = std::chrono::steady_clock::now();
  if (!WriteOutput(cl.output, target, rendered.png, outFormat, WriteOptions(cl), error)) {
    return Fail(kExitFailure, error);
  }
  const auto writeEnd = std::chrono::steady_clock::now();
  Note(LossNote(cl.input, cl.output, rendered.png, outFormat));
  ReportRendered(cl, rendered);
  if (cl.time) {
    // The files' share of the command: decoding into the host's image, and the way back.
    std::printf("read time: %.3f s\nwrite time: %.3f s\n",
                std::chrono::duration<double>(readEnd - readStart).count(),
                std::chrono::duration<double>(writeEnd - writeStart).count());
  }
  return 0;
}

// Many images with the same settings. The next file is read and the previous one written
// while the plug-in renders, so the disk and the encoder overlap the render; at most three
// images are in memory. A file that fails is reported and skipped. Each output keeps its
// input's name and format, whatever its extension says: a batch changes pictures, not files.
int RunBatch(const CommandLine& cl) {
  std::string error;
  if (cl.dialog) return Fail(kExitUsage, "--dialog works on one image, not on a batch");
  std::error_code ec;
  if (!std::filesystem::is_directory(cl.outputDir, ec)) {
    return Fail(kExitFailure, "output directory '" + cl.outputDir + "' does not exist");
  }
  Session session;
  if (!BuildValues(cl, session.playback, error)) return Fail(kExitFailure, error);
  session.pluginPath = cl.plugin.empty() ? DefaultPluginPath() : cl.plugin;

  struct Loaded {
    HostDocument doc;
    ImageFormat format = ImageFormat::kPng;
    ImageMetadata metadata;
    std::string error;
  };
  auto load = [&cl](const std::string& input) {
    Loaded l;
    if (!LoadDocument(input, cl, l.doc, l.format, l.metadata, l.error)) l.doc = HostDocument();
    return l;
  };
  struct Written {
    std::string input, output, error, note;
  };
  const ImageWriteOptions options = WriteOptions(cl);
  const size_t count = cl.inputs.size();
  ProgressBar bar(!cl.quiet && ProgressBar::StderrIsTerminal(), stderr);
  cancelRequested.store(false);
  std::signal(SIGINT, OnInterrupt);
  int failures = 0;
  bool cancelled = false;
  auto finish = [&](std::future<Written>& pending) {
    if (!pending.valid()) return;
    const Written w = pending.get();
    if (w.error.empty()) {
      std::printf("%s -> %s\n", w.input.c_str(), w.output.c_str());
      Note(w.note);
    } else {
      ++failures;
      Fail(kExitFailure, w.error);  // names the output
    }
    std::fflush(stdout);
  };
  std::future<Loaded> next = std::async(std::launch::async, load, cl.inputs[0]);
  std::future<Written> pending;
  for (size_t i = 0; i < count && !cancelled; ++i) {
    Loaded current = next.get();
    if (i + 1 < count) next = std::async(std::launch::async, load, cl.inputs[i + 1]);
    const std::string& input = cl.inputs[i];
    const std::string output =
        (std::filesystem::path(cl.outputDir) / std::filesystem::path(input).filename()).string();
    OutputTarget target;
    Rendered rendered;
    int code = kExitFailure;
    if (current.error.empty() && PrepareOutput(output, target, current.error)) {
      const int64_t base = int64_t(i) * 1000;
      code = RenderDocument(
          cl, session, std::move(current.doc),
          [&bar, base, count](int32_t done, int32_t total) {
            const int64_t part = total > 0 ? int64_t(done) * 1000 / total : 0;
            bar.Update(int32_t(base + part), int32_t(count * 1000));
          },
          rendered, current.error);
    }
    finish(pending);
    if (code == kExitCancelled) {
      cancelled = true;
      break;
    }
    if (code != 0) {
      ++failures;
      // Reading errors name the file already; the plug-in's do not.
      const bool named = current.error.find(input) != std::string::npos;
      Fail(kExitFailure, named ? current.error : input + ": " + current.error);
      continue;
    }
    ReportRendered(cl, rendered);
    rendered.png.metadata = std::move(current.metadata);
    pending = std::async(
        std::launch::async,
        [input, output, target, &options, format = current.format, png = std::move(rendered.png)] {
          Written w{input, output, "", ""};
          if (WriteOutput(output, target, png, format, options, w.error)) {
            w.note = LossNote(input, output, png, format);
          }
          return w;
        });
  }
  finish(pending);
  if (next.valid()) next.wait();
  std::signal(SIGINT, SIG_DFL);
  bar.Finish();
  if (cancelled) return Fail(kExitCancelled, "cancelled; the files listed above were written");
  if (failures > 0) {
    return Fail(kExitFailure,
                std::to_string(failures) + " of " + std::to_string(count) + " files failed");
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
    WarnOutOfRange(values);
    return SavePreset(cl.savePreset, cl.presetName, values, error) ? 0 : Fail(kExitFailure, error);
  }
  return cl.outputDir.empty() ? RunFilter(cl) : RunBatch(cl);
}
