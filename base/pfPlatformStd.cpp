#include <chrono>
#include <cstdio>
#include <string>

#include "base/pfPlatform.h"

uint32_t pfTickCount() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

void pfShowErrorMessage(const char* caption, const char* text) {
  // The message is written for a message box with its own line breaks; a terminal gets it on
  // one line, which keeps it together in logs of batch runs.
  std::string line;
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p != '\n' && *p != '\r') line += *p;
  }
  std::fprintf(stderr, "%s: %s\n", caption, line.c_str());
  std::fflush(stderr);
}

bool pfPumpMessages() { return true; }
