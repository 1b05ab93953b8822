// TIFF through libtiff: 8 or 16 bits per unsigned sample, grey or RGB with at most one alpha
// channel, interleaved, in strips or tiles, with any compression libtiff decodes. A large file
// is decoded on every core: each thread opens the file on its own handle (a libtiff handle is
// not shared between threads) and decodes every n-th strip or tile. Writing Deflate does the
// predictor and the deflate of the strips in parallel too and hands libtiff the finished
// strips; LZW and uncompressed strips go through libtiff's own encoder.
#include <tiffio.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>
#include <thread>
#include <vector>

#include "tools/ImageFile.h"

namespace {

// How far decoding can expand the file: a header claiming more pixels than that is refused
// before anything is allocated. Deflate reaches about 1032 to 1 (258 bytes from a 2-bit code),
// PackBits 64 to 1, LZW about 2700 to 1 (a 12-bit code for a 4096-byte string); other codecs
// get LZW's bound.
uint64_t MaxInflation(uint16_t compression) {
  switch (compression) {
    case COMPRESSION_NONE:
      return 1;
    case COMPRESSION_PACKBITS:
      return 64;
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE:
      return 1100;
    default:
      return 4200;
  }
}
constexpr uint64_t kSlack = 1 << 16;
constexpr size_t kStripBytes = size_t(1) << 19;  // written strips, about

struct Sink {
  char message[256] = {};
};

int OnTiffError(TIFF*, void* user, const char*, const char* format, va_list args) {
  auto* sink = static_cast<Sink*>(user);
  if (sink->message[0] == 0) std::vsnprintf(sink->message, sizeof(sink->message), format, args);
  return 1;  // handled: libtiff prints nothing
}

int OnTiffWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

TIFF* Open(const std::string& path, const char* mode, Sink& sink) {
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  if (options == nullptr) return nullptr;
  TIFFOpenOptionsSetErrorHandlerExtR(options, OnTiffError, &sink);
  TIFFOpenOptionsSetWarningHandlerExtR(options, OnTiffWarning, &sink);
  TIFF* tiff = TIFFOpenExt(path.c_str(), mode, options);
  TIFFOpenOptionsFree(options);
  return tiff;
}

struct Closer {
  void operator()(TIFF* t) const { TIFFClose(t); }
};
using TiffHandle = std::unique_ptr<TIFF, Closer>;

struct Layout {
  uint32_t width = 0, height = 0;
  int spp = 0, depth = 0;
  bool associated = false;
  bool tiled = false;
  uint32_t blockWidth = 0, blockHeight = 0;  // a tile, or a strip (the width, rows per strip)
  uint32_t blocks = 0;
};

std::string Variant(uint16_t photometric) {
  switch (photometric) {
    case PHOTOMETRIC_MINISWHITE:
      return "white-is-zero grey";
    case PHOTOMETRIC_PALETTE:
      return "palette colour";
    case PHOTOMETRIC_SEPARATED:
      return "CMYK";
    case PHOTOMETRIC_YCBCR:
      return "YCbCr";
    case PHOTOMETRIC_CIELAB:
    case PHOTOMETRIC_ICCLAB:
    case PHOTOMETRIC_ITULAB:
      return "Lab colour";
    default:
      return "photometric interpretation " + std::to_string(photometric);
  }
}

// Everything that decides whether we read the file, checked before any allocation.
bool ReadLayout(TIFF* t, uint64_t fileBytes, Layout& l, std::string& why) {
  uint16_t spp = 1, depth = 1, format = SAMPLEFORMAT_UINT, planar = PLANARCONFIG_CONTIG;
  uint16_t photometric = 0, compression = COMPRESSION_NONE, extraCount = 0;
  uint16_t* extra = nullptr;
  TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &l.width);
  TIFFGetField(t, TIFFTAG_IMAGELENGTH, &l.height);
  TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLESPERPIXEL, &spp);
  TIFFGetFieldDefaulted(t, TIFFTAG_BITSPERSAMPLE, &depth);
  TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLEFORMAT, &format);
  TIFFGetFieldDefaulted(t, TIFFTAG_PLANARCONFIG, &planar);
  TIFFGetFieldDefaulted(t, TIFFTAG_COMPRESSION, &compression);
  TIFFGetFieldDefaulted(t, TIFFTAG_EXTRASAMPLES, &extraCount, &extra);
  const bool havePhotometric = TIFFGetField(t, TIFFTAG_PHOTOMETRIC, &photometric) != 0;
  const int colours = photometric == PHOTOMETRIC_MINISBLACK ? 1
                      : photometric == PHOTOMETRIC_RGB      ? 3
                                                            : 0;
  if (!havePhotometric) {
    why = "damaged TIFF: no photometric interpretation";
  } else if (colours == 0) {
    why = "unsupported TIFF variant (" + Variant(photometric) + ")";
  } else if (format == SAMPLEFORMAT_IEEEFP) {
    why = "unsupported TIFF variant (" + std::to_string(depth) + "-bit floating-point samples)";
  } else if (format != SAMPLEFORMAT_UINT) {
    why = "unsupported TIFF variant (signed samples)";
  } else if (depth != 8 && depth != 16) {
    why = "unsupported TIFF variant (" + std::to_string(depth) + " bits per sample)";
  } else if (spp < colours || spp > colours + 1) {
    why = "unsupported TIFF variant (" + std::to_string(spp) + " samples per pixel)";
  } else if (planar != PLANARCONFIG_CONTIG && spp > 1) {
    why = "unsupported TIFF variant (separate colour planes)";
  } else if (!TIFFIsCODECConfigured(compression)) {
    why = "unsupported TIFF variant (compression " + std::to_string(compression) + ")";
  } else if (l.width == 0 || l.height == 0) {
    why = "damaged TIFF: no image size";
  }
  if (!why.empty()) return false;
  l.spp = spp;
  l.depth = depth;
  // A fourth (or second) sample the file does not describe is taken as plain alpha.
  l.associated = spp > colours && extraCount > 0 && extra[0] == EXTRASAMPLE_ASSOCALPHA;
  l.tiled = TIFFIsTiled(t) != 0;
  if (l.tiled) {
    TIFFGetField(t, TIFFTAG_TILEWIDTH, &l.blockWidth);
    TIFFGetField(t, TIFFTAG_TILELENGTH, &l.blockHeight);
    l.blocks = TIFFNumberOfTiles(t);
  } else {
    l.blockWidth = l.width;
    TIFFGetFieldDefaulted(t, TIFFTAG_ROWSPERSTRIP, &l.blockHeight);
    l.blockHeight = std::min(l.blockHeight, l.height);
    l.blocks = TIFFNumberOfStrips(t);
  }
  const uint64_t bytes = uint64_t(l.width) * l.height * uint64_t(spp) * uint64_t(depth / 8);
  if (l.blockWidth == 0 || l.blockHeight == 0 || l.blocks == 0) {
    why = "damaged TIFF: no strip or tile layout";
  } else if (fileBytes != 0 && bytes > MaxInflation(compression) * fileBytes + kSlack) {
    why = "truncated or damaged: its header claims " + std::to_string(l.width) + " x " +
          std::to_string(l.height) + " pixels, more than its " + std::to_string(fileBytes) +
          " bytes can hold";
  }
  return why.empty();
}

// Copies a decoded strip or tile into the image: its valid part, at (x0, y0).
void Place(const Layout& l, const unsigned char* block, uint32_t x0, uint32_t y0, PngImage& img) {
  const uint32_t w = std::min(l.blockWidth, l.width - x0);
  const uint32_t h = std::min(l.blockHeight, l.height - y0);
  const size_t blockRow = size_t(l.blockWidth) * size_t(l.spp);
  const uint32_t top = l.depth == 8 ? 255 : 65535;
  for (uint32_t y = 0; y < h; ++y) {
    uint16_t* out = &img.At(x0, y0 + y, 0);
    const size_t n = size_t(w) * size_t(l.spp);
    if (l.depth == 8) {
      const unsigned char* in = block + size_t(y) * blockRow;
      for (size_t i = 0; i < n; ++i) out[i] = in[i];
    } else {
      std::memcpy(out, block + size_t(y) * blockRow * 2, n * 2);  // libtiff swapped to ours
    }
    if (!l.associated) continue;
    // Premultiplied colour back to straight colour, rounded to nearest; nothing to recover
    // where the pixel is fully transparent.
    for (size_t p = 0; p < n; p += size_t(l.spp)) {
      const uint32_t a = out[p + size_t(l.spp) - 1];
      for (int c = 0; c + 1 < l.spp; ++c) {
        const uint32_t v = a == 0 ? 0 : (out[p + size_t(c)] * top + a / 2) / a;
        out[p + size_t(c)] = uint16_t(std::min(v, top));
      }
    }
  }
}

void ReadTextTag(TIFF* t, uint32_t tag, const char* name, ImageMetadata& m) {
  const char* text = nullptr;
  if (TIFFGetField(t, tag, &text) == 1 && text != nullptr) {
    m.blocks.push_back({name, tag, std::vector<uint8_t>(text, text + std::strlen(text) + 1)});
  }
}

struct TextTag {
  uint32_t tag;
  const char* name;
};
// Kept from a TIFF into a TIFF. Software, date and host describe the file that was, and are
// named as dropped instead.
constexpr TextTag kKeptText[] = {{TIFFTAG_IMAGEDESCRIPTION, "ImageDescription"},
                                 {TIFFTAG_DOCUMENTNAME, "DocumentName"},
                                 {TIFFTAG_MAKE, "Make"},
                                 {TIFFTAG_MODEL, "Model"},
                                 {TIFFTAG_ARTIST, "Artist"},
                                 {TIFFTAG_COPYRIGHT, "Copyright"}};

void ReadMetadata(TIFF* t, ImageMetadata& m) {
  uint32_t count = 0;
  void* data = nullptr;
  if (TIFFGetField(t, TIFFTAG_ICCPROFILE, &count, &data) == 1 && count > 0) {
    m.icc.assign(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + count);
  }
  float x = 0, y = 0;
  uint16_t unit = RESUNIT_INCH;
  if (TIFFGetField(t, TIFFTAG_XRESOLUTION, &x) == 1 && TIFFGetField(t, TIFFTAG_YRESOLUTION, &y) &&
      x > 0 && y > 0) {
    TIFFGetFieldDefaulted(t, TIFFTAG_RESOLUTIONUNIT, &unit);
    m.unit = unit == RESUNIT_CENTIMETER ? ImageMetadata::Unit::kCentimetre
             : unit == RESUNIT_NONE     ? ImageMetadata::Unit::kAspect
                                        : ImageMetadata::Unit::kInch;
    m.xDensity = x;
    m.yDensity = y;
  }
  m.blockFormat = ImageFormat::kTiff;
  for (const TextTag& k : kKeptText) ReadTextTag(t, k.tag, k.name, m);
  if (TIFFGetField(t, TIFFTAG_XMLPACKET, &count, &data) == 1 && count > 0) {
    m.blocks.push_back(
        {"XMP", TIFFTAG_XMLPACKET,
         std::vector<uint8_t>(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + count)});
  }
  const TextTag others[] = {{TIFFTAG_SOFTWARE, "Software"},
                            {TIFFTAG_DATETIME, "DateTime"},
                            {TIFFTAG_HOSTCOMPUTER, "HostComputer"},
                            {TIFFTAG_EXIFIFD, "Exif"},
                            {TIFFTAG_GPSIFD, "GPS"},
                            {TIFFTAG_RICHTIFFIPTC, "IPTC"},
                            {TIFFTAG_PHOTOSHOP, "Photoshop resources"}};
  for (const TextTag& k : others) {
    // Each of these hands back a string, an offset, or a count and a pointer: two slots of
    // eight bytes take any of them.
    uint64_t first = 0;
    void* second = nullptr;
    if (TIFFGetField(t, k.tag, &first, &second) == 1) m.dropped.push_back(k.name);
  }
  uint16_t orientation = ORIENTATION_TOPLEFT;
  if (TIFFGetField(t, TIFFTAG_ORIENTATION, &orientation) == 1 &&
      orientation != ORIENTATION_TOPLEFT) {
    m.dropped.push_back("Orientation");
  }
}

}  // namespace

bool ReadTiff(const std::string& path, PngImage& image, std::string& error) {
  Sink sink;
  TiffHandle first(Open(path, "r", sink));
  if (first == nullptr) {
    error = "cannot open '" + path + "': " + (sink.message[0] ? sink.message : "not a TIFF file");
    return false;
  }
  std::error_code ec;
  const uint64_t fileBytes =
      std::filesystem::is_regular_file(path, ec) ? std::filesystem::file_size(path, ec) : 0;
  Layout l;
  std::string why;
  if (!ReadLayout(first.get(), ec ? 0 : fileBytes, l, why)) {
    error = "'" + path + "': " + why;
    return false;
  }
  PngImage decoded;
  decoded.width = l.width;
  decoded.height = l.height;
  decoded.channels = l.spp;
  decoded.bitDepth = l.depth;
  ReadMetadata(first.get(), decoded.metadata);
  decoded.samples.resize(size_t(l.width) * l.height * size_t(l.spp));

  const uint32_t across = l.tiled ? (l.width + l.blockWidth - 1) / l.blockWidth : 1;
  const size_t blockBytes =
      size_t(l.blockWidth) * l.blockHeight * size_t(l.spp) * size_t(l.depth / 8);
  std::atomic<uint32_t> next{0};
  std::atomic<bool> failed{false};
  std::vector<Sink> sinks(std::max(1u, std::thread::hardware_concurrency()));
  auto work = [&](size_t k) {
    TiffHandle own;
    TIFF* t = first.get();
    if (k > 0) {
      own.reset(Open(path, "r", sinks[k]));
      t = own.get();
      if (t == nullptr) {
        failed = true;
        return;
      }
    }
    try {
      std::vector<unsigned char> block(blockBytes);
      for (uint32_t i = next++; i < l.blocks && !failed; i = next++) {
        const tmsize_t got = l.tiled
                                 ? TIFFReadEncodedTile(t, i, block.data(), tmsize_t(blockBytes))
                                 : TIFFReadEncodedStrip(t, i, block.data(), tmsize_t(blockBytes));
        const uint32_t x0 = (i % across) * l.blockWidth, y0 = (i / across) * l.blockHeight;
        const size_t rows = std::min(l.blockHeight, l.height - std::min(y0, l.height));
        const size_t need = l.tiled ? blockBytes : rows * blockBytes / l.blockHeight;
        if (got < 0 || size_t(got) < need || y0 >= l.height || x0 >= l.width) {
          if (sinks[k].message[0] == 0 && k > 0) {
            std::snprintf(sinks[k].message, sizeof(sinks[k].message), "missing image data");
          }
          failed = true;
          return;
        }
        Place(l, block.data(), x0, y0, decoded);
      }
    } catch (const std::bad_alloc&) {
      std::snprintf(sinks[k].message, sizeof(sinks[k].message), "not enough memory");
      failed = true;
    }
  };
  // The first handle's errors go to `sink`; it stands in for slot 0.
  const size_t helpers = std::min<size_t>(sinks.size(), (l.blocks + 1) / 2);
  std::vector<std::thread> threads;
  try {
    for (size_t k = 1; k < helpers; ++k) threads.emplace_back(work, k);
  } catch (const std::exception&) {
    failed = true;  // no thread: the rest is read here
  }
  work(0);
  for (auto& t : threads) t.join();
  if (failed) {
    std::string reason = sink.message;
    for (const Sink& s : sinks) {
      if (reason.empty()) reason = s.message;
    }
    error = "'" + path + "': damaged TIFF: " + (reason.empty() ? "missing image data" : reason);
    return false;
  }
  image = std::move(decoded);
  return true;
}

namespace {

// One strip as TIFF's Deflate with the horizontal predictor stores it: each row's samples
// minus their left neighbour's of the same channel (in 16 bits for 16-bit samples), in the
// file's little-endian order, as one zlib stream.
bool DeflateStrip(const PngImage& img, uint32_t y0, uint32_t rows, int level,
                  std::vector<unsigned char>& out) {
  const size_t rowSamples = size_t(img.width) * size_t(img.channels);
  const size_t bytesPerSample = size_t(img.bitDepth / 8);
  std::vector<unsigned char> raw(rowSamples * rows * bytesPerSample);
  unsigned char* p = raw.data();
  for (uint32_t y = y0; y < y0 + rows; ++y) {
    const uint16_t* s = &img.samples[size_t(y) * rowSamples];
    const size_t ch = size_t(img.channels);
    for (size_t i = 0; i < rowSamples; ++i) {
      const uint16_t d = uint16_t(s[i] - (i >= ch ? s[i - ch] : 0));
      if (bytesPerSample == 1) {
        *p++ = (unsigned char)d;
      } else {
        *p++ = (unsigned char)(d & 0xFF);
        *p++ = (unsigned char)(d >> 8);
      }
    }
  }
  z_stream z{};
  // As for PNG: level 1 matches runs only, faster than zlib's own level 1 on predicted rows.
  const int strategy = level == 1 ? Z_RLE : Z_DEFAULT_STRATEGY;
  if (deflateInit2(&z, level, Z_DEFLATED, 15, 9, strategy) != Z_OK) return false;
  out.resize(deflateBound(&z, uLong(raw.size())));
  z.next_in = raw.data();
  z.avail_in = uInt(raw.size());
  z.next_out = out.data();
  z.avail_out = uInt(out.size());
  const bool done = deflate(&z, Z_FINISH) == Z_STREAM_END;
  out.resize(size_t(z.total_out));
  deflateEnd(&z);
  return done;
}

bool SetMetadata(TIFF* t, const ImageMetadata& m) {
  bool ok = true;
  if (!m.icc.empty()) {
    ok = ok && TIFFSetField(t, TIFFTAG_ICCPROFILE, uint32_t(m.icc.size()), m.icc.data());
  }
  if (m.unit != ImageMetadata::Unit::kNone && m.xDensity > 0 && m.yDensity > 0) {
    const uint16_t unit = m.unit == ImageMetadata::Unit::kInch         ? RESUNIT_INCH
                          : m.unit == ImageMetadata::Unit::kCentimetre ? RESUNIT_CENTIMETER
                                                                       : RESUNIT_NONE;
    ok = ok && TIFFSetField(t, TIFFTAG_XRESOLUTION, m.xDensity) &&
         TIFFSetField(t, TIFFTAG_YRESOLUTION, m.yDensity) &&
         TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, unit);
  }
  if (m.blockFormat != ImageFormat::kTiff) return ok;
  for (const ImageMetadata::Block& b : m.blocks) {
    if (b.code == TIFFTAG_XMLPACKET) {
      ok = ok && TIFFSetField(t, TIFFTAG_XMLPACKET, uint32_t(b.data.size()), b.data.data());
    } else if (!b.data.empty() && b.data.back() == 0) {
      ok = ok && TIFFSetField(t, b.code, reinterpret_cast<const char*>(b.data.data()));
    }
  }
  return ok;
}

}  // namespace

bool WriteTiff(const std::string& path, const PngImage& image, TiffCompression compression,
               int level, std::string& error) {
  if (image.channels < 1 || image.channels > 4 || (image.bitDepth != 8 && image.bitDepth != 16) ||
      image.width == 0 || image.height == 0 || level < 0 || level > 9 ||
      image.samples.size() != size_t(image.width) * image.height * size_t(image.channels)) {
    error = "cannot write '" + path + "': unsupported image layout";
    return false;
  }
  const size_t bytesPerSample = size_t(image.bitDepth / 8);
  const size_t rowBytes = size_t(image.width) * size_t(image.channels) * bytesPerSample;
  const uint32_t rowsPerStrip = uint32_t(std::max<size_t>(1, kStripBytes / rowBytes));
  const uint32_t strips = (image.height + rowsPerStrip - 1) / rowsPerStrip;

  // Deflate strips are made first, on every core, so that a failure leaves no file behind.
  std::vector<std::vector<unsigned char>> deflated;
  if (compression == TiffCompression::kDeflate) {
    std::atomic<uint32_t> next{0};
    std::atomic<bool> failed{false};
    try {
      deflated.resize(strips);
      auto work = [&]() {
        for (uint32_t s = next++; s < strips && !failed; s = next++) {
          try {
            const uint32_t y0 = s * rowsPerStrip;
            if (!DeflateStrip(image, y0, std::min(rowsPerStrip, image.height - y0), level,
                              deflated[s])) {
              failed = true;
            }
          } catch (const std::bad_alloc&) {
            failed = true;
          }
        }
      };
      const size_t helpers =
          std::min<size_t>(strips, std::max(1u, std::thread::hardware_concurrency())) - 1;
      std::vector<std::thread> threads;
      for (size_t k = 0; k < helpers; ++k) threads.emplace_back(work);
      work();
      for (auto& t : threads) t.join();
    } catch (const std::exception&) {
      failed = true;
    }
    if (failed) {
      error = "cannot write '" + path + "': out of memory";
      return false;
    }
  }

  // Classic TIFF offsets are 32-bit: larger files become BigTIFF, which current readers know.
  const uint64_t rawBytes = uint64_t(rowBytes) * image.height;
  Sink sink;
  TiffHandle t(Open(path, rawBytes > 0xF0000000u ? "w8l" : "wl", sink));
  if (t == nullptr) {
    error = "cannot create '" + path + "': " + sink.message;
    return false;
  }
  const uint16_t tiffCompression = compression == TiffCompression::kNone ? COMPRESSION_NONE
                                   : compression == TiffCompression::kLzw
                                       ? COMPRESSION_LZW
                                       : COMPRESSION_ADOBE_DEFLATE;
  const bool alpha = image.channels == 2 || image.channels == 4;
  const uint16_t extra[1] = {EXTRASAMPLE_UNASSALPHA};
  TIFF* tp = t.get();
  bool ok = TIFFSetField(tp, TIFFTAG_IMAGEWIDTH, image.width) &&
            TIFFSetField(tp, TIFFTAG_IMAGELENGTH, image.height) &&
            TIFFSetField(tp, TIFFTAG_BITSPERSAMPLE, uint16_t(image.bitDepth)) &&
            TIFFSetField(tp, TIFFTAG_SAMPLESPERPIXEL, uint16_t(image.channels)) &&
            TIFFSetField(tp, TIFFTAG_PHOTOMETRIC,
                         image.channels <= 2 ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB) &&
            TIFFSetField(tp, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
            TIFFSetField(tp, TIFFTAG_COMPRESSION, tiffCompression) &&
            TIFFSetField(tp, TIFFTAG_ROWSPERSTRIP, rowsPerStrip) &&
            (!alpha || TIFFSetField(tp, TIFFTAG_EXTRASAMPLES, uint16_t(1), extra)) &&
            (compression == TiffCompression::kNone ||
             TIFFSetField(tp, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL)) &&
            SetMetadata(tp, image.metadata);
  std::vector<unsigned char> strip;
  for (uint32_t s = 0; s < strips && ok; ++s) {
    if (compression == TiffCompression::kDeflate) {
      ok = TIFFWriteRawStrip(tp, s, deflated[s].data(), tmsize_t(deflated[s].size())) >= 0;
      std::vector<unsigned char>().swap(deflated[s]);
      continue;
    }
    // libtiff's encoders take samples in our own byte order and apply the predictor.
    const uint32_t y0 = s * rowsPerStrip, rows = std::min(rowsPerStrip, image.height - y0);
    const size_t n = size_t(rows) * rowBytes / bytesPerSample;
    const uint16_t* in = &image.samples[size_t(y0) * rowBytes / bytesPerSample];
    strip.resize(n * bytesPerSample);
    if (bytesPerSample == 1) {
      for (size_t i = 0; i < n; ++i) strip[i] = (unsigned char)in[i];
    } else {
      std::memcpy(strip.data(), in, n * 2);
    }
    ok = TIFFWriteEncodedStrip(tp, s, strip.data(), tmsize_t(strip.size())) >= 0;
  }
  ok = ok && TIFFWriteDirectory(tp) == 1;
  TIFFClose(t.release());  // flushes; its errors land in the sink
  if (!ok || sink.message[0] != 0) {
    error = "cannot write '" + path + "': " + (sink.message[0] ? sink.message : "write error");
    return false;
  }
  return true;
}
