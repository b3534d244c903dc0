#include "graphics/bitmap.h"

#include <gtest/gtest.h>

#include "graphics/image_size.h"

using namespace graphics;

TEST(ImageSize, RejectsOverflowAndOutOfRange) {
  struct Case { int64_t w, h; int bpp; bool ok; };
  const Case cases[] = {
      {1, 1, 24, true}, {0, 1, 24, false}, {1, -1, 24, false},
      {kMaxImageSide + 1, 1, 8, false}, {1 << 20, 1 << 20, 32, false}, {4000, 3000, 24, true},
  };
  for (const auto& c : cases) EXPECT_EQ(checkedImageBytes(c.w, c.h, c.bpp).has_value(), c.ok) << c.w << "x" << c.h;
  EXPECT_EQ(*checkedStride(3, 24), 12u);
  EXPECT_EQ(*checkedStride(9, 1), 4u);
}

TEST(Bitmap, IndexedPixelsAndConversion) {
  TBitmap b(5, 2, TPixelFormat::pf4bit);
  b.Palette()[3] = {10, 20, 30, 0};
  b.SetPixelIndex(4, 1, 3);
  EXPECT_EQ(b.PixelIndex(4, 1), 3);
  EXPECT_EQ(b.PixelIndex(3, 1), 0);
  const TBitmap c = b.To24();
  const uint8_t* p = c.ScanLine(1) + 12;
  EXPECT_EQ(p[0], 10);
  EXPECT_EQ(p[2], 30);
  EXPECT_THROW(TBitmap(1 << 21, 1), EImageTooLarge);
}

TEST(Bitmap, QImageViewSharesMemory) {
  TBitmap b(3, 2);
  b.ScanLine(1)[3] = 200;  // blue of pixel (1,1)
  const QImage img = b.AsQImage();
  EXPECT_EQ(img.constBits(), b.Bits());
  EXPECT_EQ(qBlue(img.pixel(1, 1)), 200);
}
