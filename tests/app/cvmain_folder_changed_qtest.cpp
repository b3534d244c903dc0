// Commands of the main window while another program changes the folder shown: the watcher
// lists it again inside the command's dialog, message box or loading notice, which frees
// every entry. The command must act on the file it was given, or on nothing when that file
// has gone; never on the entry that took its place (nor on freed memory).
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QtTest>

#include "app/widgets/cvmain.h"
#include "app/widgets/shell_tree_view.h"
#include "app/widgets/status_bar.h"
#include "catalog/widgets/imgpanel.h"
#include "edit/widgets/rotate_form.h"
#include "files/widgets/properties_dialog.h"
#include "files/widgets/ren_file.h"
#include "graphics/bmp_graphic.h"
#include "platform/regular_file.h"
#include "view/widgets/picture_view.h"
#include "view/widgets/preview_form.h"
#include "view/widgets/slide_form.h"

using app::TCVMain;

namespace {

void WriteBmp(const QString& path, int w) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(graphics::WriteBMP(graphics::TBitmap(w, 8)));
}
QByteArray ContentOf(const QString& p) { return platform::ReadRegularFile(p, 1 << 24).bytes; }

// What another program does to the folder while the command waits.
enum class Change {
  Shifted,  // files sorted before the chosen one appear: it moves to a later place
  Gone,     // the chosen file and its neighbours disappear: its place is past the end
};

}  // namespace

Q_DECLARE_METATYPE(Change)

class CVMainFolderChangedTest : public QObject {
  Q_OBJECT

  std::unique_ptr<QTemporaryDir> home_, data_;
  QString folder_, save_;

  struct Window {
    TCVMain w;
    QStringList info, warnings, boxes;
    QMessageBox::StandardButton answer = QMessageBox::Yes;
    std::function<int(QDialog*)> dialog = [](QDialog*) { return int(QDialog::Rejected); };
    std::function<void()> duringBox;
    explicit Window(const QString& folder) {
      w.InformationBox = [this](const QString& t) { info << t; };
      w.WarningBox = [this](const QString& t) { warnings << t; };
      w.FileMessageBox = [this](QMessageBox::Icon, const QString&, const QString& t, QMessageBox::StandardButtons) {
        boxes << t;
        if (auto f = std::exchange(duringBox, nullptr)) f();
        return answer;
      };
      w.RunFileDialog = [this](QDialog* d) { return dialog(d); };
      w.ShellTreeView1->SelectPath(folder);
    }
    catalog::TImgPanel* Panel() const { return w.ImgPanel1; }
    int IndexOf(const QString& name) const {
      for (int i = 0; i < Panel()->Count(); ++i)
        if (Panel()->Item(i)->GetParseName().endsWith("/" + name)) return i;
      return -1;
    }
    QStringList Names() const {
      QStringList out;
      for (int i = 0; i < Panel()->Count(); ++i) out << QFileInfo(Panel()->Item(i)->GetParseName()).fileName();
      return out;
    }
  };

  // The folder holds m, n and z; z is chosen. The change, then the watcher's listing, as it
  // would come inside a dialog's loop.
  void ChangeFolder(Change c) {
    if (c == Change::Shifted) {
      for (const char* n : {"a0.bmp", "a1.bmp", "a2.bmp"}) WriteBmp(folder_ + "/" + n, 4);
    } else {
      for (const char* n : {"m.bmp", "n.bmp", "z.bmp"}) QVERIFY(QFile::remove(folder_ + "/" + n));
    }
  }
  static int CountAfter(Change c) { return c == Change::Shifted ? 6 : 0; }
  bool ListedAgain(Window& x, Change c) {
    return QTest::qWaitFor([&] { return x.Panel()->Count() == CountAfter(c); }, 10000);
  }

  static void ChangeData() {
    QTest::addColumn<Change>("change");
    QTest::newRow("shifted") << Change::Shifted;
    QTest::newRow("gone") << Change::Gone;
  }

 private slots:
  void init() {
    home_ = std::make_unique<QTemporaryDir>();
    data_ = std::make_unique<QTemporaryDir>();
    qputenv("QIVO2_HOME", home_->path().toUtf8());
    qputenv("XDG_DATA_HOME", (data_->path() + "/trash-home").toUtf8());
    folder_ = QDir(data_->path()).canonicalPath() + "/pictures";
    save_ = QDir(data_->path()).canonicalPath() + "/saved/";
    QDir().mkpath(folder_);
    QDir().mkpath(save_);
    QDir().mkpath(data_->path() + "/trash-home");
    WriteBmp(folder_ + "/m.bmp", 8);
    WriteBmp(folder_ + "/n.bmp", 16);
    WriteBmp(folder_ + "/z.bmp", 24);
  }
  void cleanup() {
    home_.reset();
    data_.reset();
    qunsetenv("QIVO2_HOME");
    qunsetenv("XDG_DATA_HOME");
  }

  // F2 and copy under a new name keep the entry across their dialog.
  void theNameDialogs_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<Change>("change");
    for (const char* c : {"Rename1", "NameChCopy1"}) {
      QTest::addRow("%s shifted", c) << QString(c) << Change::Shifted;
      QTest::addRow("%s gone", c) << QString(c) << Change::Gone;
    }
  }
  void theNameDialogs() {
    QFETCH(QString, command);
    QFETCH(Change, change);
    Window x(folder_);
    x.w.SaveFolder = save_;
    x.Panel()->SelectOnly(x.IndexOf("z.bmp"));
    const QByteArray z = ContentOf(folder_ + "/z.bmp");
    bool listed = false;
    x.dialog = [&](QDialog* d) {
      auto* f = qobject_cast<files::TRenFile*>(d);
      if (!f) return -1;
      ChangeFolder(change);
      listed = ListedAgain(x, change);
      f->editNewName->setText("renamed");
      f->btnOKClick();
      return f->result();
    };
    x.w.Menus[command]->trigger();
    QVERIFY(listed);
    const bool rename = command == "Rename1";
    const QString made = rename ? folder_ + "/renamed.bmp" : save_ + "renamed.bmp";
    if (change == Change::Gone) {
      QVERIFY(!QFile::exists(made));
      QCOMPARE(x.boxes.size(), 1);  // the file could not be found
      return;
    }
    QCOMPARE(ContentOf(made), z);
    QVERIFY(x.boxes.isEmpty());
    // The entry that now stands where z stood keeps its own name.
    QStringList names = x.Names();
    QCOMPARE(names.size(), 6);
    QVERIFY(names.contains(rename ? "renamed.bmp" : "z.bmp"));
    for (const char* n : {"a0.bmp", "a1.bmp", "a2.bmp", "m.bmp", "n.bmp"}) QVERIFY2(names.contains(n), n);
  }

  void theProperties_data() { ChangeData(); }
  void theProperties() {
    QFETCH(Change, change);
    Window x(folder_);
    x.Panel()->SelectOnly(x.IndexOf("z.bmp"));
    QString shown;
    x.dialog = [&](QDialog* d) {
      if (qobject_cast<files::TPropertiesDialog*>(d)) shown = "properties";
      ChangeFolder(change);
      return ListedAgain(x, change) ? int(QDialog::Accepted) : -1;
    };
    x.w.Menus["Property1"]->trigger();
    QCOMPARE(shown, QStringLiteral("properties"));
    QCOMPARE(x.Panel()->Count(), CountAfter(change));
  }

  // The delete confirmation and the copy's question name paths: the file asked about goes,
  // not the one that took its place.
  void theMessageBoxes_data() {
    QTest::addColumn<QString>("command");
    QTest::newRow("delete") << "Delete1";
    QTest::newRow("move over a taken name") << "GoTo1";
  }
  void theMessageBoxes() {
    QFETCH(QString, command);
    WriteBmp(save_ + "z.bmp", 2);  // the move asks before replacing it
    Window x(folder_);
    x.w.SaveFolder = save_;
    x.Panel()->SelectOnly(x.IndexOf("z.bmp"));
    const QByteArray z = ContentOf(folder_ + "/z.bmp");
    bool listed = false;
    x.duringBox = [&] {
      ChangeFolder(Change::Shifted);
      listed = ListedAgain(x, Change::Shifted);
    };
    x.w.Menus[command]->trigger();
    QVERIFY(listed);
    QVERIFY(!QFile::exists(folder_ + "/z.bmp"));
    for (const char* n : {"a0.bmp", "a1.bmp", "a2.bmp", "m.bmp", "n.bmp"}) QVERIFY2(QFile::exists(folder_ + "/" + n), n);
    if (command == "GoTo1") QCOMPARE(ContentOf(save_ + "z.bmp"), z);
  }

  // The loading notice lets pending events run: a listing that waited for it comes there.
  void theLoadingNotice_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<Change>("change");
    for (const char* c : {"RealSize1", "FullScreen1", "SlideStart1", "Rotate1"}) {
      QTest::addRow("%s shifted", c) << QString(c) << Change::Shifted;
      QTest::addRow("%s gone", c) << QString(c) << Change::Gone;
    }
  }
  void theLoadingNotice() {
    QFETCH(QString, command);
    QFETCH(Change, change);
    Window x(folder_);
    x.Panel()->SelectOnly(x.IndexOf("z.bmp"));
    catalog::TShellChangeNotification& watch = x.Panel()->ShellChangeNotification();
    QVERIFY(watch.Watching());
    QTest::qWait(50);
    const int calls = watch.Calls();
    ChangeFolder(change);
    // The watcher's call waits for the user-interface thread, which runs no events until the
    // command's notice does.
    QThread::msleep(watch.MinPause.count() + 400);
    x.w.Menus[command]->trigger();
    QCOMPARE(watch.Calls(), calls + 1);  // listed inside the command
    QCOMPARE(x.Panel()->Count(), CountAfter(change));
    const QString z = folder_ + "/z.bmp";
    if (command == "RealSize1") {
      const auto forms = x.w.findChildren<view::TPreviewForm*>();
      if (change == Change::Gone) {
        QVERIFY(forms.isEmpty());
        QCOMPARE(x.warnings.size(), 1);
      } else {
        QCOMPARE(forms.size(), 1);
        QCOMPARE(forms[0]->FilePath(), z);
      }
    } else if (command == "FullScreen1" || command == "SlideStart1") {
      auto* form = qobject_cast<view::TSlideForm*>(x.w.SlideForm.data());
      if (command == "FullScreen1" && change == Change::Gone) {
        QVERIFY(!form);
        QCOMPARE(x.warnings.size(), 1);
      } else {
        QVERIFY(form);
        if (command == "SlideStart1") QCOMPARE(form->Show().Files().contains(z), change == Change::Shifted);
        if (command == "FullScreen1") QCOMPARE(form->SImage->PictureSize(), QSize(24, 8));
        form->close();
      }
    } else {
      auto* editor = qobject_cast<edit::TRotateF*>(x.w.RotateF.data());
      QCOMPARE(editor != nullptr, change == Change::Shifted);
      if (editor) {
        QCOMPARE(editor->FileName, z);
        editor->close();
      }
    }
  }

  // The catalogue's menu closes when the entry it was opened on is taken away; it stays
  // when that entry only moved.
  void theContextMenu_data() { ChangeData(); }
  void theContextMenu() {
    QFETCH(Change, change);
    Window x(folder_);
    x.w.show();
    x.Panel()->SelectOnly(x.IndexOf("z.bmp"));
    bool listed = false, openAfter = false;
    QTimer::singleShot(0, this, [&] {
      ChangeFolder(change);
      listed = ListedAgain(x, change);
      QMenu* open = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      openAfter = open && open->isVisible();
      if (open) open->close();
    });
    x.Panel()->ShowContextMenu(x.Panel()->mapToGlobal(QPoint(5, 5)));
    QVERIFY(listed);
    QCOMPARE(openAfter, change == Change::Shifted);
  }

  // The status bar's counts follow another program's changes: the total, and the position
  // of the file whose count is shown (the total again once that file has gone).
  void theStatusCountsFollowTheListing() {
    Window x(folder_);
    app::TStatusBar* status = x.w.StatusBar1;
    QCOMPARE(status->PanelText(0), QStringLiteral("Total： 3 files"));
    WriteBmp(folder_ + "/b.bmp", 4);
    QTRY_COMPARE(status->PanelText(0), QStringLiteral("Total： 4 files"));
    x.Panel()->SelectOnly(x.IndexOf("z.bmp"));
    x.w.ImgPanel1Click();
    QCOMPARE(status->PanelText(0), QStringLiteral("Count： 4/4"));
    QCOMPARE(status->PanelText(1), QStringLiteral("24×8 Pixels"));
    ChangeFolder(Change::Shifted);
    QTRY_COMPARE(status->PanelText(0), QStringLiteral("Count： 7/7"));
    QCOMPARE(status->PanelText(1), QStringLiteral("24×8 Pixels"));
    QVERIFY(QFile::remove(folder_ + "/a0.bmp"));
    QTRY_COMPARE(status->PanelText(0), QStringLiteral("Count： 6/6"));
    QVERIFY(QFile::remove(folder_ + "/z.bmp"));
    QTRY_COMPARE(status->PanelText(0), QStringLiteral("Total： 5 files"));
    for (int i = 1; i <= 3; ++i) QCOMPARE(status->PanelText(i), QString());
  }

  // The editor and the slide show hold paths: a file gone under them is a failure to report,
  // not a fault.
  void theEditorsFileGoesAway() {
    Window x(folder_);
    x.w.show();
    x.Panel()->SelectOnly(x.IndexOf("z.bmp"));
    x.w.Rotate1Click();
    auto* editor = qobject_cast<edit::TRotateF*>(x.w.RotateF.data());
    QVERIFY(editor);
    QStringList errors;
    editor->ErrorBox = [&](const QString& t) { errors << t; };
    const QString target = save_ + "kept.png";
    editor->ChooseSaveName = [&](const QString&, const QString&, const QString&) { return target; };
    ChangeFolder(Change::Gone);
    QVERIFY(ListedAgain(x, Change::Gone));
    editor->RRightClick();
    QCOMPARE(errors.size(), 1);
    editor->SaveClick(edit::cfPNG);  // the picture on screen is still saved
    QVERIFY(QFile::exists(target));
    editor->close();
  }

  void theSlideShowsFilesGoAway() {
    Window x(folder_);
    x.Panel()->SelectOnly(x.IndexOf("m.bmp"));
    x.w.SaveFolder = save_;
    x.w.SlideStart1Click();
    auto* form = qobject_cast<view::TSlideForm*>(x.w.SlideForm.data());
    QVERIFY(form);
    QStringList errors;
    form->ShowError = [&](const QString& t) { errors << t; };
    ChangeFolder(Change::Gone);
    QVERIFY(ListedAgain(x, Change::Gone));
    form->NextImageClick();
    form->SlideCopyClick();
    QCOMPARE(errors, QStringList{QStringLiteral("ファイルをコピー出来ませんでした。")});
    QVERIFY(QDir(save_).isEmpty());
    form->close();
  }
};

QTEST_MAIN(CVMainFolderChangedTest)
#include "cvmain_folder_changed_qtest.moc"
