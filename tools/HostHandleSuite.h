// The host's handle suite (version 1, 8 routines). A handle is the address of a master
// pointer, as the API expects: *handle is the block. The suite keeps every handle it handed
// out, so that it can tell its own handles from foreign ones and release leftovers at the end
// of a run. Descriptors travel in these handles too.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/PiApi.h"

class HostHandleSuite {
 public:
  HostHandleSuite();   // becomes the suite the static routines serve
  ~HostHandleSuite();  // releases leftovers
  HostHandleSuite(const HostHandleSuite&) = delete;
  HostHandleSuite& operator=(const HostHandleSuite&) = delete;

  HandleProcs* Procs() { return &procs; }

  // Host-side use of the same handles.
  Handle New(int32_t size);
  Handle NewFrom(const std::string& bytes);
  bool Owns(Handle h) const;
  void Dispose(Handle h);
  int32_t Size(Handle h) const;          // -1 for a handle that is not ours
  std::string Contents(Handle h) const;  // empty for a handle that is not ours
  size_t LiveCount() const;

 private:
  struct Block;
  static HostHandleSuite* active;
  HostHandleSuite* previous = nullptr;
  static Handle NewProc(int32_t size);
  static void DisposeProc(Handle h);
  static int32_t GetSizeProc(Handle h);
  static OSErr SetSizeProc(Handle h, int32_t newSize);
  static Ptr LockProc(Handle h, PiBoolean moveHigh);
  static void UnlockProc(Handle h);
  static void RecoverSpaceProc(int32_t size);
  static void DisposeRegularHandleProc(Handle h);

  OSErr SetSize(Handle h, int32_t newSize);
  Block* Find(Handle h) const;

  HandleProcs procs;
  mutable std::mutex lock;  // plug-in worker threads may allocate while the host thread reports
  std::map<Block*, std::unique_ptr<Block>> blocks;  // by the handle handed out
  // Disposed blocks keep their (small) record until the suite ends, so a handle address is
  // never reused within a run: the host can tell "the plug-in kept my handle" from "the
  // plug-in disposed of it and got a new one at the same address".
  std::vector<std::unique_ptr<Block>> retired;
};
