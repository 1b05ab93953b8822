#include "tools/ReferenceHost.h"

#include <cstring>
#include <new>

namespace {

bool EmptyRect(const Rect& r) { return r.left >= r.right || r.top >= r.bottom; }

bool SameRect(const Rect& a, const Rect& b) {
  return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
}

int16_t FloorDiv(int16_t v, int32_t n) {
  const int32_t q = v / n;
  return int16_t((v % n != 0 && v < 0) ? q - 1 : q);
}

Rect ScaledRect(const Rect& r, int32_t n) {
  return Rect{FloorDiv(r.top, n), FloorDiv(r.left, n), FloorDiv(r.bottom, n), FloorDiv(r.right, n)};
}

// A 16.16 sampling rate as the integer factor a host with integral sampling uses.
int32_t RateFactor(Fixed rate) {
  const int32_t n = int32_t((int64_t(rate) + 0x8000) >> 16);
  return n < 1 ? 1 : n;
}

int32_t AlignUp(int32_t v, int32_t a) { return (v + a - 1) / a * a; }

}  // namespace

ReferenceHost* ReferenceHost::active = nullptr;

ReferenceHost::ReferenceHost(HostDocument doc)
    : document(std::move(doc)), destination(document.source), descriptors(handles) {
  previous = active;  // the newest instance serves the callbacks until it ends
  active = this;
  FillRecord();
}

ReferenceHost::~ReferenceHost() {
  if (descriptorParameters.descriptor != nullptr) handles.Dispose(descriptorParameters.descriptor);
  active = previous;
}

void ReferenceHost::FillRecord() {
  const HostImage& src = document.source;
  const int32_t bytes = src.BytesPerSample();
  const int16_t c = int16_t(document.colourPlanes);
  const bool alpha = document.hasAlpha;
  const bool selection = !document.mask.Empty();

  record = FilterRecord{};
  record.serialNumber = 0;
  record.abortProc = AbortProc;
  record.progressProc = ProgressProc;
  record.parameters = nullptr;
  record.imageSize = Point{int16_t(src.Height()), int16_t(src.Width())};
  record.planes = int16_t(src.Planes());
  record.filterRect = Rect{0, 0, int16_t(src.Height()), int16_t(src.Width())};
  record.background =
      PSRGBColor{uint16_t(colours.background[0] * 257), uint16_t(colours.background[1] * 257),
                 uint16_t(colours.background[2] * 257)};
  record.foreground =
      PSRGBColor{uint16_t(colours.foreground[0] * 257), uint16_t(colours.foreground[1] * 257),
                 uint16_t(colours.foreground[2] * 257)};
  record.maxSpace = HostBufferSuite::kSpace;
  record.bufferSpace = HostBufferSuite::kSpace;
  record.isFloating = 0;
  record.haveMask = selection ? 1 : 0;
  record.autoMask = selection ? 1 : 0;  // the host would restrict the output to the selection
  for (int i = 0; i < 3; ++i) {
    record.backColor[i] = colours.background[i];
    record.foreColor[i] = colours.foreground[i];
  }
  record.hostSig = kHostSignature;
  record.imageMode = ImageModeFor(c, bytes);
  record.imageHRes = 72 << 16;
  record.imageVRes = 72 << 16;
  record.wholeSize = record.imageSize;
  // sRGB-like monitor: gamma 2.2, Rec. 709 primaries, D65 white.
  auto fixed = [](double v) { return Fixed(v * 65536.0 + 0.5); };
  record.monitor =
      PlugInMonitor{fixed(2.2),  fixed(0.64), fixed(0.33),   fixed(0.30),   fixed(0.60),
                    fixed(0.15), fixed(0.06), fixed(0.3127), fixed(0.3290), fixed(0.0)};
  platform.hwnd = 0;
  record.platformData = &platform;
  record.bufferProcs = buffers.Procs();
  record.handleProcs = handles.Procs();
  record.supportsDummyChannels = 0;
  record.supportsAlternateLayouts = 0;
  record.wantLayout = 0;
  record.filterCase = int16_t(alpha ? (selection ? 5 : 4) : (selection ? 2 : 1));
  record.dummyPlaneValue = -1;
  record.advanceState = AdvanceStateProc;
  record.supportsAbsolute = 0;
  record.wantsAbsolute = 0;
  record.cannotUndo = 0;
  record.supportsPadding = 1;
  record.inputPadding = -3;
  record.outputPadding = -3;
  record.maskPadding = -3;
  record.samplingSupport = 1;  // integral sampling
  record.inputRate = 1 << 16;
  record.maskRate = 1 << 16;
  record.colorServices = ColorServicesProc;
  // A layer with transparency counts its colour planes as layer planes; a flat image as
  // non-layer planes.
  if (alpha) {
    record.inLayerPlanes = record.outLayerPlanes = record.absLayerPlanes = c;
    record.inTransparencyMask = record.outTransparencyMask = record.absTransparencyMask = 1;
  } else {
    record.inNonLayerPlanes = record.outNonLayerPlanes = record.absNonLayerPlanes = c;
  }
  const int16_t tileH = int16_t(src.Height() < 1024 ? src.Height() : 1024);
  const int16_t tileW = int16_t(src.Width() < 1024 ? src.Width() : 1024);
  record.inTileHeight = record.outTileHeight = record.absTileHeight = tileH;
  record.inTileWidth = record.outTileWidth = record.absTileWidth = tileW;
  record.maskTileHeight = selection ? tileH : 0;
  record.maskTileWidth = selection ? tileW : 0;

  descriptorParameters = PIDescriptorParameters{};
  descriptorParameters.descriptorParametersVersion = 0;
  descriptorParameters.playInfo = plugInDialogDisplay;
  descriptorParameters.recordInfo = plugInDialogOptional;
  descriptorParameters.readDescriptorProcs = descriptors.ReadProcs();
  descriptorParameters.writeDescriptorProcs = descriptors.WriteProcs();
  record.descriptorParameters = &descriptorParameters;
  std::memset(errorString, 0, sizeof(errorString));
  record.errorString = &errorString;
  record.depth = 8 * bytes;
  record.bufferSpace64 = HostBufferSuite::kSpace;
  record.maxSpace64 = HostBufferSuite::kSpace;
}

void ReferenceHost::SetPreviewReduction(int32_t n) {
  n = n < 1 ? 1 : n;
  if (n == previewReduction) return;  // the destination is that copy already
  previewReduction = n;
  ResetDestination();
  previewRequestValid = false;
}

void ReferenceHost::ResetDestination() {
  output = Delivery{};  // it may point into the old destination's rows
  destination = document.source.Reduced(previewReduction);
}

void ReferenceHost::SetPlayback(const HostDescriptor* values, int16_t playInfo) {
  if (playbackHandle != nullptr) handles.Dispose(playbackHandle);
  playbackHandle = values != nullptr ? descriptors.Store(*values) : nullptr;
  descriptorParameters.descriptor = playbackHandle;
  descriptorParameters.playInfo = playInfo;
}

void ReferenceHost::SetProgressObserver(std::function<void(int32_t, int32_t)> observer) {
  progressObserver = std::move(observer);
}

int16_t ReferenceHost::CallSelector(PluginEntryProc entry, int16_t selector) {
  int16_t result = noErr;
  entry(selector, &record, &pluginData, &result);
  return result;
}

int16_t ReferenceHost::Run(PluginEntryProc entry, bool askParameters) {
  haveRecorded = false;
  int16_t r = noErr;
  if (askParameters) r = CallSelector(entry, filterSelectorParameters);
  if (r == noErr) {
    record.bufferSpace = HostBufferSuite::kSpace;
    record.maxSpace = HostBufferSuite::kSpace;
    r = CallSelector(entry, filterSelectorPrepare);
  }
  if (r == noErr) {
    r = CallSelector(entry, filterSelectorStart);
    // Finish is owed only to a start that succeeded.
    if (r == noErr) {
      FlushOutput();
      while (r == noErr && (!EmptyRect(record.inRect) || !EmptyRect(record.outRect) ||
                            (record.haveMask && !EmptyRect(record.maskRect)))) {
        if (cancelFlag != nullptr && cancelFlag->load()) {
          r = userCanceledErr;
          break;
        }
        r = AdvanceState();
        if (r == noErr) r = CallSelector(entry, filterSelectorContinue);
        if (r == noErr) FlushOutput();
      }
      const int16_t finish = CallSelector(entry, filterSelectorFinish);
      if (r == noErr) r = finish;
    }
  }
  // A dialog's preview, and a render that failed half-way, wrote into the destination in
  // place: a host takes such changes back.
  if (r != noErr) ResetDestination();
  CollectRecorded();
  return r;
}

void ReferenceHost::CollectRecorded() {
  Handle h = descriptorParameters.descriptor;
  // Our own playback handle still sitting there means the plug-in recorded nothing.
  if (h != nullptr && h != playbackHandle) haveRecorded = descriptors.Load(h, recorded);
  if (h != nullptr) handles.Dispose(h);
  descriptorParameters.descriptor = nullptr;
  playbackHandle = nullptr;
}

bool ReferenceHost::Recorded(HostDescriptor& out) const {
  if (!haveRecorded) return false;
  out = recorded;
  return true;
}

std::string ReferenceHost::ErrorText() const {
  return std::string(reinterpret_cast<const char*>(&errorString[1]), errorString[0]);
}

void ReferenceHost::ApplyPreviewReduction() {
  if (previewReduction <= 1) return;
  // Values we wrote ourselves at the previous call are not a new request.
  if (previewRequestValid && SameRect(record.inRect, lastPreviewRequest.in) &&
      SameRect(record.outRect, lastPreviewRequest.out) &&
      SameRect(record.maskRect, lastPreviewRequest.mask) &&
      record.inputRate == lastPreviewRequest.inputRate &&
      record.maskRate == lastPreviewRequest.maskRate) {
    return;
  }
  const int32_t n = previewReduction;
  record.inRect = ScaledRect(record.inRect, n);
  record.outRect = ScaledRect(record.outRect, n);
  record.maskRect = ScaledRect(record.maskRect, n);
  record.inputRate = Fixed(RateFactor(record.inputRate) * n) << 16;
  record.maskRate = Fixed(RateFactor(record.maskRate) * n) << 16;
  lastPreviewRequest = PreviewRequest{record.inRect, record.outRect, record.maskRect,
                                      record.inputRate, record.maskRate};
  previewRequestValid = true;
}

const HostImage& ReferenceHost::SourceAt(int32_t rate) {
  if (rate == 1) return document.source;
  auto it = reducedSources.find(rate);
  if (it == reducedSources.end()) {
    it = reducedSources.emplace(rate, document.source.Reduced(rate)).first;
  }
  return it->second;
}

const HostImage& ReferenceHost::MaskAt(int32_t rate) {
  if (rate == 1) return document.mask;
  auto it = reducedMasks.find(rate);
  if (it == reducedMasks.end()) {
    it = reducedMasks.emplace(rate, document.mask.Reduced(rate)).first;
  }
  return it->second;
}

OSErr ReferenceHost::Deliver(const HostImage& image, const Rect& r, int16_t lo, int16_t hi,
                             int32_t rate, int16_t padding, Delivery& d) {
  if (lo < 0 || hi < lo || hi >= image.Planes()) return paramErr;
  if (d.live && SameRect(d.rect, r) && d.lo == lo && d.hi == hi && d.rate == rate &&
      d.padding == padding) {
    return noErr;  // unchanged request: the buffer is still current
  }
  const int32_t width = r.right - r.left;
  const int32_t height = r.bottom - r.top;
  const int32_t planes = hi - lo + 1;
  const int32_t s = image.BytesPerSample();
  const bool inside =
      r.left >= 0 && r.top >= 0 && r.right <= image.Width() && r.bottom <= image.Height();
  if (!inside && padding == -3) return paramErr;
  if (!inside && (padding == -1) && image.Empty()) return paramErr;
  const bool allPlanes = lo == 0 && planes == image.Planes();
  const int32_t imageRowBytes = image.Width() * planes * s;
  const bool inPlace = inside && allPlanes && !image.Empty() && imageRowBytes % kRowAlignment == 0;
  d.live = false;
  d.bytes = std::vector<uint8_t>();
  if (inPlace) {
    // The host's store is not const: outData is written in place, inData only read.
    d.rows = const_cast<uint8_t*>(image.PixelAddress(r.left, r.top));
    d.rowBytes = imageRowBytes;
  } else {
    d.rowBytes = AlignUp(width * planes * s, kRowAlignment);
    try {
      d.bytes.assign(size_t(d.rowBytes) * size_t(height), 0);
    } catch (const std::bad_alloc&) {
      return memFullErr;
    }
    d.rows = d.bytes.data();
  }
  d.rect = r;
  d.lo = lo;
  d.hi = hi;
  d.rate = rate;
  d.padding = padding;
  d.live = true;
  if (inPlace) return noErr;

  const uint16_t padValue =
      padding >= 0 ? uint16_t(s == 1 ? padding : (padding * 32768 + 127) / 255) : 0;
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* row = d.rows + size_t(y) * size_t(d.rowBytes);
    const int32_t sy = r.top + y;
    if (inside && allPlanes) {
      std::memcpy(row, image.PixelAddress(r.left, sy), size_t(width) * planes * s);
      continue;
    }
    for (int32_t x = 0; x < width; ++x) {
      int32_t sx = r.left + x, ty = sy;
      const bool in = sx >= 0 && ty >= 0 && sx < image.Width() && ty < image.Height();
      if (!in && padding == -1) {  // edge replication
        sx = sx < 0 ? 0 : sx >= image.Width() ? image.Width() - 1 : sx;
        ty = ty < 0 ? 0 : ty >= image.Height() ? image.Height() - 1 : ty;
      }
      for (int32_t p = 0; p < planes; ++p) {
        uint16_t v = padValue;
        if (in || padding == -1) v = image.Get(sx, ty, lo + p);
        uint8_t* at = row + (size_t(x) * planes + p) * s;
        if (s == 1) {
          *at = uint8_t(v);
        } else {
          std::memcpy(at, &v, 2);
        }
      }
    }
  }
  return noErr;
}

void ReferenceHost::FlushOutput() {
  // Rows handed out in place hold the result already.
  if (!output.live || output.bytes.empty()) return;
  const Rect& r = output.rect;
  const int32_t planes = output.hi - output.lo + 1;
  const int32_t s = destination.BytesPerSample();
  const bool wholeRows = r.left >= 0 && r.right <= destination.Width() && output.lo == 0 &&
                         planes == destination.Planes();
  for (int32_t y = 0; y < r.bottom - r.top; ++y) {
    const int32_t dy = r.top + y;
    if (dy < 0 || dy >= destination.Height()) continue;
    const uint8_t* row = output.rows + size_t(y) * size_t(output.rowBytes);
    if (wholeRows) {
      std::memcpy(destination.PixelAddress(r.left, dy), row, size_t(r.right - r.left) * planes * s);
      continue;
    }
    for (int32_t x = 0; x < r.right - r.left; ++x) {
      const int32_t dx = r.left + x;
      if (dx < 0 || dx >= destination.Width()) continue;
      for (int32_t p = 0; p < planes; ++p) {
        const uint8_t* at = row + (size_t(x) * planes + p) * s;
        uint16_t v;
        if (s == 1) {
          v = *at;
        } else {
          std::memcpy(&v, at, 2);
        }
        destination.Set(dx, dy, output.lo + p, v);
      }
    }
  }
}

OSErr ReferenceHost::AdvanceState() {
  ++advanceCount;
  ApplyPreviewReduction();
  FlushOutput();

  if (record.haveMask && !EmptyRect(record.maskRect)) {
    const int32_t rate = RateFactor(record.maskRate);
    const OSErr e = Deliver(MaskAt(rate), record.maskRect, 0, 0, rate, record.maskPadding, mask);
    if (e != noErr) return e;
    record.maskData = mask.rows;
    record.maskRowBytes = mask.rowBytes;
  } else {
    mask = Delivery{};
    record.maskData = nullptr;
    record.maskRowBytes = 0;
  }

  const int32_t s = document.source.BytesPerSample();
  if (!EmptyRect(record.inRect)) {
    const int32_t rate = RateFactor(record.inputRate);
    const OSErr e = Deliver(SourceAt(rate), record.inRect, record.inLoPlane, record.inHiPlane, rate,
                            record.inputPadding, input);
    if (e != noErr) return e;
    record.inData = input.rows;
    record.inRowBytes = input.rowBytes;
    record.inColumnBytes = (input.hi - input.lo + 1) * s;
    record.inPlaneBytes = s;
  } else {
    input = Delivery{};
    record.inData = nullptr;
    record.inRowBytes = 0;
  }

  if (!EmptyRect(record.outRect)) {
    const OSErr e = Deliver(destination, record.outRect, record.outLoPlane, record.outHiPlane, 1,
                            record.outputPadding, output);
    if (e != noErr) return e;
    record.outData = output.rows;
    record.outRowBytes = output.rowBytes;
    record.outColumnBytes = (output.hi - output.lo + 1) * s;
    record.outPlaneBytes = s;
  } else {
    output = Delivery{};
    record.outData = nullptr;
    record.outRowBytes = 0;
  }
  return noErr;
}

PiBoolean ReferenceHost::AbortProc() {
  const std::atomic<bool>* flag = active->cancelFlag;
  return flag != nullptr && flag->load() ? 1 : 0;
}

void ReferenceHost::ProgressProc(int32_t done, int32_t total) {
  if (active->progressObserver) active->progressObserver(done, total);
}

OSErr ReferenceHost::AdvanceStateProc() { return active->AdvanceState(); }

OSErr ReferenceHost::ColorServicesProc(ColorServicesInfo* info) {
  return ServeColorRequest(info, active->colours, &active->document.source,
                           active->document.colourPlanes);
}

int16_t ImageModeFor(int32_t colourPlanes, int32_t bytesPerSample) {
  if (colourPlanes == 1) return bytesPerSample == 1 ? plugInModeGrayScale : plugInModeGray16;
  return bytesPerSample == 1 ? plugInModeRGBColor : plugInModeRGB48;
}

std::string ResultCodeText(int16_t result) {
  switch (result) {
    case userCanceledErr:
      return "cancelled";
    case memFullErr:
      return "out of memory";
    case paramErr:
      return "a request was out of range (paramErr, -50)";
    case filterBadParameters:
      return "the plug-in rejected its parameters (-30100)";
    case filterBadMode:
      return "the plug-in does not support this image mode (-30101)";
    default:
      break;
  }
  if (result > 0) return "the plug-in reported an error (" + std::to_string(result) + ")";
  return "the plug-in failed with error " + std::to_string(result);
}
