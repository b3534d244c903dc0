// The writer: round trips of every written variant, the chunk layout, CRCs, IDAT
// chunking, and acceptance by an independent decoder (ImageMagick, when installed).
#include <gtest/gtest.h>

#include <QBuffer>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdio>
#include <vector>

#include "decode/png_graphic.h"
#include "png_test_util.h"

using decode::TQVPNG;
using graphics::TBitmap;
using graphics::TPixelFormat;
using graphics::TRGBQuad;
using namespace pngtest;

namespace {

struct Chunk {
  std::string type;
  QByteArray data;
  uint32_t crc;
};

uint32_t readBe32(const QByteArray& b, qsizetype at) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v = v << 8 | uint8_t(b[at + i]);
  return v;
}

std::vector<Chunk> chunksOf(const QByteArray& file) {
  std::vector<Chunk> out;
  EXPECT_EQ(file.left(8), signature());
  qsizetype at = 8;
  while (at + 12 <= file.size()) {
    const uint32_t len = readBe32(file, at);
    out.push_back({file.mid(at + 4, 4).toStdString(), file.mid(at + 8, len), readBe32(file, at + 8 + len)});
    at += 12 + len;
  }
  EXPECT_EQ(at, file.size());
  return out;
}

TBitmap photo(int w, int h) {
  TBitmap b(w, h, TPixelFormat::pf24bit);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = b.ScanLine(y) + x * 3;
      p[0] = uint8_t(x * 5 + y);
      p[1] = uint8_t(x * y);
      p[2] = uint8_t(200 - y * 3 + (x % 7));
    }
  return b;
}

TBitmap indexed(int w, int h, TPixelFormat f) {
  TBitmap b(w, h, f);
  const int n = int(b.Palette().size());
  for (int i = 0; i < n; ++i) b.Palette()[size_t(i)] = TRGBQuad{uint8_t(i * 11), uint8_t(255 - i), uint8_t(i * 3), 0};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.SetPixelIndex(x, y, (x * 3 + y * 5) % n);
  return b;
}

TBitmap alphaMask(int w, int h) {
  TBitmap m(w, h, TPixelFormat::pf8bit);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) m.ScanLine(y)[x] = uint8_t(x * 17 + y * 29);
  return m;
}

void expectSamePixels(const TBitmap& a, const TBitmap& b) {
  ASSERT_EQ(a.Width(), b.Width());
  ASSERT_EQ(a.Height(), b.Height());
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x) ASSERT_EQ(a.PixelColor(x, y), b.PixelColor(x, y)) << x << "," << y;
}

TQVPNG roundTrip(const TQVPNG& source) {
  TQVPNG back;
  loadBytes(back, saveBytes(source));
  return back;
}

}  // namespace

TEST(PngWrite, RoundTripEveryVariant) {
  struct Picture {
    const char* name;
    TBitmap bitmap;
    TBitmap mask;
    TPixelFormat readBack;
  };
  const Picture pictures[] = {
      {"24-bit", photo(37, 23), {}, TPixelFormat::pf24bit},
      {"24-bit with mask", photo(37, 23), alphaMask(37, 23), TPixelFormat::pf24bit},
      {"8-bit palette", indexed(37, 23, TPixelFormat::pf8bit), {}, TPixelFormat::pf8bit},
      {"4-bit palette", indexed(37, 23, TPixelFormat::pf4bit), {}, TPixelFormat::pf4bit},
      {"1-bit palette", indexed(37, 23, TPixelFormat::pf1bit), {}, TPixelFormat::pf1bit},
      {"8-bit palette with mask", indexed(9, 5, TPixelFormat::pf8bit), alphaMask(9, 5), TPixelFormat::pf24bit},
      {"one pixel", photo(1, 1), {}, TPixelFormat::pf24bit},
  };
  for (const Picture& p : pictures)
    for (int level : {0, 1, 9, -1, 10})
      for (bool interlace : {false, true}) {
        SCOPED_TRACE(testing::Message() << p.name << " level " << level << " interlace " << interlace);
        TQVPNG png;
        png.Bitmap() = p.bitmap;
        png.Mask() = p.mask;
        png.SetCompressionLevel(level);
        png.SetInterlace(interlace);
        const TQVPNG back = roundTrip(png);
        EXPECT_EQ(back.Bitmap().PixelFormat(), p.readBack);
        expectSamePixels(back.Bitmap(), p.bitmap);
        ASSERT_EQ(back.HasMask(), !p.mask.Empty());
        for (int y = 0; y < p.mask.Height(); ++y) {
          ASSERT_EQ(0, memcmp(back.Mask().ScanLine(y), p.mask.ScanLine(y), size_t(p.mask.Width())));
        }
      }
}

TEST(PngWrite, ChunkOrderAndFixedChunks) {
  TQVPNG png;
  png.Bitmap() = indexed(10, 4, TPixelFormat::pf8bit);
  png.Bitmap().Transparent = true;
  png.Bitmap().TransparentColor = png.Bitmap().Palette()[3];
  auto& info = png.Info();
  info.Comment = "made here";
  info.HasGifControl = info.HasGamma = info.HasChromaticities = info.HasBackground = info.HasPhysical = true;
  info.Chromaticities = {0.3127, 0.329, 0.64, 0.33, 0.3, 0.6, 0.15, 0.06};
  info.Background = png.Bitmap().Palette()[5];
  info.SignificantBitsCount = 3;
  info.SignificantBits = {5, 6, 5, 0};
  info.Physical = {2835, 2835, 1};
  info.Time = QDateTime(QDate(2023, 7, 1), QTime(8, 9, 10), Qt::UTC);
  const QByteArray file = saveBytes(png);
  std::vector<std::string> types;
  for (const Chunk& c : chunksOf(file)) types.push_back(c.type);
  const std::vector<std::string> expected = {"IHDR", "tIME", "tEXt", "tEXt", "tpNG", "gIFg", "gAMA", "cHRM",
                                             "sBIT", "PLTE", "bKGD", "tRNS", "pHYs", "IDAT", "IEND"};
  EXPECT_EQ(types, expected);

  const auto chunks = chunksOf(file);
  EXPECT_EQ(chunks[0].data.size(), 13);
  EXPECT_EQ(chunks[1].data, QByteArray::fromHex("07e7070108090a"));
  EXPECT_EQ(chunks[2].data, QByteArray("Comment\0made here", 17));
  EXPECT_EQ(chunks[3].data, QByteArray("Software\0QVPNG ver 3.4", 22));
  EXPECT_EQ(chunks[4].data, QByteArray("QVP3\x00\x01\x00\x00", 8));
  EXPECT_EQ(chunks[6].data, QByteArray::fromHex("0000b18f"));  // 45455
  EXPECT_EQ(chunks[7].data.size(), 32);
  EXPECT_EQ(chunks[8].data, QByteArray("\x05\x06\x05", 3));
  EXPECT_EQ(chunks[10].data, QByteArray(1, char(5)));
  EXPECT_EQ(chunks[11].data.size(), chunks[9].data.size() / 3);
  EXPECT_EQ(chunks[11].data[3], char(0));
  EXPECT_EQ(chunks[12].data.size(), 9);

  const TQVPNG back = roundTrip(png);
  EXPECT_EQ(back.Info().Time, info.Time);
  EXPECT_EQ(back.Info().Physical, info.Physical);
  EXPECT_EQ(back.Info().Background, info.Background);
  EXPECT_TRUE(back.Bitmap().Transparent);
  EXPECT_EQ(back.Bitmap().TransparentColor, png.Bitmap().TransparentColor);
  EXPECT_EQ(back.Info().Comment, "made here\r\n");
}

TEST(PngWrite, MinimalFileCarriesSoftwareAndPrivateChunk) {
  TQVPNG png;
  png.Bitmap() = photo(3, 2);
  png.Mask() = alphaMask(3, 2);
  std::vector<std::string> types;
  for (const Chunk& c : chunksOf(saveBytes(png))) {
    types.push_back(c.type);
    if (c.type == "tpNG") {
      EXPECT_EQ(c.data, QByteArray("QVP3\x01\x00\x00\x00", 8));
    }
  }
  EXPECT_EQ(types, (std::vector<std::string>{"IHDR", "tIME", "tEXt", "tpNG", "IDAT", "IEND"}));
}

TEST(PngWrite, CrcOfEveryChunkAndIdatChunkSize) {
  TQVPNG png;
  png.Bitmap() = photo(300, 200);
  png.SetCompressionLevel(0);
  png.SetIDATSize(1000);
  const auto chunks = chunksOf(saveBytes(png));
  int idats = 0;
  for (size_t i = 0; i < chunks.size(); ++i) {
    const Chunk& c = chunks[i];
    const QByteArray body = QByteArray::fromStdString(c.type) + c.data;
    EXPECT_EQ(c.crc, uint32_t(crc32(0, reinterpret_cast<const Bytef*>(body.constData()), uInt(body.size()))))
        << c.type;
    if (c.type == "IDAT") {
      ++idats;
      if (chunks[i + 1].type == "IDAT") {
        EXPECT_EQ(c.data.size(), 1000);
      }
      EXPECT_LE(c.data.size(), 1000);
    }
  }
  EXPECT_GT(idats, 180);  // 180 000 bytes stored uncompressed
}

TEST(PngWrite, SignatureCanBeLeftOut) {
  TQVPNG png;
  png.Bitmap() = photo(2, 2);
  png.SetWriteSignature(false);
  const QByteArray file = saveBytes(png);
  EXPECT_EQ(file.mid(4, 4), "IHDR");
  EXPECT_EQ(loadError(signature() + file), "");
}

TEST(PngWrite, FailuresAreWriteErrors) {
  TQVPNG empty;
  EXPECT_THROW(saveBytes(empty), decode::EQVPNG);
  TQVPNG png;
  png.Bitmap() = photo(4, 4);
  QByteArray target;
  QBuffer readOnly(&target);
  readOnly.open(QIODevice::ReadOnly);
  try {
    png.SaveToStream(readOnly);
    ADD_FAILURE() << "write to a read-only device succeeded";
  } catch (const decode::EQVPNG& e) {
    EXPECT_STREQ(e.what(), "Write Image (PNG): Write Error");
  }
}

TEST(PngWrite, AssignCopiesEverything) {
  TQVPNG a;
  a.Bitmap() = photo(5, 5);
  a.Mask() = alphaMask(5, 5);
  a.Info().Comment = "x";
  a.Info().HasGamma = true;
  a.SetInterlace(true);
  a.SetIDATSize(4096);
  TQVPNG b;
  b.Assign(a);
  EXPECT_EQ(b.Bitmap(), a.Bitmap());
  EXPECT_EQ(b.Mask(), a.Mask());
  EXPECT_EQ(b.Info(), a.Info());
  EXPECT_EQ(b.Params(), a.Params());
}

// ImageMagick decodes what we write to the same pixels and reports no problem.
TEST(PngWrite, IndependentDecoderAcceptsOurFiles) {
  if (QStandardPaths::findExecutable("convert").isEmpty()) GTEST_SKIP() << "ImageMagick convert not installed";
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  struct T {
    const char* name;
    TBitmap bitmap;
    bool interlace;
    int level;
  };
  const T cases[] = {{"rgb.png", photo(41, 17), false, 9},
                     {"rgb_i.png", photo(41, 17), true, 1},
                     {"p8_i.png", indexed(41, 17, TPixelFormat::pf8bit), true, -1},
                     {"p4.png", indexed(41, 17, TPixelFormat::pf4bit), false, 0},
                     {"p1_i.png", indexed(41, 17, TPixelFormat::pf1bit), true, 6}};
  for (const T& t : cases) {
    SCOPED_TRACE(t.name);
    TQVPNG png;
    png.Bitmap() = t.bitmap;
    png.SetInterlace(t.interlace);
    png.SetCompressionLevel(t.level);
    png.Info().Comment = "check";
    const QString path = dir.filePath(t.name);
    png.SaveToFile(path);
    const std::string cmd = "convert -regard-warnings '" + path.toStdString() + "' -depth 8 rgb:- 2>&1";
    FILE* pipe = popen(cmd.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    QByteArray out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, qsizetype(n));
    ASSERT_EQ(pclose(pipe), 0) << out.toStdString();
    ASSERT_EQ(out.size(), 41 * 17 * 3);
    const auto* p = reinterpret_cast<const uint8_t*>(out.constData());
    for (int y = 0; y < 17; ++y)
      for (int x = 0; x < 41; ++x, p += 3) ASSERT_EQ(t.bitmap.PixelColor(x, y), (TRGBQuad{p[2], p[1], p[0], 0}));
  }
}

TEST(PngWrite, TransparentColourMissingFromPaletteIsNotClaimed) {
  TQVPNG png;
  png.Bitmap() = indexed(4, 4, TPixelFormat::pf4bit);
  png.Bitmap().Transparent = true;
  png.Bitmap().TransparentColor = TRGBQuad{1, 2, 3, 0};
  for (const Chunk& c : chunksOf(saveBytes(png))) {
    EXPECT_NE(c.type, "tRNS");
    if (c.type == "tpNG") {
      EXPECT_EQ(c.data, QByteArray("QVP3\x00\x00\x00\x00", 8));
    }
  }
  EXPECT_FALSE(roundTrip(png).Bitmap().Transparent);
}
