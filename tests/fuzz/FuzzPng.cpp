// The PNG reader of the build behind its size guard (ReadPng): libpng natively, our zlib reader
// in the Windows build (QUENARA_HAVE_LIBPNG=0 here). Where libpng accepts a file the zlib reader
// must decode it to the same image or refuse it: the two are the same reader on two platforms.
// Chunk checksums are made right before the file is written, so that mutations reach the
// decoders instead of the checksum test.
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "tests/fuzz/FuzzInput.h"
#include "tools/PngImage.h"

namespace {

void FixChecksums(std::vector<uint8_t>& png) {
  size_t pos = 8;
  while (pos + 12 <= png.size()) {
    const uint8_t* p = &png[pos];
    const uint64_t length = uint64_t(p[0]) << 24 | uint64_t(p[1]) << 16 | p[2] << 8 | p[3];
    if (length > png.size() - pos - 12) return;
    const uint32_t crc = uint32_t(crc32(0, p + 4, uInt(length + 4)));
    for (int i = 0; i < 4; ++i) png[pos + 8 + length + i] = uint8_t(crc >> (24 - 8 * i));
    pos += length + 12;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static FuzzInputFile file;
  std::vector<uint8_t> png(data, data + size);
  FixChecksums(png);
  const std::string& path = file.Write(png.data(), png.size());
  PngImage image;
  std::string error;
  const bool read = ReadPng(path, image, error);
  if (read != error.empty()) std::abort();  // a refusal always says why, a success never
  if (!read) return 0;
  if (image.width == 0 || image.height == 0 || (image.bitDepth != 8 && image.bitDepth != 16) ||
      image.channels < 1 || image.channels > 4 ||
      image.samples.size() != size_t(image.width) * image.height * size_t(image.channels)) {
    std::abort();
  }
#if QUENARA_HAVE_LIBPNG
  PngImage other;
  if (ReadPngZlib(path, other, error) &&
      (other.width != image.width || other.height != image.height ||
       other.channels != image.channels || other.bitDepth != image.bitDepth ||
       other.samples != image.samples)) {
    std::abort();
  }
#endif
  return 0;
}
