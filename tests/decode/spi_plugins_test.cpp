// The plug-ins we ship (ifgif.spi, iftga.spi) decode their fixtures to the expected pixels.
#include "decode/spi_plugin_list.h"
#include "decode/spi_support.h"
#include "spi_test_util.h"

using namespace decode;
using namespace spitest;

namespace {

// The fixtures' pattern: pixel (x, y) = red 50x, green 100y, blue 200 - 40x (5 × 3).
void ExpectPattern(const graphics::TBitmap& bm) {
  ASSERT_EQ(bm.Width(), 5);
  ASSERT_EQ(bm.Height(), 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) {
      const auto c = bm.PixelColor(x, y);
      EXPECT_EQ(c.red, 50 * x) << x << "," << y;
      EXPECT_EQ(c.green, 100 * y) << x << "," << y;
      EXPECT_EQ(c.blue, 200 - 40 * x) << x << "," << y;
    }
}

struct Pixel {
  int x, y;
  uint8_t b, g, r;
};

class ShippedPluginsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(list_.AddPlugin(QIVO2_IFGIF_SPI), 0);
    ASSERT_EQ(list_.AddPlugin(QIVO2_IFTGA_SPI), 1);
  }
  TSPlugin list_;
};

TEST_F(ShippedPluginsTest, PatternFixtures) {
  for (const char* name : {"pattern.tga", "pattern_rle.tga", "pattern_mapped.tga", "pattern_mapped_rle.tga",
                           "pattern.gif", "pattern_interlaced.gif"}) {
    SCOPED_TRACE(name);
    graphics::TBitmap bm;
    ASSERT_EQ(list_.GetBitmap(DataFile(name), bm), 0);
    ExpectPattern(bm);
  }
}

TEST_F(ShippedPluginsTest, EdgeFixtures) {
  struct Case {
    const char* name;
    int w, h;
    std::vector<Pixel> pixels;
  } cases[] = {
      // Grey (netpbm ppmtopgm values), bottom-up rows: the file's first row is the bottom one.
      {"gray.tga", 5, 3, {{0, 2, 140, 140, 140}, {4, 2, 182, 182, 182}, {0, 0, 23, 23, 23}}},
      // A run of 128 in a 2 × 2 picture stops at the picture's end.
      {"rle_run_past_end.tga", 2, 2, {{0, 0, 10, 20, 30}, {1, 0, 10, 20, 30}, {0, 1, 10, 20, 30}, {1, 1, 10, 20, 30}}},
      // Indexes 5 and 255 of a 2-entry map are black.
      {"mapped_index_past_map.tga", 2, 2, {{0, 0, 0, 0, 255}, {1, 0, 0, 255, 0}, {0, 1, 0, 0, 0}, {1, 1, 0, 0, 0}}},
      // The transparent pixel shows the background colour (red), not its own (black).
      {"transparent.gif", 3, 2, {{0, 0, 0, 0, 255}, {1, 0, 0, 0, 255}, {2, 1, 0, 0, 255}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    graphics::TBitmap bm;
    ASSERT_EQ(list_.GetBitmap(DataFile(c.name), bm), 0);
    ASSERT_EQ(bm.Width(), c.w);
    ASSERT_EQ(bm.Height(), c.h);
    for (const auto& p : c.pixels) {
      const auto got = bm.PixelColor(p.x, p.y);
      EXPECT_EQ(got, (graphics::TRGBQuad{p.b, p.g, p.r, 0})) << p.x << "," << p.y;
    }
  }
}

TEST_F(ShippedPluginsTest, DamagedFilesFailCleanly) {
  QTemporaryDir dir;
  const QByteArray gif = [] {
    QFile f(DataFile("pattern.gif"));
    f.open(QIODevice::ReadOnly);
    return f.readAll();
  }();
  struct Case {
    const char* name;
    QByteArray bytes;
  } cases[] = {
      {"header_only.gif", gif.left(13)},
      {"empty.gif", QByteArray()},
      {"header_only.tga", QByteArray("\0\0\2\0\0\0\0\0\0\0\0\0\5\0\3\0\30\0", 18).left(17)},
      {"huge.tga", QByteArray("\0\0\12\0\0\0\0\0\0\0\0\0\377\377\377\377\30\0\377\0\0\0", 22)},
  };
  for (const auto& c : cases) {
    graphics::TBitmap bm;
    EXPECT_NE(list_.GetBitmap(WriteFile(dir.filePath(c.name), c.bytes), bm), 0) << c.name;
  }
}

// A file that ends inside the picture is broken data: converting it must not give a
// picture with black where the rest was.
TEST_F(ShippedPluginsTest, FilesCutShortAreBrokenData) {
  QTemporaryDir dir;
  auto fixture = [](const char* name) {
    QFile f(DataFile(name));
    f.open(QIODevice::ReadOnly);
    return f.readAll();
  };
  struct Case {
    const char* name;
    QByteArray bytes;
  } cases[] = {
      {"truncated.tga", fixture("truncated.tga")},  // top-down raw, one pixel of four
      {"raw.tga", fixture("pattern.tga").chopped(1)},
      {"rle.tga", fixture("pattern_rle.tga").chopped(2)},
      {"mapped_rle.tga", fixture("pattern_mapped_rle.tga").chopped(1)},
      {"lzw_data.gif", fixture("pattern.gif").left(0x56)},
      {"interlaced.gif", fixture("pattern_interlaced.gif").chopped(6)},
  };
  for (const auto& c : cases) {
    graphics::TBitmap bm;
    EXPECT_EQ(list_.GetBitmap(WriteFile(dir.filePath(c.name), c.bytes), bm), SPI_OUT_OF_ORDER) << c.name;
    EXPECT_TRUE(bm.Empty()) << c.name;
  }
}

// The checked conversion of a plug-in's BITMAPINFO.
QByteArray Info(int w, int h, int bits, uint32_t compression = 0, uint32_t used = 0, int tableEntries = 0) {
  SpiBitmapInfoHeader hd{};
  hd.biSize = 40;
  hd.biWidth = w;
  hd.biHeight = h;
  hd.biPlanes = 1;
  hd.biBitCount = uint16_t(bits);
  hd.biCompression = compression;
  hd.biClrUsed = used;
  QByteArray out(reinterpret_cast<const char*>(&hd), sizeof hd);
  for (int i = 0; i < tableEntries; ++i) out += QByteArray::fromHex("10203000");
  return out;
}

TEST(DibToBitmap, ChecksHeaderAgainstBits) {
  QByteArray masks565 = Info(2, 1, 16, SPI_BI_BITFIELDS);
  masks565 += QByteArray::fromHex("00f80000e00700001f000000");
  struct Case {
    const char* what;
    QByteArray info;
    int bitsSize;
    bool ok;
  } cases[] = {
      {"24-bit exact", Info(3, 2, 24), 2 * 12, true},
      {"24-bit top-down", Info(3, -2, 24), 2 * 12, true},
      {"bits one byte short", Info(3, 2, 24), 2 * 12 - 1, false},
      {"8-bit with table", Info(4, 1, 8, 0, 2, 2), 4, true},
      {"8-bit table missing", Info(4, 1, 8, 0, 2, 1), 4, false},
      {"8-bit, colours used past 256 taken as 256", Info(4, 1, 8, 0, 300, 256), 4, true},
      {"4-bit full table", Info(3, 1, 4, 0, 0, 16), 4, true},
      {"1-bit", Info(9, 1, 1, 0, 0, 2), 4, true},
      {"16-bit 555", Info(2, 1, 16), 4, true},
      {"16-bit masks", masks565, 4, true},
      {"16-bit masks missing", Info(2, 1, 16, SPI_BI_BITFIELDS), 4, false},
      {"16-bit masks all zero", Info(2, 1, 16, SPI_BI_BITFIELDS) + QByteArray(12, 0), 4, false},
      {"32-bit", Info(1, 1, 32), 4, true},
      {"RLE8 refused", Info(1, 1, 8, 1, 0, 256), 4, false},
      {"2-bit refused", Info(1, 1, 2, 0, 0, 4), 4, false},
      {"zero width", Info(0, 1, 24), 4, false},
      {"negative width", Info(-1, 1, 24), 4, false},
      {"zero height", Info(1, 0, 24), 4, false},
      {"height -2^31", Info(1, INT32_MIN, 24), 4, false},
      {"huge", Info(1 << 20, 1 << 20, 24), 4, false},
      {"header size past block", Info(1, 1, 24).replace(0, 1, "\x80"), 4, false},
      {"header size below 40", Info(1, 1, 24).replace(0, 1, "\x0c"), 4, false},
      {"short header", Info(1, 1, 24).left(30), 4, false},
  };
  for (const auto& c : cases) {
    std::vector<uint8_t> bits(size_t(c.bitsSize), 0x55);
    graphics::TBitmap bm;
    TDibHeader h;
    const bool ok = DibToBitmap({reinterpret_cast<const uint8_t*>(c.info.constData()), size_t(c.info.size())},
                                bits, bm, &h);
    EXPECT_EQ(ok, c.ok) << c.what;
    if (ok) {
      EXPECT_LE(h.infoSize, size_t(c.info.size())) << c.what;
      EXPECT_LE(h.bitsSize, bits.size()) << c.what;
    }
  }
}

TEST(DibToBitmap, ConvertsRowsAndColours) {
  // 2 × 2, 16-bit 565, bottom-up: bottom row red and green, top row blue and white.
  QByteArray info = Info(2, 2, 16, SPI_BI_BITFIELDS);
  info += QByteArray::fromHex("00f80000e00700001f000000");
  const std::vector<uint8_t> bits = {0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0xFF, 0xFF};
  graphics::TBitmap bm;
  ASSERT_TRUE(DibToBitmap({reinterpret_cast<const uint8_t*>(info.constData()), size_t(info.size())}, bits, bm));
  EXPECT_EQ(bm.PixelColor(0, 1), (graphics::TRGBQuad{0, 0, 255, 0}));
  EXPECT_EQ(bm.PixelColor(1, 1), (graphics::TRGBQuad{0, 255, 0, 0}));
  EXPECT_EQ(bm.PixelColor(0, 0), (graphics::TRGBQuad{255, 0, 0, 0}));
  EXPECT_EQ(bm.PixelColor(1, 0), (graphics::TRGBQuad{255, 255, 255, 0}));

  // 8-bit keeps its palette; indexes past the table read black.
  const QByteArray pal = Info(2, 1, 8, 0, 1, 1);
  const std::vector<uint8_t> idx = {0, 7, 0, 0};
  ASSERT_TRUE(DibToBitmap({reinterpret_cast<const uint8_t*>(pal.constData()), size_t(pal.size())}, idx, bm));
  EXPECT_EQ(bm.PixelFormat(), graphics::TPixelFormat::pf8bit);
  EXPECT_EQ(bm.PixelColor(0, 0), (graphics::TRGBQuad{0x10, 0x20, 0x30, 0}));
  EXPECT_EQ(bm.PixelColor(1, 0), (graphics::TRGBQuad{0, 0, 0, 0}));
}

}  // namespace
