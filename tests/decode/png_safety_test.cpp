// Hostile and damaged files: decompression bombs, absurd sizes, truncation, lengths past
// the end and palette indices past the palette end in a clear error or a quiet fallback.
#include <gtest/gtest.h>

#include "decode/png_graphic.h"
#include "png_test_util.h"

using decode::TQVPNG;
using graphics::TRGBQuad;
using namespace pngtest;

namespace {

QByteArray greyRows(int w, int h) {
  QByteArray raw;
  for (int y = 0; y < h; ++y) {
    raw.append('\0');
    for (int x = 0; x < w; ++x) raw.append(char(x + y));
  }
  return raw;
}

}  // namespace

// A small IDAT that inflates far beyond what IHDR promises: only the promised rows are
// inflated, so the damaged tail past them is never reached.
TEST(PngSafety, IdatBombInflatesOnlyWhatHeaderPromises) {
  QByteArray stream = deflate(greyRows(16, 16) + QByteArray(16 << 20, '\0'));
  ASSERT_LT(stream.size(), 32 * 1024);
  for (int i = 1; i <= 8; ++i) stream[stream.size() - 4 - i] = char(0xA5);  // spoil the tail
  const QByteArray file = signature() + ihdr(16, 16, 8, 0) + chunk("IDAT", stream) + iend();
  TQVPNG png;
  ASSERT_NO_THROW(loadBytes(png, file));
  EXPECT_EQ(png.Bitmap().PixelIndex(15, 15), 30);
}

TEST(PngSafety, TextBombIsDropped) {
  const QByteArray bomb = QByteArray("Comment\0\0", 9) + deflate(QByteArray(16 << 20, 'a'));
  const QByteArray file = signature() + ihdr(2, 2, 8, 0) + chunk("zTXt", bomb) +
                          chunk("IDAT", deflate(greyRows(2, 2))) + iend();
  TQVPNG png;
  ASSERT_NO_THROW(loadBytes(png, file));
  EXPECT_TRUE(png.Info().Comment.isEmpty());
}

TEST(PngSafety, SizesAndLengthsFromOutside) {
  const QByteArray pixel = chunk("IDAT", deflate(greyRows(1, 1)));
  struct T {
    const char* what;
    QByteArray file;
    const char* message;
  };
  const T cases[] = {
      {"pixel buffer too large", signature() + ihdr(1000000, 1000000, 8, 2) + pixel + iend(),
       "Read Header(PNG): Error Image Size"},
      {"width past 2^31", signature() + ihdr(0xFFFFFFFFu, 1, 8, 0) + pixel + iend(),
       "Read Header(PNG): Error Image Size"},
      // 400 MB of pixels promised by a few bytes: refused before allocating.
      {"large picture, tiny data", signature() + ihdr(20000, 20000, 8, 0) + pixel + iend(),
       "Read Image (PNG): Read Error"},
      {"chunk length past the end", signature() + ihdr(1, 1, 8, 0) + be32(0x7FFFFFF0) + "IDAT" + "abc",
       "Read Image (PNG): Read Error"},
      {"chunk length 2^32-1", signature() + ihdr(1, 1, 8, 0) + be32(0xFFFFFFFFu) + "IDAT" + "abc",
       "Read Image (PNG): Read Error"},
      {"short IHDR", signature() + chunk("IHDR", QByteArray(5, '\1')) + pixel + iend(),
       "Read Image (PNG): Read Error"},
  };
  for (const T& t : cases) EXPECT_EQ(loadError(t.file), t.message) << t.what;
}

// Every prefix of a file either loads or raises our error; none crashes or hangs.
TEST(PngSafety, TruncatedAtEveryByte) {
  for (const char* name : {"g8_i.png", "rgba16.png", "p2_i.png", "rgb8_ancillary_split_idat.png"}) {
    const QByteArray file = readFile(dataPath(name));
    ASSERT_FALSE(file.isEmpty());
    int loaded = 0;
    for (qsizetype n = 0; n < file.size(); ++n) {
      TQVPNG png;
      try {
        loadBytes(png, file.left(n));
        ++loaded;
      } catch (const decode::EQVPNG&) {
      }
    }
    // Only prefixes that still hold every row may load (IEND missing is tolerated); the
    // zlib stream's last bytes (checksum) and the chunk's CRC are not needed.
    const qsizetype idat = file.lastIndexOf("IDAT");
    const qsizetype idatEnd = idat + 4 + qsizetype(uint8_t(file[idat - 2])) * 256 + uint8_t(file[idat - 1]);
    EXPECT_LE(loaded, file.size() - idatEnd + 8) << name;
    EXPECT_GE(loaded, file.size() - idatEnd) << name;
  }
}

TEST(PngSafety, PaletteIndexPastPaletteReadsBlack) {
  // Two palette entries, indices 0..255.
  QByteArray raw;
  raw.append('\0');
  for (int x = 0; x < 256; ++x) raw.append(char(x));
  const QByteArray plte = chunk("PLTE", QByteArray("\x10\x20\x30\x40\x50\x60", 6));
  const QByteArray trns = chunk("tRNS", QByteArray(300, '\x80'));  // longer than the palette
  const QByteArray file = signature() + ihdr(256, 1, 8, 3) + plte + trns + chunk("IDAT", deflate(raw)) + iend();
  TQVPNG png;
  ASSERT_NO_THROW(loadBytes(png, file));
  const auto& b = png.Bitmap();
  EXPECT_EQ(b.PixelColor(1, 0), (TRGBQuad{0x60, 0x50, 0x40, 0}));
  EXPECT_EQ(b.PixelColor(200, 0), TRGBQuad{});
  ASSERT_TRUE(png.HasMask());
  EXPECT_EQ(png.Mask().ScanLine(0)[1], 0x80);
  EXPECT_EQ(png.Mask().ScanLine(0)[200], 0x80);
  EXPECT_NO_THROW(b.AsQImage());
}

TEST(PngSafety, PaletteImageWithoutPaletteIsBlack) {
  const QByteArray file = signature() + ihdr(4, 1, 8, 3) + chunk("IDAT", deflate(greyRows(4, 1))) + iend();
  TQVPNG png;
  ASSERT_NO_THROW(loadBytes(png, file));
  EXPECT_EQ(png.Bitmap().PixelColor(3, 0), TRGBQuad{});
}

TEST(PngSafety, MissingIendAndCrcAreTolerated) {
  QByteArray idat = chunk("IDAT", deflate(greyRows(3, 2)));
  idat[idat.size() - 1] = char(idat[idat.size() - 1] ^ 0xFF);  // CRCs are not checked
  TQVPNG png;
  ASSERT_NO_THROW(loadBytes(png, signature() + ihdr(3, 2, 8, 0) + idat));
  EXPECT_EQ(png.Bitmap().PixelIndex(2, 1), 3);
}
