#include "platform/temp_file.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cerrno>
#include <dirent.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/fileop.h"
#include "platform/regular_file.h"
#include "platform/save_file.h"
#include "tests/support/byte_names.h"

using namespace platform;

namespace {

bool Touch(const QByteArray& path) { return WriteBytePath(PathFromBytes(path), "left"); }

pid_t EndedProcess() {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ::waitpid(child, nullptr, 0);
  return child;
}

}  // namespace

// The temporary name takes nothing from the target's, so a name of the longest length the
// folder takes can be written.
TEST(TempFile, LongestNamesCanBeWritten) {
  QTemporaryDir dir;
  const ByteNameCleanup cleanup(dir.path());
  const QByteArray d = PathBytes(dir.path()) + "/";
  for (const int size : {243, 250, 255}) {
    SCOPED_TRACE(size);
    const QByteArray name = QByteArray(size - 4, char('a' + size % 26)) + ".jpg";
    const QByteArray utf8 = QByteArray(size % 3, 'u') + QByteArray("\xe3\x81\x82").repeated(size / 3);
    for (const QByteArray& n : {name, utf8}) {
      ASSERT_EQ(n.size(), size);
      const QString target = PathFromBytes(d + n);
      {
        TSaveFile f(target);
        ASSERT_TRUE(f.Open()) << strerror(f.Error());
        EXPECT_LT(f.TempPath().size() - d.size(), 48);
        f.Device().write(n);
        ASSERT_TRUE(f.Commit()) << strerror(f.Error());
      }
      EXPECT_EQ(ReadRegularFile(target, 1000).bytes, n);
      const QString copy = PathFromBytes(d + "sub/" + n);
      ::mkdir((d + "sub").constData(), 0755);
      ASSERT_EQ(CopyFileChecked(target, copy), 0);
      EXPECT_EQ(ReadRegularFile(copy, 1000).bytes, n);
    }
  }
  EXPECT_EQ(ByteNamesIn(d).size(), 7);  // six files and sub/
  EXPECT_EQ(ByteNamesIn(d + "sub").size(), 6);
}

// A writer killed midway leaves its temporary file; the next save into that folder removes
// it once its process has ended, and nothing else.
TEST(TempFile, TheNextSaveRemovesLeftoversOfEndedWritersOnly) {
  QTemporaryDir dir, outside;
  const QByteArray d = PathBytes(dir.path()) + "/";
  const pid_t ended = EndedProcess();
  ASSERT_GT(ended, 0);
  const QByteArray endedName = TempFileName(ended);
  QByteArray otherHost = endedName;
  otherHost[8] = otherHost[8] == '0' ? '1' : '0';  // the host tag follows ".qivo2-"
  QByteArray notHex = endedName;
  notHex[notHex.size() - 5] = 'z';
  const QList<QByteArray> gone = {endedName, TempFileName(ended)};
  QList<QByteArray> kept = {
      TempFileName(::getpid()),          // ours: still being written
      TempFileName(::getppid()),         // a living process
      otherHost,                         // another machine's on a shared folder
      notHex,                            // not our exact form
      endedName + ".bak",
      "x" + endedName,
      endedName.mid(1),                  // not hidden
      ".pic.jpg.k3j2h0.tmp",             // the old form: its writer cannot be told
      "pic.jpg",
  };
  for (const QByteArray& n : gone + kept) ASSERT_TRUE(Touch(d + n)) << n.constData();
  // A link or a folder of that form is not a temporary file; a link's target stays too.
  const QByteArray linkName = TempFileName(ended), folderName = TempFileName(ended);
  ASSERT_TRUE(Touch(PathBytes(outside.path()) + "/target"));
  ASSERT_EQ(::symlink((PathBytes(outside.path()) + "/target").constData(), (d + linkName).constData()), 0);
  ASSERT_EQ(::mkdir((d + folderName).constData(), 0755), 0);
  kept << linkName << folderName;
  if (::geteuid() == 0) {  // another user's is theirs to clean
    const QByteArray theirs = TempFileName(ended);
    ASSERT_TRUE(Touch(d + theirs));
    ASSERT_EQ(::chown((d + theirs).constData(), 65534, 65534), 0);
    kept << theirs;
  }

  TSaveFile f(PathFromBytes(d + "new.jpg"));
  ASSERT_TRUE(f.Open());
  f.Device().write("N");
  ASSERT_TRUE(f.Commit());
  kept << "new.jpg";
  std::sort(kept.begin(), kept.end());
  EXPECT_EQ(ByteNamesIn(d), kept);
  EXPECT_TRUE(BytePathExists(outside.path() + "/target"));
}

TEST(TempFile, NamesTellTheirProcessAndDiffer) {
  const QByteArray a = TempFileName(::getpid()), b = TempFileName(::getpid());
  EXPECT_NE(a, b);
  EXPECT_TRUE(a.startsWith(".qivo2-") && a.endsWith(".tmp")) << a.constData();
  EXPECT_TRUE(a.contains("-" + QByteArray::number(::getpid()) + "-")) << a.constData();
  EXPECT_EQ(a.mid(0, 16), b.mid(0, 16));  // one host tag
  // Removing from a folder that is not there is no error.
  EXPECT_EQ(RemoveEndedTempFiles("/nonexistent/qivo2"), 0);
}
