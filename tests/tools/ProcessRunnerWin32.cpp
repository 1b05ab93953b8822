#include <windows.h>

#include "tests/tools/ProcessRunner.h"
#include "tests/tools/TestFiles.h"

namespace {

HANDLE OpenForChild(const std::string& path) {
  SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
  return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

ProcessResult RunProcess(const std::vector<std::string>& argv, const std::string& workDir,
                         const std::vector<std::string>& extraEnv) {
  ProcessResult r;
  std::string commandLine;
  for (const std::string& a : argv) {
    if (!commandLine.empty()) commandLine += ' ';
    commandLine += '"' + a + '"';  // no argument here holds a quote or ends in a backslash
  }
  for (const std::string& e : extraEnv) {
    const size_t eq = e.find('=');
    SetEnvironmentVariableA(e.substr(0, eq).c_str(), e.substr(eq + 1).c_str());
  }
  // Fresh capture files for every run: a finished child's handles may linger for a moment
  // under Wine, and a reused name would then read the previous run's output.
  static int runs = 0;
  const std::string stem = workDir + "\\child" + std::to_string(++runs);
  const std::string outPath = stem + ".out", errPath = stem + ".err";
  HANDLE out = OpenForChild(outPath), err = OpenForChild(errPath);
  if (out == INVALID_HANDLE_VALUE || err == INVALID_HANDLE_VALUE) {
    r.err = "cannot create the capture files " + stem + ".*";
    return r;
  }
  STARTUPINFOA si{};
  si.cb = sizeof(si);
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  si.hStdOutput = out;
  si.hStdError = err;
  PROCESS_INFORMATION pi{};
  if (CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si,
                     &pi)) {
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    r.exitCode = int(code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }
  CloseHandle(out);
  CloseHandle(err);
  for (const std::string& e : extraEnv) {
    SetEnvironmentVariableA(e.substr(0, e.find('=')).c_str(), nullptr);
  }
  r.out = ReadFileForTest(outPath);
  r.err = ReadFileForTest(errPath);
  return r;
}
