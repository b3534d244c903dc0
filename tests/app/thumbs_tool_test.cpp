// The qivo2-thumbs tool run from outside on a folder whose names are not all UTF-8.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "graphics/jpeg_image.h"
#include "tests/support/byte_names.h"

namespace {

TEST(ThumbsTool, NamesThatAreNotUtf8GetTheirOwnCacheEntries) {
  if (!QCoreApplication::instance()) {
    static int argc = 1;
    static char name[] = "app_tests";
    static char* argv[] = {name, nullptr};
    new QCoreApplication(argc, argv);
  }
  QTemporaryDir home, work;
  ASSERT_TRUE(home.isValid() && work.isValid());
  const ByteNameCleanup cleanup(work.path());
  ASSERT_TRUE(QDir(work.path()).mkdir("pics"));
  const QString pics = work.filePath("pics");
  for (size_t i = 0; i < ByteNames().size(); ++i) {
    graphics::TJPEGImage j;
    j.Assign(graphics::TBitmap(20 + int(i), 10));
    ASSERT_TRUE(WriteBytePath(BytePath(pics, ByteNames()[i]), j.SaveToMemory()));
  }
  auto run = [&] {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QIVO2_HOME", home.path());
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(QIVO2_THUMBS_TOOL), {pics});
    EXPECT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().constData();
    return QString::fromUtf8(p.readAllStandardOutput());
  };
  EXPECT_TRUE(run().startsWith("made 3, valid in cache 0, failed 0"));
  EXPECT_TRUE(run().startsWith("made 0, valid in cache 3, failed 0"));
  QFile cache(home.filePath("Cache/pics.dat"));
  ASSERT_TRUE(cache.open(QIODevice::ReadOnly));
  const QByteArray recorded = cache.readAll();
  for (const QByteArray& name : ByteNames())
    EXPECT_TRUE(recorded.contains(platform::PathBytes(pics) + "/" + name)) << name.toHex().constData();
}

}  // namespace
