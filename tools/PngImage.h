// A decoded image file as the command-line host sees it: grey, grey+alpha, RGB or RGBA with 8
// or 16 bits per sample, samples interleaved per pixel, rows top to bottom, and the metadata
// that travels with it. PNG, TIFF and JPEG files all decode to it (ImageFile.h); the PNG
// functions are declared here. Two PNG readers exist: libpng natively, and a small zlib-based
// reader for the Windows build (mingw has no libpng package); the tests check each against the
// other. One parallel writer serves both.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

enum class ImageFormat { kPng, kTiff, kJpeg };

// A C stream the codec libraries read or write, closed on every path out (their errors leave
// by longjmp or early returns); Close reports the final flush.
class File {
 public:
  File(const std::string& path, const char* mode) : f(std::fopen(path.c_str(), mode)) {}
  ~File() {
    if (f != nullptr) std::fclose(f);
  }
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  FILE* get() const { return f; }
  int Close() {
    const int r = std::fclose(f);
    f = nullptr;
    return r;
  }

 private:
  FILE* f;
};

// What a photographer expects to survive the filter. The profile and the resolution travel
// between all three formats; `blocks` are kept byte for byte only into a file of the format
// they came from (PNG chunks, JPEG markers, TIFF tags). The writer names whatever it cannot
// carry (MetadataNote in ImageFile.h).
struct ImageMetadata {
  enum class Unit { kNone, kAspect, kInch, kCentimetre };  // kAspect: a pixel shape only
  std::vector<uint8_t> icc;                                // ICC profile; empty if none
  std::string iccName;                                     // PNG's name for it
  Unit unit = Unit::kNone;
  double xDensity = 0.0, yDensity = 0.0;  // pixels per unit
  struct Block {
    std::string name;   // "tEXt", "APP1 (Exif)", "XMP"
    uint32_t code = 0;  // JPEG marker or TIFF tag; PNG: unused
    std::vector<uint8_t> data;
  };
  ImageFormat blockFormat = ImageFormat::kPng;
  std::vector<Block> blocks;
  std::vector<std::string> dropped;  // read but kept for no format
};

struct PngImage {
  uint32_t width = 0;
  uint32_t height = 0;
  int channels = 0;               // 1 grey, 2 grey+alpha, 3 RGB, 4 RGBA
  int bitDepth = 0;               // 8 or 16
  std::vector<uint16_t> samples;  // width * height * channels, full range (0..255 / 0..65535)
  ImageMetadata metadata;

  uint16_t& At(uint32_t x, uint32_t y, int c) {
    return samples[(size_t(y) * width + x) * size_t(channels) + size_t(c)];
  }
  uint16_t At(uint32_t x, uint32_t y, int c) const {
    return samples[(size_t(y) * width + x) * size_t(channels) + size_t(c)];
  }
};

// Both return false with a one-line reason in `error`. Reading accepts only the layouts above
// (palette, sub-byte depths and tRNS-keyed images are refused as unsupported layouts).
bool ReadPng(const std::string& path, PngImage& image, std::string& error);

// Compression levels 0 (stored) to 9 as zlib counts them, except that level 1 matches runs
// only. The default: blurred pictures come out about as small as at level 6 in a fraction of
// its time.
constexpr int kDefaultPngLevel = 1;
bool WritePng(const std::string& path, const PngImage& image, std::string& error,
              int level = kDefaultPngLevel);

// The two readers under their own names, so that tests can play one against the other.
bool ReadPngLibpng(const std::string& path, PngImage& image, std::string& error);
bool ReadPngZlib(const std::string& path, PngImage& image, std::string& error);

// The ancillary chunks both readers hand over raw: the colour and resolution chunks are
// decoded into the metadata (and kept as blocks where PNG alone knows them), text chunks are
// kept as blocks, and any other chunk is named as dropped.
void AddPngChunk(ImageMetadata& metadata, const char type[4], const uint8_t* data, size_t length);
// The chunks WritePng puts before the image data: iCCP and pHYs from the metadata, the rest
// from PNG blocks; each as (type, data).
std::vector<std::pair<std::string, std::vector<uint8_t>>> PngChunksFor(const ImageMetadata& m);
