#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "params/pfPresetFileWriter.h"

// POSIX rename replaces an existing target atomically.
bool pfReplaceFile(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

pfPresetFileLock::pfPresetFileLock(const std::string& path) : handle(-1) {
  if (path.empty()) return;
  handle = ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (handle < 0) return;
  while (::flock(int(handle), LOCK_EX) != 0) {
    if (errno != EINTR) {
      ::close(int(handle));
      handle = -1;
      return;
    }
  }
}

pfPresetFileLock::~pfPresetFileLock() {
  if (handle >= 0) ::close(int(handle));  // closing releases the lock
}
