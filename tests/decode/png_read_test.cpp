// Decoding of fixtures written by tests/data/png/make_fixtures.py (checked against
// ImageMagick when generated) and by ImageMagick itself.
#include <gtest/gtest.h>

#include <QBuffer>
#include <array>

#include "decode/png_graphic.h"
#include "graphics/picture_formats.h"
#include "png_test_util.h"

using decode::TQVPNG;
using graphics::TPixelFormat;
using graphics::TRGBQuad;
using namespace pngtest;

namespace {

constexpr int kW = 13, kH = 9;

// Mirror of sample() in make_fixtures.py.
int sample(int x, int y, int c, int depth) {
  const int v = x * 7 + y * 13 + c * 29 + x * y * 3;
  if (depth == 16) return (v * 2531 + c * 17 + 1) % 65536;
  return v % (1 << depth);
}
// 8-bit value the reader keeps of a sample.
uint8_t kept(int v, int depth) { return depth == 16 ? uint8_t(v >> 8) : uint8_t(v); }
TRGBQuad paletteEntry(int i) { return TRGBQuad{uint8_t(255 - i), uint8_t((i * 7 + 1) % 256), uint8_t((i * 3) % 256), 0}; }
TRGBQuad grey(int v) { return TRGBQuad{uint8_t(v), uint8_t(v), uint8_t(v), 0}; }

enum Kind { Grey, Rgb, Palette, GreyAlpha, Rgba };

struct Case {
  const char* base;
  Kind kind;
  int depth;
  TPixelFormat format;
};

const Case kCases[] = {
    {"g1", Grey, 1, TPixelFormat::pf1bit},        {"g2", Grey, 2, TPixelFormat::pf4bit},
    {"g4", Grey, 4, TPixelFormat::pf4bit},        {"g8", Grey, 8, TPixelFormat::pf8bit},
    {"g16", Grey, 16, TPixelFormat::pf8bit},      {"ga8", GreyAlpha, 8, TPixelFormat::pf8bit},
    {"ga16", GreyAlpha, 16, TPixelFormat::pf8bit}, {"p1", Palette, 1, TPixelFormat::pf1bit},
    {"p2", Palette, 2, TPixelFormat::pf4bit},     {"p4", Palette, 4, TPixelFormat::pf4bit},
    {"p8", Palette, 8, TPixelFormat::pf8bit},     {"rgb8", Rgb, 8, TPixelFormat::pf24bit},
    {"rgb16", Rgb, 16, TPixelFormat::pf24bit},    {"rgba8", Rgba, 8, TPixelFormat::pf24bit},
    {"rgba16", Rgba, 16, TPixelFormat::pf24bit},
};

TRGBQuad expectedColor(const Case& c, int x, int y) {
  switch (c.kind) {
    case Palette: return paletteEntry(sample(x, y, 0, c.depth));
    case Grey:
    case GreyAlpha: {
      const int s = sample(x, y, 0, c.depth);
      return grey(c.depth >= 8 ? kept(s, c.depth) : s * 255 / ((1 << c.depth) - 1));
    }
    default:
      return TRGBQuad{kept(sample(x, y, 2, c.depth), c.depth), kept(sample(x, y, 1, c.depth), c.depth),
                      kept(sample(x, y, 0, c.depth), c.depth), 0};
  }
}

TQVPNG load(const QString& name) {
  TQVPNG png;
  png.LoadFromFile(dataPath(name));
  return png;
}

}  // namespace

TEST(PngRead, EveryColourTypeAndDepthPlainAndInterlaced) {
  for (const Case& c : kCases) {
    for (const char* suffix : {"", "_i"}) {
      const QString name = QString::fromLatin1(c.base) + suffix + ".png";
      SCOPED_TRACE(name.toStdString());
      const TQVPNG png = load(name);
      const auto& b = png.Bitmap();
      ASSERT_EQ(b.Width(), kW);
      ASSERT_EQ(b.Height(), kH);
      EXPECT_EQ(b.PixelFormat(), c.format);
      EXPECT_FALSE(b.Transparent);
      const bool alpha = c.kind == GreyAlpha || c.kind == Rgba;
      ASSERT_EQ(png.HasMask(), alpha);
      for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
          const TRGBQuad got = b.PixelColor(x, y);
          ASSERT_EQ(got, expectedColor(c, x, y)) << "at " << x << "," << y;
          if (c.kind == Palette || c.kind == Grey) {
            ASSERT_EQ(b.PixelIndex(x, y), c.depth == 16 ? kept(sample(x, y, 0, 16), 16) : sample(x, y, 0, c.depth));
          }
          if (alpha) {
            ASSERT_EQ(png.Mask().ScanLine(y)[x], kept(sample(x, y, 3, c.depth), c.depth));
          }
        }
    }
  }
}

TEST(PngRead, MaskIsEightBitGrey) {
  const TQVPNG png = load("rgba8.png");
  EXPECT_EQ(png.Mask().PixelFormat(), TPixelFormat::pf8bit);
  EXPECT_EQ(png.Mask().Palette()[200], grey(200));
  const QImage image = png.ToImage();
  EXPECT_EQ(image.format(), QImage::Format_ARGB32);
  EXPECT_EQ(qAlpha(image.pixel(3, 2)), sample(3, 2, 3, 8));
}

TEST(PngRead, TransparencyChunk) {
  struct T {
    const char* file;
    bool transparent;
    TRGBQuad color;
    bool mask;
  };
  const T cases[] = {
      {"g8_trns.png", true, grey(sample(0, 0, 0, 8)), false},
      {"g2_trns.png", true, grey(170), false},  // sample 2 of 0..3
      {"g16_trns.png", true, grey(0x12), false},
      {"rgb8_trns.png", true, TRGBQuad{30, 20, 10, 0}, false},
      {"rgb16_trns.png", true, TRGBQuad{0x9A, 0x56, 0x12, 0}, false},
      {"p4_trns_single.png", true, paletteEntry(2), false},
      {"p4_trns_mask.png", false, {}, true},
      {"p8_trns_after_idat_ignored.png", false, {}, false},
      {"rgba8_trns_ignored.png", false, {}, true},
  };
  for (const T& t : cases) {
    SCOPED_TRACE(t.file);
    const TQVPNG png = load(t.file);
    EXPECT_EQ(png.Bitmap().Transparent, t.transparent);
    if (t.transparent) {
      EXPECT_EQ(png.Bitmap().TransparentColor, t.color);
    }
    EXPECT_EQ(png.HasMask(), t.mask);
  }
}

TEST(PngRead, PaletteAlphaBecomesMask) {
  const TQVPNG png = load("p4_trns_mask.png");
  const std::array<int, 16> alpha = {255, 128, 0, 64, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255};
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) ASSERT_EQ(png.Mask().ScanLine(y)[x], alpha[size_t(sample(x, y, 0, 4))]);
}

TEST(PngRead, AncillaryChunksAndSplitIdat) {
  const TQVPNG png = load("rgb8_ancillary_split_idat.png");
  const auto& info = png.Info();
  EXPECT_EQ(png.Bitmap().PixelColor(5, 4), expectedColor(kCases[11], 5, 4));
  EXPECT_TRUE(info.HasGamma);
  EXPECT_DOUBLE_EQ(info.Gamma, 0.45455);
  ASSERT_TRUE(info.HasChromaticities);
  EXPECT_DOUBLE_EQ(info.Chromaticities.whiteX, 0.3127);
  EXPECT_DOUBLE_EQ(info.Chromaticities.blueY, 0.06);
  EXPECT_EQ(info.SignificantBitsCount, 3);
  EXPECT_EQ(info.SignificantBits[1], 6);
  ASSERT_TRUE(info.HasPhysical);
  EXPECT_EQ(info.Physical, (decode::TQVPNGPhysical{2835, 2834, 1}));
  EXPECT_EQ(info.Time, QDateTime(QDate(2024, 2, 29), QTime(12, 34, 56), Qt::UTC));
  ASSERT_TRUE(info.HasBackground);
  EXPECT_EQ(info.Background, (TRGBQuad{3, 2, 1, 0}));
  ASSERT_TRUE(info.HasGifControl);
  EXPECT_EQ(info.GifControl, (decode::TQVPNGGifControl{2, 1, 300}));
  // tEXt "Title" is not a comment; the zTXt comment is Latin-1.
  EXPECT_EQ(info.Comment, QString::fromUtf8("Hello\r\n\r\ncaf\u00e9\r\n"));
}

TEST(PngRead, IndependentEncoderFiles) {
  const QByteArray expected = readFile(dataPath("im_plasma_rgb.rgb"));
  const QByteArray expectedPalette = readFile(dataPath("im_plasma_p8.rgb"));
  struct T {
    const char* file;
    const QByteArray* rgb;
    TPixelFormat format;
  };
  for (const T& t : {T{"im_plasma_rgb.png", &expected, TPixelFormat::pf24bit},
                     T{"im_plasma_rgb_i.png", &expected, TPixelFormat::pf24bit},
                     T{"im_plasma_p8.png", &expectedPalette, TPixelFormat::pf8bit}}) {
    SCOPED_TRACE(t.file);
    const TQVPNG png = load(t.file);
    const auto& b = png.Bitmap();
    ASSERT_EQ(b.Width() * b.Height() * 3, t.rgb->size());
    EXPECT_EQ(b.PixelFormat(), t.format);
    const auto* p = reinterpret_cast<const uint8_t*>(t.rgb->constData());
    for (int y = 0; y < b.Height(); ++y)
      for (int x = 0; x < b.Width(); ++x, p += 3) ASSERT_EQ(b.PixelColor(x, y), (TRGBQuad{p[2], p[1], p[0], 0}));
  }
}

TEST(PngRead, CommentsAccumulateWithLineBreaks) {
  const QByteArray file = signature() + ihdr(1, 1, 8, 0) + chunk("tEXt", QByteArray("Comment\0one", 11)) +
                          chunk("tEXt", QByteArray("Comment\0", 8) + QByteArray("\xe6\x97\xa5", 3)) +
                          chunk("IDAT", deflate(QByteArray(2, '\0'))) + iend();
  TQVPNG png;
  loadBytes(png, file);
  EXPECT_EQ(png.Info().Comment, QString::fromUtf8("one\r\n\r\n\u65e5\r\n"));
}

TEST(PngRead, LoadKeepsTimeWhenFileHasNoneAndLeavesStreamAfterIend) {
  TQVPNG png;
  const QDateTime before = png.Info().Time;
  QByteArray bytes = readFile(dataPath("g8.png"));
  const qsizetype size = bytes.size();
  bytes.append("TRAILER");
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  png.LoadFromStream(buffer);
  EXPECT_EQ(buffer.pos(), size);
  EXPECT_EQ(png.Info().Time, before);
  EXPECT_FALSE(png.Info().HasGamma);
}

TEST(PngRead, RegisteredWithPictureFormats) {
  decode::RegisterPngFormat();
  auto& formats = graphics::TPictureFormats::Instance();
  EXPECT_EQ(formats.Description("PNG"), "PNG Format");
  const auto g = formats.LoadFromFile(dataPath("p8.png"));
  ASSERT_NE(dynamic_cast<TQVPNG*>(g.get()), nullptr);
  EXPECT_EQ(g->Width(), kW);
}
