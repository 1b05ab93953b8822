// PNG reading through libpng's classic interface (the simplified interface converts 16-bit
// data to linear light, which would change the samples). Writing is PngWriter.cpp's.
#include <png.h>

#include <bit>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>

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

// The part after setjmp: no std::string or other object with a destructor may live here,
// because libpng leaves it with longjmp; the reason for a failure goes into the sink's buffer,
// and it is never inlined into its caller, whose strings would then be at risk.
[[gnu::noinline]] bool ReadRows(png_structp png, png_infop info, PngImage& image,
                                std::vector<png_byte>& bytes, std::vector<png_bytep>& rows,
                                ErrorSink& sink) {
  if (setjmp(png_jmpbuf(png))) {
    char damaged[sizeof(sink.message)];
    std::snprintf(damaged, sizeof(damaged), "damaged PNG: %.200s", sink.message);
    std::memcpy(sink.message, damaged, sizeof(damaged));
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
    return false;
  }
  if (png_get_valid(png, info, PNG_INFO_tRNS)) {
    std::snprintf(sink.message, sizeof(sink.message), "%s",
                  "unsupported PNG layout (transparency key); use an alpha channel instead");
    return false;
  }
  png_set_interlace_handling(png);
  // 16-bit rows are decoded straight into the samples, swapped to this machine's byte order
  // by libpng: no second 24-megapixel buffer and no pass over it. 8-bit ones are widened after.
  const bool direct = depth == 16 && std::endian::native == std::endian::little;
  if (direct) png_set_swap(png);
  png_read_update_info(png, info);
  const size_t rowBytes = png_get_rowbytes(png, info);
  png_byte* base;
  if (direct) {
    image.samples.resize(rowBytes / 2 * height);
    base = reinterpret_cast<png_byte*>(image.samples.data());
  } else {
    bytes.resize(rowBytes * height);
    base = bytes.data();
  }
  rows.resize(height);
  for (png_uint_32 y = 0; y < height; ++y) rows[y] = base + rowBytes * y;
  png_read_image(png, rows.data());
  png_read_end(png, info);  // chunks after the image data join those before it
  image.width = width;
  image.height = height;
  image.channels = channels;
  image.bitDepth = depth;
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
  // Every ancillary chunk comes to us raw, the ones libpng knows as well, so that the metadata
  // is kept or named the same way as by the zlib reader. tRNS stays libpng's: it is refused.
  static const png_byte kKnown[] =
      "bKGD\0cHRM\0eXIf\0gAMA\0hIST\0iCCP\0iTXt\0oFFs\0pCAL\0pHYs\0sBIT\0sCAL\0sPLT\0sRGB\0"
      "tEXt\0tIME\0zTXt";
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_ALWAYS, nullptr, 0);
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_ALWAYS, kKnown, int(sizeof(kKnown) / 5));
  std::vector<png_byte> bytes;
  std::vector<png_bytep> rows;
  PngImage decoded;
  bool ok = false;
  try {
    ok = ReadRows(png, info, decoded, bytes, rows, sink);
    if (!ok) error = sink.message;
    png_unknown_chunkp chunks = nullptr;
    const int count = ok ? png_get_unknown_chunks(png, info, &chunks) : 0;
    for (int i = 0; i < count && ok; ++i) {
      // Kept raw, an unknown critical chunk would pass; PNG says such a file cannot be shown.
      if ((chunks[i].name[0] & 0x20) == 0) {
        ok = false;
        error = "damaged PNG: unknown critical chunk";
      }
      AddPngChunk(decoded.metadata, reinterpret_cast<const char*>(chunks[i].name), chunks[i].data,
                  chunks[i].size);
    }
  } catch (const std::bad_alloc&) {  // thrown by our own allocations, never through libpng
    error = "not enough memory";
  }
  png_destroy_read_struct(&png, &info, nullptr);
  if (!ok) {
    error = "'" + path + "': " + error;
    return false;
  }
  if (!bytes.empty()) {
    const size_t count = size_t(decoded.width) * decoded.height * size_t(decoded.channels);
    decoded.samples.resize(count);
    if (decoded.bitDepth == 8) {
      for (size_t i = 0; i < count; ++i) decoded.samples[i] = bytes[i];
    } else {
      for (size_t i = 0; i < count; ++i) {
        decoded.samples[i] = uint16_t((bytes[2 * i] << 8) | bytes[2 * i + 1]);  // big-endian
      }
    }
  }
  image = std::move(decoded);
  return true;
}
