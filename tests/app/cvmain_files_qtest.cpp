// The main window's file commands on the real TCVMain with a private program folder: the
// guards, copy and move to the save folder with their questions, delete to the Trash, F2,
// the numbered rename, the Folder menu's submenus, and thumbnails that follow the files.
#include <QAction>
#include <QActionGroup>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QtTest>

#include "app/folder_change.h"
#include "app/widgets/cvmain.h"
#include "app/widgets/shell_tree_view.h"
#include "app/widgets/status_bar.h"
#include "catalog/img_thread_file.h"
#include "catalog/shell_item.h"
#include "catalog/widgets/imgpanel.h"
#include "files/widgets/ren_file.h"
#include "files/widgets/rename_dialog.h"
#include "graphics/bmp_graphic.h"
#include "platform/regular_file.h"
#include "platform/settings.h"
#include "platform/settings_keys.h"

using app::TCVMain;
namespace keys = settings::keys;

class CVMainFilesTest : public QObject {
  Q_OBJECT

  QTemporaryDir* home_ = nullptr;
  QTemporaryDir* data_ = nullptr;
  QString folder_, save_;

  settings::TIniFile Ini() const {
    return settings::TIniFile(home_->path() + "/" + QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() +
                              ".ini");
  }
  static void WriteBmp(const QString& path, int w, int h) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(graphics::WriteBMP(graphics::TBitmap(w, h)));
  }
  static QByteArray ContentOf(const QString& p) { return platform::ReadRegularFile(p, 1 << 24).bytes; }

  // A window on the data folder; every box and dialog answered by the test.
  struct Window {
    TCVMain w;
    QStringList info, boxes;
    QMessageBox::StandardButton answer = QMessageBox::Yes;
    std::function<int(QDialog*)> dialog = [](QDialog*) { return int(QDialog::Rejected); };
    int dialogs = 0;
    explicit Window(const QString& folder) {
      w.InformationBox = [this](const QString& t) { info << t; };
      w.FileMessageBox = [this](QMessageBox::Icon, const QString&, const QString& t, QMessageBox::StandardButtons) {
        boxes << t;
        return answer;
      };
      w.RunFileDialog = [this](QDialog* d) {
        ++dialogs;
        return dialog(d);
      };
      w.ShellTreeView1->SelectPath(folder);
    }
    int IndexOf(const QString& name) {
      for (int i = 0; i < w.ImgPanel1->Count(); ++i)
        if (w.ImgPanel1->Item(i)->GetParseName().endsWith("/" + name)) return i;
      return -1;
    }
  };

 private slots:
  void init() {
    home_ = new QTemporaryDir;
    data_ = new QTemporaryDir;
    qputenv("QIVO2_HOME", home_->path().toUtf8());
    qputenv("XDG_DATA_HOME", (data_->path() + "/trash-home").toUtf8());
    folder_ = QDir(data_->path()).canonicalPath() + "/pictures";
    save_ = QDir(data_->path()).canonicalPath() + "/saved/";
    QDir().mkpath(folder_);
    QDir().mkpath(save_);
    QDir().mkpath(data_->path() + "/trash-home");
    WriteBmp(folder_ + "/a.bmp", 64, 48);
    WriteBmp(folder_ + "/b.bmp", 32, 16);
    WriteBmp(folder_ + "/c.bmp", 8, 8);
  }
  void cleanup() {
    delete home_;
    delete data_;
    qunsetenv("QIVO2_HOME");
    qunsetenv("XDG_DATA_HOME");
  }

  void commandsDoNothingWithoutASelection() {
    Window x(folder_);
    QCOMPARE(x.w.ImgPanel1->Count(), 3);
    x.w.SaveFolder = save_;
    for (const char* item : {"Delete1", "Copy1", "GoTo1", "Rename1", "NameChCopy1", "Property1"}) {
      QVERIFY2(x.w.Menus[item]->isEnabled(), item);
      x.w.Menus[item]->trigger();
    }
    QVERIFY(x.boxes.isEmpty());
    QCOMPARE(x.dialogs, 0);
    QCOMPARE(QDir(folder_).entryList(QDir::Files).size(), 3);
  }

  void copyAndMoveNeedASaveFolder() {
    Window x(folder_);
    x.w.ImgPanel1->SelectOnly(0);
    x.w.Copy1Click();
    QCOMPARE(x.info.value(0), QStringLiteral("コピー・移動用のフォルダが設定されていません。"));
    x.w.SaveFolder = save_ + "gone/";
    x.w.GoTo1Click();
    QCOMPARE(x.info.value(1), QStringLiteral("指定されたフォルダは存在しません。確認して下さい。"));
    x.w.NameChCopy1Click();
    QCOMPARE(x.info.size(), 3);
    QCOMPARE(x.dialogs, 0);
  }

  void copyAsksBeforeReplacingAndMoveCarriesTheThumbnail() {
    Window x(folder_);
    x.w.SaveFolder = save_;
    QVERIFY(x.w.FileImage->ImgUtil().AutoThumb);
    // The thumbnail of a.bmp as the catalogue stored it (or this one, when it had not yet).
    x.w.ImgPanel1->Loader()->Stop();
    catalog::TThumb thumb;
    thumb.Path = x.w.FileImage->Thumbnail().Path;
    thumb.FileName = x.w.ThumbFileName();
    thumb.Header().Width = 4;
    QVERIFY(thumb.Add(folder_ + "/a.bmp", "thumb of a"));
    QByteArray stored;
    QVERIFY(thumb.Read(folder_ + "/a.bmp", stored));

    QFile::copy(folder_ + "/b.bmp", save_ + "a.bmp");  // a taken name in the save folder
    const QByteArray a = ContentOf(folder_ + "/a.bmp");
    x.w.ImgPanel1->SelectOnly(x.IndexOf("a.bmp"));
    x.answer = QMessageBox::No;
    x.w.Copy1Click();
    QCOMPARE(x.boxes.size(), 1);
    QVERIFY(ContentOf(save_ + "a.bmp") != a);
    x.answer = QMessageBox::Yes;
    x.w.GoTo1Click();
    QCOMPARE(ContentOf(save_ + "a.bmp"), a);
    QVERIFY(!QFile::exists(folder_ + "/a.bmp"));
    // Without a folder watcher the catalogue lists again at once.
    QCOMPARE(x.w.ImgPanel1->Count(), 2);
    QCOMPARE(x.w.StatusBar1->PanelText(0), QStringLiteral("Total： 2 files"));
    // The thumbnail went into the save folder's cache file under the new path.
    catalog::TThumb there;
    there.Path = thumb.Path;
    there.FileName = app::CacheFileName(save_);
    QByteArray jpeg;
    QVERIFY(there.Read(save_ + "a.bmp", jpeg));
    QCOMPARE(jpeg, stored);
  }

  void deleteMovesToTheTrashAfterAYes() {
    Window x(folder_);
    x.w.ImgPanel1->SelectOnly(x.IndexOf("b.bmp"));
    x.answer = QMessageBox::No;
    x.w.Delete1Click();
    QVERIFY(QFile::exists(folder_ + "/b.bmp"));
    x.answer = QMessageBox::Yes;
    x.w.Delete1Click();
    QCOMPARE(x.boxes.size(), 2);
    QVERIFY(!QFile::exists(folder_ + "/b.bmp"));
    QCOMPARE(QDir(data_->path() + "/trash-home/Trash/files").entryList(QDir::Files), QStringList{"b.bmp"});
    QVERIFY(x.w.StatusBar1->PanelText(0).startsWith(QStringLiteral("Total： ")));
  }

  void f2RenamesTheFocusedEntry() {
    Window x(folder_);
    const int index = x.IndexOf("c.bmp");
    x.w.ImgPanel1->SelectOnly(index);
    QString title, shown;
    x.dialog = [&](QDialog* d) {
      auto* f = qobject_cast<files::TRenFile*>(d);
      if (!f) return -1;
      title = f->windowTitle();
      shown = f->editNewName->text() + "|" + f->lblExt->text();
      f->editNewName->setText("renamed");
      f->btnOKClick();
      return f->result();
    };
    x.w.Menus["Rename1"]->trigger();
    QCOMPARE(x.dialogs, 1);
    QCOMPARE(title, QStringLiteral("名前の変更"));
    QCOMPARE(shown, QStringLiteral("c|.bmp"));
    QVERIFY(QFile::exists(folder_ + "/renamed.bmp"));
    QCOMPARE(x.w.ImgPanel1->Item(index)->GetParseName(), folder_ + "/renamed.bmp");
  }

  void numberedRenameNeedsTwoEntries() {
    {
      Window x(folder_);
      QStringList listed;
      x.dialog = [&](QDialog* d) {
        auto* r = qobject_cast<files::TRename*>(d);
        listed = r->Files();
        return int(QDialog::Rejected);
      };
      x.w.RenameAll1Click();
      QCOMPARE(listed.size(), 3);
    }
    QFile::remove(folder_ + "/a.bmp");
    QFile::remove(folder_ + "/b.bmp");
    Window one(folder_);
    one.w.RenameAll1Click();
    QCOMPARE(one.dialogs, 0);
  }

  // The numbers follow the catalogue as shown (here smallest first), not the folder's order.
  void numberedRenameFollowsTheCatalogueOrder() {
    Window x(folder_);
    x.w.Menus["SortSize1"]->trigger();
    QStringList shown, listed;
    for (int i = 0; i < x.w.ImgPanel1->Count(); ++i) shown << x.w.ImgPanel1->Item(i)->GetParseName();
    QCOMPARE(shown, (QStringList{folder_ + "/c.bmp", folder_ + "/b.bmp", folder_ + "/a.bmp"}));
    const QByteArray smallest = ContentOf(folder_ + "/c.bmp"), largest = ContentOf(folder_ + "/a.bmp");
    x.answer = QMessageBox::Ok;
    x.dialog = [&](QDialog* d) {
      auto* r = qobject_cast<files::TRename*>(d);
      listed = r->Files();
      r->btnOKClick();
      return r->result();
    };
    x.w.RenameAll1Click();
    QCOMPARE(listed, shown);
    QCOMPARE(ContentOf(folder_ + "/001.bmp"), smallest);
    QCOMPARE(ContentOf(folder_ + "/003.bmp"), largest);
  }

  void folderMenuListsSaveFoldersAndFavourites() {
    const settings::TIniFile ini = Ini();
    ini.Write(keys::SaveFolderList, 1, save_);
    ini.Write(keys::SaveFolderList, 2, "/R&D/");
    ini.Write(keys::SaveFolderIndex, 1);
    ini.Write(keys::ListPathItem, 1, save_ + "missing");
    Window x(folder_);
    x.w.Folder1Click();
    x.w.Folder1Click();  // rebuilt, not added to
    const QList<QAction*> change = x.w.Menus["ChangeFolder1"]->menu()->actions();
    QCOMPARE(change.size(), 2);
    QVERIFY(!change[0]->isChecked());
    QVERIFY(change[1]->isChecked());
    QCOMPARE(change[1]->text(), QStringLiteral("/R&&D/"));
    QCOMPARE(x.w.Menus["ChangeFolder1"]->menu()->findChildren<QActionGroup*>().size(), 1);
    change[0]->trigger();
    QCOMPARE(x.w.SaveFolder, save_);
    QCOMPARE(ini.Read(keys::SaveFolderIndex), 0);
    QCOMPARE(ini.Read(keys::SaveFolderPath), save_);
    const QList<QAction*> favourites = x.w.Menus["OpenFavorite1"]->menu()->actions();
    QCOMPARE(favourites.size(), 1);
    favourites[0]->trigger();
    QCOMPARE(x.info.value(0), QStringLiteral("指定されたフォルダは存在しません。確認して下さい。"));
    QCOMPARE(x.w.ImgPanel1->FolderPath(), folder_);
  }
};

QTEST_MAIN(CVMainFilesTest)
#include "cvmain_files_qtest.moc"
