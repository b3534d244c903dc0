// The main window with the decode sandbox on and a hostile plug-in in the program folder:
// it keeps running, the other pictures get their thumbnails and the bad one its icon, what
// the sandbox refused is told once per plug-in, and no worker outlives the window.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <unistd.h>

#include "app/widgets/cvmain.h"
#include "catalog/img_thread_file.h"
#include "catalog/widgets/imgpanel.h"
#include "graphics/bmp_graphic.h"
#include "platform/app_folder.h"
#include "app/widgets/shell_tree_view.h"
#include "tests/support/decode_workers.h"

using app::TCVMain;

class CVMainSandboxTest : public QObject {
  Q_OBJECT

  static bool QueueFinished(TCVMain& w) {
    catalog::TImgPanel* p = w.ImgPanel1;
    for (int i = 0; i < p->Count(); ++i)
      if (!p->Item(i)->Loaded) return false;
    return !w.FileImage->Busy();
  }
  static catalog::TPanelItem* ItemNamed(TCVMain& w, const QString& name) {
    for (int i = 0; i < w.ImgPanel1->Count(); ++i)
      if (w.ImgPanel1->Item(i)->GetDisplayName() == name) return w.ImgPanel1->Item(i);
    return nullptr;
  }

 private slots:
  void hostilePluginCostsItsPictureOnly_data() {
    QTest::addColumn<QString>("plugin");
    QTest::addColumn<bool>("decodes");  // the bad picture, honestly, after its snooping
    QTest::newRow("crash") << "crash_picture" << false;
    QTest::newRow("spin") << "spin" << false;
    QTest::newRow("snoop") << "snoop" << true;
  }
  void hostilePluginCostsItsPictureOnly() {
    QFETCH(QString, plugin);
    QFETCH(bool, decodes);
    QTemporaryDir home, data;
    QVERIFY(home.isValid() && data.isValid());
    qputenv("QIVO2_HOME", home.path().toUtf8());
    QFile ini(platform::settingsFilePath());  // the program's, here the test's name
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[Main]\nSandbox=1\nSandboxPictureTime=1000\n");
    ini.close();
    QVERIFY(QFile::copy(QStringLiteral(QIVO2_TEST_SPI_DIR "/%1.spi").arg(plugin), home.filePath(plugin + ".spi")));
    const QString folder = QDir(data.path()).canonicalPath();
    for (const char* name : {"a.bmp", "b.bmp"}) graphics::TBMPGraphic(graphics::TBitmap(30, 20)).SaveToFile(folder + "/" + name);
    QFile bad(folder + "/c.bad");
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write("BAD!x");
    bad.close();

    QStringList boxes;
    {
      TCVMain w;
      w.WarningBox = [&](const QString& text) { boxes << text; };
      w.InformationBox = [&](const QString& text) { boxes << text; };
      w.show();
      QVERIFY(QTest::qWaitForWindowExposed(&w));
      QVERIFY(w.ShellTreeView1->SelectPath(folder));
      QCOMPARE(w.ImgPanel1->Count(), 3);  // c.bad listed by the plug-in's extension
      QTRY_VERIFY_WITH_TIMEOUT(QueueFinished(w), 20000);
      for (const char* name : {"a.bmp", "b.bmp"}) QVERIFY2(ItemNamed(w, name)->ThumbIndex >= 0, name);
      catalog::TPanelItem* c = ItemNamed(w, "c.bad");
      QVERIFY(c);
      QCOMPARE(c->ThumbIndex >= 0, decodes);
      if (!decodes) QVERIFY(c->IconIndex >= 0);
      // Asked twice: still once.
      w.ReportSandboxMessages();
      w.ReportSandboxMessages();
      if (decodes) {
        QCOMPARE(boxes.size(), 1);
        QVERIFY2(boxes[0].contains(plugin + ".spi") && boxes[0].contains("/etc/passwd"), qPrintable(boxes[0]));
      } else {
        QCOMPARE(boxes, QStringList());
      }
      w.close();
    }
    QCOMPARE(testsupport::WorkersOf(getpid()), 0);
    qunsetenv("QIVO2_HOME");
  }
};

QTEST_MAIN(CVMainSandboxTest)
#include "cvmain_sandbox_qtest.moc"
