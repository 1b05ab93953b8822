#include "base/Log.h"

#include <iomanip>

namespace {
int32_t logLevel = kLogTrace;
FILE* logFile = nullptr;
int32_t logDepth = 0;

std::ostringstream& Line() {
  static std::ostringstream line;
  return line;
}
}  // namespace

bool LogWanted(int32_t level) { return logFile != nullptr && level <= logLevel; }

std::ostringstream& LogLine() { return Line(); }

void WriteLogLine() {
  if (logFile == nullptr) return;
  std::string indent;
  for (int32_t i = 0; i < logDepth; ++i) indent += "    ";
  std::fprintf(logFile, "%s", indent.c_str());
  std::fprintf(logFile, "%s", Line().str().c_str());
  std::fflush(logFile);
  Line().str(std::string());
  Line().clear();
}

void LogIndent() { ++logDepth; }
void LogOutdent() { --logDepth; }
int32_t LogDepth() { return logDepth; }

int32_t GetLogLevel() { return logLevel; }
void SetLogLevel(int32_t level) { logLevel = level; }

bool OpenLogFile(const std::string& path) {
  CloseLogFile();
  if (path.empty()) return true;
  logFile = std::fopen(path.c_str(), "a");
  return logFile != nullptr;
}

void CloseLogFile() {
  if (logFile != nullptr) std::fclose(logFile);
  logFile = nullptr;
  logDepth = 0;
}

std::ostream& operator<<(std::ostream& os, LogPointer p) {
  std::ios_base::fmtflags flags = os.flags();
  char fill = os.fill();
  os << std::uppercase << std::hex << std::setw(int(sizeof(void*) * 2)) << std::setfill('0')
     << reinterpret_cast<uintptr_t>(p.p);
  os.flags(flags);
  os.fill(fill);
  return os;
}
