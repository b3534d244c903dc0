#include "platform/regular_file.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/nonregular_files.h"

using platform::FileError;
using platform::ReadRegularFile;
using platform::RegularFile;

namespace {

class SpecialFilesNeverBlock : public ::testing::Test {
 protected:
  QTemporaryDir dir_;
  SpecialFiles special_;

  QString Write(const QString& name, const QByteArray& bytes) {
    const QString path = dir_.filePath(name);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return path;
  }
};

TEST_F(SpecialFilesNeverBlock, OnlyRegularFilesOpen) {
  const QString regular = Write("a.jpg", "picture");
  ASSERT_EQ(::symlink("a.jpg", QFile::encodeName(dir_.filePath("link.jpg")).constData()), 0);
  ASSERT_EQ(::symlink("loop.jpg", QFile::encodeName(dir_.filePath("loop.jpg")).constData()), 0);
  // errno: the system's own reason, kept for the messages (0 where the open itself worked).
  struct Case {
    QString path;
    FileError error;
    int errnum;
  } cases[] = {
      {regular, FileError::None, 0},
      {dir_.filePath("link.jpg"), FileError::None, 0},
      {dir_.filePath("missing.jpg"), FileError::NotFound, ENOENT},
      {dir_.filePath("a.jpg/below"), FileError::NotFound, ENOTDIR},
      {dir_.filePath("loop.jpg"), FileError::NotFound, ELOOP},
      {QString(), FileError::NotFound, ENOENT},
      {dir_.path(), FileError::NotRegular, 0},
      {special_.Fifo(dir_.filePath("x.jpg")), FileError::NotRegular, 0},
      {special_.Socket(dir_.filePath("s.jpg")), FileError::NotRegular, ENXIO},
      {SpecialFiles::DanglingLink(dir_.filePath("d.jpg")), FileError::NotFound, ENOENT},
      {QStringLiteral("/dev/null"), FileError::NotRegular, 0},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(special_.FinishesWithoutBlocking([&] {
      const RegularFile f = RegularFile::Open(c.path);
      EXPECT_EQ(f.Error(), c.error) << c.path.toStdString();
      EXPECT_EQ(f.Errno(), c.errnum) << c.path.toStdString();
      EXPECT_EQ(f.FailureText().isEmpty(), c.error == FileError::None) << c.path.toStdString();
      if (c.errnum != 0) {
        EXPECT_EQ(f.FailureText(), qt_error_string(c.errnum)) << c.path.toStdString();
      }
      EXPECT_EQ(bool(f), c.error == FileError::None) << c.path.toStdString();
      EXPECT_EQ(platform::CheckRegularFile(c.path), c.error) << c.path.toStdString();
      EXPECT_EQ(ReadRegularFile(c.path, 100).error, c.error) << c.path.toStdString();
    })) << c.path.toStdString();
  }
}

TEST_F(SpecialFilesNeverBlock, AnOpenedFileReadsNormally) {
  RegularFile f = RegularFile::Open(Write("a.bin", "0123456789"));
  ASSERT_TRUE(f);
  EXPECT_EQ(f.Size(), 10);
  // The descriptor must be blocking again, or a slow file system would give short reads.
  EXPECT_EQ(::fcntl(f.Fd(), F_GETFL) & O_NONBLOCK, 0);
  EXPECT_NE(::fcntl(f.Fd(), F_GETFD) & FD_CLOEXEC, 0);
  QFile same(QFile::decodeName(f.FdPath()));
  ASSERT_TRUE(same.open(QIODevice::ReadOnly));
  EXPECT_EQ(same.readAll(), "0123456789");
  EXPECT_EQ(f.Read(4), "0123");
  {
    QFile lent;
    ASSERT_TRUE(f.LendTo(lent));
    EXPECT_EQ(lent.readAll(), "456789");
  }
  // Closing the QFile leaves the descriptor to its owner.
  EXPECT_NE(::fcntl(f.Fd(), F_GETFD), -1);
}

TEST_F(SpecialFilesNeverBlock, ReadingHonoursTheLimit) {
  const QString path = Write("ten.bin", "0123456789");
  struct Case {
    int64_t limit;
    bool cut;
    FileError error;
    QByteArray bytes;
  } cases[] = {
      {10, false, FileError::None, "0123456789"},
      {100, false, FileError::None, "0123456789"},
      {9, false, FileError::Other, {}},
      {4, true, FileError::None, "0123"},
  };
  for (const auto& c : cases) {
    const auto r = ReadRegularFile(path, c.limit, c.cut);
    EXPECT_EQ(r.error, c.error) << c.limit;
    EXPECT_EQ(r.bytes, c.bytes) << c.limit;
  }
  EXPECT_EQ(ReadRegularFile(Write("empty.bin", {}), 10).error, FileError::None);
}

// Root reads any file, so the refusal is seen from a child that gave up root.
TEST_F(SpecialFilesNeverBlock, AnUnreadableFileIsNoPermission) {
  const QString path = Write("locked.jpg", "x");
  ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0), 0);
  if (::geteuid() != 0) {
    EXPECT_EQ(RegularFile::Open(path).Error(), FileError::NoPermission);
    return;
  }
  ::chmod(QFile::encodeName(dir_.path()).constData(), 0755);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
    ::_exit(RegularFile::Open(path).Error() == FileError::NoPermission ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 2) GTEST_SKIP() << "cannot give up root here";
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
