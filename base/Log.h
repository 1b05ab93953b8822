// Process-wide diagnostic log with nested ENTER/EXIT indentation. Silent (one comparison per
// trace point) until a file is opened; only the host's thread writes to it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>

enum LogLevel : int32_t { kLogError = 1, kLogWarning = 2, kLogTrace = 3 };

// True when a line of this level would be written: a file is open and the level is enabled.
bool LogWanted(int32_t level);
// The line being composed; trace points stream into it, then call WriteLogLine.
std::ostringstream& LogLine();
// Writes the indentation and the composed line, flushes, and empties the line.
void WriteLogLine();
void LogIndent();    // logDepth + 1
void LogOutdent();   // logDepth - 1
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

// Trace points. Each tests its level and the file before composing anything.
#define QLOG_ENTER(text)                      \
  do {                                        \
    if (LogWanted(kLogTrace)) {               \
      LogLine() << "ENTER: " << text << "\n"; \
      WriteLogLine();                         \
      LogIndent();                            \
    }                                         \
  } while (0)

#define QLOG_EXIT(text)                       \
  do {                                        \
    if (LogWanted(kLogTrace)) {               \
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

#define QLOG_TRACE(text)            \
  do {                              \
    if (LogWanted(kLogTrace)) {     \
      LogLine() << text << "\n";    \
      WriteLogLine();               \
    }                               \
  } while (0)
