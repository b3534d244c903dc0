// qivo2-thumbs run from outside: what it says it stored is what the cache file holds, and a
// cache file it cannot write is named with the reason and ends it with status 1.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <functional>
#include <unistd.h>

#include "graphics/bmp_graphic.h"
#include "tests/support/decode_workers.h"

namespace {

struct TRun {
  int exitCode = -1;
  QString out;
  QStringList errorLines;
};

class ThumbsTool : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(home.isValid() && work.isValid());
    ASSERT_TRUE(QDir(work.path()).mkdir("Photos"));
    graphics::TBitmap b(40, 30);
    for (const char* name : {"a.bmp", "b.bmp", ".hidden.bmp"})
      graphics::TBMPGraphic(b).SaveToFile(photos(name));
    QFile notes(photos("notes.txt"));
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.write("not a picture");
  }
  QString photos(const QString& name = {}) const {
    return work.filePath("Photos") + (name.isEmpty() ? QString() : "/" + name);
  }
  QString cache(const QString& name = {}) const {
    return home.filePath("Cache") + (name.isEmpty() ? QString() : "/" + name);
  }

  TRun run(pid_t* pid = nullptr) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QIVO2_HOME", home.path());
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(QIVO2_THUMBS_TOOL), {photos()});
    if (pid) *pid = pid_t(p.processId());
    EXPECT_TRUE(p.waitForFinished(60000));
    TRun r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
    const QString err = QString::fromLocal8Bit(p.readAllStandardError()).trimmed();
    // Only the tool's own lines: Qt may add notes of its own.
    for (const QString& line : err.split('\n'))
      if (line.startsWith("qivo2-thumbs")) r.errorLines << line;
    return r;
  }

  QTemporaryDir home, work;
};

TEST_F(ThumbsTool, StoresAndFindsWhatItCounts) {
  TRun first = run();
  EXPECT_EQ(first.exitCode, 0);
  EXPECT_TRUE(first.out.startsWith("made 2, stored 2, valid in cache 0, failed 0, skipped 2,")) << first.out.toStdString();
  EXPECT_TRUE(first.errorLines.isEmpty());
  EXPECT_TRUE(QFileInfo(cache("Photos.dat")).isFile());
  TRun second = run();
  EXPECT_EQ(second.exitCode, 0);
  EXPECT_TRUE(second.out.startsWith("made 0, stored 0, valid in cache 2, failed 0, skipped 2,")) << second.out.toStdString();
}

TEST_F(ThumbsTool, UnwritableCacheFileIsNamedWithTheReason) {
  const struct {
    const char* what;
    std::function<void(const QString& cacheFile)> block;
    const char* reason;
  } cases[] = {
      {"a folder named like the cache file", [](const QString& file) { QDir().mkpath(file); },
       "Is a directory"},
      {"a damaged cache file",
       [](const QString& file) {
         QDir().mkpath(QFileInfo(file).path());
         QFile f(file);
         ASSERT_TRUE(f.open(QIODevice::WriteOnly));
         f.write("not a cache file at all");
       },
       "it is not a thumbnail cache file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    QDir(cache()).removeRecursively();
    c.block(cache("Photos.dat"));
    const QByteArray before = [&] {
      QFile f(cache("Photos.dat"));
      return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    const TRun r = run();
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.startsWith("made 2, stored 0, valid in cache 0, failed 0, skipped 2,")) << r.out.toStdString();
    ASSERT_EQ(r.errorLines.size(), 1) << r.errorLines.join('\n').toStdString();
    EXPECT_EQ(r.errorLines[0], QStringLiteral("qivo2-thumbs: cannot write the cache file %1: %2").arg(cache("Photos.dat"), c.reason));
    QFile f(cache("Photos.dat"));
    if (f.open(QIODevice::ReadOnly)) {
      EXPECT_EQ(f.readAll(), before);  // left alone
    }
  }
}

TEST_F(ThumbsTool, FileWhereTheCacheFolderShouldBeEndsIt) {
  QFile f(cache());
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  const TRun r = run();
  EXPECT_EQ(r.exitCode, 1);
  ASSERT_EQ(r.errorLines.size(), 1);
  EXPECT_TRUE(r.errorLines[0].startsWith("qivo2-thumbs: cannot create " + cache())) << r.errorLines[0].toStdString();
}

}  // namespace

TEST_F(ThumbsTool, HostilePluginCostsItsPicturesOnly) {
  // The sandbox with short limits; plug-ins from the program folder.
  QFile ini(home.filePath("qivo2.ini"));
  ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
  ini.write("[Main]\nSandbox=1\nSandboxPictureTime=1000\n");
  ini.close();
  QFile bad(photos("c.bad"));
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
  bad.write("BAD!x");
  bad.close();
  for (const char* plugin : {"crash_picture", "spin", "overrun"}) {
    SCOPED_TRACE(plugin);
    QFile::remove(home.filePath("hostile.spi"));
    QFile::remove(cache("Photos.dat"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(QIVO2_TEST_SPI_DIR "/%1.spi").arg(plugin), home.filePath("hostile.spi")));
    pid_t pid = 0;
    const TRun r = run(&pid);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.startsWith("made 2, stored 2, valid in cache 0, failed 1,")) << r.out.toStdString();
    ASSERT_EQ(r.errorLines.size(), 1);
    EXPECT_TRUE(r.errorLines[0].contains("c.bad")) << r.errorLines[0].toStdString();
    EXPECT_TRUE(r.errorLines[0].contains(QStringLiteral("プラグイン"))) << r.errorLines[0].toStdString();
    EXPECT_EQ(testsupport::WorkersOf(pid), 0);
  }
}
