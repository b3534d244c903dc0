#include "graphics/picture_formats.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QBuffer>
#include <QImageWriter>

#include "graphics/bmp_graphic.h"

using namespace graphics;

namespace {

class PictureFormats : public testing::Test {
 protected:
  void SetUp() override { TPictureFormats::Instance().ResetForTesting(); }
  void TearDown() override {
    TPictureFormats::Instance().ResetForTesting();
    RegisterBuiltinFormats();
  }
  TPictureFormats& formats() { return TPictureFormats::Instance(); }
};

// A graphic that only records that it was chosen.
class TMarkGraphic : public TBitmapGraphic {
 public:
  void LoadFromStream(QIODevice&) override { bitmap_.SetSize(1, 1); }
};
const TGraphicClass kMarkClass{"TMarkGraphic", [] { return std::make_unique<TMarkGraphic>(); }};

}  // namespace

TEST_F(PictureFormats, BuiltinsRegisterBmpJpegAndIconOnce) {
  RegisterBuiltinFormats();
  RegisterBuiltinFormats();
  EXPECT_EQ(formats().Mask(), "*.bmp;*.jpg;*.jpeg;*.ico;*.emf;*.wmf");
  EXPECT_EQ(formats().ClassForExtension("BMP"), &BMPGraphicClass());
  EXPECT_EQ(formats().ClassForExtension(".bmp"), &BMPGraphicClass());
  EXPECT_EQ(formats().Description("bmp"), "Bitmaps");
  EXPECT_NE(formats().ClassForExtension("jpeg"), nullptr);
  EXPECT_EQ(formats().ClassForExtension("png"), nullptr);
}

TEST_F(PictureFormats, LaterRegistrationTakesPrecedence) {
  RegisterBuiltinFormats();
  formats().Register("BMP", "Other bitmaps", &kMarkClass);
  formats().Register("mag", "MAG", &kMarkClass);
  EXPECT_EQ(formats().ClassForExtension("bmp"), &kMarkClass);
  EXPECT_EQ(formats().Description("bmp"), "Other bitmaps");
  EXPECT_EQ(formats().Mask(), "*.jpg;*.jpeg;*.ico;*.emf;*.wmf;*.bmp;*.mag");
  formats().UnregisterClass(&kMarkClass);
  EXPECT_EQ(formats().Mask(), "*.jpg;*.jpeg;*.ico;*.emf;*.wmf");
}

TEST_F(PictureFormats, LoadByFileNameDispatchesOnTheExtension) {
  RegisterBuiltinFormats();
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  TBitmap b(3, 2);
  b.ScanLine(1)[2] = 99;
  const QString upper = dir.filePath("Picture.BMP");
  TBMPGraphic(b).SaveToFile(upper);

  const auto g = formats().LoadFromFile(upper);
  EXPECT_EQ(g->Bitmap(), b);

  // The extension decides, not the content: a BMP named .mag goes to the .mag class.
  formats().Register("mag", "MAG", &kMarkClass);
  const QString mag = dir.filePath("x.mag");
  QFile::copy(upper, mag);
  EXPECT_EQ(formats().LoadFromFile(mag)->Width(), 1);

  struct Case {
    QString file;
    const char* reason;
  };
  const Case failures[] = {
      {dir.filePath("x.xyz"), "Unknown picture file extension"},
      {dir.filePath("noextension"), "Unknown picture file extension"},
      {dir.filePath("missing.bmp"), "Cannot open"},
  };
  for (const auto& c : failures) {
    try {
      formats().LoadFromFile(c.file);
      ADD_FAILURE() << c.file.toStdString();
    } catch (const EInvalidGraphic& e) {
      EXPECT_NE(e.Message().indexOf(c.reason), -1) << e.what();
    }
  }
}

TEST_F(PictureFormats, IconFilesLoadTheirLargestImageOnWhite) {
  RegisterBuiltinFormats();
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QImage small(16, 16, QImage::Format_ARGB32);
  small.fill(qRgb(255, 0, 0));
  QImage large(32, 32, QImage::Format_ARGB32);
  large.fill(Qt::transparent);
  large.setPixel(1, 1, qRgb(0, 0, 255));
  const QString ico = dir.filePath("app.ICO");
  {
    QImageWriter w(ico, "ico");
    if (!w.canWrite()) GTEST_SKIP() << "no ICO writer in this Qt";
    ASSERT_TRUE(w.write(small));
  }
  QFile::remove(ico);
  // Qt writes one image per file; a two-image file is built by hand below.
  QByteArray smallIco, largeIco;
  for (auto [img, out] : {std::pair{&small, &smallIco}, std::pair{&large, &largeIco}}) {
    QBuffer b(out);
    b.open(QIODevice::WriteOnly);
    ASSERT_TRUE(img->save(&b, "ico"));
  }
  // ICONDIR (6 bytes) + ICONDIRENTRY (16 bytes) per image, then the images.
  const QByteArray smallData = smallIco.mid(22), largeData = largeIco.mid(22);
  QByteArray both = smallIco.left(4);
  both.append(char(2)).append(char(0));
  QByteArray e1 = smallIco.mid(6, 16), e2 = largeIco.mid(6, 16);
  auto putOffset = [](QByteArray& e, quint32 off) {
    for (int i = 0; i < 4; ++i) e[12 + i] = char((off >> (8 * i)) & 0xFF);
  };
  putOffset(e1, 6 + 32);
  putOffset(e2, 6 + 32 + quint32(smallData.size()));
  both += e1 + e2 + smallData + largeData;
  QFile f(ico);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(both);
  f.close();

  const auto g = formats().LoadFromFile(ico);
  ASSERT_EQ(g->Width(), 32);
  EXPECT_EQ(g->Bitmap().PixelColor(1, 1), (TRGBQuad{255, 0, 0, 0}));
  EXPECT_EQ(g->Bitmap().PixelColor(5, 5), (TRGBQuad{255, 255, 255, 0}));

  QFile broken(dir.filePath("broken.ico"));
  ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
  broken.write(QByteArray("\0\0\1\0\1\0", 6));
  broken.close();
  EXPECT_THROW(formats().LoadFromFile(broken.fileName()), EInvalidGraphic);
}
