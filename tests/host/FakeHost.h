// A scripted host for the host-interface tests: a FilterRecord whose callbacks record what the
// plug-in asks for. The API's callbacks carry no context, so the one live FakeHost is reached
// through a static pointer; tests create one FakeHost at a time.
#pragma once

#include <cstdlib>
#include <cstring>
#include <set>
#include <utility>
#include <vector>

#include "base/PiApi.h"

class FakeHost {
 public:
  FakeHost() {
    current = this;
    std::memset(&record, 0, sizeof(record));
    record.abortProc = &Abort;
    record.progressProc = &Progress;
    record.advanceState = &AdvanceState;
    record.colorServices = &ColorServices;
    bufferProcs.bufferProcsVersion = 2;
    bufferProcs.numBufferProcs = 5;
    bufferProcs.allocateProc = &AllocateBuffer;
    bufferProcs.lockProc = &LockBuffer;
    bufferProcs.unlockProc = &UnlockBuffer;
    bufferProcs.freeProc = &FreeBuffer;
    bufferProcs.spaceProc = &BufferSpace;
    record.bufferProcs = &bufferProcs;
  }
  ~FakeHost() {
    for (Buffer* b : liveBuffers) {
      std::free(b->bytes);
      delete b;
    }
    current = nullptr;
  }
  FakeHost(const FakeHost&) = delete;
  FakeHost& operator=(const FakeHost&) = delete;

  FilterRecord record;
  BufferProcs bufferProcs;

  // advanceState
  OSErr advanceResult = noErr;
  int advanceCalls = 0;
  // progress and cancel
  std::vector<std::pair<int32_t, int32_t>> progress;
  bool cancelled = false;
  int abortCalls = 0;
  // buffer suite
  struct Buffer {
    void* bytes;
    int locks;
  };
  std::set<Buffer*> liveBuffers;
  int allocateCalls = 0;
  int freeCalls = 0;
  int unlockCalls = 0;
  bool refuseAllocation = false;
  // colour services
  OSErr colorResult = noErr;
  int colorCalls = 0;
  ColorServicesInfo colorRequest = {};
  int16_t colorAnswer[3] = {0, 0, 0};

  static FakeHost* current;

  static BufferID Id(Buffer* b) { return reinterpret_cast<BufferID>(b); }

 private:
  static PiBoolean Abort() {
    ++current->abortCalls;
    return current->cancelled ? 1 : 0;
  }
  static void Progress(int32_t done, int32_t total) { current->progress.emplace_back(done, total); }
  static OSErr AdvanceState() {
    ++current->advanceCalls;
    return current->advanceResult;
  }
  static OSErr ColorServices(ColorServicesInfo* info) {
    ++current->colorCalls;
    current->colorRequest = *info;
    if (current->colorResult == noErr) {
      for (int i = 0; i < 3; ++i) info->colorComponents[i] = current->colorAnswer[i];
    }
    return current->colorResult;
  }
  static OSErr AllocateBuffer(int32_t size, BufferID* id) {
    ++current->allocateCalls;
    if (current->refuseAllocation || size < 0) return memFullErr;
    auto* b = new Buffer{std::malloc(size_t(size) + 1), 0};
    current->liveBuffers.insert(b);
    *id = Id(b);
    return noErr;
  }
  static Ptr LockBuffer(BufferID id, PiBoolean) {
    auto* b = reinterpret_cast<Buffer*>(id);
    ++b->locks;
    return static_cast<Ptr>(b->bytes);
  }
  static void UnlockBuffer(BufferID id) {
    ++current->unlockCalls;
    --reinterpret_cast<Buffer*>(id)->locks;
  }
  static void FreeBuffer(BufferID id) {
    ++current->freeCalls;
    auto* b = reinterpret_cast<Buffer*>(id);
    current->liveBuffers.erase(b);
    std::free(b->bytes);
    delete b;
  }
  static int32_t BufferSpace() { return 1 << 30; }
};

inline FakeHost* FakeHost::current = nullptr;
