// The file formats of the command-line host: which one a name or a signature means, whether
// this build has it, and what a conversion loses.
#include "tools/ImageFile.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <new>

namespace {

bool FormatFromName(const std::string& path, ImageFormat& format) {
  std::string ext = std::filesystem::path(path).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  if (ext == ".png") {
    format = ImageFormat::kPng;
  } else if (ext == ".tif" || ext == ".tiff") {
    format = ImageFormat::kTiff;
  } else if (ext == ".jpg" || ext == ".jpeg") {
    format = ImageFormat::kJpeg;
  } else {
    return false;
  }
  return true;
}

enum class Signature { kKnown, kUnknown, kUnreadable };

// The format a regular file's first bytes declare. Anything else (a missing file, a pipe) is
// left to the reader its name picks, which then says what is wrong or streams it.
Signature Sniff(const std::string& path, ImageFormat& format) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return Signature::kUnreadable;
  unsigned char b[4] = {};
  std::ifstream in(path, std::ios::binary);
  if (!in) return Signature::kUnreadable;
  in.read(reinterpret_cast<char*>(b), 4);
  if (in.gcount() == 4 && b[0] == 0x89 && b[1] == 'P' && b[2] == 'N' && b[3] == 'G') {
    format = ImageFormat::kPng;
  } else if (in.gcount() == 4 &&
             ((b[0] == 'I' && b[1] == 'I' && (b[2] == 42 || b[2] == 43) && b[3] == 0) ||
              (b[0] == 'M' && b[1] == 'M' && b[2] == 0 && (b[3] == 42 || b[3] == 43)))) {
    format = ImageFormat::kTiff;  // classic or BigTIFF, either byte order
  } else if (in.gcount() >= 3 && b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF) {
    format = ImageFormat::kJpeg;
  } else {
    return Signature::kUnknown;
  }
  return Signature::kKnown;
}

bool Supported(ImageFormat format, const std::string& path, std::string& error) {
#if QUENARA_HAVE_LIBTIFF && QUENARA_HAVE_LIBJPEG
  (void)format, (void)path, (void)error;
  return true;
#else
  if (format == ImageFormat::kPng) return true;
  error = "'" + path + "': " + FormatName(format) + " files are not supported in this build";
  return false;
#endif
}

void AddOnce(std::vector<std::string>& list, const std::string& item) {
  if (std::find(list.begin(), list.end(), item) == list.end()) list.push_back(item);
}

}  // namespace

const char* FormatName(ImageFormat format) {
  switch (format) {
    case ImageFormat::kTiff:
      return "TIFF";
    case ImageFormat::kJpeg:
      return "JPEG";
    default:
      return "PNG";
  }
}

bool OutputFormat(const std::string& path, ImageFormat& format, std::string& error) {
  if (!FormatFromName(path, format)) {
    error =
        "'" + path + "': unknown image format; name the output .png, .tif, .tiff, .jpg or .jpeg";
    return false;
  }
  return true;
}

bool CheckWritable(const std::string& path, ImageFormat format, int channels, std::string& error) {
  if (!Supported(format, path, error)) return false;
  if (format == ImageFormat::kJpeg && (channels == 2 || channels == 4)) {
    error = "'" + path + "': JPEG has no transparency; write the image with alpha as .png or .tif";
    return false;
  }
  return true;
}

bool ReadImage(const std::string& path, PngImage& image, ImageFormat& format, std::string& error) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    error = "'" + path + "' is a directory";
    return false;
  }
  ImageFormat named = ImageFormat::kPng, found = ImageFormat::kPng;
  const bool hasName = FormatFromName(path, named);
  const Signature signature = Sniff(path, found);
  if (signature == Signature::kUnknown) {
    error = "'" + path + "' is not a " +
            (hasName ? std::string(FormatName(named)) : std::string("PNG, TIFF or JPEG")) + " file";
    return false;
  }
  if (signature == Signature::kKnown && hasName && found != named) {
    error = "'" + path + "' is a " + FormatName(found) + " file, not " + FormatName(named) +
            " as its name says";
    return false;
  }
  format = signature == Signature::kKnown ? found : named;
  if (!Supported(format, path, error)) return false;
  if (format == ImageFormat::kPng) return ReadPng(path, image, error);
  try {
#if QUENARA_HAVE_LIBTIFF && QUENARA_HAVE_LIBJPEG
    return format == ImageFormat::kTiff ? ReadTiff(path, image, error)
                                        : ReadJpeg(path, image, error);
#endif
  } catch (const std::bad_alloc&) {
    error = "not enough memory to read '" + path + "'";
  }
  return false;
}

bool WriteImage(const std::string& path, ImageFormat format, const PngImage& image,
                const ImageWriteOptions& options, std::string& error) {
  if (format == ImageFormat::kPng) return WritePng(path, image, error, options.level);
  if (!Supported(format, path, error)) return false;
  try {
#if QUENARA_HAVE_LIBTIFF && QUENARA_HAVE_LIBJPEG
    return format == ImageFormat::kTiff ? WriteTiff(path, image, options.tiff, options.level, error)
                                        : WriteJpeg(path, image, options.jpegQuality, error);
#endif
  } catch (const std::bad_alloc&) {
    error = "cannot write '" + path + "': out of memory";
  }
  return false;
}

std::string LostInFormat(const PngImage& image, ImageFormat to) {
  std::vector<std::string> lost;
  if (to == ImageFormat::kJpeg && image.bitDepth == 16) lost.push_back("16-bit depth (8 written)");
  const ImageMetadata& m = image.metadata;
  if (m.blockFormat != to) {
    for (const ImageMetadata::Block& b : m.blocks) AddOnce(lost, b.name);
  }
  for (const std::string& d : m.dropped) AddOnce(lost, d);
  std::string text;
  for (const std::string& item : lost) text += (text.empty() ? "" : ", ") + item;
  return text;
}
