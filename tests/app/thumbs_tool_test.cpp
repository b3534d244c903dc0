// The qivo2-thumbs tool run from outside: on a folder where picture names belong to special
// files with a FIFO named like a plug-in in the program folder, and on names that are not
// all UTF-8.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "graphics/bmp_graphic.h"
#include "graphics/jpeg_image.h"
#include "tests/support/byte_names.h"
#include "tests/support/nonregular_files.h"

namespace {

TEST(ThumbsTool, SpecialFilesDelayNothingAndOnlyPicturesGetThumbnails) {
  QTemporaryDir home, shown;
  ASSERT_TRUE(home.isValid() && shown.isValid());
  const QString folder = QDir(shown.path()).canonicalPath();
  graphics::TBMPGraphic(graphics::TBitmap(30, 20)).SaveToFile(folder + "/a.bmp");
  graphics::TJPEGImage jpeg;
  jpeg.Assign(graphics::TBitmap(40, 30));
  jpeg.SaveToFile(folder + "/b.jpg");
  SpecialFiles special;
  special.Fifo(home.filePath("zz.spi"));
  special.All(QDir(folder), ".jpg");
  special.Fifo(folder + "/x.tga");
  // A working link to a FIFO is no regular file either: skipped like the FIFO itself.
  ASSERT_EQ(::symlink("fifo.jpg", QFile::encodeName(folder + "/link.jpg").constData()), 0);

  // Output goes to files: the run happens off the test's thread, which has no event loop.
  const QString outFile = home.filePath("out.txt"), errFile = home.filePath("err.txt");
  int status = -1;
  ASSERT_TRUE(special.FinishesWithoutBlocking([&] {
    const QByteArray tool = QIVO2_THUMBS_TOOL, arg = QFile::encodeName(folder), homePath = QFile::encodeName(home.path());
    const QByteArray outName = QFile::encodeName(outFile), errName = QFile::encodeName(errFile);
    const pid_t pid = fork();
    if (pid == 0) {
      dup2(::open(outName.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
      dup2(::open(errName.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
      setenv("QIVO2_HOME", homePath.constData(), 1);
      setenv("QT_QPA_PLATFORM", "offscreen", 1);
      execl(tool.constData(), tool.constData(), arg.constData(), static_cast<char*>(nullptr));
      _exit(127);
    }
    waitpid(pid, &status, 0);
  }));
  const auto contents = [](const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  };
  const QByteArray out = contents(outFile), err = contents(errFile);
  const int exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  EXPECT_EQ(exitCode, 0) << err.toStdString();
  EXPECT_TRUE(out.startsWith("made 2, stored 2, valid in cache 0, failed 0, skipped 5,")) << out.toStdString();
  EXPECT_TRUE(QFileInfo(home.filePath("Cache/" + QFileInfo(folder).fileName() + ".dat")).isFile());
}

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
  EXPECT_TRUE(run().startsWith("made 3, stored 3, valid in cache 0, failed 0"));
  EXPECT_TRUE(run().startsWith("made 0, stored 0, valid in cache 3, failed 0"));
  QFile cache(home.filePath("Cache/pics.dat"));
  ASSERT_TRUE(cache.open(QIODevice::ReadOnly));
  const QByteArray recorded = cache.readAll();
  for (const QByteArray& name : ByteNames())
    EXPECT_TRUE(recorded.contains(platform::PathBytes(pics) + "/" + name)) << name.toHex().constData();
}

}  // namespace
