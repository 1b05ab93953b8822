// TIFF and JPEG files of the reference host, and the metadata that travels between formats:
// the codecs against libtiff and libjpeg writing and reading on their own, and the quenara
// program choosing formats, keeping metadata and refusing what it cannot read.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <tuple>
// clang-format off
#include <jpeglib.h>  // after <cstdio>: it uses FILE without declaring it
// clang-format on

#include "tests/tools/ProcessRunner.h"
#include "tests/tools/TestFiles.h"
#include "tools/ImageFile.h"

namespace {

// A TIFF written by libtiff alone, in layouts our writer never produces: tiles of `tile` pixels
// (partial at the edges) or strips of three rows (the last one short), predictor on compression.
struct Direct {
  uint16_t photometric, format = SAMPLEFORMAT_UINT, extra = 0;
  uint32_t tile = 0;
  uint16_t compression = COMPRESSION_NONE;
};

void WriteTiffDirect(const std::string& path, const PngImage& img, const Direct& d) {
  TIFF* t = TIFFOpen(path.c_str(), "w");
  ASSERT_NE(t, nullptr);
  const size_t bps = size_t(img.bitDepth / 8), ch = size_t(img.channels);
  const uint32_t bw = d.tile != 0 ? d.tile : img.width, bh = d.tile != 0 ? d.tile : 3;
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, img.width);
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, img.height);
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, uint16_t(img.bitDepth));
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, uint16_t(img.channels));
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, d.photometric);
  TIFFSetField(t, TIFFTAG_SAMPLEFORMAT, d.format);
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(t, TIFFTAG_COMPRESSION, d.compression);
  if (d.compression != COMPRESSION_NONE) TIFFSetField(t, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
  if (d.extra != 0) TIFFSetField(t, TIFFTAG_EXTRASAMPLES, uint16_t(1), &d.extra);
  if (d.tile != 0) TIFFSetField(t, TIFFTAG_TILEWIDTH, d.tile);
  TIFFSetField(t, d.tile != 0 ? TIFFTAG_TILELENGTH : TIFFTAG_ROWSPERSTRIP, bh);
  std::vector<unsigned char> buf(bw * bh * ch * bps);
  for (uint32_t y0 = 0, index = 0; y0 < img.height; y0 += bh) {
    for (uint32_t x0 = 0; x0 < img.width; x0 += bw, ++index) {
      for (size_t i = 0; i < buf.size() / bps; ++i) {
        const uint32_t x = x0 + uint32_t(i / ch % bw), y = y0 + uint32_t(i / ch / bw);
        const uint16_t v = x < img.width && y < img.height ? img.At(x, y, int(i % ch)) : 0;
        if (bps == 1) buf[i] = uint8_t(v);
        if (bps != 1) std::memcpy(&buf[i * bps], &v, 2);
      }
      const tmsize_t rows = std::min(bh, img.height - y0), size = tmsize_t(bw * ch * bps) * rows;
      ASSERT_GE(d.tile != 0 ? TIFFWriteEncodedTile(t, index, buf.data(), tmsize_t(buf.size()))
                            : TIFFWriteEncodedStrip(t, index, buf.data(), size),
                0);
    }
  }
  TIFFClose(t);
}

void WriteCmykJpeg(const std::string& path) {
  jpeg_compress_struct c{};
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  FILE* f = std::fopen(path.c_str(), "wb");
  jpeg_stdio_dest(&c, f);
  c.image_width = c.image_height = 8;
  c.input_components = 4;
  c.in_color_space = JCS_CMYK;
  jpeg_set_defaults(&c);
  jpeg_start_compress(&c, TRUE);
  std::vector<unsigned char> row(32, 90);
  for (JSAMPROW r = row.data(); c.next_scanline < 8;) jpeg_write_scanlines(&c, &r, 1);
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  std::fclose(f);
}

PngImage Read(const std::string& path, ImageFormat expected) {
  PngImage img;
  ImageFormat format;
  std::string error;
  EXPECT_TRUE(ReadImage(path, img, format, error)) << error;
  EXPECT_EQ(format, expected) << path;
  return img;
}

// Our writer in every layout and compression (its Deflate strips are made without libtiff) read
// back through libtiff, several strips on several threads; then libtiff's own tiles and strips.
TEST(ImageFormat, TiffRoundTripsTilesStripsAndAssociatedAlpha) {
  TempDir dir;
  std::string error;
  for (const PngLayout l : kPngLayouts) {
    for (auto c : {TiffCompression::kNone, TiffCompression::kLzw, TiffCompression::kDeflate}) {
      SCOPED_TRACE(testing::Message() << l.channels << "x" << l.depth << " compression " << int(c));
      const PngImage img = RandomPng(257, 300, l.channels, l.depth, uint32_t(l.channels + l.depth));
      ASSERT_TRUE(WriteTiff(dir.Path("t.tif"), img, c, kDefaultPngLevel, error)) << error;
      const PngImage back = Read(dir.Path("t.tif"), ImageFormat::kTiff);
      EXPECT_EQ(std::tie(back.channels, back.bitDepth), std::tie(l.channels, l.depth));
      EXPECT_TRUE(back.samples == img.samples);
    }
  }
  const PngImage rgb = RandomPng(40, 35, 3, 16, 11), grey = RandomPng(23, 10, 1, 8, 12);
  WriteTiffDirect(dir.Path("tiled.tif"), rgb,
                  {PHOTOMETRIC_RGB, 1, 0, 16, COMPRESSION_ADOBE_DEFLATE});
  EXPECT_TRUE(Read(dir.Path("tiled.tif"), ImageFormat::kTiff).samples == rgb.samples);
  WriteTiffDirect(dir.Path("strips.tif"), grey, {PHOTOMETRIC_MINISBLACK, 1, 0, 0, COMPRESSION_LZW});
  EXPECT_TRUE(Read(dir.Path("strips.tif"), ImageFormat::kTiff).samples == grey.samples);
  // Premultiplied colour comes back divided by alpha, rounded: c * max / a, worked by hand.
  const struct {
    int depth;
    uint16_t stored, alpha, expected;
  } cases[] = {{8, 100, 128, 199},        {8, 64, 255, 64}, {8, 0, 0, 0}, {8, 1, 2, 128},
               {8, 200, 100, 255},  // more colour than alpha: clamped
               {16, 30000, 40000, 49151}, {16, 1, 3, 21845}};
  for (const auto& c : cases) {
    PngImage img = RandomPng(2, 1, 2, c.depth, 1);
    img.samples = {c.stored, c.alpha, c.stored, c.alpha};
    WriteTiffDirect(dir.Path("a.tif"), img,
                    {PHOTOMETRIC_MINISBLACK, SAMPLEFORMAT_UINT, EXTRASAMPLE_ASSOCALPHA});
    EXPECT_EQ(Read(dir.Path("a.tif"), ImageFormat::kTiff).samples,
              (std::vector<uint16_t>{c.expected, c.alpha, c.expected, c.alpha}))
        << c.stored << "/" << c.alpha;
  }
}

// A gentle gradient comes back within a few steps of DCT rounding; a lower quality makes a
// smaller file of the same noise.
TEST(ImageFormat, JpegRoundTripsWithinToleranceAndQualitySetsSize) {
  TempDir dir;
  std::string error;
  for (int channels : {1, 3}) {
    PngImage img = RandomPng(64, 48, channels, 8, 3);
    for (size_t i = 0; i < img.samples.size(); ++i) {
      const size_t x = i / size_t(channels) % 64, y = i / size_t(channels) / 64;
      img.samples[i] = uint16_t(20 + 2 * x + y + 30 * (i % size_t(channels)));
    }
    ASSERT_TRUE(WriteJpeg(dir.Path("s.jpg"), img, 95, error)) << error;
    const PngImage back = Read(dir.Path("s.jpg"), ImageFormat::kJpeg);
    ASSERT_EQ(back.samples.size(), img.samples.size());
    for (size_t i = 0; i < img.samples.size(); ++i)
      ASSERT_LE(std::abs(int(back.samples[i]) - int(img.samples[i])), 4) << channels << " " << i;
  }
  const PngImage noisy = RandomPng(64, 48, 3, 8, 4);
  ASSERT_TRUE(WriteJpeg(dir.Path("q30.jpg"), noisy, 30, error));
  ASSERT_TRUE(WriteJpeg(dir.Path("q95.jpg"), noisy, 95, error));
  EXPECT_LT(std::filesystem::file_size(dir.Path("q30.jpg")) * 2,
            std::filesystem::file_size(dir.Path("q95.jpg")));
}

class Program : public ::testing::Test {
 protected:
  TempDir dir;
  std::string error;
  ProcessResult Quenara(std::vector<std::string> args) {
    for (std::string& a : args) a = a[0] == '-' || a[0] == '/' ? a : dir.Path(a);  // names in dir
    args.insert(args.begin(), {QUENARA_EXE, "--quiet"});
    return RunProcess(args, dir.Dir().string());
  }
  void ExpectOneLine(const ProcessResult& r, int exitCode, const std::string& text) {
    EXPECT_EQ(r.exitCode, exitCode) << r.err;
    EXPECT_NE(r.err.find(text), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), text.empty() ? 0 : 1) << r.err;
  }
};

// The profile (larger than one JPEG marker holds) and 300 dpi reach every format; PNG's text
// and gamma stay in a PNG and are named where they cannot go.
TEST_F(Program, MetadataTravelsAndWhatCannotIsNamed) {
  PngImage in = RandomPng(32, 24, 3, 16, 8);
  for (size_t i = 0; i < 70000; ++i) in.metadata.icc.push_back(uint8_t(i * 7 / 5));
  const uint8_t pHYs[9] = {0, 0, 0x2E, 0x23, 0, 0, 0x2E, 0x23, 1};  // 11811 per metre
  const uint8_t text[] = "Author\0Ana", gama[4] = {0, 0, 0xB1, 0x8F};
  AddPngChunk(in.metadata, "pHYs", pHYs, 9);
  AddPngChunk(in.metadata, "tEXt", text, sizeof(text) - 1);
  AddPngChunk(in.metadata, "gAMA", gama, 4);
  ASSERT_TRUE(WritePng(dir.Path("in.png"), in, error)) << error;
  const struct {
    const char *from, *to;
    ImageFormat format;
    const char* note;  // the one line on stderr; "" for none
  } steps[] = {{"in.png", "out.png", ImageFormat::kPng, ""},
               {"in.png", "out.tif", ImageFormat::kTiff, "drops tEXt, gAMA"},
               {"out.tif", "out.jpg", ImageFormat::kJpeg, "drops 16-bit depth (8 written)"}};
  for (const auto& s : steps) {
    SCOPED_TRACE(s.to);
    ExpectOneLine(Quenara({s.from, s.to}), 0, s.note);
    const PngImage out = Read(dir.Path(s.to), s.format);
    EXPECT_TRUE(out.metadata.icc == in.metadata.icc);
    EXPECT_EQ(out.metadata.unit, ImageMetadata::Unit::kInch);
    EXPECT_DOUBLE_EQ(out.metadata.xDensity, 300.0);
    if (s.format != ImageFormat::kPng) continue;
    PngImage zlib;  // the Windows build's reader hands over the same chunks
    ASSERT_TRUE(ReadPngZlib(dir.Path(s.to), zlib, error)) << error;
    EXPECT_TRUE(zlib.metadata.icc == in.metadata.icc);
    EXPECT_EQ(zlib.metadata.blocks.size(), 2u);
    ASSERT_EQ(out.metadata.blocks.size(), 2u);
    EXPECT_EQ(out.metadata.blocks[0].name, "tEXt");
    EXPECT_EQ(out.metadata.blocks[0].data, in.metadata.blocks[0].data);
    EXPECT_EQ(out.metadata.blocks[1].data, in.metadata.blocks[1].data);
  }
  // libtiff cannot seek on a device: the TIFF is copied there.
  EXPECT_EQ(Quenara({"out.tif", "/dev/null"}).exitCode, 0);
}

// Files that are not what their names say, variants we do not read and a truncated file: one line
// naming the file, no output.
TEST_F(Program, MismatchesAndUnsupportedVariantsAreOneLineErrors) {
  const PngImage rgb = RandomPng(8, 8, 3, 8, 5);
  PngImage floats = RandomPng(8, 8, 1, 16, 7);
  floats.bitDepth = 32;  // the bits of the 16-bit samples, as floats: any values will do
  ASSERT_TRUE(WriteTiff(dir.Path("tiff.png"), rgb, TiffCompression::kLzw, 1, error));
  ASSERT_TRUE(WriteJpeg(dir.Path("jpeg.tif"), rgb, 90, error));
  ASSERT_TRUE(WritePng(dir.Path("in.png"), RandomPng(8, 8, 4, 8, 6), error));
  WriteTiffDirect(dir.Path("float.tif"), floats, {PHOTOMETRIC_MINISBLACK, SAMPLEFORMAT_IEEEFP});
  WriteTiffDirect(dir.Path("cmyk.tif"), RandomPng(8, 8, 4, 8, 8), {PHOTOMETRIC_SEPARATED});
  WriteCmykJpeg(dir.Path("cmyk.jpg"));
  const std::string whole = ReadFileForTest(dir.Path("jpeg.tif"));
  WriteFileForTest(dir.Path("cut.jpg"), whole.substr(0, whole.size() / 2));
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"tiff.png", "o.png"}, "tiff.png' is a TIFF file, not PNG as its name says"},
      {{"jpeg.tif", "o.png"}, "jpeg.tif' is a JPEG file, not TIFF as its name says"},
      {{"float.tif", "o.png"}, "float.tif': unsupported TIFF variant (32-bit floating-point"},
      {{"cmyk.tif", "o.png"}, "cmyk.tif': unsupported TIFF variant (CMYK)"},
      {{"cmyk.jpg", "o.png"}, "cmyk.jpg': unsupported JPEG variant (CMYK)"},
      {{"cut.jpg", "o.png"}, "cut.jpg': damaged JPEG"},
      {{"in.png", "o.bmp"}, "o.bmp': unknown image format"},
      {{"in.png", "o.JPG"}, "o.JPG': JPEG has no transparency"},
  };
  for (const auto& [args, text] : cases) {
    ExpectOneLine(Quenara(args), 1, text);
    EXPECT_FALSE(std::filesystem::exists(dir.Path(args[1])));
  }
}

}  // namespace
