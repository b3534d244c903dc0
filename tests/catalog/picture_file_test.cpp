// The one decoding path of viewing and conversion: whole pictures, and a reason when a
// file cannot be read.
#include "catalog/picture_file.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <unistd.h>

#include "catalog/spi_hook.h"
#include "graphics/bmp_graphic.h"
#include "graphics/graphic.h"
#include "graphics/jpeg_image.h"

namespace catalog {
namespace {

class PictureFile : public ::testing::Test {
 protected:
  void SetUp() override {
    graphics::TBitmap b(160, 120);
    graphics::TJPEGImage jpeg;
    jpeg.Assign(b);
    write("photo.jpg", jpeg.SaveToMemory());
    write("drawing.bmp", graphics::WriteBMP(graphics::TBitmap(30, 20)));
    write("broken.bmp", "BM not really");
    write("broken.jpg", "\xFF\xD8 broken");
    write("notes.xyz", "not a picture");
    write("fake.gif", "GIF? no");
  }
  void write(const char* name, const QByteArray& bytes) {
    QFile f(dir.filePath(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }
  QString path(const char* name) const { return dir.filePath(name); }
  QTemporaryDir dir;
};

// The reason alone: the window or list that shows it puts the file's name before it, once.
TEST_F(PictureFile, UnreadableFilesSayWhyWithoutTheirName) {
  TSPluginHook plugins;
  plugins.List.LoadFromAppDir();
  for (const char* loop : {"loop.bmp", "loop.png"})
    ASSERT_EQ(::symlink(loop, QFile::encodeName(path(loop)).constData()), 0);
  const QByteArray loopText = qt_error_string(ELOOP).toUtf8();
  struct Case {
    const char* name;
    TImgPlugins* plugins;
    const char* reason;
  };
  const Case cases[] = {
      {"missing.bmp", nullptr, "Cannot open"},
      {"missing.png", nullptr, "Cannot open"},
      {"loop.bmp", nullptr, loopText.constData()},  // the system's reason, not "no such file"
      {"loop.png", nullptr, loopText.constData()},
      {"broken.bmp", nullptr, "Invalid BMP file"},
      {"broken.jpg", nullptr, "JPEG"},
      {"notes.xyz", nullptr, "not a picture format QIVO2 reads"},
      {"fake.gif", &plugins, "not a picture format QIVO2 or its plug-ins read"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      LoadPictureFile(path(c.name), c.plugins);
      ADD_FAILURE() << "no error";
    } catch (const graphics::EInvalidGraphic& e) {
      const QString message = QString::fromUtf8(e.what());
      EXPECT_FALSE(message.contains(QLatin1String(c.name).chopped(4))) << message.toStdString();
      EXPECT_TRUE(message.contains(QLatin1String(c.reason))) << message.toStdString();
    }
  }
}

TEST_F(PictureFile, JpegReductionKeepsTheSourceSize) {
  TPictureOptions reduce;
  reduce.JpegScale = [](int, int) { return graphics::jsQuarter; };
  const TPicture full = LoadPictureFile(path("photo.jpg"), nullptr);
  const TPicture quarter = LoadPictureFile(path("photo.jpg"), nullptr, reduce);
  EXPECT_EQ(QSize(full.Bitmap.Width(), full.Bitmap.Height()), QSize(160, 120));
  EXPECT_EQ(QSize(quarter.Bitmap.Width(), quarter.Bitmap.Height()), QSize(40, 30));
  EXPECT_EQ(QSize(quarter.SourceWidth, quarter.SourceHeight), QSize(160, 120));
  // Only JPEG has a reduction of its own.
  const TPicture bmp = LoadPictureFile(path("drawing.bmp"), nullptr, reduce);
  EXPECT_EQ(QSize(bmp.Bitmap.Width(), bmp.Bitmap.Height()), QSize(30, 20));
}

}  // namespace
}  // namespace catalog
