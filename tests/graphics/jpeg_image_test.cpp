#include "graphics/jpeg_image.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>

#include "graphics/picture_formats.h"
#include "platform/byte_reader.h"

using namespace graphics;

namespace {

const QString kData = QStringLiteral(QIVO2_TEST_DATA "/jpeg/");

// A smooth, colourful picture (photo-like enough for the codec).
TBitmap Gradient(int w, int h) {
  TBitmap b(w, h);
  for (int y = 0; y < h; ++y) {
    uint8_t* p = b.ScanLine(y);
    for (int x = 0; x < w; ++x, p += 3) {
      p[0] = uint8_t(x * 255 / std::max(1, w - 1));
      p[1] = uint8_t(y * 255 / std::max(1, h - 1));
      p[2] = uint8_t((x + y) * 255 / std::max(1, w + h - 2));
    }
  }
  return b;
}

QByteArray Encode(const TBitmap& b, int quality = 90, bool progressive = false, bool gray = false) {
  TJPEGImage jpg;
  jpg.Assign(b);
  jpg.SetCompressionQuality(quality);
  jpg.SetProgressiveEncoding(progressive);
  jpg.SetGrayscale(gray);
  return jpg.SaveToMemory();
}

QByteArray ReadFixture(const char* name) {
  QFile f(kData + name);
  EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name;
  return f.readAll();
}

// The markers of a JPEG file up to the first scan: marker code -> segment payload.
struct Segment {
  uint8_t marker;
  QByteArray payload;
};
std::vector<Segment> Segments(const QByteArray& file) {
  std::vector<Segment> out;
  platform::ByteReader r(file.constData(), size_t(file.size()));
  uint16_t soi = 0;
  if (!r.u16be(soi) || soi != 0xFFD8) return out;
  for (;;) {
    uint8_t ff = 0, marker = 0;
    uint16_t len = 0;
    if (!r.u8(ff) || ff != 0xFF || !r.u8(marker) || !r.u16be(len) || len < 2) break;
    const uint8_t* p = r.take(len - 2);
    if (!p) break;
    out.push_back({marker, QByteArray(reinterpret_cast<const char*>(p), len - 2)});
    if (marker == 0xDA) break;
  }
  return out;
}

const Segment* Find(const std::vector<Segment>& s, uint8_t marker) {
  for (const auto& e : s)
    if (e.marker == marker) return &e;
  return nullptr;
}

int Channel(const TBitmap& b, int x, int y, int c) { return b.ScanLine(y)[x * 3 + c]; }

}  // namespace

TEST(JpegImage, ScaledDecodeSizesMatchHeaderAndFormula) {
  const QByteArray big = Encode(Gradient(1600, 1200));
  const QByteArray odd = Encode(Gradient(1001, 999));
  struct Case {
    const QByteArray* file;
    TJPEGScale scale;
    int w, h;
  };
  const Case cases[] = {
      {&big, jsFullSize, 1600, 1200}, {&big, jsHalf, 800, 600}, {&big, jsQuarter, 400, 300},
      {&big, jsEighth, 200, 150},     {&odd, jsHalf, 501, 500}, {&odd, jsEighth, 126, 125},
  };
  for (const auto& c : cases) {
    for (TJPEGPerformance perf : {jpBestQuality, jpBestSpeed}) {
      TJPEGImage jpg;
      jpg.SetScale(c.scale);
      jpg.SetPerformance(perf);
      jpg.LoadFromMemory(*c.file);
      EXPECT_EQ(jpg.Width(), c.w) << c.scale << " " << perf;
      EXPECT_EQ(jpg.Height(), c.h) << c.scale << " " << perf;
      EXPECT_EQ(jpg.Bitmap().PixelFormat(), TPixelFormat::pf24bit);
      const auto info = ReadJpegInfo(reinterpret_cast<const uint8_t*>(c.file->constData()), size_t(c.file->size()));
      ASSERT_TRUE(info);
      EXPECT_EQ(JpegScaledSize(info->Width, info->Height, c.scale), QSize(c.w, c.h));
    }
  }
}

TEST(JpegImage, HeaderReadFromAStreamStopsAtTheFrame) {
  const QByteArray file = Encode(Gradient(1600, 1200));
  QBuffer buffer;
  buffer.setData(file);
  buffer.open(QIODevice::ReadOnly);
  const auto info = ReadJpegInfo(buffer);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->Width, 1600);
  EXPECT_EQ(info->Height, 1200);
  EXPECT_EQ(info->Components, 3);
  EXPECT_FALSE(info->Progressive);
  EXPECT_LT(buffer.pos(), file.size() / 4);
  EXPECT_FALSE(ReadJpegInfoFromFile(kData + "missing.jpg"));
}

TEST(JpegImage, EncodeOptionsAreVisibleInTheFile) {
  struct Case {
    int quality;
    bool progressive, gray;
    uint8_t sof;
    int components;
    int firstLumaQuant;  // the IJG table scaled by quality
  };
  const Case cases[] = {
      {50, false, false, 0xC0, 3, 16},
      {50, true, false, 0xC2, 3, 16},
      {100, false, true, 0xC0, 1, 1},
      {100, true, true, 0xC2, 1, 1},
  };
  for (const auto& c : cases) {
    const QByteArray file = Encode(Gradient(64, 48), c.quality, c.progressive, c.gray);
    const auto segs = Segments(file);
    const Segment* sof = Find(segs, c.sof);
    ASSERT_NE(sof, nullptr) << std::hex << int(c.sof);
    EXPECT_EQ(uint8_t(sof->payload[5]), c.components);
    EXPECT_EQ(Find(segs, c.sof == 0xC0 ? 0xC2 : 0xC0), nullptr);
    const Segment* dqt = Find(segs, 0xDB);
    ASSERT_NE(dqt, nullptr);
    EXPECT_EQ(uint8_t(dqt->payload[1]), c.firstLumaQuant);
    const auto info = ReadJpegInfo(reinterpret_cast<const uint8_t*>(file.constData()), size_t(file.size()));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->Progressive, c.progressive);
    EXPECT_EQ(info->Components, c.components);
  }
  TJPEGImage jpg;
  jpg.SetCompressionQuality(0);
  EXPECT_EQ(jpg.CompressionQuality(), 1);
  jpg.SetCompressionQuality(500);
  EXPECT_EQ(jpg.CompressionQuality(), 100);
}

TEST(JpegImage, RoundTripKeepsColoursAndAcceptsPaletteBitmaps) {
  TBitmap indexed(20, 10, TPixelFormat::pf8bit);
  indexed.Palette()[0] = {30, 140, 220, 0};  // B, G, R
  for (bool progressive : {false, true}) {
    TJPEGImage out;
    out.Assign(indexed);
    out.SetCompressionQuality(95);
    out.SetProgressiveEncoding(progressive);
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    out.SaveToStream(buffer);
    buffer.seek(0);
    TJPEGImage in;
    in.LoadFromStream(buffer);
    ASSERT_EQ(in.Width(), 20);
    ASSERT_EQ(in.Height(), 10);
    const int expected[] = {30, 140, 220};
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(Channel(in.Bitmap(), 7, 5, c), expected[c], 3);
  }
  EXPECT_THROW(TJPEGImage().SaveToMemory(), EInvalidGraphic);
}

TEST(JpegImage, QuantisedDecodeHasAtMost236Colours) {
  const QByteArray file = Encode(Gradient(256, 200));
  for (TJPEGPerformance perf : {jpBestQuality, jpBestSpeed}) {
    TJPEGImage jpg;
    jpg.SetPixelFormat(jf8Bit);
    jpg.SetPerformance(perf);
    jpg.LoadFromMemory(file);
    const TBitmap& b = jpg.Bitmap();
    ASSERT_EQ(b.PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_EQ(b.Width(), 256);
    EXPECT_LE(b.Palette().size(), size_t(kJpegQuantizedColors));
    EXPECT_GT(b.Palette().size(), 100u) << "a colourful picture should use many colours";
    for (int y = 0; y < b.Height(); ++y)
      for (int x = 0; x < b.Width(); ++x) ASSERT_LT(size_t(b.PixelIndex(x, y)), b.Palette().size());
    // The dithered picture still resembles the source: mean colours of a few blocks.
    const TBitmap got = b.To24();
    const TBitmap want = Gradient(256, 200);
    for (auto [bx, by] : {std::pair{0, 0}, {248, 0}, {0, 192}, {128, 96}, {248, 192}})
      for (int c = 0; c < 3; ++c) {
        int sumGot = 0, sumWant = 0;
        for (int y = by; y < by + 8; ++y)
          for (int x = bx; x < bx + 8; ++x) sumGot += Channel(got, x, y, c), sumWant += Channel(want, x, y, c);
        EXPECT_NEAR(sumGot / 64, sumWant / 64, 20) << bx << "," << by << " channel " << c << " perf " << perf;
      }
  }
}

TEST(JpegImage, GrayAndCmykFilesDecodeTo24Bit) {
  struct Case {
    const char* file;
    int w, h;
    int components;
  };
  const Case cases[] = {
      {"gray.jpg", 40, 30, 1},
      {"cmyk_adobe.jpg", 16, 8, 4},
      {"cmyk_plain.jpg", 16, 8, 4},
      {"ycck_adobe.jpg", 16, 8, 4},
  };
  for (const auto& c : cases) {
    const QByteArray file = ReadFixture(c.file);
    const auto info = ReadJpegInfoFromFile(kData + c.file);
    ASSERT_TRUE(info) << c.file;
    EXPECT_EQ(info->Components, c.components) << c.file;
    for (TJPEGPixelFormat format : {jf24Bit, jf8Bit}) {
      TJPEGImage jpg;
      jpg.SetPixelFormat(format);
      jpg.LoadFromMemory(file);
      const TBitmap b = jpg.Bitmap().To24();
      ASSERT_EQ(b.Width(), c.w) << c.file;
      ASSERT_EQ(b.Height(), c.h) << c.file;
      EXPECT_EQ(jpg.Bitmap().PixelFormat(), format == jf24Bit ? TPixelFormat::pf24bit : TPixelFormat::pf8bit);
      if (c.components == 1) {
        for (int x : {0, 20, 39}) {
          EXPECT_EQ(Channel(b, x, 15, 0), Channel(b, x, 15, 2)) << c.file;
          EXPECT_EQ(Channel(b, x, 15, 1), Channel(b, x, 15, 2)) << c.file;
        }
        EXPECT_LT(Channel(b, 20, 0, 1), 40) << c.file;    // black at the top
        EXPECT_GT(Channel(b, 20, 29, 1), 215) << c.file;  // white at the bottom
      } else {
        const int tol = format == jf24Bit ? 12 : 60;
        // Left half red, right half blue, whichever CMYK convention the file uses.
        EXPECT_NEAR(Channel(b, 2, 4, 2), 255, tol) << c.file;
        EXPECT_NEAR(Channel(b, 2, 4, 0), 0, tol) << c.file;
        EXPECT_NEAR(Channel(b, 13, 4, 0), 255, tol) << c.file;
        EXPECT_NEAR(Channel(b, 13, 4, 2), 0, tol) << c.file;
      }
    }
  }
}

TEST(JpegImage, GrayscaleDecodeOfColourFile) {
  const QByteArray colour = Encode(Gradient(32, 32), 95);
  const QByteArray cmyk = ReadFixture("cmyk_adobe.jpg");
  for (const QByteArray* file : {&colour, &cmyk}) {
    TJPEGImage jpg;
    jpg.SetGrayscale(true);
    jpg.LoadFromMemory(*file);
    const TBitmap& b = jpg.Bitmap();
    ASSERT_EQ(b.PixelFormat(), TPixelFormat::pf24bit);
    for (int y = 0; y < b.Height(); y += 3)
      for (int x = 0; x < b.Width(); x += 3) {
        ASSERT_EQ(Channel(b, x, y, 0), Channel(b, x, y, 1));
        ASSERT_EQ(Channel(b, x, y, 1), Channel(b, x, y, 2));
      }
  }
}

TEST(JpegImage, BrokenFilesRaiseAndKeepTheOldPicture) {
  const QByteArray good = Encode(Gradient(64, 48));
  const QByteArray progressive = Encode(Gradient(64, 48), 90, true);
  const int sos = good.indexOf("\xFF\xDA");
  ASSERT_GT(sos, 0);
  QByteArray zeroWidth = good;
  const int sof = int(zeroWidth.indexOf("\xFF\xC0"));
  zeroWidth[sof + 7] = 0;
  zeroWidth[sof + 8] = 0;
  QByteArray badTables = good;
  badTables[int(badTables.indexOf("\xFF\xC4")) + 4] = char(0xFF);  // Huffman counts past 256 codes
  struct Case {
    const char* name;
    QByteArray bytes;
    bool headerReadable;
  };
  const Case cases[] = {
      {"empty", QByteArray(), false},
      {"not a JPEG", QByteArray("BM\x36\0\0\0\0\0", 8), false},
      {"only SOI", good.left(2), false},
      {"cut in the headers", good.left(sos - 20), false},
      {"cut after the scan header", good.left(sos + 14), true},
      {"cut mid-scan", good.left(good.size() - 200), true},
      {"progressive cut mid-scans", progressive.left(progressive.size() / 2), true},
      {"zero width", zeroWidth, false},
      {"bad Huffman table", badTables, false},
  };
  for (const auto& c : cases) {
    TJPEGImage jpg;
    jpg.Assign(TBitmap(3, 2));
    EXPECT_THROW(jpg.LoadFromMemory(c.bytes), EInvalidGraphic) << c.name;
    EXPECT_EQ(jpg.Width(), 3) << c.name;
    const auto info = ReadJpegInfo(reinterpret_cast<const uint8_t*>(c.bytes.constData()), size_t(c.bytes.size()));
    EXPECT_EQ(info.has_value(), c.headerReadable) << c.name;
  }
  // A frame of 20000 × 20000 with the data of a 64 × 48 picture and its end marker.
  QByteArray huge = good;
  huge[sof + 5] = char(0x4E);
  huge[sof + 6] = char(0x20);
  huge[sof + 7] = char(0x4E);
  huge[sof + 8] = char(0x20);
  TJPEGImage eighth;
  eighth.SetScale(jsEighth);
  EXPECT_THROW(eighth.LoadFromMemory(huge), EInvalidGraphic);
  EXPECT_THROW(TJPEGImage().LoadFromMemory(huge), EInvalidGraphic);  // too large to hold
  try {
    TJPEGImage().LoadFromMemory(good.left(sos + 14));
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), QStringLiteral("Premature end of input file"));
  }
}

TEST(JpegImage, MissingEndMarkerStillGivesThePicture) {
  const QByteArray good = Encode(Gradient(64, 48));
  ASSERT_TRUE(good.endsWith("\xFF\xD9"));
  TJPEGImage jpg;
  jpg.LoadFromMemory(good.left(good.size() - 2));
  EXPECT_EQ(jpg.Width(), 64);
}

TEST(JpegImage, RegistersBothExtensionsAndLoadsByFileName) {
  RegisterBuiltinFormats();
  auto& formats = TPictureFormats::Instance();
  ASSERT_NE(formats.ClassForExtension("JPG"), nullptr);
  EXPECT_EQ(formats.ClassForExtension("jpeg"), formats.ClassForExtension("jpg"));
  EXPECT_EQ(formats.Description("jpeg"), QStringLiteral("JPEG Image File"));
  QTemporaryDir dir;
  const QString path = dir.filePath("picture.JPEG");
  TJPEGImage out;
  out.Assign(Gradient(30, 20));
  out.SaveToFile(path);
  const auto g = formats.LoadFromFile(path);
  EXPECT_EQ(g->Width(), 30);
  EXPECT_EQ(g->Height(), 20);
}
