// A folder of GIF and TGA files gets its thumbnails through the shipped plug-ins.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "tests/support/byte_names.h"
#include "catalog/spi_hook.h"

namespace catalog {
namespace {

TEST(SPluginHook, GifAndTgaThumbnailsComeFromThePlugins) {
  QTemporaryDir home;
  qputenv("QIVO2_HOME", home.path().toUtf8());
  TSPluginHook hook;
  ASSERT_GE(hook.List.LoadFromAppDir(), 2);
  TImgUtil util;
  util.SPlugin = &hook;
  QTemporaryDir dir;
  for (const char* name : {"pattern.gif", "pattern_rle.tga"}) {
    SCOPED_TRACE(name);
    const QString path = dir.filePath(name);
    ASSERT_TRUE(QFile::copy(QStringLiteral(QIVO2_TEST_DATA "/spi/") + name, path));
    EXPECT_EQ(util.DetectType(path), TImageType::iitSusie);
    EXPECT_EQ(util.Load(path, 40, -1, 40), 0);
    EXPECT_EQ(util.SourceWidth, 5);
    EXPECT_EQ(util.SourceHeight, 3);
    EXPECT_FALSE(util.Bitmap.Empty());
  }
  EXPECT_EQ(util.DetectType(dir.filePath("none.xyz")), TImageType::iitNone);
}

TEST(SPluginHook, PluginsGetTheFileNameBytes) {
  QTemporaryDir home;
  qputenv("QIVO2_HOME", home.path().toUtf8());
  TSPluginHook hook;
  ASSERT_GE(hook.List.LoadFromAppDir(), 2);
  TImgUtil util;
  util.SPlugin = &hook;
  QTemporaryDir dir;
  const ByteNameCleanup cleanup(dir.path());
  for (const char* name : {"caf\xe9.gif", "\xff\xfe.tga"}) {
    SCOPED_TRACE(QByteArray(name).toHex().toStdString());
    QFile source(QStringLiteral(QIVO2_TEST_DATA "/spi/") + (QByteArray(name).endsWith(".gif") ? "pattern.gif" : "pattern.tga"));
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    const QString path = BytePath(dir.path(), name);
    ASSERT_TRUE(WriteBytePath(path, source.readAll()));
    EXPECT_EQ(util.DetectType(path), TImageType::iitSusie);
    EXPECT_EQ(util.Load(path, 40, -1, 40), 0);
    EXPECT_EQ(util.SourceWidth, 5);
    EXPECT_FALSE(util.Bitmap.Empty());
  }
}

}  // namespace
}  // namespace catalog
