#include "view/picture_loader.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "catalog/img_util_png.h"
#include "decode/png_graphic.h"
#include "graphics/bmp_graphic.h"
#include "graphics/jpeg_image.h"
#include "tests/support/huge_files.h"

namespace {

using graphics::TBitmap;

// A w × h picture with a distinct colour per pixel row and column.
TBitmap Pattern(int w, int h) {
  TBitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = b.ScanLine(y) + x * 3;
      p[0] = uint8_t(x * 40), p[1] = uint8_t(y * 40), p[2] = 200;
    }
  return b;
}

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

TEST(ScreenFit, KeepsOrShrinksWithTheMargins) {
  struct Case {
    QSize picture, screen, expected;
  } cases[] = {
      {{3000, 2000}, {1024, 768}, {1004, 649}},
      {{600, 900}, {1024, 768}, {498, 748}},
      {{1000, 1000}, {1024, 768}, {748, 748}},
      {{800, 600}, {1024, 768}, {800, 600}},
      {{1024, 768}, {1024, 768}, {1024, 768}},
      // Wider than tall but less so than the screen: the width rule would leave it taller
      // than the screen, so the height rule applies.
      {{1100, 1000}, {1024, 768}, {822, 748}},
      // Portrait screen, tall picture wider than the screen after the height rule.
      {{900, 1000}, {768, 1024}, {748, 811}},
      // A very wide strip keeps at least one row.
      {{10000, 10}, {1024, 768}, {1004, 1}},
      {{0, 0}, {1024, 768}, {0, 0}},
  };
  for (const auto& c : cases) {
    const QSize got = view::ScreenFitSize(c.picture, c.screen);
    EXPECT_EQ(got, c.expected) << c.picture.width() << "x" << c.picture.height() << " on " << c.screen.width()
                               << "x" << c.screen.height() << " gave " << got.width() << "x" << got.height();
  }
}

TEST(StretchBitmap, RepeatsPixelsAndReadsPalettes) {
  const TBitmap src = Pattern(2, 2);
  const TBitmap big = view::StretchBitmap(src, 4, 4);
  ASSERT_EQ(big.Width(), 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(big.PixelColor(x, y), src.PixelColor(x / 2, y / 2)) << x << "," << y;

  TBitmap indexed(2, 1, graphics::TPixelFormat::pf8bit);
  indexed.Palette()[1] = {1, 2, 3, 0};
  indexed.SetPixelIndex(1, 0, 1);
  const TBitmap out = view::StretchBitmap(indexed, 4, 1);
  EXPECT_EQ(out.PixelFormat(), graphics::TPixelFormat::pf24bit);
  EXPECT_EQ(out.PixelColor(3, 0), (graphics::TRGBQuad{1, 2, 3, 0}));
  EXPECT_TRUE(view::StretchBitmap(src, 0, 4).Empty());
}

class PictureLoader : public ::testing::Test {
 protected:
  void SetUp() override {
    graphics::RegisterBuiltinFormats();
    ASSERT_TRUE(dir_.isValid());
  }
  QString Path(const QString& name) const { return dir_.filePath(name); }
  QTemporaryDir dir_;
};

TEST_F(PictureLoader, ReadsEachBuiltInKindAtFullSize) {
  const TBitmap picture = Pattern(7, 5);
  WriteFile(Path("a.bmp"), graphics::WriteBMP(picture));
  graphics::TJPEGImage jpeg;
  jpeg.Assign(Pattern(40, 30));
  jpeg.SaveToFile(Path("a.jpg"));
  decode::TQVPNG png;
  png.Bitmap() = picture;
  png.SaveToFile(Path("a.png"));
  QFile::copy(Path("a.png"), Path("b.PNG"));

  struct Case {
    const char* name;
    int w, h;
    bool exact;
  } cases[] = {{"a.bmp", 7, 5, true}, {"a.png", 7, 5, true}, {"b.PNG", 7, 5, true}, {"a.jpg", 40, 30, false}};
  for (const auto& c : cases) {
    TBitmap out;
    ASSERT_NO_THROW(view::LoadPicture(Path(c.name), out, nullptr)) << c.name;
    EXPECT_EQ(out.Width(), c.w) << c.name;
    EXPECT_EQ(out.Height(), c.h) << c.name;
    if (c.exact) {
      EXPECT_EQ(out.To24(), picture) << c.name;
    }
  }
}

TEST_F(PictureLoader, UnreadableFilesThrowInsteadOfAnIcon) {
  WriteFile(Path("broken.jpg"), QByteArray("\xFF\xD8\xFF\xE0 not really", 16));
  WriteFile(Path("broken.png"), QByteArray("\x89PNG\r\n\x1A\n", 8));
  WriteFile(Path("broken.bmp"), QByteArray("BM", 2));
  WriteFile(Path("unknown.xyz"), QByteArray("data"));
  for (const char* name : {"broken.jpg", "broken.png", "broken.bmp", "unknown.xyz", "missing.jpg"}) {
    TBitmap out;
    EXPECT_THROW(view::LoadPicture(Path(name), out, nullptr), graphics::EInvalidGraphic) << name;
  }
}

TEST_F(PictureLoader, HugeNonPicturesAreRefusedWithoutReadingThem) {
  const QString files[] = {hugefiles::Sparse(Path("something.png")), hugefiles::Sparse(Path("huge.bmp")),
                           hugefiles::Sparse(Path("huge.jpg")), hugefiles::LinkToZero(Path("z.bmp")),
                           hugefiles::LinkToZero(Path("z.jpg"))};
  for (const QString& path : files) {
    const long before = hugefiles::PeakKb();
    TBitmap out;
    EXPECT_THROW(view::LoadPicture(path, out, nullptr), graphics::EInvalidGraphic) << path.toStdString();
    EXPECT_LT(hugefiles::PeakKb() - before, hugefiles::kMaxPeakGrowthKb) << path.toStdString();
    QFile::remove(path);
  }
}

TEST_F(PictureLoader, FittedLoaderShrinksSmoothOrStretched) {
  WriteFile(Path("big.bmp"), graphics::WriteBMP(Pattern(300, 200)));
  WriteFile(Path("small.bmp"), graphics::WriteBMP(Pattern(80, 60)));
  for (bool smooth : {false, true}) {
    const TBitmap big = view::LoadPictureFitted(Path("big.bmp"), QSize(102, 77), smooth, nullptr);
    EXPECT_EQ(QSize(big.Width(), big.Height()), QSize(82, 34)) << smooth;  // 82 / 1.5 − 20
    const TBitmap small = view::LoadPictureFitted(Path("small.bmp"), QSize(102, 77), smooth, nullptr);
    EXPECT_EQ(small, Pattern(80, 60)) << smooth;
  }
}

TEST(ImgCustomPNG, ClaimsPngByLowerCasedExtension) {
  catalog::TImgCustomPNG loader;
  struct Case {
    const char* path;
    bool claims;
  } cases[] = {{"/a/b.png", true}, {"/a/b.PNG", true}, {"/a/b.Png", true},
               {"/a/png", false},  {"/a/b.png.jpg", false}, {"/a.png/b", false}};
  for (const auto& c : cases) EXPECT_EQ(loader.CanLoad(c.path), c.claims) << c.path;
}

}  // namespace

TEST(ScreenFit, JpegReductionStaysAtLeastTheFittedSize) {
  struct Case {
    QSize picture, target;
    graphics::TJPEGScale scale;
  } cases[] = {
      {{6000, 4000}, {1260, 820}, graphics::jsQuarter},  // 1500 × 1000
      {{6000, 4000}, {740, 480}, graphics::jsEighth},    // 750 × 500
      {{6000, 4000}, {1600, 1000}, graphics::jsHalf},
      {{6000, 4000}, {3100, 2000}, graphics::jsFullSize},
      {{1001, 1001}, {126, 126}, graphics::jsEighth},  // 126 (rounded up) still covers it
  };
  for (const auto& c : cases) EXPECT_EQ(view::ReductionFor(c.picture, c.target), c.scale) << c.target.width();
}

TEST_F(PictureLoader, FittedJpegIsDecodedReducedToTheSameSize) {
  graphics::TJPEGImage jpeg;
  jpeg.Assign(Pattern(1600, 1200));
  jpeg.SaveToFile(Path("big.jpg"));
  for (const bool smooth : {true, false}) {
    const TBitmap fitted = view::LoadPictureFitted(Path("big.jpg"), QSize(400, 300), smooth, nullptr);
    EXPECT_EQ(QSize(fitted.Width(), fitted.Height()), view::ScreenFitSize({1600, 1200}, {400, 300})) << smooth;
  }
}
