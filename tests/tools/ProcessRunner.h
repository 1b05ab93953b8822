// Runs a program for the end-to-end tests and collects its exit code, stdout and stderr.
#pragma once

#include <string>
#include <vector>

struct ProcessResult {
  int exitCode = -1;  // 128 + signal number when a POSIX child died of a signal
  std::string out;
  std::string err;
};

// argv[0] is the program's path. workDir holds the captured output files. extraEnv entries
// ("NAME=value") are added to the child's environment.
ProcessResult RunProcess(const std::vector<std::string>& argv, const std::string& workDir,
                         const std::vector<std::string>& extraEnv = {});
