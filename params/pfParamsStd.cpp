// What the parameter model needs of a platform without Windows: replacing a preset file in
// one step, the preset file lock, and a handle a host gave without its handle suite.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "base/Log.h"
#include "params/pfPresetFile.h"
#include "params/pfScriptSuites.h"

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

// Without Windows there is no platform handle allocator whose handles a host could have
// given us, so a handle we cannot return through the host's suite is left to the host: a
// small leak is safer than freeing memory of unknown origin. The reference host always
// supplies the handle suite, so this is only reached with a host that does not.
void pfDisposeHandleFallback(Handle handle) {
  if (handle != nullptr) {
    QLOG_WARNING("no handle suite to dispose of descriptor 0x" << LogPtr(handle));
  }
}
