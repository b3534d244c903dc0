// Delete to the Trash, checked the way a file manager reads the Trash back: every
// info/NAME.trashinfo names its files/NAME, and its Path= decodes to where the file was.
#include "platform/fileop.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <ftw.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/regular_file.h"
#include "tests/support/byte_names.h"
#include "tests/support/small_disk.h"

using namespace platform;

namespace {

QByteArray Bytes(const QString& path) { return PathBytes(path); }
QByteArray ContentOf(const QByteArray& path) { return ReadRegularFile(PathFromBytes(path), 1 << 20).bytes; }
bool Exists(const QByteArray& path) {
  struct stat st {};
  return ::lstat(path.constData(), &st) == 0;
}
bool Write(const QByteArray& path, const QByteArray& content) { return WriteBytePath(PathFromBytes(path), content); }

// A private home: $HOME and $XDG_DATA_HOME point into a fresh folder while it lives.
struct TrashHome {
  QTemporaryDir dir;
  ByteNameCleanup cleanup{dir.path()};
  QByteArray oldHome = qgetenv("HOME"), oldData = qgetenv("XDG_DATA_HOME");
  TrashHome() {
    qputenv("HOME", Bytes(dir.path()));
    qputenv("XDG_DATA_HOME", Bytes(dir.path()) + "/data");
  }
  ~TrashHome() {
    qputenv("HOME", oldHome);
    if (oldData.isNull()) qunsetenv("XDG_DATA_HOME");
    else qputenv("XDG_DATA_HOME", oldData);
  }
  QByteArray path(const QByteArray& rest = {}) const { return Bytes(dir.path()) + "/" + rest; }
  QByteArray trash() const { return path("data/Trash"); }
};

// What a file manager's "Restore" does with every item of the Trash at `trash` (whose Path=
// values are relative to `top`, or absolute when `top` is empty): reads the .trashinfo, moves
// files/NAME back to the decoded path and drops the info. The paths restored.
QList<QByteArray> RestoreAll(const QByteArray& trash, const QByteArray& top = {}) {
  QList<QByteArray> restored;
  const QRegularExpression date(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d$"));
  for (const QByteArray& infoName : ByteNamesIn(trash + "/info")) {
    SCOPED_TRACE(infoName.toHex().toStdString());
    EXPECT_TRUE(infoName.endsWith(".trashinfo"));
    EXPECT_LE(infoName.size(), 255);
    const QByteArray name = infoName.chopped(10);
    const QList<QByteArray> lines = ContentOf(trash + "/info/" + infoName).split('\n');
    EXPECT_EQ(lines.size(), 4);  // three lines and the end of the last one
    EXPECT_EQ(lines.value(0), "[Trash Info]");
    EXPECT_TRUE(lines.value(1).startsWith("Path="));
    EXPECT_TRUE(lines.value(2).startsWith("DeletionDate="));
    EXPECT_TRUE(date.match(QString::fromLatin1(lines.value(2).mid(13))).hasMatch()) << lines.value(2).constData();
    QByteArray original = QByteArray::fromPercentEncoding(lines.value(1).mid(5));
    EXPECT_EQ(original.startsWith('/'), top.isEmpty()) << original.constData();
    if (!top.isEmpty()) original = top + "/" + original;
    EXPECT_FALSE(Exists(original));
    EXPECT_EQ(::rename((trash + "/files/" + name).constData(), original.constData()), 0) << strerror(errno);
    EXPECT_EQ(::unlink((trash + "/info/" + infoName).constData()), 0);
    restored << original;
  }
  EXPECT_TRUE(ByteNamesIn(trash + "/files").isEmpty());
  std::sort(restored.begin(), restored.end());
  return restored;
}

// Runs `fn` where file modes bind: in a child under an unprivileged user when we are root
// (the tree under `folder` is given to that user first). The child's result.
int AsPlainUser(const QByteArray& folder, int (*fn)(const QByteArray&)) {
  if (::geteuid() != 0) return fn(folder);
  static constexpr uid_t kNobody = 65534;
  ::nftw(folder.constData(), [](const char* p, const struct stat*, int, FTW*) { return ::lchown(p, kNobody, kNobody); },
         16, FTW_PHYS);
  const pid_t child = ::fork();
  if (child == 0) {
    if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(255);
    ::_exit(fn(folder));
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TEST(MoveToTrash, MovesIntoTheHomeTrashWhichItMakesPrivate) {
  TrashHome home;
  ASSERT_TRUE(Write(home.path("a.jpg"), "A"));
  EXPECT_EQ(MoveToTrash(PathFromBytes(home.path("a.jpg"))), 0);
  EXPECT_FALSE(Exists(home.path("a.jpg")));
  // Into the Trash of the data folder, which did not exist yet (not into the working folder).
  EXPECT_EQ(ContentOf(home.trash() + "/files/a.jpg"), "A");
  EXPECT_FALSE(BytePathExists(QDir::currentPath() + "/files/a.jpg"));
  for (const char* made : {"data", "data/Trash", "data/Trash/files", "data/Trash/info"}) {
    struct stat st {};
    ASSERT_EQ(::stat(home.path(made).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u) << made;
  }
  EXPECT_EQ(MoveToTrash(PathFromBytes(home.path("a.jpg"))), ENOENT);
  EXPECT_EQ(RestoreAll(home.trash()), QList<QByteArray>{home.path("a.jpg")});
  EXPECT_EQ(ContentOf(home.path("a.jpg")), "A");
}

// Every name a folder can hold goes to the Trash and comes back under its own bytes.
TEST(MoveToTrash, EveryNameGoesAndComesBack) {
  TrashHome home;
  const QByteArray longName = QByteArray(251, 'n') + ".jpg";            // 255 bytes
  const QByteArray longUtf8 = QByteArray(84, 'x') + QByteArray("\xe3\x81\x82").repeated(57);  // 255
  const QByteArray twinA = QByteArray(247, 'n') + "-one.jpg", twinB = QByteArray(247, 'n') + "-two.jpg";
  struct Case {
    QByteArray folder, name;
    bool isFolder;
  } cases[] = {
      {"", longName, false},
      {"", longUtf8, false},
      {"", twinA, false},  // shortened alike: the Trash names must still differ
      {"", twinB, false},
      {"", "line\nbreak %41 100%.jpg", false},
      {"", "caf\xe9 \xff.jpg", false},  // not UTF-8
      {"", "same.jpg", false},
      {"other", "same.jpg", false},  // one name twice
      {"other", "same.jpg.trashinfo", false},
      {"", "folder", true},
      {"", "?#[]@!$&'()*+,;= ~", false},
  };
  ASSERT_EQ(::mkdir(home.path("other").constData(), 0755), 0);
  QList<QByteArray> paths;
  for (const Case& c : cases) {
    const QByteArray p = home.path(c.folder.isEmpty() ? c.name : c.folder + "/" + c.name);
    if (c.isFolder) {
      ASSERT_EQ(::mkdir(p.constData(), 0755), 0);
      ASSERT_TRUE(Write(p + "/inside.jpg", p));
    } else {
      ASSERT_TRUE(Write(p, p)) << p.toHex().constData();
    }
    paths << p;
  }
  for (const QByteArray& p : paths) {
    SCOPED_TRACE(p.toHex().toStdString());
    EXPECT_EQ(MoveToTrash(PathFromBytes(p)), 0);
    EXPECT_FALSE(Exists(p));
  }
  EXPECT_EQ(ByteNamesIn(home.trash() + "/files").size(), paths.size());
  std::sort(paths.begin(), paths.end());
  EXPECT_EQ(RestoreAll(home.trash()), paths);
  for (size_t i = 0; i < std::size(cases); ++i) {
    const QByteArray p = home.path(cases[i].folder.isEmpty() ? cases[i].name : cases[i].folder + "/" + cases[i].name);
    EXPECT_EQ(ContentOf(cases[i].isFolder ? p + "/inside.jpg" : p), p) << p.toHex().constData();
  }
}

// Many files of one name each find a Trash name, and a name taken in files/ without its
// .trashinfo (left by another program) is never replaced.
TEST(MoveToTrash, NamesTakenInTheTrashAreNeverReplaced) {
  TrashHome home;
  // The folder that holds the Trash cannot go into it; the attempt leaves no .trashinfo.
  EXPECT_EQ(MoveToTrash(PathFromBytes(home.path())), EINVAL);
  EXPECT_TRUE(ByteNamesIn(home.trash() + "/info").isEmpty());
  ASSERT_TRUE(Write(home.path("x.jpg"), "first"));
  ASSERT_EQ(MoveToTrash(PathFromBytes(home.path("x.jpg"))), 0);
  ASSERT_TRUE(Write(home.trash() + "/files/x.2.jpg", "orphan"));
  for (int i = 0; i < 60; ++i) {
    ASSERT_TRUE(Write(home.path("x.jpg"), QByteArray::number(i)));
    ASSERT_EQ(MoveToTrash(PathFromBytes(home.path("x.jpg"))), 0) << i;
  }
  EXPECT_EQ(ContentOf(home.trash() + "/files/x.2.jpg"), "orphan");
  EXPECT_EQ(ByteNamesIn(home.trash() + "/files").size(), 62);
  EXPECT_EQ(ByteNamesIn(home.trash() + "/info").size(), 61);
}

// A Trash that cannot take the file is an error, and the file stays where it was.
TEST(MoveToTrash, ATrashThatTakesNothingLeavesTheFile) {
  TrashHome home;
  ASSERT_TRUE(Write(home.path("a.jpg"), "A"));
  ASSERT_TRUE(Write(home.path("b.jpg"), "B"));
  ASSERT_EQ(MoveToTrash(PathFromBytes(home.path("b.jpg"))), 0);  // makes the Trash
  ASSERT_EQ(::chmod((home.trash() + "/info").constData(), 0500), 0);
  EXPECT_EQ(AsPlainUser(home.path(), [](const QByteArray& d) { return MoveToTrash(PathFromBytes(d + "/a.jpg")); }),
            EACCES);
  ASSERT_EQ(::chmod((home.trash() + "/info").constData(), 0700), 0);
  EXPECT_EQ(ContentOf(home.path("a.jpg")), "A");
  EXPECT_EQ(ByteNamesIn(home.trash() + "/info"), QList<QByteArray>{"b.jpg.trashinfo"});

  // files/ that refuses the rename: the .trashinfo just made goes again.
  ASSERT_EQ(::chmod((home.trash() + "/files").constData(), 0500), 0);
  EXPECT_EQ(AsPlainUser(home.path(), [](const QByteArray& d) { return MoveToTrash(PathFromBytes(d + "/a.jpg")); }),
            EACCES);
  ASSERT_EQ(::chmod((home.trash() + "/files").constData(), 0700), 0);
  EXPECT_EQ(ContentOf(home.path("a.jpg")), "A");
  EXPECT_EQ(ByteNamesIn(home.trash() + "/info"), QList<QByteArray>{"b.jpg.trashinfo"});
}

// A file on another file system goes to the Trash at the top of that one, never through a
// copy: $top/.Trash/$uid when an administrator made a sticky $top/.Trash, else $top/.Trash-$uid.
TEST(MoveToTrash, OnAnotherFileSystemTheTrashIsAtItsTop) {
  TrashHome home;
  const QByteArray uid = QByteArray::number(::geteuid());
  struct Case {
    const char* what;
    QByteArray setup;   // shell commands run in $top first
    QByteArray trash;   // below $top; empty: no Trash can be used
  } cases[] = {
      {"none yet", "", ".Trash-" + uid},
      {"sticky .Trash", "mkdir -m 1777 .Trash", ".Trash/" + uid},
      {".Trash not sticky", "mkdir -m 0777 .Trash", ".Trash-" + uid},
      {".Trash a link", "mkdir -m 1777 real && ln -s real .Trash", ".Trash-" + uid},
      {".Trash-uid a file", "touch .Trash-" + uid, ""},
      {".Trash-uid a link", "mkdir -m 0700 real && ln -s real .Trash-" + uid, ""},
  };
  SmallDisk disk("1m");
  const bool mounted = disk.mounted;
  struct stat shm {}, ours {};
  const bool shmApart = ::stat("/dev/shm", &shm) == 0 && ::stat(home.path().constData(), &ours) == 0 &&
                        shm.st_dev != ours.st_dev && ::access("/dev/shm", W_OK) == 0;
  if (!mounted && !shmApart) GTEST_SKIP() << "no second file system here";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // Only a file system of the test's own takes the variants; /dev/shm is shared with others.
    if (!mounted && !c.setup.isEmpty()) continue;
    const QByteArray top = mounted ? Bytes(disk.path()) : QByteArray("/dev/shm");
    QTemporaryDir under(mounted ? disk.path() + "/work-XXXXXX" : QStringLiteral("/dev/shm/qivo2-trash-XXXXXX"));
    ASSERT_TRUE(under.isValid());
    if (mounted) {
      const QByteArray script = "cd '" + top + "' && rm -rf .Trash .Trash-* real && " +
                                (c.setup.isEmpty() ? QByteArray("true") : c.setup);
      ASSERT_EQ(std::system(script.constData()), 0);
    }
    const QByteArray file = Bytes(under.path()) + "/pic\n%.jpg";
    ASSERT_TRUE(Write(file, "P"));
    const int err = MoveToTrash(PathFromBytes(file));
    if (c.trash.isEmpty()) {
      EXPECT_NE(err, 0);
      EXPECT_EQ(ContentOf(file), "P");
      EXPECT_TRUE(ByteNamesIn(home.trash() + "/files").isEmpty());
      continue;
    }
    ASSERT_EQ(err, 0) << strerror(err);
    EXPECT_FALSE(Exists(file));
    const QByteArray trash = top + "/" + c.trash;
    struct stat st {};
    ASSERT_EQ(::lstat(trash.constData(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(RestoreAll(trash, top), QList<QByteArray>{file});
    EXPECT_EQ(ContentOf(file), "P");
    if (!mounted) {
      for (const char* part : {"/files", "/info", ""}) ::rmdir((trash + part).constData());
    }
  }
}
