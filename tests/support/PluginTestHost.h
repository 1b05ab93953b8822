// The test host of the plug-in's host interface and parameter code: the reference host's record
// and suites, with hooks for what a test must force or watch. Forced: advanceState's answer, a
// cancel from the N-th progress call on, refused descriptor tokens; the N-th allocation fails
// through the buffer suite's own hook (Buffers().FailAllocationAt). Recorded: progress, the
// callbacks' calls and the keys the plug-in asks the descriptor suite for. The API's callbacks
// carry no context: the newest host serves them while it lives, as the reference host does.
// Also the documents of the tests that drive the reference host.
#pragma once

#include <utility>
#include <vector>

#include "tools/ReferenceHost.h"

// Colour planes, then transparency when asked for; every sample value(x, y, plane).
template <class Value>
HostDocument TestDocument(int32_t w, int32_t h, int32_t colours, bool alpha, int32_t bytes,
                          Value value) {
  HostDocument d;
  d.colourPlanes = colours;
  d.hasAlpha = alpha;
  d.source = HostImage(w, h, colours + (alpha ? 1 : 0), bytes);
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      for (int32_t p = 0; p < d.source.Planes(); ++p)
        d.source.Set(x, y, p, uint16_t(value(x, y, p)));
    }
  }
  return d;
}
// Every pixel the same.
inline HostDocument TestDocument(int32_t w, int32_t h, int32_t colours, bool alpha, int32_t bytes,
                                 const std::vector<uint16_t>& pixel) {
  return TestDocument(w, h, colours, alpha, bytes,
                      [&](int32_t, int32_t, int32_t p) { return pixel[size_t(p)]; });
}

class PluginTestHost : public ReferenceHost {
 public:
  // A black 8-bit RGB document of width x height pixels.
  explicit PluginTestHost(int32_t width = 30, int32_t height = 20)
      : ReferenceHost(TestDocument(width, height, 3, false, 1, {0, 0, 0})), previous(current) {
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
