// The main window's folder navigation, history, sort, status bar and preview pane, on the
// real TCVMain with a private program folder.
#include <QAction>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QToolBar>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QtTest>

#include "platform/settings.h"
#include "app/preview_fit.h"
#include "app/status_text.h"
#include "app/widgets/cvmain.h"
#include "app/widgets/history_menu.h"
#include "app/widgets/preview_picture.h"
#include "app/widgets/shell_tree_view.h"
#include "app/widgets/status_bar.h"
#include "catalog/widgets/imgpanel.h"
#include "graphics/bmp_graphic.h"
#include "graphics/jpeg_image.h"

using app::TCVMain;

class CVMainNavTest : public QObject {
  Q_OBJECT

  QTemporaryDir* home_ = nullptr;
  QTemporaryDir* data_ = nullptr;
  QString ini() const {
    return home_->path() + "/" + QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() + ".ini";
  }
  settings::TIniFile Ini() const { return settings::TIniFile(ini()); }
  // A folder under the data folder, made on demand (canonical, as the tree shows it).
  QString Folder(const QString& name) const {
    QDir(data_->path()).mkpath(name);
    return QDir(data_->path() + "/" + name).canonicalPath();
  }
  static void WriteBmp(const QString& path, int w, int h) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(graphics::WriteBMP(graphics::TBitmap(w, h)));
  }
  static void WriteJpeg(const QString& path, int w, int h) {
    graphics::TJPEGImage jpeg;
    jpeg.Assign(graphics::TBitmap(w, h));
    jpeg.SaveToFile(path);
  }
  static QString Panel(TCVMain& w, int i) { return w.StatusBar1->PanelText(i); }

 private slots:
  void init() {
    home_ = new QTemporaryDir;
    data_ = new QTemporaryDir;
    qputenv("QIVO2_HOME", home_->path().toUtf8());
  }
  void cleanup() {
    delete home_;
    delete data_;
    qunsetenv("QIVO2_HOME");
  }

  void firstStartSelectsNothing() {
    TCVMain w;
    QCOMPARE(w.ShellTreeView1->SelectedPath(), QString());
    QCOMPARE(w.ImgPanel1->ViewImage().ImageWidth, 100);
    QCOMPARE(w.ImgPanel1->ViewImage().ImageHeight, 80);
    QVERIFY(w.Menus["SortName1"]->isChecked());
    QVERIFY(!w.Menus["tbtnUndo"]->isEnabled());
    QCOMPARE(w.Menus.History1->actions().size(), 0);
  }

  void aPictureArgumentStartsSelectedInItsFolder() {
    const QString folder = QDir(data_->path()).canonicalPath();
    for (const char* n : {"a.bmp", "b.bmp", "c.bmp"}) WriteBmp(folder + "/" + n, 4, 4);
    TCVMain w;
    w.SelectStartFolder(folder + "/b.bmp");
    QCOMPARE(w.ShellTreeView1->SelectedPath(), folder);
    QCOMPARE(w.ImgPanel1->SelCount(), 1);
    QCOMPARE(w.ImgPanel1->Item(w.ImgPanel1->CurrentIndex())->GetParseName(), folder + "/b.bmp");
    TCVMain onFolder;
    onFolder.SelectStartFolder(folder);
    QCOMPARE(onFolder.ImgPanel1->SelCount(), 0);
  }

  void folderChangeDeletesThePreviousTempFileBeforeListing() {
    const QString a = Folder("one/Alpha"), b = Folder("two/Beta");
    WriteBmp(b + "/x.bmp", 4, 4);
    TCVMain w;
    QVERIFY(w.ShellTreeView1->SelectPath(a));
    const QString tempA = home_->path() + "/Temp/Alpha.dat";
    QCOMPARE(w.TempCacheFile, tempA);
    QCOMPARE(w.CurrentFolder, a);
    QFile f(tempA);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    bool existedWhileListing = true;
    w.ImgPanel1->OnImgItemAdd = [&](catalog::TImgPanel*, catalog::TPanelItem*, bool& accept) {
      existedWhileListing = QFile::exists(tempA);
      accept = true;
    };
    QVERIFY(w.ShellTreeView1->SelectPath(b));
    QVERIFY(!existedWhileListing);
    QVERIFY(!QFile::exists(tempA));
    QCOMPARE(w.TempCacheFile, home_->path() + "/Temp/Beta.dat");
    QCOMPARE(w.ThumbFolder(), home_->path() + "/Temp");
    QCOMPARE(Panel(w, 0), QStringLiteral("Total： 1 files"));
  }

  void keptCacheFilesStayAndSameNamesShareOne() {
    const QString a = Folder("c/Photos"), b = Folder("d/Photos");
    Ini().WriteInteger("Catalog", "Cache", 1);
    TCVMain w;
    QVERIFY(w.UseCache);
    QVERIFY(w.ShellTreeView1->SelectPath(a));
    QCOMPARE(w.ThumbFileName(), QStringLiteral("Photos"));
    QCOMPARE(w.ThumbFolder(), home_->path() + "/Cache");
    QVERIFY(w.TempCacheFile.isEmpty());
    QVERIFY(w.ShellTreeView1->SelectPath(b));
    QCOMPARE(w.ThumbFileName(), QStringLiteral("Photos"));
    QVERIFY(w.ShellTreeView1->SelectPath("/"));
    QCOMPARE(w.ThumbFileName(), QString());
    QVERIFY(w.AtDriveRoot);
    QCOMPARE(w.CurrentFolder, QString());
  }

  void sortSettingAndCommands() {
    const QString f = Folder("sorted");
    WriteBmp(f + "/b.bmp", 1, 1);
    WriteBmp(f + "/c.jpg.bmp", 3, 3);
    WriteBmp(f + "/a.bmp", 2, 2);
    Ini().WriteInteger("Catalog", "Sort", 7);
    TCVMain w;
    QVERIFY(w.ShellTreeView1->SelectPath(f));
    QCOMPARE(w.ImgPanel1->SortType(), catalog::TSortTypeEx::istName);
    QVERIFY(w.Menus["SortName1"]->isChecked());
    auto names = [&] {
      QStringList n;
      for (int i = 0; i < w.ImgPanel1->Count(); ++i) n << w.ImgPanel1->Item(i)->GetDisplayName();
      return n;
    };
    QCOMPARE(names(), (QStringList{"a.bmp", "b.bmp", "c.jpg.bmp"}));
    w.Menus["SortSize1"]->trigger();
    QCOMPARE(w.ImgPanel1->SortType(), catalog::TSortTypeEx::istSize);
    QVERIFY(w.Menus["SortSize1"]->isChecked());
    QCOMPARE(Ini().ReadInteger("Catalog", "Sort", -1), 3);
    QCOMPARE(names().first(), QStringLiteral("b.bmp"));
  }

  void historyKeepsEightMovesToTopAndPersists() {
    QStringList folders;
    for (int i = 0; i < 9; ++i) folders << Folder(QStringLiteral("h%1").arg(i));
    {
      TCVMain w;
      for (const QString& f : folders) QVERIFY(w.ShellTreeView1->SelectPath(f));
      QVERIFY(w.ShellTreeView1->SelectPath(folders[3]));
      const QStringList items = w.HistoryMenu1->List().Items();
      QCOMPARE(items.size(), 8);
      QCOMPARE(items.first(), folders[3]);
      QCOMPARE(items[1], folders[8]);
      QVERIFY(!items.contains(folders[0]));
      QCOMPARE(w.Menus.History1->actions().first()->text(), "&0 " + folders[3]);
      // Turned off in the settings: the File menu empties and disables the submenu.
      Ini().WriteInteger("History", "Menu", 0);
      w.File1Click();
      QVERIFY(!w.Menus.History1->isEnabled());
      QCOMPARE(w.Menus.History1->actions().size(), 0);
      QCOMPARE(Ini().ReadInteger("History", "Count", 0), 8);
      Ini().WriteInteger("History", "Menu", 1);
      w.File1Click();
      QVERIFY(w.Menus.History1->isEnabled());
      QVERIFY(w.ShellTreeView1->SelectPath(folders[1]));
    }
    QCOMPARE(Ini().ReadString("History", "H0", ""), folders[1]);
    QCOMPARE(Ini().ReadString("History", "H1", ""), folders[3]);
    TCVMain again;
    QCOMPARE(again.HistoryMenu1->List().Items().first(), folders[1]);
    QCOMPARE(again.Menus.History1->actions().size(), 8);
  }

  void deletedHistoryFolderShowsTheMessageAndTheCatalogueStays() {
    const QString kept = Folder("kept"), gone = Folder("gone");
    WriteBmp(kept + "/p.bmp", 2, 2);
    TCVMain w;
    QStringList shown;
    w.InformationBox = [&](const QString& text) { shown << text; };
    QVERIFY(w.ShellTreeView1->SelectPath(gone));
    QVERIFY(w.ShellTreeView1->SelectPath(kept));
    QVERIFY(QDir(gone).removeRecursively());
    const int index = w.HistoryMenu1->List().Items().indexOf(gone);
    QVERIFY(index >= 0);
    w.Menus.History1->actions().at(index)->trigger();
    QCOMPARE(shown, QStringList{"指定されたフォルダは存在しません。確認して下さい。"});
    QCOMPARE(w.CurrentFolder, kept);
    QCOMPARE(w.ImgPanel1->FolderPath(), kept);
    QCOMPARE(w.ImgPanel1->Count(), 1);
    QVERIFY(!w.ShellTreeView1->Nav().BackList().contains(gone));
  }

  void backListHoldsNineAndANewChoiceEmptiesForward() {
    TCVMain w;
    for (int i = 0; i < 11; ++i) QVERIFY(w.ShellTreeView1->SelectPath(Folder(QStringLiteral("n%1").arg(i))));
    QCOMPARE(w.ShellTreeView1->Nav().BackList().size(), 9);
    QVERIFY(w.Menus["tbtnUndo"]->isEnabled());
    QVERIFY(!w.Menus["tbtnRedo"]->isEnabled());
    w.Menus["tbtnUndo"]->trigger();
    w.Menus["tbtnUndo"]->trigger();
    QCOMPARE(w.CurrentFolder, Folder("n8"));
    QVERIFY(w.Menus["tbtnRedo"]->isEnabled());
    // The redo popup lists the forward list newest first; its second item goes two ahead.
    emit w.Menus.RedoPopup->aboutToShow();
    QCOMPARE(w.Menus.RedoPopup->actions().size(), 2);
    QCOMPARE(w.Menus.RedoPopup->actions().at(0)->text(), QStringLiteral("n9"));
    w.Menus.RedoPopup->actions().at(1)->trigger();
    QCOMPARE(w.CurrentFolder, Folder("n10"));
    QVERIFY(!w.Menus["tbtnRedo"]->isEnabled());
    w.Menus["tbtnUndo"]->trigger();
    w.Menus["tbtnUndo"]->trigger();
    QVERIFY(w.ShellTreeView1->SelectPath(Folder("fresh")));
    QVERIFY(w.ShellTreeView1->Nav().ForwardList().isEmpty());
    QVERIFY(!w.Menus["tbtnRedo"]->isEnabled());
  }

  void upBeepsAtTheTopAndRefreshSkipsAnEmptyCatalogue() {
    const QString sub = Folder("up/sub");
    TCVMain w;
    int beeps = 0;
    w.Beep = [&] { ++beeps; };
    QVERIFY(w.ShellTreeView1->SelectPath(sub));
    w.Menus["UpFolder1"]->trigger();
    QCOMPARE(w.CurrentFolder, Folder("up"));
    QVERIFY(w.ShellTreeView1->SelectPath("/"));
    w.Menus["tbtnUpFolder"]->trigger();
    QCOMPARE(beeps, 1);
    QVERIFY(w.ShellTreeView1->SelectPath(sub));
    w.StatusBar1->SetPanelText(1, "kept");
    w.Menus["Refresh1"]->trigger();
    QCOMPARE(Panel(w, 1), QStringLiteral("kept"));
    QCOMPARE(Panel(w, 0), QStringLiteral("Total： 0 files"));
  }

  void statusShowsPositionPixelsAndSize() {
    const QString f = Folder("status");
    WriteJpeg(f + "/big.jpg", 1600, 1200);
    QFile junk(f + "/broken.jpg");
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(1023, 'x'));
    junk.close();
    TCVMain w;
    QVERIFY(w.ShellTreeView1->SelectPath(f));
    QCOMPARE(w.ImgPanel1->Count(), 2);
    // Nothing selected: nothing changes.
    w.ImgPanel1Click();
    QCOMPARE(Panel(w, 0), QStringLiteral("Total： 2 files"));

    w.ImgPanel1->SelectOnly(0);
    w.ImgPanel1Click();
    QCOMPARE(Panel(w, 0), QStringLiteral("Count： 1/2"));
    QCOMPARE(Panel(w, 1), QStringLiteral("1600×1200 Pixels"));
    QCOMPARE(Panel(w, 2), app::FileSizeText(uint32_t(QFileInfo(f + "/big.jpg").size())));
    // A file that cannot be decoded: the position only.
    w.ImgPanel1->SelectOnly(1);
    w.ImgPanel1Click();
    QCOMPARE(Panel(w, 0), QStringLiteral("Count： 2/2"));
    QCOMPARE(Panel(w, 1), QString());
    QCOMPARE(Panel(w, 2), QString());

    // Preview on: the picture fitted and centred in the pane, the full size in panel 1.
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.Menus["SetPreview1"]->trigger();
    QVERIFY(w.PreviewVisible());
    QVERIFY(w.SetPreview1->isChecked());
    QCoreApplication::processEvents();
    w.ImgPanel1->SelectOnly(0);
    w.ImgPanel1Click();
    const QSize pane = w.ScrollBox1->viewport()->size();
    const app::TPreviewPicture expected = app::LoadPreviewPicture(f + "/big.jpg", pane, nullptr);
    QCOMPARE(w.Image2->size(), QSize(expected.Bitmap.Width(), expected.Bitmap.Height()));
    QCOMPARE(w.Image2->pos(), app::CentreInPane(w.Image2->size(), pane));
    QCOMPARE(Panel(w, 1), QStringLiteral("1600×1200 Pixels"));
    // Turning it off keeps the pane's height for next time and clears the picture.
    w.SetPreviewPaneHeight(120);
    w.Menus["tbtnSetPreview"]->trigger();
    QVERIFY(!w.PreviewVisible());
    QVERIFY(!w.SetPreview1->isChecked());
    QCOMPARE(Ini().ReadInteger("Main", "PrevHeight", 0), 120);
    QVERIFY(w.Image2->pixmap().isNull());
    w.Menus["SetPreview1"]->trigger();
    QCOMPARE(w.PreviewPaneHeight(), 120);
  }

  void previewPictureReducesThenFits() {
    const QString f = Folder("preview");
    WriteJpeg(f + "/big.jpg", 1600, 1200);
    WriteBmp(f + "/big.bmp", 1600, 1200);
    WriteBmp(f + "/small.bmp", 50, 20);
    struct Case {
      const char* name;
      QSize pane, shown;
    } cases[] = {
        {"big.jpg", {505, 140}, {187, 140}},
        {"big.bmp", {505, 140}, {187, 140}},
        {"small.bmp", {505, 140}, {50, 20}},
        {"big.jpg", {0, 0}, {1, 1}},
    };
    for (const Case& c : cases) {
      const app::TPreviewPicture p = app::LoadPreviewPicture(f + "/" + c.name, c.pane, nullptr);
      QCOMPARE(QSize(p.Bitmap.Width(), p.Bitmap.Height()), c.shown);
      QCOMPARE(p.Bitmap.PixelFormat(), graphics::TPixelFormat::pf24bit);
    }
    const app::TPreviewPicture p = app::LoadPreviewPicture(f + "/big.jpg", {505, 140}, nullptr);
    QCOMPARE(QSize(p.FullWidth, p.FullHeight), QSize(1600, 1200));
    QVERIFY_THROWS_EXCEPTION(std::exception, app::LoadPreviewPicture(f + "/missing.bmp", {505, 140}, nullptr));
  }

  void toolbarPlacementAndPages() {
    const QString f = Folder("pages");
    for (int i = 0; i < 40; ++i) WriteBmp(f + QStringLiteral("/p%1.bmp").arg(i, 2, 10, QChar('0')), 2, 2);
    TCVMain w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.Menus["ToolbarT"]->trigger();
    QCOMPARE(w.toolBarArea(w.tb97Command), Qt::TopToolBarArea);
    QVERIFY(w.tb97Command->isMovable());
    QVERIFY(w.Menus["ToolbarT"]->isChecked());
    w.Menus["ToolbarR"]->trigger();
    QCOMPARE(w.toolBarArea(w.tb97Command), Qt::RightToolBarArea);
    QVERIFY(!w.tb97Command->isMovable());
    QVERIFY(w.Menus["ToolbarR"]->isChecked());

    w.Menus["LastPage1"]->trigger();  // an empty catalogue: nothing happens
    QVERIFY(w.ShellTreeView1->SelectPath(f));
    QCoreApplication::processEvents();
    QVERIFY(w.ImgPanel1->CellsPerPage() > 0);
    QVERIFY(w.ImgPanel1->CellsPerPage() < 40);
    w.Menus["tbtnLastPage"]->trigger();
    QVERIFY(w.ImgPanel1->TopIndex() > 0);
    w.Menus["FirstPage1"]->trigger();
    QCOMPARE(w.ImgPanel1->TopIndex(), 0);
    w.Menus["SelectAll1"]->trigger();
    QCOMPARE(w.ImgPanel1->SelCount(), 40);
  }

  void dialogPointerGoesToTheDefaultButton() {
    TCVMain w;
    QDialog dialog;
    auto* ok = new QPushButton("OK", &dialog);
    ok->setObjectName("btnOK");
    ok->setDefault(true);
    ok->setGeometry(100, 50, 80, 24);
    dialog.resize(300, 200);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCursor::setPos(0, 0);
    w.PlaceDialogPointer(&dialog);
    QCOMPARE(QCursor::pos(), QPoint(0, 0));  // the desktop setting is off
    w.SnapToDefault = true;
    w.PlaceDialogPointer(&dialog);
    QCOMPARE(QCursor::pos(), ok->mapToGlobal(ok->rect().center()));
  }

  void blocksAverageIntoOnePixel() {
    graphics::TBitmap b(5, 3);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x) b.ScanLine(y)[x * 3] = uint8_t(10 * (x + 5 * y));
    struct Case {
      int factor;
      QSize size;
      int firstBlue;
    } cases[] = {{2, {2, 1}, (0 + 10 + 50 + 60) / 4}, {4, {1, 1}, (0 + 10 + 20 + 30 + 50 + 60 + 70 + 80 + 100 + 110 + 120 + 130) / 12},
                 {1, {5, 3}, 0}};
    for (const Case& c : cases) {
      graphics::TBitmap copy = b;
      app::ReduceByBlocks(copy, c.factor);
      QCOMPARE(QSize(copy.Width(), copy.Height()), c.size);
      QCOMPARE(int(copy.ScanLine(0)[0]), c.firstBlue);
    }
  }
};

QTEST_MAIN(CVMainNavTest)
#include "cvmain_nav_qtest.moc"
