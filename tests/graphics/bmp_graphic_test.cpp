#include "graphics/bmp_graphic.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>

using namespace graphics;

namespace {

QString fixture(const char* name) { return QStringLiteral(QIVO2_TEST_DATA "/bmp/") + QString::fromUtf8(name); }

QByteArray readFixture(const char* name) {
  QFile f(fixture(name));
  EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name;
  return f.readAll();
}

std::span<const uint8_t> bytesOf(const QByteArray& a) {
  return {reinterpret_cast<const uint8_t*>(a.constData()), size_t(a.size())};
}

TBitmap decode(const QByteArray& a) { return ReadBMP(bytesOf(a)); }

// Every pixel of `b` against the expected picture (a PPM written beside the fixture).
void expectPicture(const TBitmap& b, const char* ppmName) {
  const QImage want(fixture(ppmName));
  ASSERT_FALSE(want.isNull()) << ppmName;
  ASSERT_EQ(b.Width(), want.width());
  ASSERT_EQ(b.Height(), want.height());
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) {
      const TRGBQuad c = b.PixelColor(x, y);
      const QRgb w = want.pixel(x, y);
      ASSERT_EQ(qRgb(c.red, c.green, c.blue), w) << ppmName << " at " << x << "," << y;
    }
}

// A picture with every byte of every row set, so padding and bit order show.
TBitmap pattern(int w, int h, TPixelFormat f) {
  TBitmap b(w, h, f);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      if (f == TPixelFormat::pf24bit) {
        uint8_t* p = b.ScanLine(y) + 3 * x;
        p[0] = uint8_t(x * 37 + y);
        p[1] = uint8_t(y * 91 + 5);
        p[2] = uint8_t(x ^ y);
      } else {
        b.SetPixelIndex(x, y, (x * 3 + y) % (1 << int(f)));
      }
    }
  for (size_t i = 0; i < b.Palette().size(); ++i) b.Palette()[i] = {uint8_t(i), uint8_t(255 - i), uint8_t(i * 7), 0};
  return b;
}

}  // namespace

TEST(BmpRead, EveryVariantGivesThePicture) {
  struct Case {
    const char* file;
    TPixelFormat format;
  };
  const Case cases[] = {
      {"pal1", TPixelFormat::pf1bit},           {"pal2", TPixelFormat::pf8bit},
      {"pal4", TPixelFormat::pf4bit},           {"pal8", TPixelFormat::pf8bit},
      {"pal8_core_header", TPixelFormat::pf8bit}, {"pal4_os2_header", TPixelFormat::pf4bit},
      {"rgb24", TPixelFormat::pf24bit},         {"rgb24_top_down", TPixelFormat::pf24bit},
      {"rgb24_core_header", TPixelFormat::pf24bit}, {"rgb16_555", TPixelFormat::pf24bit},
      {"rgb16_565_bitfields", TPixelFormat::pf24bit}, {"rgb16_4444_alpha_bitfields", TPixelFormat::pf24bit},
      {"rgb32", TPixelFormat::pf24bit},         {"rgb32_v4_bitfields", TPixelFormat::pf24bit},
      {"rgb32_v5_top_down", TPixelFormat::pf24bit}, {"rgb32_v3_masks_unused", TPixelFormat::pf24bit},
      {"rle8", TPixelFormat::pf8bit},           {"rle4", TPixelFormat::pf4bit},
      {"rle8_delta", TPixelFormat::pf8bit},
      {"palette_index_past_colour_count", TPixelFormat::pf8bit},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string name = std::string(c.file) + ".bmp";
    const TBitmap b = decode(readFixture(name.c_str()));
    EXPECT_EQ(b.PixelFormat(), c.format);
    if (c.format != TPixelFormat::pf24bit) {
      EXPECT_EQ(b.Palette().size(), size_t(1) << int(c.format));
    }
    expectPicture(b, (std::string(c.file) + ".ppm").c_str());
  }
}

TEST(BmpRead, DamagedFilesAreRejectedWithAReason) {
  struct Case {
    const char* file;
    const char* reason;  // part of the message
  };
  const Case cases[] = {
      {"size_overflow_width_height_bits.bmp", "too large"},
      {"size_overflow_huge_width.bmp", "too large"},
      {"size_overflow_height_int_min.bmp", "too large"},
      {"size_zero_height.bmp", "height is zero"},
      {"size_negative_width.bmp", "not positive"},
      {"rle8_run_past_row.bmp", "passes the end of row"},
      {"rle8_absolute_past_row.bmp", "passes the end of row"},
      {"rle8_run_past_picture.bmp", "past the end of the picture"},
      {"rle8_delta_past_picture.bmp", "delta moves past"},
      {"rle4_run_past_row.bmp", "passes the end of row"},
      {"rle8_truncated.bmp", "truncated"},
      {"rle_compression_bit_count_mismatch.bmp", "not supported"},
      {"bitfields_zero_mask.bmp", "mask is zero"},
      {"bitfields_overlapping_masks.bmp", "overlap"},
      {"bitfields_mask_wider_than_pixel.bmp", "wider than the pixel"},
      {"bitfields_masks_truncated.bmp", "masks truncated"},
      {"header_size_lies_past_file.bmp", "past the end of the file"},
      {"header_size_unknown.bmp", "unknown header size"},
      {"data_offset_past_file.bmp", "past the end of the file"},
      {"data_offset_inside_header.bmp", "inside the header"},
      {"truncated_pixel_data.bmp", "truncated"},
      {"truncated_info_header.bmp", "past the end of the file"},
      {"truncated_file_header.bmp", "truncated"},
      {"no_signature.bmp", "signature"},
      {"embedded_png_unsupported.bmp", "not supported"},
      {"bit_count_unsupported.bmp", "not supported"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    try {
      decode(readFixture(c.file));
      ADD_FAILURE() << "accepted";
    } catch (const EInvalidGraphic& e) {
      EXPECT_NE(e.Message().indexOf(QString::fromUtf8(c.reason)), -1) << e.what();
      EXPECT_TRUE(e.Message().startsWith("Invalid BMP file: ")) << e.what();
    }
  }
}

TEST(BmpRead, EveryCutOfAnUncompressedFileIsRejected) {
  for (const char* name : {"pal1.bmp", "pal8_core_header.bmp", "rgb16_565_bitfields.bmp", "rgb32_v5_top_down.bmp"}) {
    const QByteArray whole = readFixture(name);
    for (qsizetype n = 0; n < whole.size(); ++n)
      EXPECT_THROW(decode(whole.left(n)), EInvalidGraphic) << name << " cut at " << n;
  }
}

TEST(BmpRead, CutsOfRleFilesNeverReadPastTheData) {
  // A cut is refused, or, once every row is in (the end marker is optional), it is the
  // whole picture; any longer cut then decodes too.
  for (const char* name : {"rle8.bmp", "rle4.bmp", "rle8_delta.bmp"}) {
    SCOPED_TRACE(name);
    const QByteArray whole = readFixture(name);
    const TBitmap want = decode(whole);
    qsizetype firstWhole = -1;
    for (qsizetype n = 0; n < whole.size(); ++n) {
      const QByteArray cut = whole.left(n);  // its own allocation, so ASan sees any overread
      try {
        const TBitmap got = decode(cut);
        EXPECT_EQ(got, want) << "cut at " << n;
        if (firstWhole < 0) firstWhole = n;
      } catch (const EInvalidGraphic&) {
        EXPECT_LT(firstWhole, 0) << "cut at " << n << " refused after the cut at " << firstWhole << " decoded";
      }
    }
    // Only the end marker (two bytes) may be missing, and only after a last end of line.
    EXPECT_TRUE(firstWhole < 0 || firstWhole == whole.size() - 2) << firstWhole;
  }
}

TEST(BmpRead, DecodedBufferLimitIsHonoured) {
  const QByteArray rgb = readFixture("rgb24.bmp");
  EXPECT_THROW(ReadBMP(bytesOf(rgb), 16), EInvalidGraphic);
  EXPECT_NO_THROW(ReadBMP(bytesOf(rgb), 1024));
}

TEST(BmpWrite, RoundTripsEveryWrittenFormat) {
  const TPixelFormat formats[] = {TPixelFormat::pf24bit, TPixelFormat::pf8bit, TPixelFormat::pf4bit,
                                  TPixelFormat::pf1bit};
  for (TPixelFormat f : formats)
    for (int w : {1, 2, 3, 5, 33})
      for (int h : {1, 4}) {
        SCOPED_TRACE(testing::Message() << int(f) << " bits " << w << "x" << h);
        const TBitmap b = pattern(w, h, f);
        const QByteArray file = WriteBMP(b);
        const size_t headers = 14 + 40 + (f == TPixelFormat::pf24bit ? 0 : 4 * (size_t(1) << int(f)));
        EXPECT_EQ(size_t(file.size()), headers + b.Stride() * size_t(h));
        const TBitmap back = decode(file);
        EXPECT_EQ(back, b);
      }
}

TEST(BmpWrite, ShortPaletteIsWrittenAsColoursUsed) {
  TBitmap b = pattern(4, 2, TPixelFormat::pf8bit);
  b.Palette().resize(3);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) b.SetPixelIndex(x, y, (x + y) % 3);
  const QByteArray file = WriteBMP(b);
  EXPECT_EQ(file.size(), 14 + 40 + 4 * 3 + 4 * 2);
  const TBitmap back = decode(file);
  EXPECT_EQ(back.To24(), b.To24());
  EXPECT_THROW(WriteBMP(TBitmap()), EInvalidGraphic);
}

TEST(BmpGraphic, StreamsReadFromTheirPositionAndFilesSaveInPlace) {
  QByteArray data = "junk" + WriteBMP(pattern(3, 2, TPixelFormat::pf24bit));
  QBuffer buf(&data);
  ASSERT_TRUE(buf.open(QIODevice::ReadOnly));
  buf.seek(4);
  TBMPGraphic g;
  g.LoadFromStream(buf);
  EXPECT_EQ(g.Bitmap(), pattern(3, 2, TPixelFormat::pf24bit));

  const QString path = QDir::tempPath() + "/qivo2_bmp_graphic_test.bmp";
  g.SaveToFile(path);
  TBMPGraphic h;
  h.LoadFromFile(path);
  EXPECT_EQ(h.Bitmap(), g.Bitmap());
  QFile::remove(path);
  EXPECT_THROW(h.LoadFromFile(path), EInvalidGraphic);
}
