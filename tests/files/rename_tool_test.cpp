// qivo2-rename end to end: its exit status and messages, and a kill at any moment of a run
// that never loses or doubles a file.
#include <gtest/gtest.h>

#include <QDir>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/regular_file.h"
#include "tests/support/byte_names.h"

extern char** environ;

namespace {

struct ToolRun {
  int exitCode = -1;
  QString out, err;
};

ToolRun RunTool(const QStringList& args) {
  QProcess p;
  p.start(QStringLiteral(QIVO2_RENAME_TOOL), args);
  p.waitForFinished(60000);
  return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
          QString::fromUtf8(p.readAllStandardError())};
}

// Content -> how many files hold it; names are read as bytes (QDir would lose some).
QMap<QByteArray, int> ContentCounts(const QString& folder) {
  QMap<QByteArray, int> out;
  DIR* d = ::opendir(QFile::encodeName(folder).constData());
  if (!d) return out;
  while (const dirent* e = ::readdir(d)) {
    if (e->d_type != DT_REG) continue;
    ++out[platform::ReadRegularFile(BytePath(folder, QByteArray(e->d_name)), 1 << 16).bytes];
  }
  ::closedir(d);
  return out;
}

}  // namespace

TEST(RenameTool, ExitStatusDryRunAndFailures) {
  QTemporaryDir dir;
  for (const char* n : {"b.jpg", "a.PNG", "note.txt"}) ASSERT_TRUE(WriteBytePath(dir.path() + "/" + n, n));
  struct Case {
    QStringList args;
    int exitCode;
  } wrong[] = {
      {{"--form", "sideways", dir.path()}, 2},
      {{"--form", "name-number", dir.path()}, 2},  // no text
      {{"--text", "x/y", "--form", "number-name", dir.path()}, 2},
      {{"--start", "100000", dir.path()}, 2},
      {{"--digits", "0", dir.path()}, 2},
      {{dir.path() + "/none"}, 2},
      {{}, 2},
  };
  for (const Case& c : wrong) EXPECT_EQ(RunTool(c.args).exitCode, c.exitCode) << c.args.join(' ').toStdString();

  const ToolRun dry = RunTool({"--dry-run", "--form", "number-name", "--text", "_x", "--ext", ".jpeg", dir.path()});
  EXPECT_EQ(dry.exitCode, 0);
  EXPECT_EQ(dry.out.count(" -> "), 2);
  EXPECT_TRUE(dry.out.contains("001_x.jpeg"));
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 3);  // nothing changed

  // Folders hold the new names, whichever order the two pictures are listed in.
  for (const char* n : {"001.jpg", "002.jpg", "001.png", "002.png"}) QDir(dir.path()).mkdir(n);
  const ToolRun run = RunTool({"--ext", "lower", dir.path()});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err.count('\n'), 2) << run.err.toStdString();
  EXPECT_EQ(ContentCounts(dir.path()).size(), 3);
}

// Many files; the tool is killed after a short random delay, again and again; at every stop
// each content is there exactly once. A last full run then numbers them all.
TEST(RenameTool, AKillAtAnyMomentLosesNoFile) {
  QTemporaryDir dir;
  const ByteNameCleanup cleanup(dir.path());
  constexpr int kFiles = 3000;
  QMap<QByteArray, int> expected;
  for (int i = 0; i < kFiles; ++i) {
    const QByteArray content = "picture " + QByteArray::number(i);
    // Names that already hold targets and temporary names of the run, and some not UTF-8.
    const QString name = i % 7 == 0 ? QString("_%1.jpg").arg(kFiles - i, 4, 10, QChar('0'))
                         : i % 5 == 0 ? QString("%1.jpg").arg(i + 1, 4, 10, QChar('0'))
                                      : QString("p%1.jpg").arg(i);
    const QString path = i == 1 ? BytePath(dir.path(), ByteNames().front()) : dir.path() + "/" + name;
    ASSERT_TRUE(WriteBytePath(path, content));
    expected[content] = 1;
  }
  const QByteArray tool = QIVO2_RENAME_TOOL;
  const QByteArray folder = QFile::encodeName(dir.path());
  int killedMidRun = 0;
  for (int round = 0; round < 6; ++round) {
    const QByteArray start = QByteArray::number(round * 3);
    char* argv[] = {const_cast<char*>(tool.constData()), const_cast<char*>("--digits"), const_cast<char*>("4"),
                    const_cast<char*>("--start"), const_cast<char*>(start.constData()),
                    const_cast<char*>(folder.constData()), nullptr};
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, argv[0], nullptr, nullptr, argv, environ), 0);
    ::usleep(useconds_t(QRandomGenerator::global()->bounded(60000, 200000)));
    ::kill(pid, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    if (WIFSIGNALED(status)) ++killedMidRun;
    const auto counts = ContentCounts(dir.path());
    for (auto it = counts.begin(); it != counts.end(); ++it)
      EXPECT_EQ(it.value(), 1) << it.key().toStdString() << " round " << round;
    EXPECT_EQ(counts.size(), expected.size()) << "round " << round;
  }
  EXPECT_GT(killedMidRun, 0) << "the tool always ended before the kill: no kill happened mid-run";
  const ToolRun last = RunTool({"--digits", "4", dir.path()});
  EXPECT_EQ(last.exitCode, 0) << last.err.toStdString();
  EXPECT_EQ(ContentCounts(dir.path()), expected);
  const QStringList names = QDir(dir.path()).entryList(QDir::Files, QDir::Name);
  ASSERT_EQ(names.size(), kFiles);
  EXPECT_EQ(names.first(), "0001.jpg");
  EXPECT_EQ(names.last(), QString("%1.jpg").arg(kFiles, 4, 10, QChar('0')));
}
