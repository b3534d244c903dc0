#include "platform/profile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <csignal>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace pp = platform::profile;

namespace {

// A byte string literal with its NULs kept.
template <size_t N>
QByteArray raw(const char (&s)[N]) {
  return QByteArray(s, N - 1);
}

QByteArray readAll(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

void writeRaw(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(bytes);
}

class ProfileTest : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  QString file() const { return dir.path() + "/qivo2.ini"; }
};

struct ReadCase {
  const char* what;
  QByteArray content;  // empty: no file at all
  const char* section;
  const char* key;
  const char* expected;  // ReadString with default "DEF"
  int expectedInt;       // ReadInteger with default -7
};

const ReadCase kReadCases[] = {
    {"missing file", "", "Main", "State", "DEF", -7},
    {"missing section", "[Other]\nState=1\n", "Main", "State", "DEF", -7},
    {"missing key", "[Main]\nCWidth=5\n", "Main", "State", "DEF", -7},
    {"plain", "[Main]\nState=1\n", "Main", "State", "1", 1},
    {"first duplicate wins", "[Main]\nState=3\nState=4\n", "Main", "State", "3", 3},
    {"duplicate section, key in second", "[Main]\nA=1\n[X]\n[main]\nState=9\n", "Main", "State", "9", 9},
    {"key case", "[Main]\nSTATE=5\n", "Main", "state", "5", 5},
    {"section case", "[mAIN]\nState=6\n", "MAIN", "State", "6", 6},
    {"blanks around =", "[ Main ]\n  State   =   12  \n", "Main", "State", "12", 12},
    {"value with =", "[Main]\nRootPath=/a=b/c\n", "Main", "RootPath", "/a=b/c", -7},
    {"empty value", "[Main]\nRootPath=\n", "Main", "RootPath", "", -7},
    {"crlf", "[Main]\r\nState=1\r\nTop=33\r\n", "Main", "Top", "33", 33},
    {"no final newline", "[Main]\nLeft=44", "Main", "Left", "44", 44},
    {"negative", "[Catalog]\nColor=-2147483633\n", "Catalog", "Color", "-2147483633", -2147483633},
    {"hex dollar", "[Catalog]\nColor=$8000000F\n", "Catalog", "Color", "$8000000F", -2147483633},
    {"not a number", "[Main]\nState=yes\n", "Main", "State", "yes", -7},
    {"out of range", "[Main]\nState=99999999999\n", "Main", "State", "99999999999", -7},
    {"comment not a key", "[Main]\n;State=1\n", "Main", "State", "DEF", -7},
    {"key before any section", "State=1\n[Main]\n", "Main", "State", "DEF", -7},
    {"byte-order mark", "\xEF\xBB\xBF[Main]\nState=3\n", "Main", "State", "3", 3},
    {"utf-8 value", "[Main]\nRootPath=/写真/旅行\n", "Main", "RootPath", "/写真/旅行", -7},
    {"binary garbage", raw("\x00\xff\xfe[\x01\x02=\x03\n\x80\x81\n") + "[Main]\nState=1\n",
     "Main", "State", "1", 1},
    {"garbage only", raw("\xff\xd8\xff\xe0\x00\x10JFIF\x00\x01=\x02"), "Main", "State", "DEF",
     -7},
};

}  // namespace

TEST_F(ProfileTest, ReadsTrickyFiles) {
  for (const ReadCase& c : kReadCases) {
    SCOPED_TRACE(c.what);
    QFile::remove(file());
    if (!c.content.isEmpty()) writeRaw(file(), c.content);
    EXPECT_EQ(pp::ReadString(file(), c.section, c.key, "DEF"), QString::fromUtf8(c.expected));
    EXPECT_EQ(pp::ReadInteger(file(), c.section, c.key, -7), c.expectedInt);
  }
}

namespace {

struct WriteCase {
  const char* what;
  QByteArray before;  // empty: no file
  const char* section;
  const char* key;
  const char* value;
  QByteArray after;
};

const WriteCase kWriteCases[] = {
    {"creates the file", "", "Main", "State", "1", "[Main]\nState=1\n"},
    {"replaces in place, keeps comments",
     "; top comment\n[Main]\n; about state\nState=0\nTop=5\n\n[View]\nAdSize=1\n", "main", "STATE", "1",
     "; top comment\n[Main]\n; about state\nState=1\nTop=5\n\n[View]\nAdSize=1\n"},
    {"adds after the section's last key",
     "[Main]\nState=0\n\n; view settings\n[View]\nAdSize=1\n", "Main", "Left", "10",
     "[Main]\nState=0\nLeft=10\n\n; view settings\n[View]\nAdSize=1\n"},
    {"adds to an empty section", "[Main]\n[View]\n", "Main", "Left", "10", "[Main]\nLeft=10\n[View]\n"},
    {"appends a section", "[Main]\nState=0\n", "View", "AdSize", "1", "[Main]\nState=0\n\n[View]\nAdSize=1\n"},
    {"keeps crlf", "[Main]\r\nState=0\r\n", "Main", "Top", "3", "[Main]\r\nState=0\r\nTop=3\r\n"},
    {"no final newline", "[Main]\nState=0", "Main", "Top", "3", "[Main]\nState=0\nTop=3\n"},
    {"no final newline, new section", "[Main]\nState=0", "X", "Y", "z", "[Main]\nState=0\n\n[X]\nY=z\n"},
    {"updates the first duplicate", "[Main]\nState=3\nState=4\n", "Main", "State", "5",
     "[Main]\nState=5\nState=4\n"},
    {"keeps the stored spelling of the key", "[Main]\n  cwidth = 7\n", "Main", "CWidth", "8",
     "[Main]\ncwidth=8\n"},
    {"empty value", "[OtherSoft]\nPath2=/usr/bin/gimp\n", "OtherSoft", "Path2", "", "[OtherSoft]\nPath2=\n"},
    {"value with = and blanks", "", "Main", "RootPath", "/a b=c", "[Main]\nRootPath=/a b=c\n"},
    {"line break in a value cannot add keys", "", "Main", "RootPath", "/x\n[Evil]\nK=1",
     "[Main]\nRootPath=/x [Evil] K=1\n"},
    {"keeps a byte-order mark", "\xEF\xBB\xBF[Main]\nState=0\n", "Main", "State", "1",
     "\xEF\xBB\xBF[Main]\nState=1\n"},
    {"garbage kept byte for byte", raw("\xff\xfe\x00junk\r\x80\n[Main]\nState=0\n"), "View",
     "AdSize", "1", raw("\xff\xfe\x00junk\r\x80\n[Main]\nState=0\n\n[View]\nAdSize=1\n")},
};

}  // namespace

TEST_F(ProfileTest, WritesKeepEverythingElse) {
  for (const WriteCase& c : kWriteCases) {
    SCOPED_TRACE(c.what);
    QFile::remove(file());
    if (!c.before.isEmpty()) writeRaw(file(), c.before);
    EXPECT_TRUE(pp::WriteString(file(), c.section, c.key, c.value));
    EXPECT_EQ(readAll(file()), c.after);
  }
}

TEST_F(ProfileTest, WriteThenReadBack) {
  EXPECT_TRUE(pp::WriteInteger(file(), "Catalog", "Color", -2147483633));
  EXPECT_TRUE(pp::WriteString(file(), "Main", "RootPath", "/home/u/写真"));
  EXPECT_EQ(pp::ReadInteger(file(), "catalog", "color", 0), -2147483633);
  EXPECT_EQ(pp::ReadString(file(), "MAIN", "rootpath", ""), "/home/u/写真");
  // Rewriting an unchanged value leaves the file as it was.
  const QByteArray before = readAll(file());
  EXPECT_TRUE(pp::WriteString(file(), "Main", "RootPath", "/home/u/写真"));
  EXPECT_EQ(readAll(file()), before);
}

TEST_F(ProfileTest, RejectsNamesThatWouldBreakTheFile) {
  EXPECT_FALSE(pp::WriteString(file(), "Ma]in", "K", "v"));
  EXPECT_FALSE(pp::WriteString(file(), "Main", "K=1", "v"));
  EXPECT_FALSE(pp::WriteString(file(), "Main", "K\nX", "v"));
  EXPECT_FALSE(pp::WriteString(file(), "", "K", "v"));
  EXPECT_FALSE(pp::WriteString(file(), "Main", "  ", "v"));
  EXPECT_FALSE(QFile::exists(file()));
}

TEST_F(ProfileTest, DeleteKeyAndSection) {
  writeRaw(file(), "[Main]\nState=1\nTop=2\nstate=3\n; note\n[View]\nAdSize=1\n[Tail]\nX=1\n");
  EXPECT_TRUE(pp::DeleteKey(file(), "main", "STATE"));
  EXPECT_EQ(readAll(file()), "[Main]\nTop=2\n; note\n[View]\nAdSize=1\n[Tail]\nX=1\n");
  EXPECT_EQ(pp::ReadInteger(file(), "Main", "State", -1), -1);
  EXPECT_TRUE(pp::SectionExists(file(), "VIEW"));
  EXPECT_TRUE(pp::EraseSection(file(), "view"));
  EXPECT_FALSE(pp::SectionExists(file(), "View"));
  EXPECT_EQ(readAll(file()), "[Main]\nTop=2\n; note\n[Tail]\nX=1\n");
  writeRaw(file(), "[A]\nX=1\n[B]\nY=2\n[a]\nZ=3\n");
  EXPECT_TRUE(pp::EraseSection(file(), "A"));
  EXPECT_EQ(readAll(file()), "[B]\nY=2\n");
  // Deleting what is not there neither fails nor creates a file.
  EXPECT_TRUE(pp::DeleteKey(file(), "Nope", "X"));
  const QString none = dir.path() + "/none.ini";
  EXPECT_TRUE(pp::DeleteKey(none, "Main", "X"));
  EXPECT_TRUE(pp::EraseSection(none, "Main"));
  EXPECT_FALSE(QFile::exists(none));
  EXPECT_FALSE(pp::SectionExists(none, "Main"));
}

TEST_F(ProfileTest, MissingOrReadOnlyPlacesGiveDefaults) {
  const QString missing = dir.path() + "/no/such/folder/q.ini";
  EXPECT_FALSE(pp::WriteString(missing, "Main", "State", "1"));
  EXPECT_EQ(pp::ReadInteger(missing, "Main", "State", 4), 4);
  EXPECT_FALSE(pp::WriteString(QString(), "Main", "State", "1"));
  EXPECT_EQ(pp::ReadInteger(QString(), "Main", "State", 4), 4);
  // A folder as the file name.
  EXPECT_EQ(pp::ReadInteger(dir.path(), "Main", "State", 4), 4);
  EXPECT_FALSE(pp::WriteString(dir.path(), "Main", "State", "1"));

  // A FIFO under the file's name neither blocks nor is replaced.
  const QString fifo = dir.path() + "/fifo.ini";
  ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  EXPECT_EQ(pp::ReadInteger(fifo, "Main", "State", 4), 4);
  EXPECT_FALSE(pp::WriteString(fifo, "Main", "State", "1"));
  struct stat st {};
  ASSERT_EQ(stat(QFile::encodeName(fifo).constData(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));

  writeRaw(file(), "[Main]\nState=1\n");
  ASSERT_EQ(chmod(QFile::encodeName(file()).constData(), 0444), 0);
  const QString roDir = dir.path() + "/ro";
  ASSERT_TRUE(QDir().mkpath(roDir));
  ASSERT_EQ(chmod(QFile::encodeName(roDir).constData(), 0555), 0);
  auto readOnlyChecks = [&] {
    return !pp::WriteString(file(), "Main", "State", "0") &&
           pp::ReadInteger(file(), "Main", "State", 0) == 1 &&
           !pp::WriteString(roDir + "/q.ini", "Main", "State", "1") &&
           pp::ReadInteger(roDir + "/q.ini", "Main", "State", 2) == 2;
  };
  if (geteuid() != 0) {
    EXPECT_TRUE(readOnlyChecks());
  } else {
    // Root ignores permissions: run the checks as an ordinary user.
    ASSERT_EQ(chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
    const pid_t kid = fork();
    ASSERT_GE(kid, 0);
    if (kid == 0) {
      if (setgid(65534) != 0 || setuid(65534) != 0) _exit(2);
      _exit(readOnlyChecks() ? 0 : 1);
    }
    int status = 0;
    waitpid(kid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
  }
  EXPECT_EQ(readAll(file()), "[Main]\nState=1\n");
  chmod(QFile::encodeName(roDir).constData(), 0755);
  chmod(QFile::encodeName(file()).constData(), 0644);
}

TEST_F(ProfileTest, KeepsModeAndFollowsLinks) {
  writeRaw(file(), "[Main]\nState=1\n");
  ASSERT_EQ(chmod(QFile::encodeName(file()).constData(), 0600), 0);
  const QString link = dir.path() + "/link.ini";
  ASSERT_TRUE(QFile::link(file(), link));
  EXPECT_TRUE(pp::WriteString(link, "Main", "State", "0"));
  EXPECT_TRUE(QFileInfo(link).isSymLink());
  EXPECT_EQ(readAll(file()), "[Main]\nState=0\n");
  struct stat st {};
  ASSERT_EQ(stat(QFile::encodeName(file()).constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(ProfileTest, SeesChangesMadeByOthers) {
  EXPECT_TRUE(pp::WriteString(file(), "Main", "State", "1"));
  // Another process rewrites the file between our operations.
  writeRaw(file(), "[Main]\nState=0\nTop=9\n");
  EXPECT_EQ(pp::ReadInteger(file(), "Main", "Top", 0), 9);
  EXPECT_TRUE(pp::WriteString(file(), "Main", "Left", "4"));
  EXPECT_EQ(readAll(file()), "[Main]\nState=0\nTop=9\nLeft=4\n");
}

TEST_F(ProfileTest, ConcurrentWritersKeepEachOthersKeys) {
  constexpr int kRounds = 60;
  pid_t kids[2];
  for (int k = 0; k < 2; ++k) {
    kids[k] = fork();
    ASSERT_GE(kids[k], 0);
    if (kids[k] == 0) {
      const QString key = QString("Writer%1_").arg(k);
      for (int i = 0; i < kRounds; ++i) pp::WriteInteger(file(), "S", key + QString::number(i), i);
      _exit(0);
    }
  }
  for (pid_t p : kids) {
    int status = 0;
    waitpid(p, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  for (int k = 0; k < 2; ++k)
    for (int i = 0; i < kRounds; ++i)
      ASSERT_EQ(pp::ReadInteger(file(), "S", QString("Writer%1_%2").arg(k).arg(i), -1), i)
          << "writer " << k << " key " << i;
}

// A writer killed at any moment leaves the old file or the new one, never a mixture.
TEST_F(ProfileTest, WriterKilledMidWriteLeavesCompleteFile) {
  const QByteArray tail(4000, 't');
  auto content = [&](char c) {
    return "[Main]\nValue=" + QByteArray(200000, c) + "\n[Tail]\nT=" + tail + "\n";
  };
  writeRaw(file(), content('a'));
  std::mt19937 rng(12345);
  for (int round = 0; round < 25; ++round) {
    const pid_t kid = fork();
    ASSERT_GE(kid, 0);
    if (kid == 0) {
      for (int i = 0;; ++i)
        pp::WriteString(file(), "Main", "Value", QString(200000, QChar('a' + (i + round) % 26)));
    }
    usleep(std::uniform_int_distribution<int>(0, 20000)(rng));
    kill(kid, SIGKILL);
    int status = 0;
    waitpid(kid, &status, 0);
    const QByteArray now = readAll(file());
    ASSERT_EQ(now.size(), content('a').size()) << "round " << round;
    const char c = now.at(13);
    ASSERT_EQ(now, content(c)) << "round " << round;
  }
}
