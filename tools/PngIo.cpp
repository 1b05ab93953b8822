// The PNG reader of this build: libpng where the platform has it, our zlib reader otherwise.
// Both are guarded here against files that are not what they claim before they allocate.
#include <cstdint>
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

}  // namespace

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
