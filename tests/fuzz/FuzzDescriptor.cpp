// The scripting descriptor's read path: the host's parser of its stored descriptors, then the
// plug-in's parameters reading a parsed descriptor through the host's read suite (playback),
// and recording their values again. Nothing may stay open or allocated afterwards.
#include <cstdint>
#include <cstdlib>

#include "tests/fuzz/FuzzParameters.h"
#include "tools/ReferenceHost.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  HostDescriptor played;
  if (!HostDescriptor::Parse(std::string(reinterpret_cast<const char*>(data), size), played)) {
    return 0;
  }
  HostDocument document;
  document.source = HostImage(1, 1, 3, 1);
  document.colourPlanes = 3;
  ReferenceHost host(std::move(document));
  FilterRecord& record = host.Record();
  PIDescriptorParameters* dp = record.descriptorParameters;
  dp->descriptor = host.Descriptors().Store(played);
  dp->playInfo = size % 2 == 0 ? plugInDialogDisplay : plugInDialogSilent;
  FuzzParameters p;
  if (p.all.ReadScriptParams(&record) != (dp->playInfo == plugInDialogDisplay)) std::abort();
  p.CheckValidated();
  HostDescriptor recorded;
  if (p.all.WriteScriptParams(&record) != noErr ||
      !host.Descriptors().Load(dp->descriptor, recorded) || recorded.items.size() != 5) {
    std::abort();
  }
  host.Handles().Dispose(dp->descriptor);
  dp->descriptor = nullptr;
  if (host.Descriptors().OpenTokenCount() != 0 || host.Handles().LiveCount() != 0) std::abort();
  return 0;
}
