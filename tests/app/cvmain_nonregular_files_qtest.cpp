// The main window on a folder where picture names belong to FIFOs, a socket and a dangling
// link, with a FIFO named like a plug-in in the program folder: start-up, listing, the
// thumbnail queue and the status bar all finish, and no message box comes up.
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <QtTest>

#include "app/widgets/cvmain.h"
#include "app/widgets/shell_tree_view.h"
#include "app/widgets/status_bar.h"
#include "catalog/img_thread_file.h"
#include "catalog/widgets/imgpanel.h"
#include "graphics/bmp_graphic.h"
#include "graphics/jpeg_image.h"
#include "tests/support/nonregular_files.h"

using app::TCVMain;

namespace {

// Closes every modal window that comes up and keeps its title.
class ModalWatch {
 public:
  ModalWatch() {
    timer_.setInterval(50);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      if (QWidget* w = QApplication::activeModalWidget()) {
        seen_ << w->windowTitle();
        w->close();
      }
    });
    timer_.start();
  }
  QStringList Seen() const { return seen_; }

 private:
  QTimer timer_;
  QStringList seen_;
};

}  // namespace

class CVMainSpecialFilesTest : public QObject {
  Q_OBJECT

  QTemporaryDir home_, data_;

  static bool IsPicture(const QString& name) { return name == "a.bmp" || name == "b.jpg"; }
  // Real pictures have their thumbnails, the special files their icons, and no job is left.
  static bool QueueFinished(TCVMain& w) {
    catalog::TImgPanel* p = w.ImgPanel1;
    for (int i = 0; i < p->Count(); ++i) {
      catalog::TPanelItem* item = p->Item(i);
      if (!item->Loaded) return false;
      if (IsPicture(item->GetDisplayName()) ? item->ThumbIndex < 0 : item->IconIndex < 0) return false;
    }
    return !w.FileImage->Busy();
  }

 private slots:
  void specialFilesAreListedAndNothingWaitsForThem() {
    QVERIFY(home_.isValid() && data_.isValid());
    qputenv("QIVO2_HOME", home_.path().toUtf8());
    const QString folder = QDir(data_.path()).canonicalPath();
    graphics::TBMPGraphic(graphics::TBitmap(30, 20)).SaveToFile(folder + "/a.bmp");
    graphics::TJPEGImage jpeg;
    jpeg.Assign(graphics::TBitmap(40, 30));
    jpeg.SaveToFile(folder + "/b.jpg");
    SpecialFiles special;
    special.Fifo(home_.filePath("zz.spi"));  // the plug-in search reads the program folder
    special.Fifo(folder + "/x.jpg");
    special.Fifo(folder + "/x.tga");
    special.Socket(folder + "/sock.jpg");
    SpecialFiles::DanglingLink(folder + "/gone.bmp");
    const QFileInfo fifo(folder + "/x.jpg"), link(folder + "/gone.bmp");
    QVERIFY(!fifo.isFile() && fifo.exists());
    QVERIFY(link.isSymLink() && !link.exists());

    ModalWatch modals;
    const bool finished = special.FinishesOnThisThread([&] {
      TCVMain w;
      w.show();
      QVERIFY(QTest::qWaitForWindowExposed(&w));
      QVERIFY(w.ShellTreeView1->SelectPath(folder));
      catalog::TImgPanel* p = w.ImgPanel1;
      QStringList names;
      for (int i = 0; i < p->Count(); ++i) names << p->Item(i)->GetDisplayName();
      names.sort();
      // x.tga is listed by the TGA plug-in's extension.
      QCOMPARE(names, (QStringList{"a.bmp", "b.jpg", "gone.bmp", "sock.jpg", "x.jpg", "x.tga"}));
      QCOMPARE(w.StatusBar1->PanelText(0), QStringLiteral("Total： 6 files"));
      QTRY_VERIFY_WITH_TIMEOUT(QueueFinished(w), 15000);

      for (const QString& name : {QStringLiteral("x.jpg"), QStringLiteral("x.tga"), QStringLiteral("sock.jpg"),
                                  QStringLiteral("gone.bmp"), QStringLiteral("b.jpg")}) {
        int index = -1;
        for (int i = 0; i < p->Count(); ++i)
          if (p->Item(i)->GetDisplayName() == name) index = i;
        p->SelectOnly(index);
        w.ImgPanel1Click();
        QCOMPARE(w.StatusBar1->PanelText(0), QStringLiteral("Count： %1/6").arg(index + 1));
        QCOMPARE(w.StatusBar1->PanelText(1).isEmpty(), !IsPicture(name));
      }
      QCOMPARE(w.StatusBar1->PanelText(1), QStringLiteral("40×30 Pixels"));
      w.close();
    });
    QVERIFY2(finished, "the window waited for a special file");
    QCOMPARE(modals.Seen(), QStringList());
    qunsetenv("QIVO2_HOME");
  }
};

QTEST_MAIN(CVMainSpecialFilesTest)
#include "cvmain_nonregular_files_qtest.moc"
