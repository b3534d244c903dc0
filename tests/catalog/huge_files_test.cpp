// Huge files named like pictures (sparse 4 GB files of zeros, links to /dev/zero): the type
// test, the thumbnail and the plain load refuse them from their first bytes, so browsing such
// a folder never takes the memory the file's size would.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "catalog/img_util.h"
#include "catalog/img_util_png.h"
#include "catalog/picture_file.h"
#include "catalog/spi_hook.h"
#include "catalog/thumb_cache.h"
#include "graphics/graphic.h"
#include "tests/support/huge_files.h"

namespace catalog {
namespace {

TEST(HugeNonPictures, AreRefusedWithoutReadingThem) {
  QTemporaryDir home, dir;
  qputenv("QIVO2_HOME", home.path().toUtf8());
  TSPluginHook hook;
  ASSERT_GE(hook.List.LoadFromAppDir(), 2);  // iftga.spi among them
  TThumb thumb;
  thumb.Path = home.filePath("Cache");
  QDir().mkpath(thumb.Path);
  TImgUtil util;
  util.SPlugin = &hook;
  util.Custom = PngHandler();
  util.Thumbnail = &thumb;
  util.AutoThumb = true;

  const QDir d(dir.path());
  const QStringList files = {
      hugefiles::Sparse(d.filePath("something.png")), hugefiles::Sparse(d.filePath("huge.bmp")),
      hugefiles::Sparse(d.filePath("huge.jpg")),      hugefiles::Sparse(d.filePath("huge.tga")),
      hugefiles::LinkToZero(d.filePath("z.bmp")),     hugefiles::LinkToZero(d.filePath("z.png")),
      hugefiles::LinkToZero(d.filePath("z.jpg")),     hugefiles::LinkToZero(d.filePath("z.tga")),
  };
  for (const QString& path : files) {
    SCOPED_TRACE(path.toStdString());
    const long before = hugefiles::PeakKb();
    util.DetectType(path);
    EXPECT_EQ(hook.List.IndexOfSupporting(path), -1);
    // A decoding failure, or no format claims it: either way the entry keeps its icon.
    const int result = util.Load(path, 94, -1, 94);
    EXPECT_TRUE(result != 0 || util.ImageType == TImageType::iitNone) << result;
    EXPECT_NE(util.CacheUse, TImgUtil::ctWritten);
    EXPECT_THROW(LoadPictureFile(path, &hook), graphics::EInvalidGraphic);
    EXPECT_LT(hugefiles::PeakKb() - before, hugefiles::kMaxPeakGrowthKb);
  }
}

}  // namespace
}  // namespace catalog
