#include "platform/single_instance.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class SingleInstanceTest : public ::testing::Test {
 protected:
  QTemporaryDir runtime;
  void SetUp() override { qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8()); }
  void TearDown() override { qunsetenv("XDG_RUNTIME_DIR"); }
};

TEST_F(SingleInstanceTest, OneHolderAtATime) {
  platform::TSingleInstance a("EX_Mutex"), b("EX_Mutex"), other("Other");
  EXPECT_EQ(a.LockFilePath(), runtime.path() + "/EX_Mutex");
  EXPECT_TRUE(a.TryAcquire());
  EXPECT_FALSE(b.TryAcquire());
  EXPECT_TRUE(other.TryAcquire());
  a.Release();
  EXPECT_TRUE(b.TryAcquire());
}

TEST_F(SingleInstanceTest, KilledHolderLeavesNoStaleLock) {
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t kid = fork();
  ASSERT_GE(kid, 0);
  if (kid == 0) {
    platform::TSingleInstance held("EX_Mutex");
    const char c = held.TryAcquire() ? 1 : 0;
    if (write(ready[1], &c, 1) != 1) _exit(1);
    pause();
    _exit(0);
  }
  char c = 0;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  ASSERT_EQ(c, 1);
  platform::TSingleInstance me("EX_Mutex");
  EXPECT_FALSE(me.TryAcquire());
  kill(kid, SIGKILL);
  waitpid(kid, nullptr, 0);
  EXPECT_TRUE(QFile::exists(me.LockFilePath()));
  EXPECT_TRUE(me.TryAcquire());
  close(ready[0]);
  close(ready[1]);
}

TEST_F(SingleInstanceTest, PlantedLinkIsNotFollowed) {
  const QString victim = runtime.path() + "/victim";
  QFile f(victim);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("keep");
  f.close();
  ASSERT_TRUE(QFile::link(victim, runtime.path() + "/EX_Mutex"));
  platform::TSingleInstance a("EX_Mutex");
  EXPECT_TRUE(a.TryAcquire());  // a start is never refused for want of a lock
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), "keep");
}

}  // namespace
