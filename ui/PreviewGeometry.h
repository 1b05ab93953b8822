// The preview's arithmetic, apart from the windows that use it: zoom factors and what the host
// is asked for, the zoom label, keeping the view centred across a zoom, the layout of the
// image in the frame with its pan, pointer positions in image terms, the origin handle, and the
// conversion of the host's output buffer into the 24-bit display bitmap. pfPreviewWin32 only
// feeds window sizes and messages into these functions.
//
// A factor n >= 1 shows the image reduced n times by the host at 1:1 on screen; n <= 0 is a
// magnification: the host delivers the whole image and the screen enlarges it by (2 - n) / 1.5.
#pragma once

#include <cstdint>
#include <string>

// Towards zero, as the dialog's pixel and slider arithmetic rounds throughout.
int32_t pfTrunc(double v);

struct pfScaleLevel {
  int32_t hostFactor;  // the reduction asked of the host
  double pixelRatio;   // preview-image pixels per screen pixel
};

// The reduction and pixel ratio of a factor; each coarse level (after abandoned renders) adds
// one to the host's reduction while the displayed size stays that of the factor.
pfScaleLevel pfScaleLevelFor(int32_t factor, int32_t coarseLevel);

// The smallest reduction that shows the whole image in the frame: one more than the whole
// number of frames the image spans on its wider side (an image exactly twice the frame gets 3).
int32_t pfFitFactor(int32_t imageWidth, int32_t imageHeight, int32_t frameWidth,
                    int32_t frameHeight);

// "100%", "50%", "33.33%", "133.3%": the zoom of a factor, 4 significant digits.
std::string pfZoomLabel(int32_t factor);

struct pfPoint {
  int32_t x;
  int32_t y;
};

// The preview frame in client pixels.
struct pfFrame {
  int32_t left;
  int32_t top;
  int32_t width;
  int32_t height;
};

// The centre of the view, in pixels of the preview image of size w x h shown at ratio, for the
// pan (panX from the left, panY from the bottom); an image narrower (lower) than the frame is
// centred whatever the pan.
pfPoint pfViewCentre(int32_t panX, int32_t panY, int32_t frameWidth, int32_t frameHeight,
                     double ratio, int32_t w, int32_t h);

// The pan that puts the point (cx, cy) of the preview image at the centre of the frame at ratio.
pfPoint pfPanForCentre(double cx, double cy, int32_t frameWidth, int32_t frameHeight, double ratio);

// Where a w x h preview image shown at ratio lands in the frame, with the pan clamped so that
// no more than the image is scrolled.
struct pfPreviewLayout {
  int32_t displayWidth;  // the whole image on screen (truncated)
  int32_t displayHeight;
  int32_t panX;  // clamped
  int32_t panY;
  int32_t x0;  // the drawn part's top-left corner in client pixels
  int32_t y0;
  int32_t drawWidth;  // the drawn part: the image, or the frame when the image is larger
  int32_t drawHeight;
  int32_t sourceWidth;  // the drawn part in preview-image pixels
  int32_t sourceHeight;
};
pfPreviewLayout pfLayoutPreview(int32_t w, int32_t h, double ratio, pfFrame frame, int32_t panX,
                                int32_t panY);

// Image-relative coordinates (0..1 from the left and from the top) of a client pixel.
void pfScreenToImage(int32_t w, int32_t h, double ratio, pfFrame frame, int32_t panX, int32_t panY,
                     int32_t x, int32_t y, double& fx, double& fy);

// The client pixel at which the handle of a position (x, y, image-relative) is drawn.
pfPoint pfHandleCentre(const pfPreviewLayout& layout, double ratio, double x, double y);

// The handle: five square outlines of these half-sizes and grey levels, inner to outer, then a
// black square of half-size kHandleOuterHalfSize with both diagonals.
struct pfHandleRing {
  int32_t halfSize;
  uint8_t grey;
};
inline constexpr pfHandleRing kHandleRings[5] = {
    {1, 0xEE}, {3, 0xBB}, {5, 0x99}, {7, 0x66}, {9, 0x33}};
inline constexpr int32_t kHandleOuterHalfSize = 11;

// Display bitmap rows hold a multiple of 32 pixels, always more than the width.
int32_t pfBitmapStride(int32_t width);

// The colour planes the preview shows for an image mode (1 for grey, up to 3 for RGB and
// multichannel), from the record's plane counts; 0 for a mode it cannot show.
int32_t pfPreviewColourPlanes(int32_t imageMode, int32_t inLayerPlanes, int32_t inNonLayerPlanes,
                              int32_t planes);

// The host's output buffer as the preview reads it.
struct pfPreviewSource {
  const uint8_t* data;
  int32_t rowBytes;
  int32_t width;
  int32_t height;
  int32_t depth;         // 8 or 16 bits per sample (16-bit samples run 0..32768)
  int32_t totalPlanes;   // samples per pixel
  int32_t colourPlanes;  // 1..3, from pfPreviewColourPlanes
  int32_t alphaIndex;    // sample index of the transparency, -1 when there is none
  int32_t imageWidth;    // the whole image, for the size of the checkerboard squares
  int32_t imageHeight;
};

// Converts the buffer into bitmapHeight rows of stride pixels, 3 bytes each (blue, green, red),
// bottom-up; transparent pixels are blended over a checkerboard of 16 x 16 image pixels.
void pfConvertToBitmap(const pfPreviewSource& source, uint8_t* bitmap, int32_t stride,
                       int32_t bitmapHeight);

// An angle dial (0 degrees up, clockwise) pointed at (dx, dy) from its centre: the new value
// in degrees, kept within the turn of the current value and running on past 360 or below 0
// when the pointer crosses the top. False (nothing changes) when the pointer is on the centre.
bool pfAngleFromPointer(double currentDegrees, int32_t dx, int32_t dy, double& degrees);
