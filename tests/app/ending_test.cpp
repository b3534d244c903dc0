// The real executable and the tools end within bounds: on SIGTERM or SIGINT while the editor
// or a modal window is open, and with a decode that never returns (the endless test plug-in,
// which sleeps inside GetPicture for ever).
#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "graphics/bmp_graphic.h"
#include "graphics/jpeg_image.h"
#include "platform/settings.h"

namespace {

QByteArray contents(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A child with its output in files, in a home of its own holding the endless plug-in.
class Ending : public ::testing::Test {
 protected:
  QTemporaryDir home, runtime, pics;
  pid_t pid = -1;

  void SetUp() override {
    ASSERT_TRUE(home.isValid() && runtime.isValid() && pics.isValid());
    ASSERT_TRUE(QFile::copy(QIVO2_ENDLESS_SPI, home.filePath("endless.spi")));
    graphics::TBMPGraphic(graphics::TBitmap(30, 20)).SaveToFile(pics.filePath("a.bmp"));
    graphics::TJPEGImage jpeg;
    jpeg.Assign(graphics::TBitmap(40, 30));
    jpeg.SaveToFile(pics.filePath("c.jpg"));
  }
  void TearDown() override {
    if (pid > 0) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
  }
  void addEndless() {
    QFile f(pics.filePath("b.hang"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("HANG for ever");
  }

  void start(const char* program, const QStringList& args, const QByteArray& run = {}) {
    std::vector<QByteArray> bytes{program};
    for (const QString& a : args) bytes.push_back(QFile::encodeName(a));
    const QByteArray out = QFile::encodeName(home.filePath("out.txt")), err = QFile::encodeName(home.filePath("err.txt"));
    // Not the last run's lines: those would tell of a start that has not happened yet.
    QFile::remove(home.filePath("out.txt"));
    QFile::remove(home.filePath("err.txt"));
    pid = fork();
    if (pid == 0) {
      dup2(::open(out.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644), 1);
      dup2(::open(err.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644), 2);
      setenv("QIVO2_HOME", home.path().toUtf8().constData(), 1);
      setenv("XDG_RUNTIME_DIR", runtime.path().toUtf8().constData(), 1);
      setenv("QIVO2_TEST", "1", 1);
      setenv("QT_QPA_PLATFORM", "offscreen", 1);
      if (!run.isEmpty()) setenv("QIVO2_TEST_RUN", run.constData(), 1);
      std::vector<char*> argv;
      for (QByteArray& b : bytes) argv.push_back(b.data());
      argv.push_back(nullptr);
      execv(program, argv.data());
      _exit(127);
    }
  }

  // Exit status, or -1 while it still runs after `ms`.
  int waitExit(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
      int status = 0;
      if (waitpid(pid, &status, WNOHANG) == pid) {
        pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      usleep(20000);
    }
    return -1;
  }
  bool waitForStderr(const QByteArray& text, int seconds = 60) {
    for (int i = 0; i < seconds * 20; ++i) {
      if (contents(home.filePath("err.txt")).contains(text)) return true;
      usleep(50000);
    }
    return false;
  }
  QByteArray err() { return contents(home.filePath("err.txt")); }
  QByteArray out() { return contents(home.filePath("out.txt")); }
  QString ini() { return home.filePath(QFileInfo(QIVO2_EXE).completeBaseName() + ".ini"); }
};

// The signal closes the editor or the modal window, then the main window the ordinary way.
TEST_F(Ending, SignalEndsTheProgramWithTheEditorOrAModalWindowOpen) {
  const struct {
    const char* command;
    int signal;
  } cases[] = {
      {"Rotate1", SIGTERM},  // the editor, the main window hidden
      {"Rotate1", SIGINT},
      {"Option1", SIGTERM},  // a modal dialog
      {"Media1", SIGINT},    // the media window, modal, the main window hidden
      {"About1", SIGTERM},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command);
    QFile::remove(ini());
    start(QIVO2_EXE, {pics.filePath("a.bmp")}, c.command);
    ASSERT_TRUE(waitForStderr(QByteArray("qivo2: ran ") + c.command)) << err().toStdString();
    usleep(200000);
    ASSERT_EQ(waitExit(0), -1) << "ended before the signal";
    kill(pid, c.signal);
    EXPECT_EQ(waitExit(5000), 0) << err().toStdString();
    const settings::TIniFile f(ini());
    EXPECT_EQ(f.ReadString("Main", "RootPath", "none"), QDir(pics.path()).canonicalPath());
    EXPECT_EQ(f.ReadInteger("Main", "CWidth", -1), 742);
    TearDown();
  }
}

// A thumbnail worker inside a plug-in that never returns: closing still writes the settings and
// the process is gone soon after.
TEST_F(Ending, ClosingWithAWorkerStuckInAPlugInEndsSoon) {
  addEndless();
  start(QIVO2_EXE, {pics.path()});
  ASSERT_TRUE(waitForStderr("qivo2: started in")) << err().toStdString();
  sleep(2);  // the workers have reached b.hang
  ASSERT_EQ(waitExit(0), -1);
  QElapsedTimer t;
  t.start();
  kill(pid, SIGTERM);
  EXPECT_EQ(waitExit(10000), 0) << err().toStdString();
  EXPECT_LT(t.elapsed(), 2500);
  const settings::TIniFile f(ini());
  EXPECT_EQ(f.ReadString("Main", "RootPath", "none"), QDir(pics.path()).canonicalPath());
}

// Both tools give up on the endless picture after --timeout, make the others and end.
TEST_F(Ending, ToolsGiveUpOnAPictureThatNeverDecodes) {
  addEndless();
  const QString outDir = home.filePath("out");
  ASSERT_TRUE(QDir().mkpath(outDir));
  const struct {
    const char* tool;
    QStringList args;
    QByteArray report;   // on stderr
    QByteArray summary;  // on stdout
  } cases[] = {
      {QIVO2_THUMBS_TOOL, {"-j", "1", "--timeout", "1", pics.path()}, "b.hang: timed out after 1 s",
       "made 2, stored 2, valid in cache 0, failed 1, skipped 0,"},
      {QIVO2_THUMBS_TOOL, {"-j2", "--timeout=1", pics.path()}, "b.hang: timed out after 1 s", "failed 1, skipped 0,"},
      {QIVO2_CONVERT_TOOL,
       {"-j", "1", "--timeout", "1", "--format", "png", "--overwrite", pics.filePath("a.bmp"), pics.filePath("b.hang"),
        pics.filePath("c.jpg"), "-o", outDir},
       "b.hang: not converted: timed out after 1 s", ""},
      {QIVO2_CONVERT_TOOL,
       {"-j", "2", "--timeout", "1", "--format", "png", "--overwrite", pics.filePath("b.hang"), pics.filePath("a.bmp"),
        pics.filePath("c.jpg"), "-o", outDir},
       "b.hang: not converted: timed out after 1 s", ""},
      {QIVO2_CONVERT_TOOL, {"--timeout", "1", pics.filePath("b.hang"), "-o", home.filePath("one.png")},
       "b.hang: not converted: timed out after 1 s", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tool + (" " + c.args.join(' ')).toStdString());
    QFile::remove(outDir + "/a.png");
    QFile::remove(outDir + "/c.png");
    QFile::remove(home.filePath("Cache/" + QFileInfo(pics.path()).fileName() + ".dat"));
    QElapsedTimer t;
    t.start();
    start(c.tool, c.args);
    EXPECT_EQ(waitExit(20000), 1) << err().toStdString();
    EXPECT_LT(t.elapsed(), 15000);
    EXPECT_TRUE(err().contains(c.report)) << err().toStdString();
    EXPECT_TRUE(out().contains(c.summary)) << out().toStdString();
    if (QByteArray(c.tool) == QIVO2_CONVERT_TOOL && c.args.contains(outDir)) {
      EXPECT_TRUE(QFileInfo(outDir + "/a.png").isFile());
      EXPECT_TRUE(QFileInfo(outDir + "/c.png").isFile());
      EXPECT_FALSE(QFileInfo::exists(outDir + "/b.png"));
    }
    TearDown();
  }
}

}  // namespace
