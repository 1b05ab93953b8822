// The test host of the plug-in's host interface and parameter code: the reference host's record
// and suites, with hooks for what a test must force or watch. Forced: advanceState's answer, a
// cancel from the N-th progress call on, refused descriptor tokens; the N-th allocation fails
// through the buffer suite's own hook (Buffers().FailAllocationAt). Recorded: progress, the
// callbacks' calls and the keys the plug-in asks the descriptor suite for. The API's callbacks
// carry no context: the newest host serves them while it lives, as the reference host does.
#pragma once

#include <utility>
#include <vector>

#include "tools/ReferenceHost.h"

class PluginTestHost : public ReferenceHost {
 public:
  // A black 8-bit RGB document of width x height pixels.
  explicit PluginTestHost(int32_t width = 30, int32_t height = 20)
      : ReferenceHost(Document(width, height)), previous(current) {
    current = this;
    FilterRecord& r = Record();
    r.advanceState = &Advance;
    r.progressProc = &Progress;
    r.abortProc = &Abort;
    openRead = Descriptors().ReadProcs()->openReadDescriptorProc;
    openWrite = Descriptors().WriteProcs()->openWriteDescriptorProc;
    Descriptors().ReadProcs()->openReadDescriptorProc = &OpenRead;
    Descriptors().WriteProcs()->openWriteDescriptorProc = &OpenWrite;
  }
  ~PluginTestHost() { current = previous; }

  // Forced answers.
  OSErr advanceResult = noErr;    // answered instead of serving the request, unless noErr
  int64_t cancelAtProgress = -1;  // 0-based progress call from which abortProc answers "cancel"
  bool refuseDescriptorTokens = false;
  // Recordings.
  std::vector<std::pair<int32_t, int32_t>> progress;
  int advanceCalls = 0, abortCalls = 0, descriptorOpens = 0;
  std::vector<DescriptorKeyID> keysAsked;  // at the last openReadDescriptor

 private:
  static HostDocument Document(int32_t width, int32_t height) {
    HostDocument d;
    d.source = HostImage(width, height, 3, 1);
    d.colourPlanes = 3;
    return d;
  }
  static OSErr Advance() {
    ++current->advanceCalls;
    return current->advanceResult != noErr ? current->advanceResult : current->AdvanceState();
  }
  static void Progress(int32_t done, int32_t total) { current->progress.emplace_back(done, total); }
  static PiBoolean Abort() {
    ++current->abortCalls;
    const int64_t from = current->cancelAtProgress;
    return from >= 0 && int64_t(current->progress.size()) > from ? 1 : 0;
  }
  static PIReadDescriptor OpenRead(PIDescriptorHandle descriptor, DescriptorKeyID* keys) {
    ++current->descriptorOpens;
    current->keysAsked.clear();
    for (DescriptorKeyID* k = keys; k != nullptr && *k != 0; ++k) current->keysAsked.push_back(*k);
    return current->refuseDescriptorTokens ? nullptr : current->openRead(descriptor, keys);
  }
  static PIWriteDescriptor OpenWrite() {
    ++current->descriptorOpens;
    return current->refuseDescriptorTokens ? nullptr : current->openWrite();
  }

  static inline PluginTestHost* current = nullptr;
  PluginTestHost* previous;
  OpenReadDescriptorProc openRead;
  OpenWriteDescriptorProc openWrite;
};
