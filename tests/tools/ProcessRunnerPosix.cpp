#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/tools/ProcessRunner.h"
#include "tests/tools/TestFiles.h"

extern char** environ;

ProcessResult RunProcess(const std::vector<std::string>& argv, const std::string& workDir,
                         const std::vector<std::string>& extraEnv) {
  const std::string outPath = workDir + "/child.out", errPath = workDir + "/child.err";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  // Extra variables through env(1), which executes the program in its own place.
  std::vector<std::string> command = extraEnv;
  if (!extraEnv.empty()) command.insert(command.begin(), "/usr/bin/env");
  command.insert(command.end(), argv.begin(), argv.end());
  std::vector<char*> args;
  for (const std::string& a : command) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  ProcessResult r;
  pid_t pid = -1;
  int status = 0;
  if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ) == 0 &&
      waitpid(pid, &status, 0) == pid) {
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  posix_spawn_file_actions_destroy(&actions);
  r.out = ReadFileForTest(outPath);
  r.err = ReadFileForTest(errPath);
  return r;
}
