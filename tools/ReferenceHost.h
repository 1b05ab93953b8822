// The reference host: one document, one FilterRecord filled as a Photoshop-compatible host
// fills it, the callbacks and suites behind it, and the selector protocol (parameters when
// asked, prepare, start, continue while any area is requested, finish).
//
// advanceState serves what the plug-in asks for: inRect in the source reduced by inputRate
// (integer factors, rounded; 0 counts as 1), outRect in the destination (never scaled),
// maskRect in the selection reduced by maskRate; inclusive plane ranges delivered interleaved;
// the paddings (-3 fails a request outside the image, -1 replicates the edge, -2 leaves zeros,
// 0..255 fills with that value, scaled to 0..32768 at 16 bits). Rows are padded to a multiple
// of kRowAlignment bytes, so a plug-in that ignores the row strides shows up at once. Where
// the host's own rows already have such a stride (a full-size request inside the image, every
// plane), the plug-in gets them in place, as a host hands out its tiles: no copy in, no copy
// back, and on a 24-megapixel 16-bit picture 288 MB less memory to fault in.
//
// Preview reduction (--reduction N): a plug-in that renders its preview inside the start
// selector asks for the image at 1/N itself. For the final render it asks at full size; to make
// it render at 1/N from the command line, the host plays the preview's request for it: each new
// request it finds in the record at advanceState is rescaled as the plug-in's preview request
// would be (every coordinate of inRect, outRect and maskRect divided by N, inputRate and
// maskRate multiplied by N) and written back into the record, and the destination is the
// source reduced by N. imageSize and filterRect keep the full size, exactly as in a preview,
// so the plug-in renders what its preview would show.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "base/PiApi.h"
#include "tools/HostBufferSuite.h"
#include "tools/HostColorServices.h"
#include "tools/HostDescriptor.h"
#include "tools/HostDescriptorSuite.h"
#include "tools/HostHandleSuite.h"
#include "tools/HostImage.h"

typedef void (*PluginEntryProc)(int16_t selector, FilterRecord* record, intptr_t* data,
                                int16_t* result);

struct HostDocument {
  HostImage source;          // colour planes, then the transparency plane when hasAlpha
  int32_t colourPlanes = 0;  // 1 (grey) or 3 (RGB)
  bool hasAlpha = false;
  HostImage mask;  // the selection; empty when there is none
};

class ReferenceHost {
 public:
  static constexpr int32_t kRowAlignment = 16;
  static constexpr OSType kHostSignature = 0x516E7261;  // 'Qnra'

  explicit ReferenceHost(HostDocument document);  // becomes the host the callbacks serve
  ~ReferenceHost();
  ReferenceHost(const ReferenceHost&) = delete;
  ReferenceHost& operator=(const ReferenceHost&) = delete;

  // Set before Run.
  void SetPreviewReduction(int32_t n);
  // Playback values for the plug-in (null: none recorded) and the dialog option.
  void SetPlayback(const HostDescriptor* values, int16_t playInfo);
  void SetProgressObserver(std::function<void(int32_t, int32_t)> observer);
  // The window that owns the plug-in's dialog (the record's platform data); 0: none.
  void SetHostWindow(intptr_t window) { platform.hwnd = window; }
  // Polled by abortProc; the plug-in learns of a cancel through it.
  void SetCancelFlag(const std::atomic<bool>* flag) { cancelFlag = flag; }

  // The whole protocol; returns the first non-zero result (or 0). The destination holds the
  // result only when this returns 0; after a failure it is the source again, as a host undoes
  // whatever a preview or a render that failed half-way wrote into the document.
  int16_t Run(PluginEntryProc entry, bool askParameters);
  // One selector with this host's record (tests drive the protocol step by step with it).
  int16_t CallSelector(PluginEntryProc entry, int16_t selector);
  // advanceState as the plug-in calls it.
  OSErr AdvanceState();
  // Copies a pending output buffer into the destination; the protocol calls it after start and
  // each continue.
  void FlushOutput();

  FilterRecord& Record() { return record; }
  const HostImage& Destination() const { return destination; }
  // The descriptor the plug-in recorded in the last Run; false when it recorded none.
  bool Recorded(HostDescriptor& out) const;
  // The plug-in's errorString (for errReportString), empty when it set none.
  std::string ErrorText() const;
  int64_t AdvanceStateCount() const { return advanceCount; }

  HostHandleSuite& Handles() { return handles; }
  HostBufferSuite& Buffers() { return buffers; }
  HostDescriptorSuite& Descriptors() { return descriptors; }

 private:
  struct Delivery {
    std::vector<uint8_t> bytes;
    uint8_t* rows = nullptr;  // bytes.data(), or the image's own rows
    Rect rect{};
    int16_t lo = 0, hi = -1;
    int32_t rate = 1;
    int16_t padding = 0;
    int32_t rowBytes = 0;
    bool live = false;
  };
  struct PreviewRequest {
    Rect in{}, out{}, mask{};
    Fixed inputRate = 0, maskRate = 0;
  };

  static ReferenceHost* active;
  ReferenceHost* previous = nullptr;
  static PiBoolean AbortProc();
  static void ProgressProc(int32_t done, int32_t total);
  static OSErr AdvanceStateProc();
  static OSErr ColorServicesProc(ColorServicesInfo* info);

  void FillRecord();
  void ApplyPreviewReduction();
  void ResetDestination();
  const HostImage& SourceAt(int32_t rate);
  const HostImage& MaskAt(int32_t rate);
  OSErr Deliver(const HostImage& image, const Rect& rect, int16_t lo, int16_t hi, int32_t rate,
                int16_t padding, Delivery& d);
  void CollectRecorded();

  HostDocument document;
  HostImage destination;
  std::map<int32_t, HostImage> reducedSources, reducedMasks;
  Delivery input, output, mask;
  int32_t previewReduction = 1;
  bool previewRequestValid = false;
  PreviewRequest lastPreviewRequest;

  HostHandleSuite handles;
  HostBufferSuite buffers;
  HostDescriptorSuite descriptors;
  HostColours colours;
  FilterRecord record;
  PIDescriptorParameters descriptorParameters;
  PlatformData platform;
  Str255 errorString;
  Handle playbackHandle = nullptr;
  HostDescriptor recorded;
  bool haveRecorded = false;
  intptr_t pluginData = 0;
  int64_t advanceCount = 0;
  std::function<void(int32_t, int32_t)> progressObserver;
  const std::atomic<bool>* cancelFlag = nullptr;
};

// The image mode of a document with this many colour planes (1 or 3) and sample size.
int16_t ImageModeFor(int32_t colourPlanes, int32_t bytesPerSample);

// The text of a host result code for the one-line error message.
std::string ResultCodeText(int16_t result);
