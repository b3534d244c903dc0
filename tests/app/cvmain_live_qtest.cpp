// The main window with a live catalogue: the watch switched off during a folder change and on
// again for the new folder, files made elsewhere appearing, the catalogue's menu being
// PopupMenu1 alone, paste and drop through the file commands' questions, the window's own
// drop target, and the folder tree's menu.
#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "app/widgets/cvmain.h"
#include "app/widgets/shell_tree_view.h"
#include "catalog/file_clip.h"
#include "catalog/widgets/imgpanel.h"
#include "graphics/bmp_graphic.h"
#include "platform/regular_file.h"

using app::TCVMain;

class CVMainLiveTest : public QObject {
  Q_OBJECT

  std::unique_ptr<QTemporaryDir> home_, data_;
  QString folder_, other_;

  static void WriteBmp(const QString& path, int w) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(graphics::WriteBMP(graphics::TBitmap(w, 8)));
  }
  static QByteArray ContentOf(const QString& p) { return platform::ReadRegularFile(p, 1 << 24).bytes; }

  struct Window {
    TCVMain w;
    QStringList boxes;
    QMessageBox::StandardButton answer = QMessageBox::No;
    explicit Window(const QString& folder) {
      w.InformationBox = [](const QString&) {};
      w.FileMessageBox = [this](QMessageBox::Icon, const QString&, const QString& t, QMessageBox::StandardButtons) {
        boxes << t;
        return answer;
      };
      w.RunFileDialog = [](QDialog*) { return int(QDialog::Rejected); };
      w.ShellTreeView1->SelectPath(folder);
    }
  };

 private slots:
  void init() {
    home_ = std::make_unique<QTemporaryDir>();
    data_ = std::make_unique<QTemporaryDir>();
    qputenv("QIVO2_HOME", home_->path().toUtf8());
    qputenv("XDG_DATA_HOME", (data_->path() + "/trash-home").toUtf8());
    folder_ = QDir(data_->path()).canonicalPath() + "/pictures";
    other_ = QDir(data_->path()).canonicalPath() + "/other";
    QDir().mkpath(folder_);
    QDir().mkpath(other_);
    QDir().mkpath(data_->path() + "/trash-home");
    WriteBmp(folder_ + "/b.bmp", 8);
    WriteBmp(folder_ + "/d.bmp", 8);
    WriteBmp(other_ + "/b.bmp", 16);
  }
  void cleanup() {
    home_.reset();
    data_.reset();
    qunsetenv("QIVO2_HOME");
    qunsetenv("XDG_DATA_HOME");
  }

  void theWatchFollowsTheFolderChange() {
    Window x(folder_);
    catalog::TShellChangeNotification& n = x.w.ImgPanel1->ShellChangeNotification();
    QVERIFY(n.Enabled());
    QVERIFY(n.Watching());
    bool watchingWhileListing = true;
    x.w.ImgPanel1->OnImgItemAdd = [&](catalog::TImgPanel*, catalog::TPanelItem*, bool&) {
      watchingWhileListing = n.Enabled() || n.Watching();
    };
    x.w.ShellTreeView1->SelectPath(other_);
    QVERIFY(!watchingWhileListing);  // off from the start of the change until the listing
    QVERIFY(n.Enabled());
    QVERIFY(n.Watching());
    QCOMPARE(x.w.ImgPanel1->Count(), 1);
    x.w.ImgPanel1->OnImgItemAdd = nullptr;
    QVERIFY(QProcess::execute("cp", {folder_ + "/d.bmp", other_ + "/a.bmp"}) == 0);
    QTRY_COMPARE(x.w.ImgPanel1->Count(), 2);
    QCOMPARE(x.w.ImgPanel1->Item(0)->GetDisplayName(), QString("a.bmp"));
  }

  void theCataloguesMenuIsPopupMenu1() {
    Window x(folder_);
    x.w.ImgPanel1->SelectItem(0, Qt::NoModifier, false);
    const std::unique_ptr<QMenu> menu = x.w.ImgPanel1->BuildContextMenu();
    QList<QAction*> expected;
    for (QAction* a : x.w.Menus.PopupMenu1->actions())
      if (a->isVisible()) expected << a;
    QCOMPARE(menu->actions(), expected);
    for (const char* n : {"Copy2", "NameChCopy2", "GoTo2", "Delete2", "Rename2", "RealSize2", "FullScreen2", "Property2"})
      QVERIFY2(x.w.Menus[n]->isEnabled(), n);
  }

  void pasteAsksBeforeReplacing() {
    Window x(folder_);
    x.w.ImgPanel1->SelectItem(0, Qt::NoModifier, false);  // b.bmp
    QVERIFY(x.w.ImgPanel1->InvokeVerb(catalog::TImgPanel::vbCopy));
    x.w.ShellTreeView1->SelectPath(other_);
    x.answer = QMessageBox::No;
    QVERIFY(!x.w.ImgPanel1->InvokeVerb(catalog::TImgPanel::vbPaste));
    QCOMPARE(x.boxes.size(), 1);
    QVERIFY(ContentOf(other_ + "/b.bmp") != ContentOf(folder_ + "/b.bmp"));  // kept
    // A file not there yet is copied without a question.
    QGuiApplication::clipboard()->setMimeData(catalog::FileListMimeData({folder_ + "/d.bmp"}, false).release());
    QVERIFY(x.w.ImgPanel1->InvokeVerb(catalog::TImgPanel::vbPaste));
    QCOMPARE(ContentOf(other_ + "/d.bmp"), ContentOf(folder_ + "/d.bmp"));
    QCOMPARE(x.boxes.size(), 1);
    QTRY_COMPARE(x.w.ImgPanel1->Count(), 2);
  }

  void aDropMovesThroughTheFileCommands() {
    Window x(other_);
    auto data = catalog::FileListMimeData({folder_ + "/d.bmp"}, false);
    QCOMPARE(x.w.ImgPanel1->DropFiles(data.get(), QPoint(5, 5), Qt::MoveAction, Qt::NoButton), Qt::MoveAction);
    QVERIFY(QFile::exists(other_ + "/d.bmp"));
    QVERIFY(!QFile::exists(folder_ + "/d.bmp"));
    QTRY_COMPARE(x.w.ImgPanel1->Count(), 2);
  }

  void theWindowTakesDropsWithoutEffect() {
    Window x(folder_);
    auto data = catalog::FileListMimeData({other_ + "/b.bmp"}, false);
    QDragEnterEvent enter(QPoint(3, 3), Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&x.w, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(3, 3), Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&x.w, &drop);
    QVERIFY(drop.isAccepted());
    QCOMPARE(drop.dropAction(), Qt::CopyAction);
    QCOMPARE(QDir(folder_).entryList(QDir::Files).size(), 2);
    QVERIFY(QFile::exists(other_ + "/b.bmp"));
  }

  void theTreesMenuOpensAndPastesIntoItsFolder() {
    Window x(folder_);
    QVERIFY(x.w.ShellPopupMenu1);
    QStringList texts;
    for (QAction* a : x.w.ShellPopupMenu1->actions())
      if (!a->isSeparator()) texts << a->text();
    QCOMPARE(texts, (QStringList{"開く(&O)", "関連付けられたプログラムで開く(&H)", "貼り付け(&P)", "プロパティ(&R)"}));
    QGuiApplication::clipboard()->setMimeData(catalog::FileListMimeData({folder_ + "/d.bmp"}, true).release());
    x.w.ShellPopupFolder = other_;
    x.w.Menus["ShellPaste1"]->trigger();
    QVERIFY(QFile::exists(other_ + "/d.bmp"));
    QVERIFY(!QFile::exists(folder_ + "/d.bmp"));  // it was cut
    QVERIFY(!catalog::OffersFiles(QGuiApplication::clipboard()->mimeData()));
    x.w.Menus["ShellOpen1"]->trigger();
    QCOMPARE(x.w.ShellTreeView1->SelectedPath(), other_);
    QCOMPARE(x.w.ImgPanel1->Count(), 2);
  }
};

QTEST_MAIN(CVMainLiveTest)
#include "cvmain_live_qtest.moc"
