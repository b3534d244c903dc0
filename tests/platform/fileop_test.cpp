#include "platform/fileop.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/regular_file.h"
#include "tests/support/byte_names.h"
#include "tests/support/small_disk.h"

using namespace platform;

namespace {

QByteArray ContentOf(const QString& path) { return ReadRegularFile(path, 1 << 26).bytes; }

// Every name in the folder, hidden ones too: a failed copy must leave no temporary file.
QStringList NamesIn(const QString& folder) {
  return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

QByteArray Pattern(int size) {
  QByteArray b(size, Qt::Uninitialized);
  for (int i = 0; i < size; ++i) b[i] = char((i * 7 + i / 251) & 0xff);
  return b;
}

}  // namespace

TEST(CopyFileChecked, CopiesWholeAndKeepsTimeAndMode) {
  QTemporaryDir dir;
  const QString a = dir.path() + "/a.jpg", b = dir.path() + "/sub/b.jpg";
  QDir(dir.path()).mkdir("sub");
  const QByteArray data = Pattern(3 * 1024 * 1024 + 17);  // several chunks and a short one
  ASSERT_TRUE(WriteBytePath(a, data));
  ::chmod(QFile::encodeName(a).constData(), 0640);
  const struct timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
  ::utimensat(AT_FDCWD, QFile::encodeName(a).constData(), old, 0);
  int64_t lastProgress = 0;
  TCopyOptions o;
  o.Progress = [&](int64_t done) {
    EXPECT_GT(done, lastProgress);
    lastProgress = done;
    return true;
  };
  ASSERT_EQ(CopyFileChecked(a, b, o), 0);
  EXPECT_EQ(lastProgress, data.size());
  EXPECT_EQ(ContentOf(b), data);
  EXPECT_EQ(ContentOf(a), data);
  struct stat st {};
  ASSERT_EQ(::stat(QFile::encodeName(b).constData(), &st), 0);
  EXPECT_EQ(st.st_mtim.tv_sec, 1000000000);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(NamesIn(dir.path() + "/sub"), QStringList{"b.jpg"});
}

TEST(CopyFileChecked, RefusesWhatWouldLoseOrReplaceAFile) {
  QTemporaryDir dir;
  const QString d = dir.path() + "/";
  ASSERT_TRUE(WriteBytePath(d + "a", "A"));
  ASSERT_TRUE(WriteBytePath(d + "b", "B"));
  ASSERT_EQ(::link(QFile::encodeName(d + "a").constData(), QFile::encodeName(d + "a-link").constData()), 0);
  ASSERT_EQ(::symlink("a", QFile::encodeName(d + "a-sym").constData()), 0);
  QDir(dir.path()).mkdir("folder");
  ASSERT_EQ(::mkfifo(QFile::encodeName(d + "fifo").constData(), 0644), 0);
  ASSERT_EQ(::symlink("loop", QFile::encodeName(d + "loop").constData()), 0);
  struct Case {
    const char* from;
    const char* to;
    TReplace replace;
    int err;
  } cases[] = {
      {"a", "b", TReplace::Never, EEXIST},         // never replaces unasked
      {"a", "a", TReplace::Allowed, EINVAL},       // onto itself, even when replacing is allowed
      {"a", "a-link", TReplace::Allowed, EINVAL},  // a hard link is the same file
      {"a", "a-sym", TReplace::Allowed, EINVAL},   // so is a symbolic link to it
      {"a", "folder", TReplace::Allowed, EISDIR},  // a folder is not replaced by a file
      {"folder", "c", TReplace::Never, EISDIR},    // (a move renames the folder: see below)
      {"fifo", "c", TReplace::Never, ENOTSUP},     // does not wait for a writer
      {"none", "c", TReplace::Never, ENOENT},
      {"loop", "c", TReplace::Never, ELOOP},       // the system's own reason, not "no such file"
  };
  for (const Case& c : cases) {
    TCopyOptions o;
    o.Replace = c.replace;
    EXPECT_EQ(CopyFileChecked(d + c.from, d + c.to, o), c.err) << c.from << " -> " << c.to;
    if (QLatin1String(c.from) != "folder" && QLatin1String(c.from) != "fifo" &&
        QLatin1String(c.from) != "loop") {  // renamed, not copied
      EXPECT_NE(MoveFileChecked(d + c.from, d + c.to, o), 0) << "move " << c.from << " -> " << c.to;
    }
  }
  EXPECT_EQ(ContentOf(d + "a"), "A");
  EXPECT_EQ(ContentOf(d + "b"), "B");
  EXPECT_EQ(ContentOf(d + "a-link"), "A");
  EXPECT_FALSE(BytePathExists(d + "c"));
  EXPECT_EQ(NamesIn(dir.path()).size(), 6);  // a a-link a-sym b fifo loop: no temporary file left
  EXPECT_EQ(MoveFileChecked(d + "folder", d + "c"), 0);
  EXPECT_EQ(KindOfPath(d + "c"), PathKind::Folder);

  TCopyOptions replace;
  replace.Replace = TReplace::Allowed;
  EXPECT_EQ(CopyFileChecked(d + "a", d + "b", replace), 0);
  EXPECT_EQ(ContentOf(d + "b"), "A");
}

TEST(CopyFileChecked, AFailedOrCancelledCopyLeavesNoTarget) {
  QTemporaryDir dir;
  const QString d = dir.path() + "/";
  const QByteArray data = Pattern(2 * 1024 * 1024 + 5);
  ASSERT_TRUE(WriteBytePath(d + "a", data));
  struct Case {
    const char* what;
    int writesBeforeFailure;  // -1: never fails, the progress cancels instead
    int err;
  } cases[] = {{"full disk at once", 0, ENOSPC}, {"full disk mid-copy", 1, ENOSPC}, {"cancelled", -1, ECANCELED}};
  for (const Case& c : cases) {
    int writes = 0;
    TCopyOptions o;
    o.Write = [&](int fd, const void* p, size_t n) -> ssize_t {
      if (c.writesBeforeFailure >= 0 && writes++ >= c.writesBeforeFailure) {
        errno = ENOSPC;
        return -1;
      }
      return ::write(fd, p, n);
    };
    if (c.writesBeforeFailure < 0) o.Progress = [](int64_t done) { return done < 1024 * 1024; };
    EXPECT_EQ(CopyFileChecked(d + "a", d + "b", o), c.err) << c.what;
    EXPECT_EQ(MoveFileChecked(d + "a", d + "sub-missing/b", o), ENOENT) << c.what;
    EXPECT_EQ(NamesIn(dir.path()), QStringList{"a"}) << c.what;
    EXPECT_EQ(ContentOf(d + "a"), data) << c.what;
  }
}

TEST(MoveFileChecked, RenamesOnOneFileSystemWithoutReplacing) {
  QTemporaryDir dir;
  const ByteNameCleanup cleanup(dir.path());
  const QString d = dir.path() + "/";
  ASSERT_TRUE(WriteBytePath(d + "a", "A"));
  ASSERT_TRUE(WriteBytePath(d + "b", "B"));
  EXPECT_EQ(MoveFileChecked(d + "a", d + "b"), EEXIST);
  EXPECT_EQ(ContentOf(d + "a"), "A");
  const QString odd = BytePath(dir.path(), ByteNames().front());
  EXPECT_EQ(MoveFileChecked(d + "a", odd), 0);
  EXPECT_FALSE(BytePathExists(d + "a"));
  EXPECT_EQ(ReadRegularFile(odd, 10).bytes, "A");
  TCopyOptions replace;
  replace.Replace = TReplace::Allowed;
  EXPECT_EQ(MoveFileChecked(odd, d + "b", replace), 0);
  EXPECT_EQ(ContentOf(d + "b"), "A");
}

TEST(MoveFileChecked, AcrossFileSystemsTheSourceGoesOnlyAfterACompleteCopy) {
  SmallDisk disk("256k");
  if (!disk.mounted) GTEST_SKIP() << "no tmpfs can be mounted here";
  QTemporaryDir home;
  const QString small = home.path() + "/small", big = home.path() + "/big";
  ASSERT_TRUE(WriteBytePath(small, Pattern(1000)));
  ASSERT_TRUE(WriteBytePath(big, Pattern(600 * 1024)));  // more than the disk holds

  EXPECT_EQ(MoveFileChecked(small, disk.path() + "/small"), 0);
  EXPECT_FALSE(BytePathExists(small));
  EXPECT_EQ(ContentOf(disk.path() + "/small"), Pattern(1000));

  EXPECT_EQ(MoveFileChecked(big, disk.path() + "/big"), ENOSPC);
  EXPECT_EQ(ContentOf(big), Pattern(600 * 1024));
  EXPECT_EQ(NamesIn(disk.path()), QStringList{"small"});  // no partial target, no temporary file

  // Back again: an existing target is not replaced across file systems either.
  ASSERT_TRUE(WriteBytePath(small, "other"));
  EXPECT_EQ(MoveFileChecked(disk.path() + "/small", small), EEXIST);
  EXPECT_EQ(ContentOf(small), "other");
  EXPECT_EQ(ContentOf(disk.path() + "/small"), Pattern(1000));
}
