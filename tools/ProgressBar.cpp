#include "tools/ProgressBar.h"

#include <unistd.h>  // isatty: mingw-w64 has it too

#include <string>

namespace {
constexpr auto kDelay = std::chrono::milliseconds(500);
constexpr auto kRedraw = std::chrono::milliseconds(100);
constexpr int kWidth = 40;
}  // namespace

ProgressBar::ProgressBar(bool enabled, std::FILE* stream)
    : enabled(enabled), stream(stream), start(Clock::now()), lastDraw(start) {}

bool ProgressBar::StderrIsTerminal() { return isatty(fileno(stderr)) != 0; }

void ProgressBar::Update(int32_t done, int32_t total) {
  if (!enabled || total <= 0) return;
  const Clock::time_point now = Clock::now();
  if (now - start < kDelay || (drawn && now - lastDraw < kRedraw)) return;
  int64_t permille = int64_t(done) * 1000 / total;
  permille = permille < 0 ? 0 : permille > 1000 ? 1000 : permille;
  const int filled = int(permille * kWidth / 1000);
  std::string bar = "\rquenara [" + std::string(size_t(filled), '#') +
                    std::string(size_t(kWidth - filled), '.') + "] " +
                    std::to_string(permille / 10) + "%";
  std::fputs(bar.c_str(), stream);
  std::fflush(stream);
  drawn = true;
  lastDraw = now;
}

void ProgressBar::Finish() {
  if (!drawn) return;
  std::fputs(("\r" + std::string(kWidth + 20, ' ') + "\r").c_str(), stream);
  std::fflush(stream);
  drawn = false;
}
