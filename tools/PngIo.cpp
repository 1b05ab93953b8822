// The PNG reader of this build: libpng where the platform has it, our zlib reader otherwise.
#include "tools/PngImage.h"

bool ReadPng(const std::string& path, PngImage& image, std::string& error) {
#if QUENARA_HAVE_LIBPNG
  return ReadPngLibpng(path, image, error);
#else
  return ReadPngZlib(path, image, error);
#endif
}
