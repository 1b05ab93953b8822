// Image files of the command-line host: PNG, TIFF and JPEG, chosen by the output's extension
// and by the input's signature. Natively libtiff and libjpeg-turbo do the TIFF and JPEG work;
// the Windows build, which has neither, reads and writes PNG only and says so for the others.
#pragma once

#include <string>

#include "tools/PngImage.h"

enum class TiffCompression { kNone, kLzw, kDeflate };

// Deflate with the horizontal predictor, deflated strip by strip on every core: at level 1 the
// cheapest compressed form to write (LZW costs more on one core), about half the size of none.
constexpr TiffCompression kDefaultTiffCompression = TiffCompression::kDeflate;
constexpr int kDefaultJpegQuality = 90;

struct ImageWriteOptions {
  int level = kDefaultPngLevel;  // deflate level 0..9 of PNG and of TIFF's Deflate
  TiffCompression tiff = kDefaultTiffCompression;
  int jpegQuality = kDefaultJpegQuality;  // 1..100
};

const char* FormatName(ImageFormat format);  // "PNG", "TIFF", "JPEG"

// The format an output name asks for (.png, .tif, .tiff, .jpg, .jpeg in any case), or false
// with a one-line error naming the file.
bool OutputFormat(const std::string& path, ImageFormat& format, std::string& error);
// False with a one-line error when this build cannot write `format`, or a file of `format`
// cannot hold this layout (JPEG has no transparency: an image with alpha is refused rather
// than flattened onto an invented background).
bool CheckWritable(const std::string& path, ImageFormat format, int channels, std::string& error);

// Reads a PNG, TIFF or JPEG file as its signature says; an extension naming another of the
// three formats, an unknown signature and an unsupported variant are one-line errors naming
// the file. `format` is the format read.
bool ReadImage(const std::string& path, PngImage& image, ImageFormat& format, std::string& error);
bool WriteImage(const std::string& path, ImageFormat format, const PngImage& image,
                const ImageWriteOptions& options, std::string& error);

// What a file of format `to` will not keep of the image: its metadata that cannot travel there
// (and what the input held that no format keeps), and a 16-bit depth written to JPEG. A comma-
// separated list; empty when nothing is lost.
std::string LostInFormat(const PngImage& image, ImageFormat to);

// The format readers and writers (natively only). Samples keep their full range: 16-bit TIFF
// samples are 0..65535 as in PNG. Associated (premultiplied) alpha in a TIFF is divided out on
// reading; TIFFs are written with unassociated alpha. JPEG writes 16-bit images with 8 bits.
bool ReadTiff(const std::string& path, PngImage& image, std::string& error);
bool WriteTiff(const std::string& path, const PngImage& image, TiffCompression compression,
               int level, std::string& error);
bool ReadJpeg(const std::string& path, PngImage& image, std::string& error);
bool WriteJpeg(const std::string& path, const PngImage& image, int quality, std::string& error);
