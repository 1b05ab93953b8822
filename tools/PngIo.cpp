// The PNG reader of this build: libpng where the platform has it, our zlib reader otherwise.
// Both are guarded here against files that are not what they claim before they allocate. The
// ancillary chunks both readers hand over are turned into metadata here, and back for the
// writer.
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>

#include "tools/PngImage.h"

namespace {

// Deflate cannot expand data by more than about 1032 to 1 (258 bytes from each 2-bit code at
// best); a little more allows for the chunk framing of tiny files.
constexpr uint64_t kMaxInflation = 1100;
constexpr uint64_t kSlack = 4096;

uint32_t BigEndian32(const unsigned char* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

// Refuses what a decoder would otherwise meet only after allocating the whole image: a path
// that is no regular file, and a header that claims more pixels than the file's compressed
// data could ever hold. Everything else is left to the decoder's own checks.
bool Plausible(const std::string& path, std::string& error) {
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(path, ec);
  if (ec) return true;  // the decoder names the reason it cannot open the file
  if (std::filesystem::is_directory(status)) {
    error = "'" + path + "' is a directory";
    return false;
  }
  if (!std::filesystem::is_regular_file(status)) return true;  // a pipe: the decoder streams it
  const uint64_t fileBytes = std::filesystem::file_size(path, ec);
  if (ec) return true;
  unsigned char header[26] = {};
  std::ifstream in(path, std::ios::binary);
  if (!in.read(reinterpret_cast<char*>(header), sizeof(header))) return true;
  // Signature (8), IHDR length and type (8), width, height, depth, colour type.
  if (std::string(reinterpret_cast<char*>(header) + 12, 4) != "IHDR") return true;
  const uint64_t width = BigEndian32(header + 16);
  const uint64_t height = BigEndian32(header + 20);
  const int depth = header[24];
  const int type = header[25];
  const int channels = type == 6 ? 4 : type == 2 ? 3 : type == 4 ? 2 : 1;
  const uint64_t rowBytes = 1 + (width * uint64_t(channels) * uint64_t(depth) + 7) / 8;
  if (height * rowBytes > kMaxInflation * fileBytes + kSlack) {
    error = "'" + path + "' is truncated or damaged: its header claims " + std::to_string(width) +
            " x " + std::to_string(height) + " pixels, more than its " + std::to_string(fileBytes) +
            " bytes can hold";
    return false;
  }
  return true;
}

// Chunks kept byte for byte from a PNG into a PNG. iCCP and pHYs are not among them: they are
// decoded, so that they travel to the other formats too, and written anew.
constexpr const char* kKeptChunks[] = {"gAMA", "cHRM", "sRGB", "tEXt", "zTXt", "iTXt"};

constexpr size_t kMaxProfileBytes = size_t(64) << 20;

bool Inflate(const uint8_t* data, size_t length, std::vector<uint8_t>& out) {
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return false;
  z.next_in = const_cast<uint8_t*>(data);
  z.avail_in = uInt(length);
  int r = Z_OK;
  out.clear();
  while (r == Z_OK && out.size() < kMaxProfileBytes) {
    const size_t done = out.size();
    out.resize(done + 65536);
    z.next_out = out.data() + done;
    z.avail_out = 65536;
    r = inflate(&z, Z_NO_FLUSH);
    out.resize(done + 65536 - z.avail_out);
  }
  inflateEnd(&z);
  return r == Z_STREAM_END;
}

uint32_t Be32(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

void PutBe32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(v >> shift));
}

void NameDropped(ImageMetadata& m, const std::string& name) {
  if (std::find(m.dropped.begin(), m.dropped.end(), name) == m.dropped.end()) {
    m.dropped.push_back(name);
  }
}

}  // namespace

void AddPngChunk(ImageMetadata& m, const char type[4], const uint8_t* data, size_t length) {
  const std::string name(type, 4);
  if (name == "iCCP") {
    // name, NUL, compression method 0, zlib stream (an empty chunk comes without a buffer)
    const uint8_t* end =
        length == 0
            ? nullptr
            : static_cast<const uint8_t*>(std::memchr(data, 0, std::min<size_t>(length, 80)));
    const size_t at = end == nullptr ? length : size_t(end - data);
    if (at + 2 > length || data[at + 1] != 0 || !Inflate(data + at + 2, length - at - 2, m.icc)) {
      m.icc.clear();
      NameDropped(m, "iCCP (damaged)");
      return;
    }
    m.iccName.assign(reinterpret_cast<const char*>(data), at);
  } else if (name == "pHYs" && length == 9) {
    const uint32_t x = Be32(data), y = Be32(data + 4);
    if (data[8] == 1) {
      // PNG counts pixels per metre, an integer that cannot hold 300 dpi exactly: a whole dpi
      // value that PNG would store as this very number is the one the file meant.
      const double dpi = x * 0.0254, whole = std::round(dpi);
      const bool isWhole = std::lround(whole / 0.0254) == long(x) &&
                           std::lround(std::round(y * 0.0254) / 0.0254) == long(y);
      m.unit = isWhole ? ImageMetadata::Unit::kInch : ImageMetadata::Unit::kCentimetre;
      m.xDensity = isWhole ? whole : x / 100.0;
      m.yDensity = isWhole ? std::round(y * 0.0254) : y / 100.0;
    } else {
      m.unit = ImageMetadata::Unit::kAspect;
      m.xDensity = x;
      m.yDensity = y;
    }
  } else if (std::find(std::begin(kKeptChunks), std::end(kKeptChunks), name) !=
             std::end(kKeptChunks)) {
    m.blockFormat = ImageFormat::kPng;
    m.blocks.push_back({name, 0, std::vector<uint8_t>(data, data + length)});
  } else {
    NameDropped(m, name);
  }
}

std::vector<std::pair<std::string, std::vector<uint8_t>>> PngChunksFor(const ImageMetadata& m) {
  std::vector<std::pair<std::string, std::vector<uint8_t>>> chunks;
  if (!m.icc.empty()) {
    std::string name = m.iccName.empty() ? "ICC profile" : m.iccName.substr(0, 79);
    std::vector<uint8_t> data(name.begin(), name.end());
    data.push_back(0);
    data.push_back(0);  // deflate
    uLongf size = compressBound(uLong(m.icc.size()));
    const size_t at = data.size();
    data.resize(at + size);
    if (compress2(data.data() + at, &size, m.icc.data(), uLong(m.icc.size()), 9) == Z_OK) {
      data.resize(at + size);
      chunks.emplace_back("iCCP", std::move(data));
    }
  }
  if (m.unit != ImageMetadata::Unit::kNone && m.xDensity > 0 && m.yDensity > 0) {
    const double perMetre = m.unit == ImageMetadata::Unit::kInch         ? 1 / 0.0254
                            : m.unit == ImageMetadata::Unit::kCentimetre ? 100.0
                                                                         : 1.0;
    std::vector<uint8_t> data;
    PutBe32(data, uint32_t(std::min(4e9, std::round(m.xDensity * perMetre))));
    PutBe32(data, uint32_t(std::min(4e9, std::round(m.yDensity * perMetre))));
    data.push_back(m.unit == ImageMetadata::Unit::kAspect ? 0 : 1);
    chunks.emplace_back("pHYs", std::move(data));
  }
  if (m.blockFormat == ImageFormat::kPng) {
    for (const ImageMetadata::Block& b : m.blocks) chunks.emplace_back(b.name, b.data);
  }
  return chunks;
}

bool ReadPng(const std::string& path, PngImage& image, std::string& error) {
  if (!Plausible(path, error)) return false;
  try {
#if QUENARA_HAVE_LIBPNG
    return ReadPngLibpng(path, image, error);
#else
    return ReadPngZlib(path, image, error);
#endif
  } catch (const std::bad_alloc&) {
    error = "not enough memory to read '" + path + "'";
    return false;
  }
}
