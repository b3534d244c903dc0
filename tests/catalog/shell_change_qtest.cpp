#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/inotify.h>
#include <unistd.h>

#include "catalog/shell_change.h"

using namespace catalog;
using namespace std::chrono_literals;

namespace {

void touch(const QString& path) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write("x");
}

int filesIn(const QString& dir) { return int(QDir(dir).entryList(QDir::Files).size()); }

}  // namespace

class ShellChangeTest : public QObject {
  Q_OBJECT

 private slots:
  void masksFollowTheNotifyTypes_data() {
    QTest::addColumn<unsigned>("types");
    QTest::addColumn<unsigned>("event");
    QTest::addColumn<bool>("wanted");
    const unsigned dir = IN_ISDIR;
    QTest::newRow("file created, names") << unsigned(intFileName) << unsigned(IN_CREATE) << true;
    QTest::newRow("file written and closed, names") << unsigned(intFileName) << unsigned(IN_CLOSE_WRITE) << true;
    QTest::newRow("file moved in, names") << unsigned(intFileName) << unsigned(IN_MOVED_TO) << true;
    QTest::newRow("folder made, file names only") << unsigned(intFileName) << (IN_CREATE | dir) << false;
    QTest::newRow("folder made, folder names") << unsigned(intDirName) << (IN_CREATE | dir) << true;
    QTest::newRow("file deleted, folder names only") << unsigned(intDirName) << unsigned(IN_DELETE) << false;
    QTest::newRow("attributes not asked") << kDefaultNotifyTypes << unsigned(IN_ATTRIB) << false;
    QTest::newRow("attributes asked") << unsigned(intAttributes) << unsigned(IN_ATTRIB) << true;
    QTest::newRow("security is attributes") << unsigned(intSecurity) << unsigned(IN_ATTRIB) << true;
    QTest::newRow("a write, names only") << kDefaultNotifyTypes << unsigned(IN_MODIFY) << false;
    QTest::newRow("a write, last write") << unsigned(intLastWrite) << unsigned(IN_MODIFY) << true;
    QTest::newRow("a read, last access") << unsigned(intLastAccess) << unsigned(IN_ACCESS) << true;
    QTest::newRow("queue overflow always") << unsigned(intCreation) << unsigned(IN_Q_OVERFLOW) << true;
    QTest::newRow("folder itself deleted always") << unsigned(intFileName) << unsigned(IN_DELETE_SELF) << true;
  }
  void masksFollowTheNotifyTypes() {
    QFETCH(unsigned, types);
    QFETCH(unsigned, event);
    QFETCH(bool, wanted);
    QCOMPARE(ChangeWanted(event, types), wanted);
    // The watch asks the kernel for every event it then wants.
    if (wanted && !(event & (IN_Q_OVERFLOW | IN_DELETE_SELF))) QVERIFY(InotifyMask(types) & event & ~IN_ISDIR);
  }

  void pauseGrowsWithTheCallsTime() {
    QCOMPARE(PauseAfter(1ms, 250ms), 250ms);
    QCOMPARE(PauseAfter(100ms, 250ms), 300ms);
    QCOMPARE(PauseAfter(0ns, 0ms), 0ms);
  }

  void aFileMadeByAnotherProcessIsReported() {
    QTemporaryDir dir;
    TShellChangeNotification n;
    int calls = 0;
    n.OnChange = [&] { ++calls; };
    n.Start(dir.path());
    QVERIFY(n.Watching());
    QCOMPARE(n.LastError(), 0);
    QVERIFY(QProcess::execute("touch", {dir.filePath("new.jpg")}) == 0);
    QTRY_COMPARE(calls, 1);
    QTest::qWait(100);
    QCOMPARE(calls, 1);  // creation and close of one file: one call
  }

  void subFolderChangesAreNotReported() {
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("sub"));
    TShellChangeNotification n;
    n.MinPause = 0ms;
    int calls = 0;
    n.OnChange = [&] { ++calls; };
    n.Start(dir.path());
    touch(dir.filePath("sub/inside.jpg"));
    QVERIFY(QFile::rename(dir.filePath("sub/inside.jpg"), dir.filePath("sub/moved.jpg")));
    QVERIFY(QFile::remove(dir.filePath("sub/moved.jpg")));
    QTest::qWait(300);
    QCOMPARE(calls, 0);
    // The sub-folder itself is an entry of the folder.
    QVERIFY(QDir(dir.path()).rename("sub", "renamed"));
    QTRY_COMPARE(calls, 1);
  }

  void stopWhileTheWatcherWaitsForItsCallReturns() {
    QTemporaryDir dir;
    TShellChangeNotification n;
    int calls = 0;
    n.OnChange = [&] { ++calls; };
    n.Start(dir.path());
    touch(dir.filePath("a.jpg"));
    // No events are handled here, so the watcher sits in its blocking call.
    QThread::msleep(200);
    n.Stop();
    QVERIFY(!n.Watching());
    QCoreApplication::processEvents();
    QCOMPARE(calls, 0);  // a stopped watcher's change is not handed on
  }

  void stopAndStartFromInsideTheCall() {
    QTemporaryDir a, b;
    TShellChangeNotification n;
    n.MinPause = 0ms;
    int calls = 0;
    n.OnChange = [&] {
      ++calls;
      if (calls == 1) n.Start(b.path());  // the catalogue opened another folder meanwhile
    };
    n.Start(a.path());
    touch(a.filePath("1.jpg"));
    QTRY_COMPARE(calls, 1);
    touch(a.filePath("2.jpg"));
    QTest::qWait(150);
    QCOMPARE(calls, 1);  // the old folder is no longer watched
    touch(b.filePath("3.jpg"));
    QTRY_COMPARE(calls, 2);
    n.OnChange = [&] {
      ++calls;
      n.Stop();
    };
    touch(b.filePath("4.jpg"));
    QTRY_COMPARE(calls, 3);
    QTRY_VERIFY(!n.Watching());
  }

  void aBurstComesAsFewCallsAndTheLastChangeShows() {
    QTemporaryDir dir;
    TShellChangeNotification n;
    n.MinPause = 100ms;
    int calls = 0, lastCount = -1;
    n.OnChange = [&] {
      ++calls;
      lastCount = filesIn(dir.path());
      QThread::msleep(20);  // a listing takes its time
    };
    n.Start(dir.path());
    QElapsedTimer t;
    t.start();
    const int kFiles = 3000;
    for (int i = 0; i < kFiles; ++i) {
      touch(dir.filePath(QString("f%1.jpg").arg(i)));
      if (i % 100 == 0) QCoreApplication::processEvents();
    }
    const qint64 took = t.elapsed();
    QTRY_COMPARE(lastCount, kFiles);
    QTest::qWait(250);
    // One call at the start, then at most one per pause.
    QVERIFY2(calls <= 2 + int(took / 100), qPrintable(QString("%1 calls in %2 ms").arg(calls).arg(took)));
    QCOMPARE(lastCount, kFiles);
  }

  void disabledStartsNothing() {
    QTemporaryDir dir;
    TShellChangeNotification n;
    n.SetEnabled(false);
    n.Start(dir.path());
    QVERIFY(!n.Watching());
    n.SetEnabled(true);
    QVERIFY(!n.Watching());  // the next folder opening starts it
    n.Start(dir.path());
    QVERIFY(n.Watching());
    n.SetEnabled(false);
    QVERIFY(!n.Watching());
  }

  void onlyFoldersAreWatched() {
    QTemporaryDir dir;
    touch(dir.filePath("file.jpg"));
    TShellChangeNotification n;
    n.Start(dir.filePath("file.jpg"));
    QVERIFY(!n.Watching());
    n.Start(dir.filePath("missing"));
    QVERIFY(!n.Watching());
  }

  void aWatchTheKernelRefusesEndsTheWatcher() {
    if (::geteuid() == 0) QSKIP("root reads every folder");
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("closed"));
    QVERIFY(QFile::setPermissions(dir.filePath("closed"), QFileDevice::WriteOwner));
    TShellChangeNotification n;
    n.Start(dir.filePath("closed"));
    QCOMPARE(n.LastError(), EACCES);
    QVERIFY(!n.Watching());
    QFile::setPermissions(dir.filePath("closed"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  }

  void theFolderDeletedGivesOneLastCall() {
    QTemporaryDir dir;
    const QString sub = dir.filePath("shown");
    QVERIFY(QDir().mkdir(sub));
    TShellChangeNotification n;
    n.MinPause = 0ms;
    int calls = 0;
    n.OnChange = [&] { ++calls; };
    n.Start(sub);
    QVERIFY(QDir(sub).removeRecursively());
    QTRY_VERIFY(calls >= 1);
    const int now = calls;
    QTest::qWait(100);
    QCOMPARE(calls, now);
  }

  void aChangeBeforeTheWatchWasArmedIsNotLost() {
    QTemporaryDir dir;
    const TFolderStamp listed = FolderStampNow();
    QThread::msleep(20);
    touch(dir.filePath("made-while-listing.jpg"));
    TShellChangeNotification n;
    int calls = 0;
    n.OnChange = [&] { ++calls; };
    n.Start(dir.path(), listed);
    QTRY_COMPARE(calls, 1);
    // Listed after the last change: nothing to report.
    n.Start(dir.path(), FolderStampNow() + 1'000'000'000);
    QTest::qWait(100);
    QCOMPARE(calls, 1);
  }
};

QTEST_GUILESS_MAIN(ShellChangeTest)
#include "shell_change_qtest.moc"
