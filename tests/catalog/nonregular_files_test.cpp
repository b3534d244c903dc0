// FIFOs, sockets and dangling links named like pictures: the type test and the thumbnail
// load finish at once and leave the entry to its icon.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "catalog/img_util.h"
#include "catalog/img_util_png.h"
#include "catalog/spi_hook.h"
#include "tests/support/nonregular_files.h"

namespace catalog {
namespace {

TEST(SpecialFilesNeverBlock, ThumbnailsGiveUpOnThem) {
  QTemporaryDir home, dir;
  qputenv("QIVO2_HOME", home.path().toUtf8());
  TSPluginHook hook;
  ASSERT_GE(hook.List.LoadFromAppDir(), 2);  // iftga.spi among them
  TImgCustomPNG png;
  TImgUtil util;
  util.SPlugin = &hook;
  util.Custom = &png;
  SpecialFiles special;
  for (const char* suffix : {".jpg", ".png", ".bmp", ".tga", ".txt", ".avi", ".emf"}) {
    for (const QString& path : special.All(QDir(dir.path()), suffix)) {
      SCOPED_TRACE(path.toStdString());
      ASSERT_TRUE(special.FinishesWithoutBlocking([&] {
        util.DetectType(path);
        EXPECT_EQ(hook.List.IndexOfSupporting(path), -1);
        EXPECT_NE(util.Load(path, 40, -1, 40), 0);
        graphics::TBitmap bm;
        EXPECT_FALSE(png.Load(path, bm));
      }));
    }
  }
}

}  // namespace
}  // namespace catalog
