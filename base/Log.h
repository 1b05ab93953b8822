// Process-wide diagnostic log with nested ENTER/EXIT indentation. Silent (one comparison per
// trace point) until a file is opened; only the host's thread writes to it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <exception>
#include <sstream>
#include <string>

enum LogLevel : int32_t { kLogError = 1, kLogWarning = 2, kLogTrace = 3 };

// True when a line of this level would be written: a file is open and the level is enabled.
bool LogWanted(int32_t level);
// The line being composed; trace points stream into it, then call WriteLogLine.
std::ostringstream& LogLine();
// Writes the indentation and the composed line, flushes, and empties the line.
void WriteLogLine();
void LogIndent();   // logDepth + 1
void LogOutdent();  // logDepth - 1
int32_t LogDepth();

int32_t GetLogLevel();
void SetLogLevel(int32_t level);
// Opens (appending) or closes (empty path) the log file. Returns false when it cannot be opened.
bool OpenLogFile(const std::string& path);
void CloseLogFile();

// A pointer as upper-case hex with as many digits as a pointer has (8 or 16); the texts put
// "0x" in front themselves.
struct LogPointer {
  const void* p;
};
inline LogPointer LogPtr(const void* p) { return LogPointer{p}; }
std::ostream& operator<<(std::ostream& os, LogPointer p);

// One traced call: the line "ENTER: <text>" where it begins, "EXIT : <text>" where it ends, and
// the lines between indented by one step. QLOG_SCOPE declares it at the top of a function with
// the enter text and the exit text (a literal); the exit line is written when the scope ends,
// or earlier by QLOG_SCOPE_EXIT, whose text may report results. An exception leaving the scope
// writes no exit line: ENTRYPOINT restores the indentation and logs the error.
class LogScope {
 public:
  explicit LogScope(const char* exitText_) : exitText(exitText_) {}
  ~LogScope() {
    if (open && LogWanted(kLogTrace) && std::uncaught_exceptions() <= exceptions) {
      LogOutdent();
      LogLine() << "EXIT : " << exitText << "\n";
      WriteLogLine();
    }
  }
  LogScope(const LogScope&) = delete;
  LogScope& operator=(const LogScope&) = delete;

  // For the macros: Open starts the scope when traces are written (the caller then writes the
  // enter line); Close ends it early, true when the caller is to write the exit line.
  bool Open() {
    open = LogWanted(kLogTrace);
    return open;
  }
  bool Close() {
    const bool wasOpen = open;
    open = false;
    return wasOpen && LogWanted(kLogTrace);
  }

 private:
  const char* exitText;
  bool open = false;
  int exceptions = std::uncaught_exceptions();
};

// Trace points. Each tests its level and the file before composing anything.
#define QLOG_SCOPE(scope, enterText, exitText)   \
  LogScope scope(exitText);                      \
  if (scope.Open()) {                            \
    LogLine() << "ENTER: " << enterText << "\n"; \
    WriteLogLine();                              \
    LogIndent();                                 \
  }                                              \
  static_cast<void>(0)

#define QLOG_SCOPE_EXIT(scope, text)          \
  do {                                        \
    if (scope.Close()) {                      \
      LogOutdent();                           \
      LogLine() << "EXIT : " << text << "\n"; \
      WriteLogLine();                         \
    }                                         \
  } while (0)

#define QLOG_ERROR(text)                                    \
  do {                                                      \
    if (LogWanted(kLogError)) {                             \
      LogLine() << "-**### ERROR ###**-: " << text << "\n"; \
      WriteLogLine();                                       \
    }                                                       \
  } while (0)

#define QLOG_WARNING(text)                                    \
  do {                                                        \
    if (LogWanted(kLogWarning)) {                             \
      LogLine() << "-**### WARNING ###**-: " << text << "\n"; \
      WriteLogLine();                                         \
    }                                                         \
  } while (0)

#define QLOG_TRACE(text)         \
  do {                           \
    if (LogWanted(kLogTrace)) {  \
      LogLine() << text << "\n"; \
      WriteLogLine();            \
    }                            \
  } while (0)
