#include "graphics/picture_formats.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

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

TEST_F(PictureFormats, BuiltinsRegisterBmpAndJpegOnce) {
  RegisterBuiltinFormats();
  RegisterBuiltinFormats();
  EXPECT_EQ(formats().Mask(), "*.bmp;*.jpg;*.jpeg");
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
  EXPECT_EQ(formats().Mask(), "*.jpg;*.jpeg;*.bmp;*.mag");
  formats().UnregisterClass(&kMarkClass);
  EXPECT_EQ(formats().Mask(), "*.jpg;*.jpeg");
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
