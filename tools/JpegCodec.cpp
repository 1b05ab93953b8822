// JPEG through libjpeg-turbo: 8-bit grey and colour photos in, grey or RGB out. The ICC
// profile (APP2) and the JFIF resolution travel to every format; the other application
// markers (Exif, XMP, ...) and comments are kept byte for byte into a JPEG.
// clang-format off
// jpeglib.h uses size_t and FILE without declaring them.
#include <cstddef>
#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>

#include "tools/ImageFile.h"

namespace {

// A flat picture compresses to a few bits per 8 x 8 block; no real file decodes to more
// samples than this many times its size, and a header that claims more is refused before
// anything is allocated.
constexpr uint64_t kMaxInflation = 20000;
constexpr uint64_t kSlack = 1 << 16;

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX] = {};
};

[[noreturn]] void OnJpegError(j_common_ptr c) {
  auto* e = reinterpret_cast<ErrorManager*>(c->err);
  (*c->err->format_message)(c, e->message);
  std::longjmp(e->jump, 1);
}

// Warnings pass, except the end of the data before the end of the picture: libjpeg would fill
// the rest with grey, and a truncated photo must not become a half-grey output.
void OnJpegMessage(j_common_ptr c, int level) {
  if (level < 0 && c->err->msg_code == JWRN_JPEG_EOF) OnJpegError(c);
}

struct Decoded {
  uint32_t width = 0, height = 0;
  int channels = 0;
  std::vector<uint8_t> pixels;
  uint8_t* icc = nullptr;  // malloc'ed by libjpeg-turbo
  unsigned iccBytes = 0;
};

// The part after setjmp: no object with a destructor lives here, since libjpeg leaves it with
// longjmp; the vector it fills belongs to the caller. Never inlined into a caller whose
// objects would then be at risk.
[[gnu::noinline]] bool DecodeJpeg(jpeg_decompress_struct& d, ErrorManager& e, FILE* f,
                                  uint64_t fileBytes, Decoded& out) {
  if (setjmp(e.jump)) return false;
  jpeg_stdio_src(&d, f);
  jpeg_save_markers(&d, JPEG_COM, 0xFFFF);
  for (int m = 1; m < 16; ++m) jpeg_save_markers(&d, JPEG_APP0 + m, 0xFFFF);
  jpeg_read_header(&d, TRUE);
  if (d.jpeg_color_space == JCS_GRAYSCALE) {
    d.out_color_space = JCS_GRAYSCALE;
  } else if (d.jpeg_color_space == JCS_YCbCr || d.jpeg_color_space == JCS_RGB) {
    d.out_color_space = JCS_RGB;
  } else {
    std::snprintf(e.message, sizeof(e.message), "unsupported JPEG variant (%s)",
                  d.jpeg_color_space == JCS_CMYK || d.jpeg_color_space == JCS_YCCK
                      ? "CMYK"
                      : "unknown colour space");
    return false;
  }
  const uint64_t samples = uint64_t(d.image_width) * d.image_height * uint64_t(d.num_components);
  if (fileBytes != 0 && samples > kMaxInflation * fileBytes + kSlack) {
    std::snprintf(e.message, sizeof(e.message),
                  "truncated or damaged: its header claims %u x %u pixels, more than its %llu "
                  "bytes can hold",
                  unsigned(d.image_width), unsigned(d.image_height),
                  static_cast<unsigned long long>(fileBytes));
    return false;
  }
  jpeg_read_icc_profile(&d, &out.icc, &out.iccBytes);
  jpeg_start_decompress(&d);
  out.width = d.output_width;
  out.height = d.output_height;
  out.channels = d.output_components;
  const size_t rowBytes = size_t(out.width) * size_t(out.channels);
  out.pixels.resize(rowBytes * out.height);
  while (d.output_scanline < d.output_height) {
    JSAMPROW row = out.pixels.data() + rowBytes * d.output_scanline;
    jpeg_read_scanlines(&d, &row, 1);
  }
  jpeg_finish_decompress(&d);
  return true;
}

std::string MarkerName(int code, const std::vector<uint8_t>& data) {
  auto startsWith = [&data](const char* prefix) {
    const size_t n = std::strlen(prefix) + 1;  // with its NUL
    return data.size() >= n && std::memcmp(data.data(), prefix, n) == 0;
  };
  if (code == JPEG_COM) return "COM (comment)";
  if (code == JPEG_APP0 + 1 && startsWith("Exif")) return "APP1 (Exif)";
  if (code == JPEG_APP0 + 1 && startsWith("http://ns.adobe.com/xap/1.0/")) return "APP1 (XMP)";
  if (code == JPEG_APP0 + 2 && startsWith("MPF")) return "APP2 (MPF)";
  if (code == JPEG_APP0 + 13) return "APP13 (Photoshop)";
  return "APP" + std::to_string(code - JPEG_APP0);
}

void ReadMarkers(const jpeg_decompress_struct& d, ImageMetadata& m) {
  if (d.saw_JFIF_marker && d.X_density > 0 && d.Y_density > 0 &&
      (d.density_unit != 0 || d.X_density != d.Y_density)) {  // 1:1 without a unit says nothing
    m.unit = d.density_unit == 1   ? ImageMetadata::Unit::kInch
             : d.density_unit == 2 ? ImageMetadata::Unit::kCentimetre
                                   : ImageMetadata::Unit::kAspect;
    m.xDensity = d.X_density;
    m.yDensity = d.Y_density;
  }
  m.blockFormat = ImageFormat::kJpeg;
  for (jpeg_saved_marker_ptr p = d.marker_list; p != nullptr; p = p->next) {
    std::vector<uint8_t> data(p->data, p->data + p->data_length);
    const bool icc = p->marker == JPEG_APP0 + 2 && data.size() >= 12 &&
                     std::memcmp(data.data(), "ICC_PROFILE", 12) == 0;
    if (icc) continue;  // read whole by jpeg_read_icc_profile
    std::string name = MarkerName(p->marker, data);
    // A multi-picture index points at pictures after this one, which are not copied; Adobe's
    // marker describes the colour transform of the file that was.
    if (p->marker == JPEG_APP0 + 2 || p->marker == JPEG_APP0 + 14) {
      if (std::find(m.dropped.begin(), m.dropped.end(), name) == m.dropped.end()) {
        m.dropped.push_back(name);
      }
    } else {
      m.blocks.push_back({std::move(name), uint32_t(p->marker), std::move(data)});
    }
  }
}

}  // namespace

bool ReadJpeg(const std::string& path, PngImage& image, std::string& error) {
  File file(path, "rb");
  if (file.get() == nullptr) {
    error = "cannot open '" + path + "': " + std::strerror(errno);
    return false;
  }
  std::error_code ec;
  uint64_t fileBytes =
      std::filesystem::is_regular_file(path, ec) ? std::filesystem::file_size(path, ec) : 0;
  if (ec) fileBytes = 0;
  jpeg_decompress_struct d{};
  ErrorManager e;
  d.err = jpeg_std_error(&e.pub);
  e.pub.error_exit = OnJpegError;
  e.pub.emit_message = OnJpegMessage;
  jpeg_create_decompress(&d);
  Decoded decoded;
  bool ok = false;
  try {
    ok = DecodeJpeg(d, e, file.get(), fileBytes, decoded);
  } catch (const std::bad_alloc&) {  // our own vector, never through libjpeg
    std::snprintf(e.message, sizeof(e.message), "not enough memory");
  }
  PngImage out;
  if (ok) {
    ReadMarkers(d, out.metadata);
    if (decoded.icc != nullptr)
      out.metadata.icc.assign(decoded.icc, decoded.icc + decoded.iccBytes);
  }
  std::free(decoded.icc);
  jpeg_destroy_decompress(&d);
  if (!ok) {
    const bool ours = std::strncmp(e.message, "unsupported", 11) == 0 ||
                      std::strncmp(e.message, "truncated", 9) == 0 ||
                      std::strncmp(e.message, "not enough", 10) == 0;
    error = "'" + path + "': " + (ours ? "" : "damaged JPEG: ") + e.message;
    return false;
  }
  out.width = decoded.width;
  out.height = decoded.height;
  out.channels = decoded.channels;
  out.bitDepth = 8;
  out.samples.assign(decoded.pixels.begin(), decoded.pixels.end());
  image = std::move(out);
  return true;
}

namespace {

[[gnu::noinline]] bool EncodeJpeg(jpeg_compress_struct& c, ErrorManager& e, FILE* f,
                                  const PngImage& image, int quality, std::vector<uint8_t>& row) {
  if (setjmp(e.jump)) return false;
  jpeg_stdio_dest(&c, f);
  c.image_width = image.width;
  c.image_height = image.height;
  c.input_components = image.channels;
  c.in_color_space = image.channels == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, quality, TRUE);
  const ImageMetadata& m = image.metadata;
  if (m.unit != ImageMetadata::Unit::kNone && m.xDensity > 0 && m.yDensity > 0) {
    c.density_unit = m.unit == ImageMetadata::Unit::kInch         ? 1
                     : m.unit == ImageMetadata::Unit::kCentimetre ? 2
                                                                  : 0;
    c.X_density = UINT16(std::clamp(m.xDensity + 0.5, 1.0, 65535.0));
    c.Y_density = UINT16(std::clamp(m.yDensity + 0.5, 1.0, 65535.0));
  }
  jpeg_start_compress(&c, TRUE);
  if (!m.icc.empty()) jpeg_write_icc_profile(&c, m.icc.data(), unsigned(m.icc.size()));
  if (m.blockFormat == ImageFormat::kJpeg) {
    for (const ImageMetadata::Block& b : m.blocks) {
      if (b.data.size() <= 65533)
        jpeg_write_marker(&c, int(b.code), b.data.data(), unsigned(b.data.size()));
    }
  }
  const size_t n = size_t(image.width) * size_t(image.channels);
  while (c.next_scanline < c.image_height) {
    const uint16_t* s = &image.samples[size_t(c.next_scanline) * n];
    for (size_t i = 0; i < n; ++i) {
      row[i] =
          image.bitDepth == 8 ? uint8_t(s[i]) : uint8_t((uint32_t(s[i]) * 255u + 32767u) / 65535u);
    }
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&c, &r, 1);
  }
  jpeg_finish_compress(&c);
  return true;
}

}  // namespace

bool WriteJpeg(const std::string& path, const PngImage& image, int quality, std::string& error) {
  if ((image.channels != 1 && image.channels != 3) ||
      (image.bitDepth != 8 && image.bitDepth != 16) || image.width == 0 || image.height == 0 ||
      image.width > 65500 || image.height > 65500 || quality < 1 || quality > 100 ||
      image.samples.size() != size_t(image.width) * image.height * size_t(image.channels)) {
    error = "cannot write '" + path + "': unsupported image layout for JPEG";
    return false;
  }
  File file(path, "wb");
  if (file.get() == nullptr) {
    error = "cannot create '" + path + "': " + std::strerror(errno);
    return false;
  }
  jpeg_compress_struct c{};
  ErrorManager e;
  c.err = jpeg_std_error(&e.pub);
  e.pub.error_exit = OnJpegError;
  jpeg_create_compress(&c);
  std::vector<uint8_t> row(size_t(image.width) * size_t(image.channels));
  const bool ok = EncodeJpeg(c, e, file.get(), image, quality, row);
  jpeg_destroy_compress(&c);
  const int savedErrno = errno;
  if (!ok || std::ferror(file.get()) != 0 || file.Close() != 0) {
    error = "cannot write '" + path + "': " + (ok ? std::strerror(savedErrno) : e.message);
    return false;
  }
  return true;
}
