// The format plug-ins (ifwebp, iftiff, ifheif, ifjxl) through the host, against each
// library's own reference tool, and their refusal of pictures past the size limit. A case
// whose encoder or reference tool is missing is skipped.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>
#include <QtEndian>
#include <algorithm>
#include <vector>

#include <libheif/heif.h>

#include "decode/spi_plugin_list.h"
#include "graphics/bitmap.h"
#include "spi.h"

namespace {

bool HaveTool(const QString& name) { return !QStandardPaths::findExecutable(name).isEmpty(); }

bool RunTool(const QStringList& command) {
  QProcess p;
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start(command.front(), command.mid(1));
  if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
    ADD_FAILURE() << command.join(' ').toStdString() << ": " << p.readAll().toStdString();
    return false;
  }
  return true;
}

// An asymmetric picture with every channel varying; with alpha, a ramp from clear to opaque.
QImage Pattern(bool alpha, int shift = 0) {
  QImage im(37, 23, QImage::Format_ARGB32);
  for (int y = 0; y < im.height(); ++y)
    for (int x = 0; x < im.width(); ++x)
      im.setPixel(x, y,
                  qRgba((x * 7 + shift) % 256, y * 11, 255 - x * 5, alpha ? std::min(255, x * 8 + y * 3) : 255));
  return im;
}

// What a plug-in must give for a straight-alpha pixel: alpha composited on white.
QRgb OnWhite(QRgb c) {
  const int a = qAlpha(c);
  auto mix = [a](int v) { return (v * a + 255 * (255 - a) + 127) / 255; };
  return qRgb(mix(qRed(c)), mix(qGreen(c)), mix(qBlue(c)));
}

// Largest channel difference between the plug-in's bitmap and the expected picture.
int MaxDifference(const graphics::TBitmap& got, const QImage& expected) {
  const QImage e = expected.convertToFormat(QImage::Format_ARGB32);
  int worst = 0;
  for (int y = 0; y < e.height(); ++y)
    for (int x = 0; x < e.width(); ++x) {
      const QRgb want = OnWhite(e.pixel(x, y));
      const auto c = got.PixelColor(x, y);
      worst = std::max({worst, std::abs(c.red - qRed(want)), std::abs(c.green - qGreen(want)),
                        std::abs(c.blue - qBlue(want))});
    }
  return worst;
}

struct Case {
  const char* name;  // the file written, its extension choosing the plug-in
  bool alpha;
  QStringList encode;     // %in the source PNG(s), %out the file
  QStringList reference;  // %out to a PNG at %ref; empty: the source itself is expected
};

class FormatPluginsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* spi : {QIVO2_IFWEBP_SPI, QIVO2_IFTIFF_SPI, QIVO2_IFHEIF_SPI, QIVO2_IFJXL_SPI})
      ASSERT_GE(list_.AddPlugin(spi), 0) << spi;
    ASSERT_EQ(list_.Count(), 4);
    ASSERT_TRUE(dir_.isValid());
    ASSERT_TRUE(Pattern(false).save(dir_.filePath("opaque.png")));
    ASSERT_TRUE(Pattern(true).save(dir_.filePath("alpha.png")));
    ASSERT_TRUE(Pattern(false, 100).save(dir_.filePath("second.png")));
  }

  QStringList Fill(QStringList command, const QString& in, const QString& out, const QString& ref) const {
    for (QString& a : command) {
      a.replace("%in", in).replace("%out", out).replace("%ref", ref).replace("%second", dir_.filePath("second.png"));
    }
    return command;
  }

  // Encodes, decodes with the reference tool and with the plug-in; false when skipped.
  bool Check(const Case& c) {
    SCOPED_TRACE(c.name);
    if (!HaveTool(c.encode.front()) || (!c.reference.isEmpty() && !HaveTool(c.reference.front()))) return false;
    const QString in = dir_.filePath(c.alpha ? "alpha.png" : "opaque.png");
    const QString out = dir_.filePath(c.name), ref = out + ".ref.png";
    if (!RunTool(Fill(c.encode, in, out, ref))) return true;
    QImage expected(in);
    if (!c.reference.isEmpty()) {
      if (!RunTool(Fill(c.reference, in, out, ref))) return true;
      expected = QImage(ref);
    }
    EXPECT_FALSE(expected.isNull());
    graphics::TBitmap bm;
    EXPECT_EQ(list_.GetBitmap(out, bm), 0);
    EXPECT_EQ(bm.Width(), 37);
    EXPECT_EQ(bm.Height(), 23);
    if (bm.Width() == 37 && bm.Height() == 23 && expected.size() == QSize(37, 23)) {
      EXPECT_LE(MaxDifference(bm, expected), 2);
    }
    return true;
  }

  void CheckAll(const std::vector<Case>& cases) {
    int ran = 0;
    for (const Case& c : cases) ran += Check(c) ? 1 : 0;
    if (!ran) GTEST_SKIP() << "no encoder or reference tool for these cases";
  }

  QString Write(const char* name, const QByteArray& bytes) {
    QFile f(dir_.filePath(name));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return f.fileName();
  }

  decode::TSPlugin list_;
  QTemporaryDir dir_;
};

TEST_F(FormatPluginsTest, WebPMatchesDwebp) {
  const QStringList dwebp{"dwebp", "-quiet", "%out", "-o", "%ref"};
  CheckAll({
      {"lossy.webp", false, {"cwebp", "-quiet", "-q", "80", "%in", "-o", "%out"}, dwebp},
      {"lossless.webp", false, {"cwebp", "-quiet", "-lossless", "%in", "-o", "%out"}, dwebp},
      {"alpha_lossy.webp", true, {"cwebp", "-quiet", "-q", "80", "-exact", "%in", "-o", "%out"}, dwebp},
      {"alpha_lossless.webp", true, {"cwebp", "-quiet", "-lossless", "-exact", "%in", "-o", "%out"}, dwebp},
      // dwebp reads no animation: the first lossless frame is the source itself.
      {"animated.webp", false, {"img2webp", "-lossless", "%in", "%second", "-o", "%out"}, {}},
  });
}

TEST_F(FormatPluginsTest, TiffMatchesImageMagick) {
  const QStringList im{"convert", "%out[0]", "-depth", "8", "PNG32:%ref"};
  auto tiff = [](std::initializer_list<const char*> options) {
    QStringList c{"convert", "%in"};
    for (const char* o : options) c << o;
    return c << "%out";
  };
  CheckAll({
      {"none.tif", false, tiff({"-compress", "None"}), im},
      {"lzw.tif", false, tiff({"-compress", "LZW"}), im},
      {"deflate.tif", false, tiff({"-compress", "Zip"}), im},
      {"packbits.tif", false, tiff({"-compress", "RLE"}), im},
      {"jpeg.tif", false, tiff({"-compress", "JPEG", "-quality", "90"}), im},
      {"sixteen.tif", false, tiff({"-depth", "16", "-compress", "LZW"}), im},
      {"grey.tif", false, tiff({"-colorspace", "Gray"}), im},
      {"grey16.tif", false, tiff({"-colorspace", "Gray", "-depth", "16"}), im},
      {"palette.tif", false, tiff({"-type", "Palette"}), im},
      {"cmyk.tif", false, tiff({"-colorspace", "CMYK"}), im},
      {"tiled.tif", false, tiff({"-define", "tiff:tile-geometry=16x16", "-compress", "Zip"}), im},
      {"alpha.tif", true, tiff({"-compress", "LZW"}), im},
      // Two pages: the first is the picture.
      {"pages.tiff", false, {"convert", "%in", "%second", "%out"}, im},
  });
}

TEST_F(FormatPluginsTest, HeifMatchesHeifConvert) {
  const QStringList ref{"heif-convert", "%out", "%ref"};
  std::vector<Case> cases = {
      {"lossy.heic", false, {"heif-enc", "-q", "90", "%in", "-o", "%out"}, ref},
      {"alpha.heic", true, {"heif-enc", "-q", "90", "%in", "-o", "%out"}, ref},
  };
  // AVIF needs libheif's AV1 codecs; Debian's libheif has them built in.
  if (heif_have_decoder_for_format(heif_compression_AV1))
    cases.push_back({"lossy.avif", false, {"heif-enc", "-A", "-q", "90", "%in", "-o", "%out"}, ref});
  else
    ADD_FAILURE() << "libheif decodes no AVIF here";
  CheckAll(cases);
}

TEST_F(FormatPluginsTest, JxlMatchesDjxl) {
  const QStringList djxl{"djxl", "--quiet", "%out", "%ref"};
  CheckAll({
      {"lossless.jxl", false, {"cjxl", "--quiet", "-d", "0", "%in", "%out"}, djxl},
      {"lossy.jxl", false, {"cjxl", "--quiet", "-d", "1", "%in", "%out"}, djxl},
      {"alpha.jxl", true, {"cjxl", "--quiet", "-d", "0", "%in", "%out"}, djxl},
  });
}

// GetPreview gives a HEIF file's stored thumbnail; a file without one falls back to the picture.
TEST_F(FormatPluginsTest, HeifPreviewIsTheStoredThumbnail) {
  if (!HaveTool("heif-enc")) GTEST_SKIP() << "no heif-enc";
  const QString in = dir_.filePath("opaque.png");
  const QString with = dir_.filePath("thumb.heic"), without = dir_.filePath("nothumb.heic");
  ASSERT_TRUE(RunTool({"heif-enc", "-q", "90", "-t", "16", in, "-o", with}));
  ASSERT_TRUE(RunTool({"heif-enc", "-q", "90", in, "-o", without}));
  list_.Preview = true;
  graphics::TBitmap bm;
  ASSERT_EQ(list_.GetBitmap(with, bm), 0);
  EXPECT_EQ(bm.Width(), 16);
  EXPECT_LT(bm.Height(), 16);
  ASSERT_EQ(list_.GetBitmap(without, bm), 0);
  EXPECT_EQ(bm.Width(), 37);
  list_.Preview = false;
  ASSERT_EQ(list_.GetBitmap(with, bm), 0);
  EXPECT_EQ(bm.Width(), 37);
}

// A classic little-endian TIFF of w × h 8-bit grey, uncompressed, one strip of zeros
// (the strip is left out when the picture would be too large to write).
QByteArray GreyTiff(uint32_t w, uint32_t h, bool withData) {
  QByteArray d("II*\0", 4);
  auto u16 = [&d](uint16_t v) { d.append(char(v & 0xFF)).append(char(v >> 8)); };
  auto u32 = [&d](uint32_t v) {
    for (int i = 0; i < 4; ++i) d.append(char((v >> (8 * i)) & 0xFF));
  };
  u32(8);
  const uint16_t count = 8;
  const uint32_t dataOffset = 8 + 2 + count * 12 + 4;
  const uint64_t bytes = uint64_t(w) * h;
  u16(count);
  auto entry = [&](uint16_t tag, uint16_t type, uint32_t value) {
    u16(tag);
    u16(type);
    u32(1);
    u32(type == 3 ? value & 0xFFFF : value);
  };
  entry(256, 4, w);                                   // ImageWidth
  entry(257, 4, h);                                   // ImageLength
  entry(258, 3, 8);                                   // BitsPerSample
  entry(259, 3, 1);                                   // Compression: none
  entry(262, 3, 1);                                   // Photometric: black is zero
  entry(273, 4, dataOffset);                          // StripOffsets
  entry(278, 4, h);                                   // RowsPerStrip
  entry(279, 4, uint32_t(std::min<uint64_t>(bytes, UINT32_MAX)));  // StripByteCounts
  u32(0);
  if (withData) d.append(QByteArray(qsizetype(bytes), '\0'));
  return d;
}

// A JPEG XL codestream header that declares w × h (each < 2^18) and default metadata.
QByteArray JxlHeader(uint32_t w, uint32_t h) {
  std::vector<bool> bits;
  auto put = [&bits](uint32_t v, int n) {
    for (int i = 0; i < n; ++i) bits.push_back((v >> i) & 1);
  };
  put(0, 1);  // not small
  put(2, 2);  // height: 18 bits + 1
  put(h - 1, 18);
  put(0, 3);  // no ratio: explicit width
  put(2, 2);
  put(w - 1, 18);
  put(1, 1);  // default metadata
  QByteArray d("\xFF\x0A", 2);
  for (size_t i = 0; i < bits.size(); i += 8) {
    char c = 0;
    for (size_t j = 0; j < 8 && i + j < bits.size(); ++j) c = char(c | (bits[i + j] << j));
    d.append(c);
  }
  return d.append(QByteArray(64, '\0'));
}

// Width and height bytes at the first "ispe" box (a HEIF file's picture size).
QByteArray PatchIspe(QByteArray heif, uint32_t w, uint32_t h) {
  const qsizetype at = heif.indexOf("ispe");
  if (at < 0) return {};
  qToBigEndian(w, heif.data() + at + 8);
  qToBigEndian(h, heif.data() + at + 12);
  return heif;
}

// An animated WebP whose VP8X chunk declares a w × h canvas (each < 2^24) with one frame:
// the image chunk of a simple lossless file. A still picture cannot pass 16,384 on a side.
QByteArray WebpCanvas(const QByteArray& lossless, uint32_t w, uint32_t h) {
  auto le = [](uint32_t v, int n) {
    QByteArray b;
    for (int i = 0; i < n; ++i) b.append(char((v >> (8 * i)) & 0xFF));
    return b;
  };
  auto chunk = [&le](const char* tag, const QByteArray& payload) {
    QByteArray c = QByteArray(tag, 4) + le(uint32_t(payload.size()), 4) + payload;
    return payload.size() % 2 ? c.append('\0') : c;
  };
  const QByteArray vp8l = lossless.mid(12);
  const QByteArray vp8x = chunk("VP8X", le(0x02, 4) + le(w - 1, 3) + le(h - 1, 3));
  const QByteArray anim = chunk("ANIM", le(0xFFFFFFFF, 4) + le(0, 2));
  const QByteArray anmf = chunk("ANMF", le(0, 3) + le(0, 3) + le(36, 3) + le(22, 3) + le(100, 3) + le(0, 1) + vp8l);
  const QByteArray body = QByteArray("WEBP") + vp8x + anim + anmf;
  return QByteArray("RIFF") + le(uint32_t(body.size()), 4) + body;
}

TEST_F(FormatPluginsTest, PicturesPastTheSizeLimitAreRefused) {
  struct Refusal {
    const char* name;
    QByteArray bytes;
    int want;
  };
  std::vector<Refusal> cases = {
      {"wide.tif", GreyTiff(16385, 16, false), SPI_NO_MEMORY},
      {"tall.tif", GreyTiff(1, 16385, false), SPI_NO_MEMORY},
      {"huge.tif", GreyTiff(4000000, 4000000, false), SPI_NO_MEMORY},
      {"wide.jxl", JxlHeader(16385, 8), SPI_NO_MEMORY},
      {"huge.jxl", JxlHeader(200000, 200000), SPI_NO_MEMORY},
  };
  if (HaveTool("cwebp")) {
    ASSERT_TRUE(RunTool({"cwebp", "-quiet", "-lossless", dir_.filePath("opaque.png"), "-o", dir_.filePath("l.webp")}));
    QFile f(dir_.filePath("l.webp"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray lossless = f.readAll();
    const QByteArray fits = WebpCanvas(lossless, 37, 23);
    graphics::TBitmap bm;
    EXPECT_EQ(list_.GetBitmap(Write("fits.webp", fits), bm), 0) << "the animated fixture itself";
    EXPECT_EQ(bm.Width(), 37);
    cases.push_back({"wide.webp", WebpCanvas(lossless, 16385, 23), SPI_NO_MEMORY});
    cases.push_back({"huge.webp", WebpCanvas(lossless, 1 << 20, 1000), SPI_NO_MEMORY});
  }
  if (HaveTool("heif-enc")) {
    ASSERT_TRUE(RunTool({"heif-enc", "-q", "50", dir_.filePath("opaque.png"), "-o", dir_.filePath("s.heic")}));
    QFile f(dir_.filePath("s.heic"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray heic = f.readAll();
    cases.push_back({"wide.heic", PatchIspe(heic, 16385, 23), SPI_NO_MEMORY});
    cases.push_back({"huge.heic", PatchIspe(heic, 100000, 100000), SPI_NO_MEMORY});
  }
  for (const auto& c : cases) {
    graphics::TBitmap bm;
    EXPECT_EQ(list_.GetBitmap(Write(c.name, c.bytes), bm), c.want) << c.name;
  }
  // At the limit the picture is decoded.
  graphics::TBitmap bm;
  EXPECT_EQ(list_.GetBitmap(Write("edge.tif", GreyTiff(16384, 4, true)), bm), 0);
  EXPECT_EQ(bm.Width(), 16384);
}

TEST_F(FormatPluginsTest, DamagedFilesFailCleanly) {
  std::vector<std::pair<QString, QByteArray>> files = {
      {"empty.webp", QByteArray()},
      {"header.webp", QByteArray("RIFF\x10\0\0\0WEBPVP8 ", 16)},
      {"header.tif", QByteArray("II*\0\x08\0\0\0", 8)},
      {"header.jxl", QByteArray("\xFF\x0A", 2)},
      {"header.heic", QByteArray("\0\0\0\x18" "ftypheic\0\0\0\0mif1heic", 24)},
  };
  // Real files cut short.
  struct Tool {
    const char* name;
    QStringList encode;
  } tools[] = {
      {"cut.webp", {"cwebp", "-quiet", "-q", "80", "%in", "-o", "%out"}},
      {"cut.tif", {"convert", "%in", "-compress", "LZW", "%out"}},
      {"cut.heic", {"heif-enc", "-q", "80", "%in", "-o", "%out"}},
      {"cut.jxl", {"cjxl", "--quiet", "-d", "1", "%in", "%out"}},
  };
  for (const Tool& t : tools) {
    if (!HaveTool(t.encode.front())) continue;
    const QString out = dir_.filePath(QString(t.name) + ".full");
    ASSERT_TRUE(RunTool(Fill(t.encode, dir_.filePath("opaque.png"), out, {})));
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    files.push_back({t.name, bytes.left(bytes.size() * 2 / 3)});
  }
  for (const auto& [name, bytes] : files) {
    graphics::TBitmap bm;
    EXPECT_NE(list_.GetBitmap(Write(name.toUtf8().constData(), bytes), bm), 0) << name.toStdString();
  }
}

}  // namespace
