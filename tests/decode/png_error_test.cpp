// Every error of the reader and the writer's parameter check, each from a crafted file.
#include <gtest/gtest.h>

#include "decode/png_graphic.h"
#include "png_test_util.h"

using decode::TQVPNG;
using namespace pngtest;

namespace {

QByteArray greyPixel() { return chunk("IDAT", deflate(QByteArray(2, '\0'))) + iend(); }

QByteArray withHeader(int depth, int colorType, int compression = 0, int filter = 0, int interlace = 0) {
  return signature() + ihdr(1, 1, depth, colorType, compression, filter, interlace) + greyPixel();
}

}  // namespace

TEST(PngErrors, EachMessageFromACraftedFile) {
  QByteArray brokenZlib = deflate(QByteArray(2, '\0'));
  brokenZlib[2] = char(0xFF);  // reserved block type
  QByteArray twoHeaders = signature() + ihdr(1, 1, 8, 0) + ihdr(1, 1, 8, 0) + greyPixel();
  struct T {
    const char* what;
    QByteArray file;
    const char* message;
  };
  const T cases[] = {
      {"bad signature", QByteArray("\x89PNH\r\n\x1a\n", 8) + ihdr(1, 1, 8, 0) + greyPixel(),
       "PNG LoadStream: Not PNG Format"},
      {"empty file", QByteArray(), "PNG LoadStream: Not PNG Format"},
      {"two IHDR", twoHeaders, "Read Header(PNG): appear two IHDR"},
      {"colour type 1", withHeader(8, 1), "Read Header(PNG): Error ColorType"},
      {"colour type 5", withHeader(8, 5), "Read Header(PNG): Error ColorType"},
      {"colour type 7", withHeader(8, 7), "Read Header(PNG): Error ColorType"},
      {"compression 2", withHeader(8, 0, 2), "Read Header(PNG): not support Compression"},
      {"filter 2", withHeader(8, 0, 0, 2), "Read Header(PNG): not supprt Filter"},
      {"interlace 2", withHeader(8, 0, 0, 0, 2), "Read Header(PNG): not interlace type"},
      {"grey depth 3", withHeader(3, 0), "Read Header(PNG): Error Bitdepth"},
      {"grey depth 32", withHeader(32, 0), "Read Header(PNG): Error Bitdepth"},
      {"grey alpha depth 4", withHeader(4, 4), "Read Header(PNG): not Use AlphaChannel"},
      {"rgb depth 4", withHeader(4, 2), "Read Header(PNG): Error BitDepth"},
      {"rgba depth 1", withHeader(1, 6), "Read Header(PNG): Error BitDepth"},
      {"palette depth 16", withHeader(16, 3), "Read Header(PNG): Error BitDepth"},
      {"broken deflate data", signature() + ihdr(1, 1, 8, 0) + chunk("IDAT", brokenZlib) + iend(),
       "PNG LoadStream: Error ZLIB"},
      {"no image data", signature() + ihdr(1, 1, 8, 0) + iend(), "Read Image (PNG): Read Error"},
      {"too few rows", signature() + ihdr(1, 3, 8, 0) + greyPixel(), "Read Image (PNG): Read Error"},
      {"filter type 5", signature() + ihdr(1, 1, 8, 0) + chunk("IDAT", deflate(QByteArray("\x05\x00", 2))) + iend(),
       "Read Image (PNG): Read Error"},
      {"no header", signature() + greyPixel(), "Read Image (PNG): Read Error"},
      {"zero width", signature() + ihdr(0, 1, 8, 0) + greyPixel(), "Read Header(PNG): Error Image Size"},
  };
  for (const T& t : cases) EXPECT_EQ(loadError(t.file), t.message) << t.what;
}

TEST(PngErrors, AcceptedHeaderVariants) {
  // Compression and filter method 1 are accepted; colour type bits above the low three ignored.
  for (const QByteArray& file : {withHeader(8, 0, 1), withHeader(8, 0, 0, 1), withHeader(8, 8)})
    EXPECT_EQ(loadError(file), "");
}

TEST(PngErrors, IdatSizeParameterRange) {
  struct T {
    int size;
    bool ok;
  };
  for (const T t : {T{255, false}, T{256, true}, T{100000, true}, T{100001, false}, T{-1, false}}) {
    TQVPNG png;
    if (t.ok) {
      png.SetIDATSize(t.size);
      EXPECT_EQ(png.Params().IDATSize, t.size);
    } else {
      try {
        png.SetIDATSize(t.size);
        ADD_FAILURE() << t.size << " accepted";
      } catch (const decode::EQVPNG& e) {
        EXPECT_STREQ(e.what(), "Write PNG Param: Err IDAT Size(min:256  max:100000)");
        EXPECT_EQ(png.Params().IDATSize, 32768);
      }
    }
  }
}

TEST(PngErrors, FailedLoadKeepsPreviousPicture) {
  TQVPNG png;
  png.LoadFromFile(dataPath("rgba8.png"));
  EXPECT_THROW(loadBytes(png, withHeader(3, 0)), decode::EQVPNG);
  EXPECT_EQ(png.Width(), 13);
  EXPECT_TRUE(png.HasMask());
}

TEST(PngErrors, ErrorIsAnInvalidGraphic) {
  TQVPNG png;
  EXPECT_THROW(loadBytes(png, QByteArray("GIF89a")), graphics::EInvalidGraphic);
}
