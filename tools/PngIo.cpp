// The PNG codec of this build: libpng where the platform has it, our zlib codec otherwise.
#include "tools/PngImage.h"

bool ReadPng(const std::string& path, PngImage& image, std::string& error) {
#if QUENARA_HAVE_LIBPNG
  return ReadPngLibpng(path, image, error);
#else
  return ReadPngZlib(path, image, error);
#endif
}

bool WritePng(const std::string& path, const PngImage& image, std::string& error) {
#if QUENARA_HAVE_LIBPNG
  return WritePngLibpng(path, image, error);
#else
  return WritePngZlib(path, image, error);
#endif
}
