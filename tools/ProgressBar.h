// The progress bar on stderr: drawn only on a terminal, only for renders that take longer
// than half a second, and redrawn at most ten times a second.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>

class ProgressBar {
 public:
  // enabled: the user did not ask for quiet and stderr is a terminal.
  ProgressBar(bool enabled, std::FILE* stream);
  void Update(int32_t done, int32_t total);
  // Clears the bar, if one was drawn.
  void Finish();

  static bool StderrIsTerminal();

 private:
  using Clock = std::chrono::steady_clock;
  bool enabled;
  std::FILE* stream;
  Clock::time_point start;
  Clock::time_point lastDraw;
  bool drawn = false;
};
