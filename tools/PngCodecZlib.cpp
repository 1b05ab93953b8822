// A small PNG reader on zlib for the Windows build, where no libpng package exists. It reads
// the same layouts as the libpng codec (grey, grey+alpha, RGB, RGBA; 8 or 16 bits; interlaced
// or not) and hands over the same ancillary chunks. Both builds write with PngWriter.cpp.
#include <zlib.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "tools/PngImage.h"

namespace {

const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

uint32_t ReadBe32(const unsigned char* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

int Paeth(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return a;
  return pb <= pc ? b : c;
}

// Undoes the filter of one row in place; `prior` is the unfiltered previous row (or zeros).
bool Unfilter(int type, unsigned char* row, const unsigned char* prior, size_t length, size_t bpp) {
  for (size_t i = 0; i < length; ++i) {
    const int a = i >= bpp ? row[i - bpp] : 0;
    const int b = prior[i];
    const int c = i >= bpp ? prior[i - bpp] : 0;
    int predictor;
    switch (type) {
      case 0:
        predictor = 0;
        break;
      case 1:
        predictor = a;
        break;
      case 2:
        predictor = b;
        break;
      case 3:
        predictor = (a + b) / 2;
        break;
      case 4:
        predictor = Paeth(a, b, c);
        break;
      default:
        return false;
    }
    row[i] = (unsigned char)(row[i] + predictor);
  }
  return true;
}

struct Pass {
  uint32_t x0, y0, dx, dy;
};
const Pass kAdam7[7] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                        {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};

uint32_t PassExtent(uint32_t size, uint32_t start, uint32_t step) {
  return size > start ? (size - start + step - 1) / step : 0;
}

bool Fail(std::string& error, const std::string& path, const std::string& why) {
  error = "'" + path + "': " + why;
  return false;
}

}  // namespace

bool ReadPngZlib(const std::string& path, PngImage& image, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot open '" + path + "': " + std::strerror(errno);
    return false;
  }
  const std::vector<unsigned char> file((std::istreambuf_iterator<char>(in)),
                                        std::istreambuf_iterator<char>());
  if (file.size() < 8 || std::memcmp(file.data(), kSignature, 8) != 0) {
    error = "'" + path + "' is not a PNG file";
    return false;
  }
  uint32_t width = 0, height = 0;
  int depth = 0, colorType = -1, interlace = 0;
  bool haveHeader = false, haveEnd = false;
  std::vector<unsigned char> compressed;
  ImageMetadata metadata;
  size_t pos = 8;
  while (pos + 12 <= file.size() && !haveEnd) {
    const uint32_t length = ReadBe32(&file[pos]);
    if (length > 0x7FFFFFFFu || file.size() - pos - 12 < length) {
      return Fail(error, path, "damaged PNG: truncated chunk");
    }
    const unsigned char* type = &file[pos + 4];
    const unsigned char* data = &file[pos + 8];
    const uint32_t crc = ReadBe32(data + length);
    if (uint32_t(crc32(crc32(0, type, 4), data, length)) != crc) {
      return Fail(error, path, "damaged PNG: chunk checksum mismatch");
    }
    if (std::memcmp(type, "IHDR", 4) == 0) {
      if (length != 13) return Fail(error, path, "damaged PNG: bad header");
      width = ReadBe32(data);
      height = ReadBe32(data + 4);
      depth = data[8];
      colorType = data[9];
      interlace = data[12];
      if (data[10] != 0 || data[11] != 0 || interlace > 1) {
        return Fail(error, path, "damaged PNG: unknown compression, filter or interlace method");
      }
      haveHeader = true;
    } else if (std::memcmp(type, "IDAT", 4) == 0) {
      compressed.insert(compressed.end(), data, data + length);
    } else if (std::memcmp(type, "tRNS", 4) == 0) {
      return Fail(error, path,
                  "unsupported PNG layout (transparency key); use an alpha channel instead");
    } else if (std::memcmp(type, "IEND", 4) == 0) {
      haveEnd = true;
    } else if ((type[0] & 0x20) == 0 && std::memcmp(type, "PLTE", 4) != 0) {
      return Fail(error, path, "damaged PNG: unknown critical chunk");
    } else if ((type[0] & 0x20) != 0) {
      AddPngChunk(metadata, reinterpret_cast<const char*>(type), data, length);
    }
    pos += size_t(length) + 12;
  }
  if (!haveHeader || compressed.empty()) return Fail(error, path, "damaged PNG: missing data");
  const int channels = colorType == 0   ? 1
                       : colorType == 4 ? 2
                       : colorType == 2 ? 3
                       : colorType == 6 ? 4
                                        : 0;
  if (channels == 0 || (depth != 8 && depth != 16)) {
    char why[160];
    std::snprintf(why, sizeof(why),
                  "unsupported PNG layout (colour type %d, %d bits per sample); use grey, "
                  "grey+alpha, RGB or RGBA with 8 or 16 bits",
                  colorType, depth);
    return Fail(error, path, why);
  }
  if (width == 0 || height == 0 || width > 0x7FFFFFFFu / 8 || height > 0x7FFFFFFFu / 8 ||
      uint64_t(width) * height * unsigned(channels) > (uint64_t(1) << 31)) {
    return Fail(error, path, "damaged PNG: image size out of range");
  }
  const size_t bpp = size_t(channels) * size_t(depth / 8);

  // Expected size of the filtered stream: one filter byte per row of every pass.
  size_t expected = 0;
  for (int p = 0; p < (interlace ? 7 : 1); ++p) {
    const Pass pass = interlace ? kAdam7[p] : Pass{0, 0, 1, 1};
    const uint32_t w = PassExtent(width, pass.x0, pass.dx);
    const uint32_t h = PassExtent(height, pass.y0, pass.dy);
    if (w != 0 && h != 0) expected += size_t(h) * (1 + size_t(w) * bpp);
  }
  std::vector<unsigned char> raw(expected + 1);
  z_stream zs{};
  if (inflateInit(&zs) != Z_OK) return Fail(error, path, "out of memory");
  zs.next_in = compressed.data();
  zs.avail_in = uInt(compressed.size());
  zs.next_out = raw.data();
  zs.avail_out = uInt(raw.size());
  const int z = inflate(&zs, Z_FINISH);
  const size_t produced = raw.size() - zs.avail_out;
  inflateEnd(&zs);
  if (z != Z_STREAM_END || produced != expected) {
    return Fail(error, path, "damaged PNG: image data does not inflate to the image size");
  }

  PngImage decoded;
  decoded.width = width;
  decoded.height = height;
  decoded.channels = channels;
  decoded.bitDepth = depth;
  decoded.metadata = std::move(metadata);
  decoded.samples.resize(size_t(width) * height * size_t(channels));
  size_t offset = 0;
  for (int p = 0; p < (interlace ? 7 : 1); ++p) {
    const Pass pass = interlace ? kAdam7[p] : Pass{0, 0, 1, 1};
    const uint32_t w = PassExtent(width, pass.x0, pass.dx);
    const uint32_t h = PassExtent(height, pass.y0, pass.dy);
    if (w == 0 || h == 0) continue;
    const size_t rowBytes = size_t(w) * bpp;
    std::vector<unsigned char> prior(rowBytes, 0);
    for (uint32_t y = 0; y < h; ++y) {
      const int filter = raw[offset];
      unsigned char* row = &raw[offset + 1];
      if (!Unfilter(filter, row, prior.data(), rowBytes, bpp)) {
        return Fail(error, path, "damaged PNG: unknown row filter");
      }
      const uint32_t iy = pass.y0 + y * pass.dy;
      for (uint32_t x = 0; x < w; ++x) {
        const uint32_t ix = pass.x0 + x * pass.dx;
        for (int c = 0; c < channels; ++c) {
          const unsigned char* s = row + size_t(x) * bpp + size_t(c) * size_t(depth / 8);
          decoded.At(ix, iy, c) = depth == 8 ? s[0] : uint16_t((s[0] << 8) | s[1]);
        }
      }
      std::memcpy(prior.data(), row, rowBytes);
      offset += 1 + rowBytes;
    }
  }
  image = std::move(decoded);
  return true;
}
