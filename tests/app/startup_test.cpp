// The real executable: one instance per user, a stale lock after a crash, no display.
#include "platform/settings.h"
#include "graphics/bmp_graphic.h"
#include "tests/support/nonregular_files.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Child {
  pid_t pid = -1;
  int err = -1;  // read end of its stderr
};

class StartupTest : public ::testing::Test {
 protected:
  QTemporaryDir home, runtime;

  void SetUp() override {
    ASSERT_TRUE(home.isValid() && runtime.isValid());
    // The settings file goes to QIVO2_HOME, named after the executable.
    ini = home.path() + "/" + QFileInfo(QIVO2_EXE).completeBaseName() + ".ini";
  }
  void TearDown() override {
    for (Child& r : runs)
      if (r.pid > 0) {
        kill(r.pid, SIGKILL);
        waitpid(r.pid, nullptr, 0);
      }
    for (Child& r : runs)
      if (r.err >= 0) close(r.err);
  }

  // display=false starts it with no display at all; folder is its argument.
  Child& start(bool display = true, const QString& folder = {}) {
    const QByteArray argument = QFile::encodeName(folder);
    int p[2];
    EXPECT_EQ(pipe2(p, O_CLOEXEC), 0);
    const pid_t pid = fork();
    if (pid == 0) {
      dup2(p[1], 2);
      setenv("QIVO2_HOME", home.path().toUtf8().constData(), 1);
      setenv("XDG_RUNTIME_DIR", runtime.path().toUtf8().constData(), 1);
      setenv("QIVO2_TEST", "1", 1);
      unsetenv("DISPLAY");
      unsetenv("WAYLAND_DISPLAY");
      if (display)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
      else
        unsetenv("QT_QPA_PLATFORM");
      if (folder.isEmpty())
        execl(QIVO2_EXE, QIVO2_EXE, static_cast<char*>(nullptr));
      else
        execl(QIVO2_EXE, QIVO2_EXE, argument.constData(), static_cast<char*>(nullptr));
      _exit(127);
    }
    close(p[1]);
    fcntl(p[0], F_SETFL, O_NONBLOCK);  // reading never waits for a child that still runs
    runs.push_back(Child{pid, p[0]});
    return runs.back();
  }

  // Exit status, or -1 while it still runs after `seconds`.
  static int waitExit(Child& r, int seconds) {
    for (int i = 0; i < seconds * 20; ++i) {
      int status = 0;
      if (waitpid(r.pid, &status, WNOHANG) == r.pid) {
        r.pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      usleep(50000);
    }
    return -1;
  }

  static bool running(const Child& r) { return r.pid > 0 && waitpid(r.pid, nullptr, WNOHANG) == 0; }

  static QByteArray stderrOf(const Child& r) {
    QByteArray out;
    char buf[4096];
    ssize_t n;
    while ((n = read(r.err, buf, sizeof buf)) > 0) out.append(buf, n);
    return out;
  }

  // The main window is created once "Temp" appears (after the lock was taken).
  bool waitReady(int seconds = 60) { return waitFor(home.path() + "/Temp", seconds); }
  static bool waitFor(const QString& path, int seconds) {
    for (int i = 0; i < seconds * 20; ++i) {
      if (QFileInfo::exists(path)) return true;
      usleep(50000);
    }
    return false;
  }

  QString ini;
  std::vector<Child> runs;

 public:
  StartupTest() { runs.reserve(8); }
};

TEST_F(StartupTest, SecondStartIsRefusedAndTheFirstRunsOn) {
  Child& first = start();
  ASSERT_TRUE(waitReady());
  ASSERT_TRUE(running(first));

  Child& second = start();
  EXPECT_EQ(waitExit(second, 60), 1);
  EXPECT_TRUE(stderrOf(second).contains("アプリケーションは既に起動しています"));
  EXPECT_TRUE(running(first));
  EXPECT_FALSE(QFile::exists(ini));  // the refused start touched no settings

  // The first closes normally and writes its window state.
  kill(first.pid, SIGTERM);
  EXPECT_EQ(waitExit(first, 60), 0);
  const settings::TIniFile f(ini);
  EXPECT_EQ(f.ReadInteger("Main", "State", -1), 0);
  EXPECT_EQ(f.ReadInteger("Main", "CWidth", -1), 742);
  EXPECT_EQ(f.ReadInteger("Main", "CHeight", -1), 464);
  EXPECT_EQ(f.ReadInteger("Main", "TVWidth", -1), 200);
  EXPECT_EQ(f.ReadInteger("Main", "Preview", -1), 0);
}

TEST_F(StartupTest, LockOfACrashedInstanceDoesNotBlock) {
  Child& crashed = start();
  ASSERT_TRUE(waitReady());
  kill(crashed.pid, SIGKILL);
  waitpid(crashed.pid, nullptr, 0);
  crashed.pid = -1;

  ASSERT_TRUE(QDir(home.path() + "/Temp").removeRecursively());
  Child& next = start();
  ASSERT_TRUE(waitReady()) << stderrOf(next).toStdString();
  EXPECT_TRUE(running(next));
  kill(next.pid, SIGTERM);
  EXPECT_EQ(waitExit(next, 60), 0);
}

TEST_F(StartupTest, FifosNamedLikeAPlugInAndAPictureDelayNothing) {
  QTemporaryDir shown;
  ASSERT_TRUE(shown.isValid());
  const QString folder = QDir(shown.path()).canonicalPath();
  graphics::TBMPGraphic(graphics::TBitmap(30, 20)).SaveToFile(folder + "/a.bmp");
  SpecialFiles special;
  special.Fifo(home.path() + "/zz.spi");
  special.Fifo(folder + "/x.jpg");
  Child* r = nullptr;
  // The thumbnail of a.bmp in the folder's temporary cache file: the folder was shown.
  const QString cacheFile = home.path() + "/Temp/" + QFileInfo(folder).fileName() + ".dat";
  ASSERT_TRUE(special.FinishesWithoutBlocking([&] {
    r = &start(true, folder);
    EXPECT_TRUE(waitFor(cacheFile, 15)) << stderrOf(*r).toStdString();
  }));
  ASSERT_TRUE(running(*r));
  kill(r->pid, SIGTERM);
  EXPECT_EQ(waitExit(*r, 60), 0);
  EXPECT_EQ(settings::TIniFile(ini).ReadString("Main", "RootPath", ""), folder);
  EXPECT_FALSE(QFileInfo::exists(cacheFile));
}

TEST_F(StartupTest, NoDisplaySaysSoInOneLine) {
  Child& r = start(false);
  EXPECT_EQ(waitExit(r, 60), 1);
  const QByteArray err = stderrOf(r);
  EXPECT_TRUE(err.contains("xvfb-run")) << err.toStdString();
  EXPECT_EQ(err.count('\n'), 1) << err.toStdString();
  EXPECT_FALSE(QFileInfo::exists(home.path() + "/Temp"));
}

}  // namespace
