// The preview dialog of pfPreviewWin32: zoom, the conversion of the rendered image into the
// display bitmap, painting with pan and origin handle, and the mouse (right button pans, left
// button moves the nearest position, the title shows the pointer in image pixels).
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <limits>

#include "base/Log.h"
#include "base/PiApi.h"
#include "params/pfParameterKinds.h"
#include "params/pfUndo.h"
#include "ui/PreviewGeometry.h"
#include "ui/pfDialogStateWin32.h"
#include "ui/pfParameterUIWin32.h"
#include "ui/pfPreviewWin32.h"

namespace {

constexpr int kMinimumSize = 100;
constexpr COLORREF kMarginColour = RGB(187, 187, 187);

int32_t Width(const Rect& r) { return r.right - r.left; }
int32_t Height(const Rect& r) { return r.bottom - r.top; }

POINT PointOf(LPARAM lParam) {
  // Signed: the pointer can be left of or above the window while the mouse is captured.
  return POINT{short(LOWORD(lParam)), short(HIWORD(lParam))};
}

void DrawSquare(HDC dc, int32_t x, int32_t y, int32_t half) {
  const POINT corners[5] = {{x - half, y - half},
                            {x + half, y - half},
                            {x + half, y + half},
                            {x - half, y + half},
                            {x - half, y - half}};
  Polyline(dc, corners, 5);
}

// Grey rings around the point and a black square with its diagonals: visible on any image.
void DrawHandle(HDC dc, pfPoint c) {
  for (const pfHandleRing& ring : kHandleRings) {
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(ring.grey, ring.grey, ring.grey));
    HGDIOBJ old = SelectObject(dc, pen);
    DrawSquare(dc, c.x, c.y, ring.halfSize);
    SelectObject(dc, old);
    DeleteObject(pen);
  }
  HGDIOBJ old = SelectObject(dc, GetStockObject(BLACK_PEN));
  const int32_t h = kHandleOuterHalfSize;
  DrawSquare(dc, c.x, c.y, h);
  MoveToEx(dc, c.x - h, c.y - h, nullptr);
  LineTo(dc, c.x + h, c.y + h);
  MoveToEx(dc, c.x + h, c.y - h, nullptr);
  LineTo(dc, c.x - h, c.y + h);
  SelectObject(dc, old);
}

}  // namespace

// ---- Zoom
// ----------------------------------------------------------------------------------------

bool pfPreviewWin32::GetFrame(RECT& frame) const {
  HWND control = previewDialog != nullptr ? GetDlgItem(previewDialog, kPreviewFrame) : nullptr;
  if (control == nullptr || !GetWindowRect(control, &frame)) {
    frame = RECT{0, 0, 0, 0};
    return false;
  }
  MapWindowPoints(nullptr, previewDialog, reinterpret_cast<POINT*>(&frame), 2);
  return true;
}

void pfPreviewWin32::InvalidateFrame() {
  RECT frame;
  if (GetFrame(frame)) InvalidateRect(previewDialog, &frame, FALSE);
}

void pfPreviewWin32::FitToFrame() {
  RECT frame;
  GetFrame(frame);
  const int32_t n = pfFitFactor(filterRecord->imageSize.h, filterRecord->imageSize.v,
                                frame.right - frame.left, frame.bottom - frame.top);
  SetRequestedFactor(n);
  AssignScaleFactor(n);
}

int16_t pfPreviewWin32::AssignScaleFactor(int32_t n) {
  QLOG_SCOPE(scope, "pfPreviewWin32::AssignScaleFactor( nFactor(" << n << ") )",
             "pfPreviewWin32::AssignScaleFactor");
  factor = n;
  const double oldRatio = pixelRatio;
  const pfScaleLevel level = pfScaleLevelFor(n, coarseLevel);
  pixelRatio = level.pixelRatio;
  if (interfaceDialog != nullptr) {
    SetDlgItemTextA(interfaceDialog, kZoomLabel, pfZoomLabel(n).c_str());
  }
  RECT f;
  GetFrame(f);
  const int32_t frameWidth = f.right - f.left;
  const int32_t frameHeight = f.bottom - f.top;
  const int32_t w = Width(filterRecord->outRect);
  const int32_t h = Height(filterRecord->outRect);
  const pfPoint centre = pfViewCentre(panX, panY, frameWidth, frameHeight, oldRatio, w, h);
  if (level.hostFactor == lastHostFactor) {
    // The host's image serves this zoom as well: only the pan and the display change.
    renderRequested = false;
    const pfPoint pan = pfPanForCentre(centre.x, centre.y, frameWidth, frameHeight, pixelRatio);
    panX = pan.x;
    panY = pan.y;
    InvalidateFrame();
    UpdateWindow(previewDialog);
  } else {
    lastHostFactor = level.hostFactor;
    ReleasePreviewBitmap();
    if (dialogHost->RequestImage(filterRecord, uint32_t(level.hostFactor)) == 0) {
      const int32_t w2 = Width(filterRecord->outRect);
      const int32_t h2 = Height(filterRecord->outRect);
      const double cx = w > 0 ? double(centre.x) * w2 / w : 0.0;
      const double cy = h > 0 ? double(centre.y) * h2 / h : 0.0;
      const pfPoint pan = pfPanForCentre(cx, cy, frameWidth, frameHeight, pixelRatio);
      panX = pan.x;
      panY = pan.y;
      stride = pfBitmapStride(Width(filterRecord->inRect));
      bitmapHeight = Height(filterRecord->inRect);
      previewBitmap = static_cast<uint8_t*>(
          dialogHost->AllocateMemory(size_t(stride) * size_t(bitmapHeight) * 3));
      if (previewBitmap != nullptr) {
        imageValid = false;
        RequestRender();
      } else {
        QLOG_ERROR("Out of memory");
      }
    }
  }
  QLOG_SCOPE_EXIT(scope, "pfPreviewWin32::AssignScaleFactor( return(" << 0 << ") )");
  return 0;
}

void pfPreviewWin32::ReleasePreviewBitmap() {
  if (previewBitmap != nullptr && dialogHost != nullptr) dialogHost->FreeMemory(previewBitmap);
  previewBitmap = nullptr;
  imageValid = false;
}

// ---- Display
// -------------------------------------------------------------------------------------

void pfPreviewWin32::DrawToPreview() {
  QLOG_SCOPE(scope, "pfPreviewWin32::DrawToPreview()", "pfPreviewWin32::DrawToPreview()");
  const FilterRecord* r = filterRecord;
  if (previewBitmap != nullptr && r != nullptr && r->outData != nullptr) {
    int32_t total = r->inLayerPlanes + r->inTransparencyMask + r->inLayerMasks +
                    r->inInvertedLayerMasks + r->inNonLayerPlanes;
    if (total < r->planes) total = r->planes;
    const int32_t c =
        pfPreviewColourPlanes(r->imageMode, r->inLayerPlanes, r->inNonLayerPlanes, r->planes);
    if (c == 0) {
      QLOG_ERROR("Invalid imageMode");
    } else {
      const bool transparency = r->inTransparencyMask > 0 && total >= c + 1;
      const pfPreviewSource source{static_cast<const uint8_t*>(r->outData),
                                   r->outRowBytes,
                                   Width(r->outRect),
                                   Height(r->outRect),
                                   r->depth == 16 ? 16 : 8,
                                   total,
                                   c,
                                   transparency ? int32_t(r->inLayerPlanes) : -1,
                                   r->imageSize.h,
                                   r->imageSize.v};
      pfConvertToBitmap(source, previewBitmap, stride, bitmapHeight);
      imageValid = true;
      InvalidateFrame();
    }
  }
}

void pfPreviewWin32::PaintPreview(HDC dc) {
  RECT f;
  if (!GetFrame(f) || filterRecord == nullptr) return;
  const int32_t w = Width(filterRecord->outRect);
  const int32_t h = Height(filterRecord->outRect);
  const pfFrame frame{f.left, f.top, f.right - f.left, f.bottom - f.top};
  const pfPreviewLayout l = pfLayoutPreview(w, h, pixelRatio, frame, panX, panY);
  panX = l.panX;
  panY = l.panY;
  SetBrushOrgEx(dc, l.x0 - panX, l.y0 - panY, nullptr);
  const RECT image{l.x0, l.y0, l.x0 + l.drawWidth, l.y0 + l.drawHeight};
  if (imageValid && previewBitmap != nullptr) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = stride;
    info.bmiHeader.biHeight = bitmapHeight;  // positive: bottom-up rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    info.bmiHeader.biSizeImage = DWORD(stride) * DWORD(bitmapHeight) * 3;
    SetStretchBltMode(dc, COLORONCOLOR);
    if (StretchDIBits(dc, l.x0, l.y0, l.drawWidth, l.drawHeight, panX, panY, l.sourceWidth,
                      l.sourceHeight, previewBitmap, &info, DIB_RGB_COLORS, SRCCOPY) == 0) {
      QLOG_WARNING("StretchDIBBits failed. GetLastError(" << GetLastError() << ")");
    }
  } else {
    FillRect(dc, &image, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  }
  // The margins reach below the frame so that a window enlarged faster than it is laid out
  // shows no stale pixels.
  HBRUSH grey = CreateSolidBrush(kMarginColour);
  const RECT margins[4] = {{f.left, f.top, f.right, image.top},
                           {f.left, image.bottom, f.right, f.bottom + 200},
                           {f.left, f.top, image.left, f.bottom + 200},
                           {image.right, f.top, f.right, f.bottom + 200}};
  for (const RECT& m : margins) {
    if (m.left < m.right && m.top < m.bottom) FillRect(dc, &m, grey);
  }
  DeleteObject(grey);
  if (!showHandle || controls == nullptr) return;
  for (pfParameterUI* binding : *controls) {
    if (dynamic_cast<pfParameterUIPositionWin32*>(binding) == nullptr) continue;
    auto* p = static_cast<pfParameterPosition*>(binding->GetParameter());
    if (p != nullptr) DrawHandle(dc, pfHandleCentre(l, pixelRatio, p->GetX(), p->GetY()));
  }
}

void pfPreviewWin32::ScreenToImage(int32_t x, int32_t y, double& fx, double& fy) const {
  RECT f;
  GetFrame(f);
  const pfFrame frame{f.left, f.top, f.right - f.left, f.bottom - f.top};
  pfScreenToImage(Width(filterRecord->inRect), Height(filterRecord->inRect), pixelRatio, frame,
                  panX, panY, x, y, fx, fy);
}

// ---- Preview window ----------------------------------------------------------------------------

void pfPreviewWin32::OnPreviewSize() {
  RECT window;
  GetWindowRect(previewDialog, &window);
  const int32_t width = window.right - window.left;
  const int32_t height = window.bottom - window.top;
  if (width < kMinimumSize || height < kMinimumSize) {
    SetWindowPos(previewDialog, nullptr, 0, 0, width < kMinimumSize ? kMinimumSize : width,
                 height < kMinimumSize ? kMinimumSize : height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return;  // the resize comes back as another WM_SIZE
  }
  RECT client;
  GetClientRect(previewDialog, &client);
  SetWindowPos(GetDlgItem(previewDialog, kPreviewFrame), nullptr, 0, 0, client.right, client.bottom,
               SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateFrame();
}

void pfPreviewWin32::OnPreviewLeftDown(int32_t x, int32_t y) {
  pressPoint = POINT{x, y};
  draggingHandle = true;
  SetCapture(previewDialog);
  if (pickedColour != nullptr || controls == nullptr) return;
  double fx = 0, fy = 0;
  ScreenToImage(x, y, fx, fy);
  // The nearest position parameter follows the pointer; the first of equally near ones.
  double best = std::numeric_limits<double>::infinity();
  draggedPosition = nullptr;
  for (pfParameterUI* binding : *controls) {
    if (dynamic_cast<pfParameterUIPositionWin32*>(binding) == nullptr) continue;
    auto* p = static_cast<pfParameterPosition*>(binding->GetParameter());
    if (p == nullptr) continue;
    const double d = std::hypot(p->GetX() - fx, p->GetY() - fy);
    if (d < best) {
      best = d;
      draggedPosition = p;
    }
  }
  if (draggedPosition == nullptr) return;
  RecordUndo(draggedPosition->CreateUndo());
  draggedPosition->SetXY(fx, fy);
  draggedPosition->UpdateControl();
  RequestRender();
}

void pfPreviewWin32::OnPreviewMouseMove(int32_t x, int32_t y) {
  double fx = 0, fy = 0;
  ScreenToImage(x, y, fx, fy);
  const int32_t hostFactor = lastHostFactor > 0 ? lastHostFactor : 1;
  const double px = std::trunc(fx * Width(filterRecord->outRect) * hostFactor * 10) / 10;
  const double py = std::trunc(fy * Height(filterRecord->outRect) * hostFactor * 10) / 10;
  char title[80];
  std::snprintf(title, sizeof(title), "Preview:  x: %g y: %g", px, py);
  SetWindowTextA(previewDialog, title);
  if (panning) {
    panX = int32_t(std::trunc(panStart.x - (x - panMouseStart.x) * pixelRatio));
    panY = int32_t(std::trunc(panStart.y - (panMouseStart.y - y) * pixelRatio));
    InvalidateFrame();
  }
  if (draggingHandle && draggedPosition != nullptr) {
    draggedPosition->SetXY(fx, fy);
    draggedPosition->UpdateControl();
    RequestRender();
  }
  if (pickedColour != nullptr) {
    HDC dc = GetDC(previewDialog);
    const COLORREF colour = GetPixel(dc, x, y);
    ReleaseDC(previewDialog, dc);
    if (colour != CLR_INVALID &&
        pickedColour->SetRGB(GetRValue(colour) / 255.0, GetGValue(colour) / 255.0,
                             GetBValue(colour) / 255.0)) {
      pickedColour->UpdateControl();
      RequestRender();
    }
  }
}

INT_PTR CALLBACK pfPreviewWin32::PreviewProcedure(HWND window, UINT message, WPARAM,
                                                  LPARAM lParam) {
  auto* self = reinterpret_cast<pfPreviewWin32*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<pfPreviewWin32*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, lParam);
    self->previewDialog = window;
    const Point whole = self->filterRecord->wholeSize;
    pfParameterUIPositionWin32::SetPositionScale(whole.h, whole.v);
    pfDialogStateWin32::ReadPreview(window);
    self->OnPreviewSize();
    return TRUE;
  }
  if (self == nullptr || self->previewDialog != window) return FALSE;
  RECT frame;
  self->GetFrame(frame);
  switch (message) {
    case WM_DESTROY:
      pfDialogStateWin32::WritePreview(window);
      return FALSE;
    case WM_SIZE:
      self->OnPreviewSize();
      return TRUE;
    case WM_ERASEBKGND:
      return TRUE;  // the paint covers the whole frame
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      self->PaintPreview(dc);
      EndPaint(window, &ps);
      return TRUE;
    }
    case WM_RBUTTONDOWN: {
      const POINT p = PointOf(lParam);
      if (!PtInRect(&frame, p)) return TRUE;
      self->panMouseStart = p;
      self->panStart = POINT{self->panX, self->panY};
      self->panning = true;
      SetCapture(window);
      return TRUE;
    }
    case WM_RBUTTONUP:
      self->panning = false;
      if (GetCapture() == window) ReleaseCapture();
      self->InvalidateFrame();
      return TRUE;
    case WM_LBUTTONDOWN: {
      const POINT p = PointOf(lParam);
      if (PtInRect(&frame, p)) self->OnPreviewLeftDown(p.x, p.y);
      return TRUE;
    }
    case WM_LBUTTONUP:
      self->draggedPosition = nullptr;
      self->draggingHandle = false;
      if (GetCapture() == window) ReleaseCapture();
      if (self->pickedColour != nullptr) self->EndColourPick();
      return TRUE;
    case WM_MOUSEMOVE: {
      const POINT p = PointOf(lParam);
      self->OnPreviewMouseMove(p.x, p.y);
      return TRUE;
    }
    case WM_COMMAND:
      return TRUE;  // no commands of its own: the close button does nothing
    default:
      return FALSE;
  }
}
