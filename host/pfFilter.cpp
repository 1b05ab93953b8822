#include "host/pfFilter.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "base/Log.h"
#include "base/pfHeap.h"
#include "base/pfPlatform.h"
#include "host/HostSuites.h"
#include "host/SetupFilterRecord.h"
#include "host/pfPreviewFactory.h"
#include "host/pfWorkerPool.h"

namespace {
constexpr int16_t kShownToUser = 1;  // positive: the plug-in told the user itself
constexpr int16_t kUnknownSelector = -1;
constexpr int32_t kQuitDuringPreview = -1;
// A change arriving later than this into a preview render abandons the render.
constexpr uint32_t kPreviewInterruptTicks = 200;
// Renders report every row, and asking the window system for messages is not free (under Wine
// every look at the queue is a server round trip): the dialog's messages are dispatched at most
// this often, which keeps it responsive all the same.
constexpr uint32_t kMessagePumpTicks = 10;
uint32_t lastMessagePump = 0;

constexpr const char* kHostInsufficientText =
    "Sorry, but this Plug-In requires some functions\n which are not supported by this host.\n "
    "you need a photoshop 3.0+ compatible host to run this filter.";

// Luminance weights for turning a chosen colour into the grey of a greyscale image.
constexpr double kGreyRed = 0.292687786;
constexpr double kGreyGreen = 0.552149646;
constexpr double kGreyBlue = 0.155162568;
}  // namespace

pfFilter::pfFilter(std::string name_, int32_t major, int32_t minor, int32_t patch,
                   std::string description_)
    : KestrimondHost(std::move(name_), major, minor, patch, std::move(description_)),
      preview(pfCreatePreview()),
      filterRecord(nullptr) {
  pfSetUndoHistoryLookup([](pfFilter* filter) { return &filter->GetUndoHistory(); });
  preview->SetDialogHost(this);
}

pfFilter::~pfFilter() {
  // Host buffers left in hostBlocks belong to a host call that is long over; the host frees
  // them itself. Oversized heap blocks are ours.
  for (void* block : largeBlocks) pfHeapFree(block);
  // The dialog goes first, before the parameters and controls it shows.
  preview.reset();
}

// ---- Selector dispatch ---------------------------------------------------------------------

void pfFilter::HandleSelector(int16_t selector, FilterRecord* record, intptr_t*, int16_t* result) {
  filterRecord = record;
  // Hosts may put flags in the high byte; only the low byte selects.
  const int8_t code = int8_t(uint16_t(selector) & 0xFF);
  int16_t answer = kUnknownSelector;
  switch (code) {
    case filterSelectorAbout:
      answer = DoAboutSelector(record);
      break;
    case filterSelectorParameters:
      answer = DoParametersSelector(record);
      break;
    case filterSelectorPrepare:
      answer = DoPrepareSelector(record);
      break;
    case filterSelectorStart:
      answer = DoStartSelector(record);
      break;
    case filterSelectorContinue:
      answer = DoContinueSelector(record);
      break;
    case filterSelectorFinish:
      answer = DoFinishSelector(record);
      break;
    default:
      break;
  }
  if (result != nullptr) *result = answer;
}

std::string pfFilter::AboutText() const {
  const char* format = "%s v%d.%d.%d\r%s";
  const int length = std::snprintf(nullptr, 0, format, name.c_str(), versionMajor, versionMinor,
                                   versionPatch, description.c_str());
  if (length <= 0) return std::string();
  std::string text(size_t(length) + 1, '\0');
  std::snprintf(text.data(), text.size(), format, name.c_str(), versionMajor, versionMinor,
                versionPatch, description.c_str());
  text.resize(size_t(length));
  return text;
}

int16_t pfFilter::DoAboutSelector(FilterRecord* record) {
  QLOG_SCOPE(scope, "pfFilter::DoAboutSelector( pFilterRecord(0x" << LogPtr(record) << ") )",
             "pfFilter::DoAboutSelector");
  // For this selector the host passes its about block, not a FilterRecord: it is not touched.
  preview->ShowAbout(AboutText());
  return noErr;
}

int16_t pfFilter::DoParametersSelector(FilterRecord* record) {
  QLOG_SCOPE(scope, "pfFilter::DoParametersSelector( pFilterRecord(0x" << LogPtr(record) << ") )",
             "pfFilter::DoParametersSelector");
  // The dialog runs inside the start selector, where it can show the image.
  parameters.ValidateAll();
  return noErr;
}

int16_t pfFilter::DoPrepareSelector(FilterRecord* record) {
  QLOG_SCOPE(scope, "pfFilter::DoPrepareSelector( pFilterRecord(0x" << LogPtr(record) << ") )",
             "pfFilter::DoPrepareSelector");
  // No reserve from the host: working memory is allocated per operation (AllocateMemory).
  if (record != nullptr) {
    record->bufferSpace = 0;
    record->maxSpace = 0;
  }
  return noErr;
}

int16_t pfFilter::DoStartSelector(FilterRecord* record) {
  QLOG_SCOPE(scope, "pfFilter::DoStartSelector( pFilterRecord(0x" << LogPtr(record) << ") )",
             "pfFilter::DoStartSelector");
  int16_t result = noErr;
  if (!AdvanceStateAvailable(record) || record->progressProc == nullptr) {
    QLOG_ERROR("AdvanceStateAvailable() or ProgressProcedure not available");
    pfShowErrorMessage(GetName(), kHostInsufficientText);
    result = kShownToUser;
  } else {
    result = RunStart(record);
  }
  // Empty areas tell the host that everything is done, whatever the outcome: it then skips
  // the continue selector and finishes.
  if (record != nullptr) {
    record->inRect = Rect{0, 0, 0, 0};
    record->outRect = Rect{0, 0, 0, 0};
    record->maskRect = Rect{0, 0, 0, 0};
  }
  QLOG_SCOPE_EXIT(scope, "pfFilter::DoStartSelector( return(" << result << ") )");
  return result;
}

int16_t pfFilter::RunStart(FilterRecord* record) {
  int16_t result = noErr;
  parameters.ValidateAll();
  const bool showDialog = parameters.ReadScriptParams(record);
  if (showDialog && !preview->Show(this, record, controls)) result = userCanceledErr;
  // Also after a cancel, so that the host can record the parameters.
  parameters.WriteScriptParams(record);
  if (result != noErr) return result;

  parameters.ValidateAll();
  result = SetupFilterRecord(record, 1);
  if (result != noErr) return result;
  result = Render(record);
  // Leaves the host's progress bar at its start rather than wherever the last stage left it.
  ReportProgress(0, 1);
  return result;
}

int16_t pfFilter::DoContinueSelector(FilterRecord* record) {
  QLOG_SCOPE(scope, "pfFilter::DoContinueSelector( pFilterRecord(0x" << LogPtr(record) << ") )",
             "pfFilter::DoContinueSelector()");
  return noErr;
}

int16_t pfFilter::DoFinishSelector(FilterRecord* record) {
  QLOG_SCOPE(scope, "pfFilter::DoFinishSelector( pFilterRecord(0x" << LogPtr(record) << ") )",
             "pfFilter::DoFinishSelector()");
  return noErr;
}

void pfFilter::AdaptToImage(FilterRecord*) {}

int16_t pfFilter::RequestImage(FilterRecord* record, uint32_t reduction) {
  return SetupFilterRecord(record, reduction);
}

// ---- Colour requests -------------------------------------------------------------------------

bool pfFilter::RequestColor(FilterRecord* record, double& red, double& green, double& blue) {
  QLOG_SCOPE(scope,
             "pfFilter::RequestColor( pFilterRecord(0x" << LogPtr(record) << "), fRed(" << red
                                                        << "), fGreen(" << green << "), fBlue("
                                                        << blue << ") )",
             "pfFilter::RequestColor");
  const bool grey = record != nullptr && (record->imageMode == plugInModeGrayScale ||
                                          record->imageMode == plugInModeGray16);
  bool chosen = false;
  if (record != nullptr && record->colorServices != nullptr) {
    ColorServicesInfo info = {};
    info.infoSize = int32_t(sizeof(ColorServicesInfo));
    info.selector = plugIncolorServicesChooseColor;
    info.sourceSpace = grey ? plugIncolorServicesGraySpace : plugIncolorServicesRGBSpace;
    info.resultSpace = plugIncolorServicesRGBSpace;
    info.colorComponents[0] = int16_t(red * 255.0);
    info.colorComponents[1] = int16_t(green * 255.0);
    info.colorComponents[2] = int16_t(blue * 255.0);
    info.colorComponents[3] = 0;
    const OSErr status = record->colorServices(&info);
    QLOG_TRACE("ColorServices result = " << status << ", source space = " << info.sourceSpace
                                         << ", result space = " << info.resultSpace);
    if (status == noErr) {
      red = info.colorComponents[0] / 255.0;
      green = info.colorComponents[1] / 255.0;
      blue = info.colorComponents[2] / 255.0;
      chosen = true;
    }
  } else {
    QLOG_WARNING("ColorServices not available");
    chosen = preview->AlternativeColorSelection(red, green, blue);
  }
  // Only 8-bit greyscale: there the chosen colour must become the grey the image can show.
  if (chosen && record != nullptr && record->imageMode == plugInModeGrayScale) {
    const double value =
        (kGreyRed * red * 255.0 + kGreyGreen * green * 255.0 + kGreyBlue * blue * 255.0) / 255.0;
    red = value;
    green = value;
    blue = value;
  }
  QLOG_SCOPE_EXIT(scope, "pfFilter::RequestColor( return(" << chosen << ") fRed(" << red
                                                           << "), fGreen(" << green << "), fBlue("
                                                           << blue << ") )");
  return chosen;
}

// ---- Host services ---------------------------------------------------------------------------

int32_t pfFilter::ReportProgress(int32_t done, int32_t total) {
  pfLockGuard guard(lock);
  FilterRecord* record = filterRecord;
  if (record != nullptr && record->progressProc != nullptr) record->progressProc(done, total);

  const uint32_t renderStart = preview->GetRenderStartTick();
  if (renderStart == 0) {
    // No preview render runs (the final render): the host's progress dialog decides.
    const bool cancelled =
        record != nullptr && record->abortProc != nullptr && record->abortProc() != 0;
    return cancelled ? int32_t(userCanceledErr) : NoError();
  }
  // A preview render inside the dialog: keep the dialog alive, and give up the render when the
  // user changed something and does not want the preview held.
  const uint32_t now = pfTickCount();
  if (uint32_t(now - lastMessagePump) >= kMessagePumpTicks) {
    lastMessagePump = now;
    if (!pfPumpMessages()) return kQuitDuringPreview;
  }
  if (preview->IsRenderRequested() && preview->GetInterruptPreview() &&
      uint32_t(now - renderStart) > kPreviewInterruptTicks) {
    return userCanceledErr;
  }
  return NoError();
}

void* pfFilter::AllocateMemory(size_t size) {
  pfLockGuard guard(lock);
  const bool suite = BufferSuiteAvailable(filterRecord);
  // The suite's size argument is 32-bit: larger blocks come from the heap and are remembered,
  // so FreeMemory returns them there.
  if (!suite || size > size_t(INT32_MAX)) {
    void* block = pfHeapAllocate(size);
    if (block != nullptr && size > size_t(INT32_MAX)) largeBlocks.insert(block);
    return block;
  }
  const BufferProcs* procs = filterRecord->bufferProcs;
  BufferID id = nullptr;
  if (procs->allocateProc(int32_t(size), &id) != noErr || id == nullptr) return nullptr;
  void* block = procs->lockProc(id, 0);
  if (block == nullptr) {
    procs->freeProc(id);
    return nullptr;
  }
  hostBlocks[block] = id;
  return block;
}

void pfFilter::FreeMemory(void* block) {
  pfLockGuard guard(lock);
  if (block == nullptr) return;
  auto large = largeBlocks.find(block);
  if (large != largeBlocks.end()) {
    largeBlocks.erase(large);
    pfHeapFree(block);
    return;
  }
  if (!BufferSuiteAvailable(filterRecord)) {
    pfHeapFree(block);
    return;
  }
  auto entry = hostBlocks.find(block);
  if (entry == hostBlocks.end()) return;  // not handed out by the suite: not ours to free
  const BufferProcs* procs = filterRecord->bufferProcs;
  procs->unlockProc(entry->second);
  procs->freeProc(entry->second);
  hostBlocks.erase(entry);
}

int32_t pfFilter::GetProcessorCount(int32_t* count) {
  *count = SystemProcessorCount();
  return NoError();
}

int32_t pfFilter::RunParallel(int32_t n, void* data, KestrimondBandFunction bandFunction) {
  int32_t processors = 1;
  const int32_t status = GetProcessorCount(&processors);
  if (status != NoError()) return status;
  return pfWorkerPool::Instance().Run(this, n, processors, data, bandFunction);
}

int32_t pfFilter::OutOfMemoryError() { return memFullErr; }
