#pragma once
// Files far larger than any picture, for tests that what is not a picture is refused from its
// first bytes: sparse files (no disk used) and links to an endless device. Peak memory is
// read from getrusage: of this process (a delta of its high-water mark) or of a child run
// to its end.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QIODevice>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace hugefiles {

inline constexpr int64_t kFourGiB = int64_t(4) << 30;
// What loading one refused file may add to the peak.
inline constexpr long kMaxPeakGrowthKb = 300L * 1024;

inline QString Sparse(const QString& path, int64_t size = kFourGiB) {
  const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  EXPECT_GE(fd, 0) << path.toStdString();
  EXPECT_EQ(::ftruncate(fd, off_t(size)), 0) << path.toStdString();
  ::close(fd);
  return path;
}

inline QString LinkToZero(const QString& path) {
  EXPECT_EQ(::symlink("/dev/zero", QFile::encodeName(path).constData()), 0) << path.toStdString();
  return path;
}

// A pipe-like device: `head`, then zeros without end.
class EndlessDevice : public QIODevice {
 public:
  explicit EndlessDevice(QByteArray head) : head_(std::move(head)) { open(QIODevice::ReadOnly); }
  bool isSequential() const override { return true; }
  int64_t Served() const { return served_; }

 protected:
  qint64 readData(char* data, qint64 max) override {
    const qint64 fromHead = std::clamp<qint64>(head_.size() - served_, 0, max);
    std::memcpy(data, head_.constData() + served_, size_t(fromHead));
    std::memset(data + fromHead, 0, size_t(max - fromHead));
    served_ += max;
    return max;
  }
  qint64 writeData(const char*, qint64) override { return -1; }

 private:
  QByteArray head_;
  int64_t served_ = 0;
};

// This process's peak resident size so far, in kB.
inline long PeakKb() {
  rusage u{};
  ::getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

struct ChildRun {
  int exitCode = -1;  // -1: killed by a signal
  long peakKb = 0;
  QByteArray err;
};

// Runs program to its end with stderr caught; the environment is this process's.
inline ChildRun Run(const QString& program, const QStringList& args, const QString& errFile) {
  std::vector<QByteArray> bytes{QFile::encodeName(program)};
  for (const QString& a : args) bytes.push_back(QFile::encodeName(a));
  std::vector<char*> argv;
  for (QByteArray& b : bytes) argv.push_back(b.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 2, QFile::encodeName(errFile).constData(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  ChildRun r;
  const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  EXPECT_EQ(rc, 0) << program.toStdString();
  if (rc != 0) return r;
  int status = 0;
  rusage u{};
  EXPECT_EQ(::wait4(pid, &status, 0, &u), pid);
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.peakKb = u.ru_maxrss;
  QFile f(errFile);
  if (f.open(QIODevice::ReadOnly)) r.err = f.readAll();
  return r;
}

}  // namespace hugefiles
