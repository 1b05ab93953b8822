// PNG reading and writing through libpng's classic interface (the simplified interface
// converts 16-bit data to linear light, which would change the samples).
#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "tools/PngImage.h"

namespace {

struct ErrorSink {
  char message[256] = {};
};

void OnPngError(png_structp png, png_const_charp message) {
  auto* sink = static_cast<ErrorSink*>(png_get_error_ptr(png));
  std::snprintf(sink->message, sizeof(sink->message), "%s", message);
  png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

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

int ChannelsOf(int colorType) {
  switch (colorType) {
    case PNG_COLOR_TYPE_GRAY:
      return 1;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
      return 2;
    case PNG_COLOR_TYPE_RGB:
      return 3;
    case PNG_COLOR_TYPE_RGB_ALPHA:
      return 4;
    default:
      return 0;
  }
}

int ColorTypeOf(int channels) {
  switch (channels) {
    case 1:
      return PNG_COLOR_TYPE_GRAY;
    case 2:
      return PNG_COLOR_TYPE_GRAY_ALPHA;
    case 3:
      return PNG_COLOR_TYPE_RGB;
    default:
      return PNG_COLOR_TYPE_RGB_ALPHA;
  }
}

// The part after setjmp: only trivially destructible locals may live here, because libpng
// leaves it with longjmp.
bool ReadRows(png_structp png, png_infop info, PngImage& image, std::vector<png_byte>& bytes,
              std::vector<png_bytep>& rows, ErrorSink& sink, std::string& error) {
  if (setjmp(png_jmpbuf(png))) {
    error = std::string("damaged PNG: ") + sink.message;
    return false;
  }
  png_read_info(png, info);
  const png_uint_32 width = png_get_image_width(png, info);
  const png_uint_32 height = png_get_image_height(png, info);
  const int depth = png_get_bit_depth(png, info);
  const int colorType = png_get_color_type(png, info);
  const int channels = ChannelsOf(colorType);
  if (channels == 0 || (depth != 8 && depth != 16)) {
    std::snprintf(sink.message, sizeof(sink.message),
                  "unsupported PNG layout (colour type %d, %d bits per sample); use grey, "
                  "grey+alpha, RGB or RGBA with 8 or 16 bits",
                  colorType, depth);
    error = sink.message;
    return false;
  }
  if (png_get_valid(png, info, PNG_INFO_tRNS)) {
    error = "unsupported PNG layout (transparency key); use an alpha channel instead";
    return false;
  }
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  const size_t rowBytes = png_get_rowbytes(png, info);
  bytes.resize(rowBytes * height);
  rows.resize(height);
  for (png_uint_32 y = 0; y < height; ++y) rows[y] = bytes.data() + rowBytes * y;
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  image.width = width;
  image.height = height;
  image.channels = channels;
  image.bitDepth = depth;
  return true;
}

bool WriteRows(png_structp png, png_infop info, const PngImage& image, std::vector<png_bytep>& rows,
               ErrorSink& sink, std::string& error) {
  if (setjmp(png_jmpbuf(png))) {
    error = std::string("cannot write PNG: ") + sink.message;
    return false;
  }
  png_set_IHDR(png, info, image.width, image.height, image.bitDepth, ColorTypeOf(image.channels),
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  return true;
}

}  // namespace

bool ReadPngLibpng(const std::string& path, PngImage& image, std::string& error) {
  File file(path, "rb");
  if (file.get() == nullptr) {
    error = "cannot open '" + path + "': " + std::strerror(errno);
    return false;
  }
  png_byte signature[8] = {};
  if (std::fread(signature, 1, 8, file.get()) != 8 || png_sig_cmp(signature, 0, 8) != 0) {
    error = "'" + path + "' is not a PNG file";
    return false;
  }
  ErrorSink sink;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &sink, OnPngError, OnPngWarning);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  if (info == nullptr) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    error = "out of memory reading '" + path + "'";
    return false;
  }
  png_init_io(png, file.get());
  png_set_sig_bytes(png, 8);
  std::vector<png_byte> bytes;
  std::vector<png_bytep> rows;
  PngImage decoded;
  const bool ok = ReadRows(png, info, decoded, bytes, rows, sink, error);
  png_destroy_read_struct(&png, &info, nullptr);
  if (!ok) {
    error = "'" + path + "': " + error;
    return false;
  }
  const size_t count = size_t(decoded.width) * decoded.height * size_t(decoded.channels);
  decoded.samples.resize(count);
  if (decoded.bitDepth == 8) {
    for (size_t i = 0; i < count; ++i) decoded.samples[i] = bytes[i];
  } else {
    for (size_t i = 0; i < count; ++i) {
      decoded.samples[i] = uint16_t((bytes[2 * i] << 8) | bytes[2 * i + 1]);  // big-endian
    }
  }
  image = std::move(decoded);
  return true;
}

bool WritePngLibpng(const std::string& path, const PngImage& image, std::string& error) {
  if (image.channels < 1 || image.channels > 4 || (image.bitDepth != 8 && image.bitDepth != 16) ||
      image.width == 0 || image.height == 0) {
    error = "cannot write '" + path + "': unsupported image layout";
    return false;
  }
  const size_t bytesPerSample = size_t(image.bitDepth / 8);
  const size_t rowBytes = size_t(image.width) * size_t(image.channels) * bytesPerSample;
  std::vector<png_byte> bytes(rowBytes * image.height);
  for (size_t i = 0; i < image.samples.size(); ++i) {
    if (bytesPerSample == 1) {
      bytes[i] = png_byte(image.samples[i]);
    } else {
      bytes[2 * i] = png_byte(image.samples[i] >> 8);
      bytes[2 * i + 1] = png_byte(image.samples[i] & 0xFF);
    }
  }
  std::vector<png_bytep> rows(image.height);
  for (uint32_t y = 0; y < image.height; ++y) rows[y] = bytes.data() + rowBytes * y;

  File file(path, "wb");
  if (file.get() == nullptr) {
    error = "cannot create '" + path + "': " + std::strerror(errno);
    return false;
  }
  ErrorSink sink;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &sink, OnPngError, OnPngWarning);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    error = "out of memory writing '" + path + "'";
    return false;
  }
  png_init_io(png, file.get());
  const bool ok = WriteRows(png, info, image, rows, sink, error);
  png_destroy_write_struct(&png, &info);
  if (ok && file.Close() != 0) {
    error = "cannot write '" + path + "': " + std::strerror(errno);
    return false;
  }
  if (!ok) error = "'" + path + "': " + error;
  return ok;
}
