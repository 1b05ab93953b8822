// Writes PNG files fast on every core. A blurred 24-megapixel result at zlib's default level
// spends far longer in deflate's match search than the render took, so the rows are cut into
// strips that are filtered and deflated independently, each strip ending on a byte boundary
// (a sync flush), and the pieces are joined into one zlib stream, as parallel gzip tools do.
// Losing the dictionary at a strip boundary costs a few bytes per megabyte.
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <new>
#include <thread>
#include <utility>
#include <vector>

#include "tools/PngImage.h"

namespace {

constexpr size_t kStripBytes = size_t(1) << 20;  // unfiltered bytes per strip, about

struct Layout {
  size_t bytesPerSample;
  size_t bpp;  // bytes per pixel, the filters' distance
  size_t rowBytes;
};

void PackRow(const PngImage& image, const Layout& l, uint32_t y, unsigned char* out) {
  const uint16_t* s = &image.samples[size_t(y) * image.width * size_t(image.channels)];
  const size_t count = size_t(image.width) * size_t(image.channels);
  if (l.bytesPerSample == 1) {
    for (size_t i = 0; i < count; ++i) out[i] = (unsigned char)s[i];
  } else {
    for (size_t i = 0; i < count; ++i) {
      out[2 * i] = (unsigned char)(s[i] >> 8);  // PNG samples are big-endian
      out[2 * i + 1] = (unsigned char)(s[i] & 0xFF);
    }
  }
}

inline int Paeth(int a, int b, int c) {
  const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
  return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

template <int Type>
inline int Predict(int a, int b, int c) {
  if constexpr (Type == 1) return a;
  if constexpr (Type == 2) return b;
  if constexpr (Type == 3) return (a + b) >> 1;
  if constexpr (Type == 4) return Paeth(a, b, c);
  return 0;
}

// One filter type over a row; returns the sum of absolute signed residuals, the usual
// heuristic for choosing a row's filter. One loop per type, branch-free, so that the compiler
// vectorises it: the filters cost as much as a fast deflate otherwise.
template <int Type>
uint64_t FilterRow(const unsigned char* row, const unsigned char* prior, size_t n, size_t bpp,
                   unsigned char* out) {
  uint32_t cost = 0;
  uint64_t total = 0;
  const size_t head = std::min(bpp, n);
  for (size_t i = 0; i < head; ++i) {
    out[i] = (unsigned char)(row[i] - Predict<Type>(0, prior[i], 0));
    total += uint64_t(std::abs(int(int8_t(out[i]))));
  }
  // Chunks keep the 32-bit running sum from overflowing (at most 128 per byte).
  for (size_t start = head; start < n; start += size_t(1) << 24) {
    const size_t end = std::min(n, start + (size_t(1) << 24));
    cost = 0;
    for (size_t i = start; i < end; ++i) {
      const unsigned char r =
          (unsigned char)(row[i] - Predict<Type>(row[i - bpp], prior[i], prior[i - bpp]));
      out[i] = r;
      cost += uint32_t(std::abs(int(int8_t(r))));
    }
    total += cost;
  }
  return total;
}

using FilterFunction = uint64_t (*)(const unsigned char*, const unsigned char*, size_t, size_t,
                                    unsigned char*);
constexpr FilterFunction kFilters[5] = {FilterRow<0>, FilterRow<1>, FilterRow<2>, FilterRow<3>,
                                        FilterRow<4>};

struct Strip {
  uint32_t firstRow = 0;
  uint32_t rows = 0;
  std::vector<unsigned char> deflated;
  uLong adler = 1;
  size_t filteredBytes = 0;
};

// Filters and deflates one strip as a raw deflate piece: a sync flush for all but the last,
// so that the pieces can simply be concatenated.
bool EncodeStrip(const PngImage& image, const Layout& l, int level, bool last, Strip& strip) {
  std::vector<unsigned char> row(l.rowBytes), prior(l.rowBytes, 0), trial(l.rowBytes);
  std::vector<unsigned char> filtered((l.rowBytes + 1) * strip.rows);
  if (strip.firstRow > 0) PackRow(image, l, strip.firstRow - 1, prior.data());
  unsigned char* out = filtered.data();
  for (uint32_t y = strip.firstRow; y < strip.firstRow + strip.rows; ++y) {
    PackRow(image, l, y, row.data());
    int bestType = 0;
    uint64_t bestCost = kFilters[0](row.data(), prior.data(), l.rowBytes, l.bpp, out + 1);
    for (int type = 1; type <= 4 && bestCost > 0; ++type) {
      const uint64_t cost =
          kFilters[type](row.data(), prior.data(), l.rowBytes, l.bpp, trial.data());
      if (cost < bestCost) {
        bestCost = cost;
        bestType = type;
        std::memcpy(out + 1, trial.data(), l.rowBytes);
      }
    }
    out[0] = (unsigned char)bestType;
    out += l.rowBytes + 1;
    prior.swap(row);
  }
  strip.filteredBytes = filtered.size();
  strip.adler = adler32(adler32(0, nullptr, 0), filtered.data(), uInt(filtered.size()));

  z_stream z{};
  // Level 1 matches runs only: on filtered rows that is faster than zlib's own level 1 and,
  // for blurred pictures, about as small as its level 6.
  const int strategy = level == 1 ? Z_RLE : Z_DEFAULT_STRATEGY;
  if (deflateInit2(&z, level, Z_DEFLATED, -15, 9, strategy) != Z_OK) return false;
  // The bound covers the stored-block worst case; the flush marker adds a few bytes more.
  strip.deflated.resize(deflateBound(&z, uLong(filtered.size())) + 16);
  z.next_in = filtered.data();
  z.avail_in = uInt(filtered.size());
  z.next_out = strip.deflated.data();
  z.avail_out = uInt(strip.deflated.size());
  const int r = deflate(&z, last ? Z_FINISH : Z_SYNC_FLUSH);
  const bool done = last ? r == Z_STREAM_END : (r == Z_OK && z.avail_in == 0 && z.avail_out > 0);
  strip.deflated.resize(size_t(z.total_out));  // a raw stream counts only its own output
  deflateEnd(&z);
  return done;
}

void PutBe32(unsigned char* p, uint32_t v) {
  p[0] = (unsigned char)(v >> 24);
  p[1] = (unsigned char)(v >> 16);
  p[2] = (unsigned char)(v >> 8);
  p[3] = (unsigned char)v;
}

// Writes one chunk whose data is the concatenation of `pieces`.
bool WriteChunk(std::FILE* f, const char* type,
                std::initializer_list<std::pair<const unsigned char*, size_t>> pieces) {
  size_t length = 0;
  for (const auto& piece : pieces) length += piece.second;
  unsigned char head[8];
  PutBe32(head, uint32_t(length));
  std::memcpy(head + 4, type, 4);
  uLong crc = crc32(0, head + 4, 4);
  bool ok = std::fwrite(head, 1, 8, f) == 8;
  for (const auto& piece : pieces) {
    if (piece.second == 0) continue;
    crc = crc32(crc, piece.first, uInt(piece.second));
    ok = ok && std::fwrite(piece.first, 1, piece.second, f) == piece.second;
  }
  unsigned char tail[4];
  PutBe32(tail, uint32_t(crc));
  return ok && std::fwrite(tail, 1, 4, f) == 4;
}

}  // namespace

bool WritePng(const std::string& path, const PngImage& image, std::string& error, int level) {
  if (image.channels < 1 || image.channels > 4 || (image.bitDepth != 8 && image.bitDepth != 16) ||
      image.width == 0 || image.height == 0 || level < 0 || level > 9 ||
      image.samples.size() != size_t(image.width) * image.height * size_t(image.channels)) {
    error = "cannot write '" + path + "': unsupported image layout";
    return false;
  }
  Layout l;
  l.bytesPerSample = size_t(image.bitDepth / 8);
  l.bpp = size_t(image.channels) * l.bytesPerSample;
  l.rowBytes = size_t(image.width) * l.bpp;

  std::vector<Strip> strips;
  std::atomic<bool> failed{false};
  try {
    const uint32_t rowsPerStrip = uint32_t(std::max<size_t>(1, kStripBytes / (l.rowBytes + 1)));
    for (uint32_t y = 0; y < image.height; y += rowsPerStrip) {
      Strip s;
      s.firstRow = y;
      s.rows = std::min(rowsPerStrip, image.height - y);
      strips.push_back(std::move(s));
    }
    std::atomic<size_t> next{0};
    auto work = [&]() {
      for (size_t i = next++; i < strips.size() && !failed; i = next++) {
        try {
          if (!EncodeStrip(image, l, level, i + 1 == strips.size(), strips[i])) failed = true;
        } catch (const std::bad_alloc&) {
          failed = true;
        }
      }
    };
    const size_t helpers =
        std::min<size_t>(strips.size(), std::max(1u, std::thread::hardware_concurrency())) - 1;
    std::vector<std::thread> threads;
    for (size_t t = 0; t < helpers; ++t) threads.emplace_back(work);
    work();
    for (auto& t : threads) t.join();
  } catch (const std::exception&) {  // bad_alloc, or no thread could be started
    failed = true;
  }
  if (failed) {
    error = "cannot write '" + path + "': out of memory";
    return false;
  }

  uLong adler = 1;
  for (const Strip& s : strips) adler = adler32_combine(adler, s.adler, z_off_t(s.filteredBytes));
  // The zlib header: deflate with a 32 KiB window, FLEVEL from the level, FCHECK making the
  // two bytes a multiple of 31.
  const unsigned char flevel = level < 2 ? 0 : level < 6 ? 1 : level == 6 ? 2 : 3;
  unsigned char zhead[2] = {0x78, (unsigned char)(flevel << 6)};
  zhead[1] = (unsigned char)(zhead[1] + (31 - (0x78 * 256 + zhead[1]) % 31) % 31);
  unsigned char ztail[4];
  PutBe32(ztail, uint32_t(adler));

  unsigned char header[13];
  PutBe32(header, image.width);
  PutBe32(header + 4, image.height);
  header[8] = (unsigned char)image.bitDepth;
  header[9] = image.channels == 1 ? 0 : image.channels == 2 ? 4 : image.channels == 3 ? 2 : 6;
  header[10] = header[11] = header[12] = 0;  // deflate, adaptive filters, not interlaced

  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) {
    error = "cannot create '" + path + "': " + std::strerror(errno);
    return false;
  }
  static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  bool ok = std::fwrite(kSignature, 1, 8, f) == 8 && WriteChunk(f, "IHDR", {{header, 13}});
  // Colour, resolution and text chunks all before the image data, where each may stand.
  for (const auto& [type, data] : PngChunksFor(image.metadata)) {
    ok = ok && WriteChunk(f, type.c_str(), {{data.data(), data.size()}});
  }
  for (size_t i = 0; i < strips.size() && ok; ++i) {
    const std::vector<unsigned char>& d = strips[i].deflated;
    const bool first = i == 0, last = i + 1 == strips.size();
    ok = WriteChunk(f, "IDAT",
                    {{zhead, first ? 2 : 0}, {d.data(), d.size()}, {ztail, last ? 4 : 0}});
  }
  ok = ok && WriteChunk(f, "IEND", {});
  const int savedErrno = errno;
  if (std::fclose(f) != 0 || !ok) {
    error = "cannot write '" + path + "': " + std::strerror(ok ? errno : savedErrno);
    return false;
  }
  return true;
}
