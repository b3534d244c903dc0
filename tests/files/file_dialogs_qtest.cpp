// The file dialogs driven as a user would, with their message boxes and folder browser
// answered by the test.
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QButtonGroup>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>
#include <unistd.h>

#include "files/folder_lists.h"
#include "files/widgets/create_dir.h"
#include "files/widgets/list_form.h"
#include "files/widgets/ren_file.h"
#include "files/widgets/rename_dialog.h"
#include "platform/regular_file.h"
#include "platform/settings_keys.h"
#include "tests/support/byte_names.h"

using namespace files;
namespace keys = settings::keys;

namespace {
// Records every message box and answers with `answer`.
struct Boxes {
  QStringList texts;
  QMessageBox::StandardButton answer = QMessageBox::Ok;
  TMessageBoxFn fn() {
    return [this](QMessageBox::Icon, const QString&, const QString& text, QMessageBox::StandardButtons) {
      texts << text;
      return answer;
    };
  }
};
QByteArray ContentOf(const QString& p) { return platform::ReadRegularFile(p, 1 << 20).bytes; }
}  // namespace

class FileDialogsTest : public QObject {
  Q_OBJECT
 private slots:
  void createDirNewIniAddDeleteOk();
  void createDirSixteenthFolderReplacesTheLast();
  void createDirCreateMode();
  void listFormAddAndEdit();
  void listFormOkAfterRegisterKeepsIt();
  void renFileRename();
  void renFileCopyAsksBeforeReplacing();
  void renFileNamesTheFileAtFault();
  void renameDialogPreviewValidationAndRun();
  void renameDialogCountsWhatIsThereWhenItAsks();
  void dialogsOpenCentredOnTheScreenWithAFixedSize();
  void renameChoicesAnswerTheAccessibleActions();
};

void FileDialogsTest::renameChoicesAnswerTheAccessibleActions() {
  // What a screen reader does: the button's own press or toggle action, no mouse click.
  for (const QString& action : {QAccessibleActionInterface::pressAction(), QAccessibleActionInterface::toggleAction()}) {
    TRename r;
    r.show();
    QVERIFY(QTest::qWaitForWindowExposed(&r));
    auto act = [&](QAbstractButton* b) {
      QAccessibleInterface* i = QAccessible::queryAccessibleInterface(b);
      QVERIFY(i && i->actionInterface());
      i->actionInterface()->doAction(action);
    };
    act(r.rgFormButtons->button(2));
    QTRY_VERIFY2(r.editLastName->isEnabled(), qPrintable(action));
    QVERIFY(!r.editPrevName->isEnabled());
    act(r.rgExtButtons->button(3));
    QTRY_VERIFY2(r.editExt->isEnabled(), qPrintable(action));
    act(r.rgExtButtons->button(1));
    QTRY_VERIFY2(!r.editExt->isEnabled(), qPrintable(action));
  }
}

void FileDialogsTest::dialogsOpenCentredOnTheScreenWithAFixedSize() {
  QTemporaryDir dir;
  const settings::TIniFile ini(dir.path() + "/q.ini");
  QWidget owner;  // off the screen's centre: a dialog must not open over it
  owner.setGeometry(10, 10, 200, 150);
  owner.show();
  std::unique_ptr<QDialog> dialogs[] = {std::make_unique<TCreateDir>(ini, &owner),
                                        std::make_unique<TListForm>(ini, TListForm::lmEdit, QString(), &owner),
                                        std::make_unique<TRenFile>(&owner), std::make_unique<TRename>(&owner)};
  const QRect screen = owner.screen()->geometry();
  for (auto& d : dialogs) {
    for (int round = 0; round < 2; ++round) {  // again after being moved away
      d->show();
      QVERIFY(QTest::qWaitForWindowExposed(d.get()));
      QCOMPARE(d->frameGeometry().center(), screen.center());
      QCOMPARE(d->minimumSize(), d->maximumSize());
      d->hide();
      d->move(0, 0);
    }
  }
}

void FileDialogsTest::createDirNewIniAddDeleteOk() {
  QTemporaryDir dir;
  const settings::TIniFile ini(dir.path() + "/q.ini");
  TCreateDir d(ini);
  Boxes boxes;
  d.MessageBox = boxes.fn();
  QCOMPARE(d.ListBox1->count(), 15);
  QCOMPARE(d.ListBox1->item(0)->text(), QStringLiteral("......"));
  QCOMPARE(d.windowTitle(), QStringLiteral("フォルダ設定(保存用) - 登録数： 0/15"));
  QVERIFY(!d.lblWarning->isHidden());
  QVERIFY(!d.btnDelete->isEnabled());
  QString chosen = "/work";
  QString startedAt;
  d.BrowseFolder = [&](const QString& start) {
    startedAt = start;
    return chosen;
  };
  d.btnBrowseClick();
  QCOMPARE(d.ListBox1->item(0)->text(), QStringLiteral("/work/"));
  QCOMPARE(ini.Read(keys::SaveFolderOpenDir), QStringLiteral("/work"));
  chosen = "/";
  d.btnBrowseClick();
  QCOMPARE(startedAt, QStringLiteral("/work"));
  QCOMPARE(d.ListBox1->item(1)->text(), QStringLiteral("/"));
  chosen = "/work";
  d.btnBrowseClick();
  QCOMPARE(boxes.texts.value(0), QStringLiteral("このフォルダは未確定リストに名前が存在します。"));
  chosen = "/tmp";
  d.btnBrowseClick();
  QCOMPARE(d.windowTitle(), QStringLiteral("フォルダ設定(保存用) - 登録数： 3/15"));
  // Set the first as current, delete it: the current field empties.
  d.ListBox1->setCurrentRow(0);
  QVERIFY(d.btnDelete->isEnabled());
  d.btnSelectFolderClick();
  QCOMPARE(d.editSelectFolder->text(), QStringLiteral("/work/"));
  QVERIFY(d.lblWarning->isHidden());
  d.btnDeleteClick();
  QVERIFY(d.editSelectFolder->text().isEmpty());
  QVERIFY(!d.lblWarning->isHidden());
  d.ListBox1->setCurrentRow(1);
  d.btnSelectFolderClick();
  d.btnOKClick();
  QCOMPARE(d.SaveFolder(), QStringLiteral("/tmp/"));
  QCOMPARE(StoredSaveFolders(ini).mid(0, 3), (QStringList{"/", "/tmp/", ""}));
  QCOMPARE(ini.Read(keys::SaveFolderIndex), 1);

  // A folder deleted from the rows but still stored counts as registered until OK.
  TCreateDir again(ini);
  again.MessageBox = boxes.fn();
  again.ListBox1->setCurrentRow(0);
  again.btnDeleteClick();
  again.BrowseFolder = [](const QString&) { return QStringLiteral("/"); };
  again.btnBrowseClick();
  QCOMPARE(boxes.texts.last(), QStringLiteral("このフォルダは既に登録されています。"));
}

void FileDialogsTest::createDirSixteenthFolderReplacesTheLast() {
  QTemporaryDir dir;
  const settings::TIniFile ini(dir.path() + "/q.ini");
  for (int n = 1; n <= 15; ++n) ini.Write(keys::SaveFolderList, n, "/f" + QString::number(n) + "/");
  ini.Write(keys::SaveFolderPath, "/f15/");
  TCreateDir d(ini);
  QCOMPARE(d.editSelectFolder->text(), QStringLiteral("/f15/"));
  d.BrowseFolder = [](const QString&) { return QStringLiteral("/new"); };
  d.btnBrowseClick();
  QCOMPARE(d.ListBox1->item(14)->text(), QStringLiteral("/new/"));
  QCOMPARE(d.windowTitle(), QStringLiteral("フォルダ設定(保存用) - 登録数： 15/15"));
  QVERIFY(d.editSelectFolder->text().isEmpty());  // the replaced row was the current folder
  // Down stops at the last row; up moves.
  d.ListBox1->setCurrentRow(14);
  d.btnDownClick();
  d.btnUpClick();
  QCOMPARE(d.ListBox1->item(13)->text(), QStringLiteral("/new/"));
  d.btnOKClick();
  QCOMPARE(ini.ReadString("SaveFolder", "Path", "none"), QStringLiteral("none"));
  QCOMPARE(ini.ReadString("SaveFolder", "Index", "none"), QStringLiteral("none"));
}

void FileDialogsTest::createDirCreateMode() {
  QTemporaryDir dir;
  const settings::TIniFile ini(dir.path() + "/q.ini");
  TCreateDir d(ini);
  Boxes boxes;
  d.MessageBox = boxes.fn();
  QCOMPARE(d.height(), TCreateDir::kListHeight);
  QVERIFY(!d.btnSetNewFolder->isEnabled());
  d.rbCreateFolder->setChecked(true);
  QCOMPARE(d.height(), TCreateDir::kCreateHeight);
  QVERIFY(!d.btnOK->isEnabled());
  QVERIFY(!d.ListBox1->isEnabled());
  d.btnSetNewFolderClick();
  QCOMPARE(boxes.texts.last(), QStringLiteral("作成するフォルダ情報が不正です。"));
  QString startedAt = "unset";
  d.BrowseFolder = [&](const QString& start) {
    startedAt = start;
    return dir.path();
  };
  d.btnCreateFolderClick();
  QVERIFY(startedAt.isEmpty());
  QCOMPARE(d.editCreateFolderPath->text(), dir.path() + "/");
  d.editFolderName->setText("made");
  d.btnSetNewFolderClick();
  QVERIFY(boxes.texts.last().startsWith(QStringLiteral("新しいフォルダを作成しました。")));
  QVERIFY(QDir(dir.path() + "/made").exists());
  d.btnSetNewFolderClick();  // again: the system's text for "exists"
  QCOMPARE(boxes.texts.last(), qt_error_string(EEXIST));
  d.btnCancelNewFolderClick();
  QVERIFY(d.editFolderName->text().isEmpty());
  d.rbOldFolder->setChecked(true);
  QCOMPARE(d.height(), TCreateDir::kListHeight);
  QVERIFY(d.btnOK->isEnabled());
}

void FileDialogsTest::listFormAddAndEdit() {
  QTemporaryDir dir;
  const settings::TIniFile ini(dir.path() + "/q.ini");
  Boxes boxes;
  {
    TListForm add(ini, TListForm::lmAdd, "/");
    add.MessageBox = boxes.fn();
    QCOMPARE(add.editListPath->text(), QStringLiteral("/"));
    QCOMPARE(add.windowTitle(), QStringLiteral("お気に入りに追加 - 登録数： 0/10"));
    add.btnSaveClick();
    add.btnSaveClick();
    QCOMPARE(boxes.texts.value(0), QStringLiteral("このフォルダは既に登録されています。"));
    QCOMPARE(add.ListBox1->item(0)->text(), QStringLiteral("/"));  // one of the rows, which OK writes
  }
  QCOMPARE(ini.Read(keys::ListPathItem, 1), QStringLiteral("/"));
  {
    TListForm add(ini, TListForm::lmAdd, "/photos/");
    add.btnSaveClick();
  }
  QCOMPARE(ini.Read(keys::ListPathItem, 2), QStringLiteral("/photos"));
  ini.Write(keys::ListPathItem, 3, "/c");
  TListForm edit(ini, TListForm::lmEdit);
  edit.MessageBox = boxes.fn();
  QCOMPARE(edit.windowTitle(), QStringLiteral("お気に入りの編集 - 登録数： 3/10"));
  QCOMPARE(edit.height(), TListForm::kEditHeight);
  QVERIFY(!edit.btnSave->isEnabled());
  QVERIFY(!edit.editListPath->isEnabled());
  edit.ListBox1->setCurrentRow(0);
  edit.btnDeleteClick();
  QCOMPARE(edit.windowTitle(), QStringLiteral("お気に入りの編集 - 登録数： 2/10"));
  edit.BrowseFolder = [](const QString&) { return QStringLiteral("/"); };
  edit.btnAddClick();  // still stored until OK
  QCOMPARE(boxes.texts.last(), QStringLiteral("このフォルダは既に登録されています。"));
  edit.BrowseFolder = [](const QString&) { return QStringLiteral("/c"); };
  edit.btnAddClick();
  QCOMPARE(boxes.texts.last(), QStringLiteral("このフォルダは既に登録されています。"));
  edit.BrowseFolder = [](const QString&) { return QStringLiteral("/d"); };
  edit.btnAddClick();
  edit.btnOKClick();
  QCOMPARE(FavouriteMenu(ini), (QStringList{"/photos", "/c", "/d"}));
  QCOMPARE(ini.Read(keys::ListPathOpenDir), QStringLiteral("/d"));
}

void FileDialogsTest::listFormOkAfterRegisterKeepsIt() {
  // Stored before: one favourite, or all ten (then the registered one takes the tenth place).
  for (const int stored : {1, 10}) {
    QTemporaryDir dir;
    const settings::TIniFile ini(dir.path() + "/q.ini");
    QStringList want;
    for (int n = 1; n <= stored; ++n) {
      ini.Write(keys::ListPathItem, n, "/f" + QString::number(n));
      want << "/f" + QString::number(n);
    }
    if (stored == 10) want.removeLast();
    want << "/photos";
    TListForm add(ini, TListForm::lmAdd, "/photos");
    add.btnSaveClick();
    QCOMPARE(add.ListBox1->item(int(want.size()) - 1)->text(), QStringLiteral("/photos"));
    QCOMPARE(add.windowTitle(), QStringLiteral("お気に入りに追加 - 登録数： %1/10").arg(want.size()));
    add.btnOKClick();
    QCOMPARE(FavouriteMenu(ini), want);
  }
}

void FileDialogsTest::renFileRename() {
  QTemporaryDir dir;
  const QString d = dir.path();
  QVERIFY(WriteBytePath(d + "/photo.JPG", "P"));
  QVERIFY(WriteBytePath(d + "/other.JPG", "O"));
  struct Case {
    const char* name;
    const char* message;  // "" = closes
    const char* pathAfter;
  } cases[] = {
      {"", "ファイル名が指定されていません。", "photo.JPG"},
      {"other", "指定されたファイル名は既に存在します。別の名前を指定して下さい｡ ", "photo.JPG"},
      {"sub/x", "ファイル名に使用できない文字が含まれています。", "photo.JPG"},
      {"Photo", "", "Photo.JPG"},  // only the case differs: carried out, the extension kept
  };
  for (const Case& c : cases) {
    TRenFile f;
    Boxes boxes;
    f.MessageBox = boxes.fn();
    f.Mode = TRenFile::rmRename;
    f.TargetFolder = d;
    f.Source = d + "/photo.JPG";
    f.SourceExt = ".JPG";
    f.lblExt->setText(".JPG");
    f.editNewName->setText(c.name);
    QString done;
    f.OnDone = [&](const QString&, const QString& to) { done = to; };
    f.btnOKClick();
    QCOMPARE(boxes.texts.value(0), QString::fromUtf8(c.message));
    QCOMPARE(f.result() == QDialog::Accepted, !*c.message);
    QVERIFY(BytePathExists(d + "/" + c.pathAfter));
    if (!*c.message) QCOMPARE(done, d + "/" + c.pathAfter);
  }
  QCOMPARE(ContentOf(d + "/other.JPG"), QByteArray("O"));
}

void FileDialogsTest::renFileCopyAsksBeforeReplacing() {
  QTemporaryDir src, dst;
  QVERIFY(WriteBytePath(src.path() + "/a.png", "A"));
  QVERIFY(WriteBytePath(dst.path() + "/b.png", "B"));
  TRenFile f;
  Boxes boxes;
  f.MessageBox = boxes.fn();
  f.Mode = TRenFile::rmCopy;
  f.TargetFolder = dst.path() + "/";
  f.Source = src.path() + "/a.png";
  f.lblExt->setText(".png");
  f.editNewName->setText("b");
  boxes.answer = QMessageBox::No;
  f.btnOKClick();
  QCOMPARE(boxes.texts.value(0), QStringLiteral("指定されたファイル名は既に存在します。上書きしますか？"));
  QCOMPARE(f.editNewName->text(), QStringLiteral("b"));
  QCOMPARE(ContentOf(dst.path() + "/b.png"), QByteArray("B"));
  boxes.answer = QMessageBox::Yes;
  f.btnOKClick();
  QCOMPARE(ContentOf(dst.path() + "/b.png"), QByteArray("A"));
  QCOMPARE(f.result(), int(QDialog::Accepted));
}

// The message names the file that is missing or broken, with the system's own reason.
void FileDialogsTest::renFileNamesTheFileAtFault() {
  QTemporaryDir src, dst;
  const QString s = src.path() + "/", t = dst.path() + "/";
  QCOMPARE(::symlink("loop.png", QFile::encodeName(s + "loop.png").constData()), 0);
  struct Case {
    const char* what;
    int mode;
    QString folder;
    const char* source;  // created unless removed
    bool removed;
    QString named;  // the file the message names
    int error;
  } cases[] = {
      {"rename, source gone", TRenFile::rmRename, src.path(), "a.png", true, s + "a.png", ENOENT},
      {"copy, source gone", TRenFile::rmCopy, t, "a.png", true, s + "a.png", ENOENT},
      {"copy, source a link loop", TRenFile::rmCopy, t, "loop.png", false, s + "loop.png", ELOOP},
      {"copy, target folder gone", TRenFile::rmCopy, t + "gone/", "a.png", false, t + "gone/b.png", ENOENT},
  };
  for (const Case& c : cases) {
    const QString source = s + c.source;
    if (QLatin1String(c.source) == "a.png") QVERIFY(WriteBytePath(source, "A"));
    TRenFile f;
    Boxes boxes;
    f.MessageBox = boxes.fn();
    f.Mode = c.mode;
    f.TargetFolder = c.folder;
    f.Source = source;
    f.lblExt->setText(".png");
    f.editNewName->setText("b");
    if (c.removed) QVERIFY(QFile::remove(source));
    f.btnOKClick();
    QCOMPARE(boxes.texts, QStringList{c.named + "\n" + qt_error_string(c.error)});
    QVERIFY(f.result() != QDialog::Accepted);
  }
}

void FileDialogsTest::renameDialogPreviewValidationAndRun() {
  QTemporaryDir dir;
  for (const char* n : {"x.jpg", "y.png", "img001.jpg"}) QVERIFY(WriteBytePath(dir.path() + "/" + n, n));
  const QStringList list = RenameFileList(dir.path(), "*.jpg;*.png;*.cur;*.ani");
  TRename r;
  Boxes boxes;
  r.MessageBox = boxes.fn();
  r.SetFiles(dir.path(), list);
  r.show();
  QCOMPARE(r.windowTitle(), QStringLiteral("連番で名前変更 - ファイル総数： 3枚"));
  QCOMPARE(r.lblPreview->text(), "001" + ExtensionOf(list[0]) + QStringLiteral(" ～"));
  r.rgFormButtons->button(1)->click();
  QVERIFY(r.editPrevName->isEnabled());
  QVERIFY(!r.editLastName->isEnabled());
  r.btnOKClick();
  QCOMPARE(boxes.texts.last(), QStringLiteral("ファイル名が設定されていません。"));
  r.editPrevName->setText("img");
  QCOMPARE(r.lblPreview->text(), "img001" + ExtensionOf(list[0]) + QStringLiteral(" ～"));
  r.rgExtButtons->button(3)->click();
  QVERIFY(r.editExt->isEnabled());
  r.btnOKClick();
  QCOMPARE(boxes.texts.last(), QStringLiteral("拡張子が設定されていません。"));
  r.rgExtButtons->button(2)->click();
  r.seStartNum->setValue(98);
  r.seZeroNum->setValue(2);
  boxes.answer = QMessageBox::Cancel;
  r.btnOKClick();
  QCOMPARE(boxes.texts.last(), QStringLiteral("3 枚のファイルをリネームします。よろしいですか？ "));
  QVERIFY(r.isVisible());
  boxes.answer = QMessageBox::Ok;
  std::vector<TRenameItem> after;
  r.AfterRename = [&](const std::vector<TRenameItem>& items) { after = items; };
  r.btnOKClick();
  QCOMPARE(r.plGauge->text(), QStringLiteral("リネーム完了"));
  QCOMPARE(int(after.size()), 3);
  QStringList names = QDir(dir.path()).entryList(QDir::Files);
  names.sort();
  QStringList expected;
  for (int i = 0; i < 3; ++i) expected << "img" + QString::number(98 + i) + ExtensionOf(list[i]).toLower();
  expected.sort();
  QCOMPARE(names, expected);
}

// Files gone after the dialog opened leave the plan: the question counts the rest, and the
// rest are numbered in the order they were given (the catalogue's), without gaps.
void FileDialogsTest::renameDialogCountsWhatIsThereWhenItAsks() {
  QTemporaryDir dir;
  const QString d = dir.path() + "/";
  for (const char* n : {"z.jpg", "y.jpg", "x.jpg"}) QVERIFY(WriteBytePath(d + n, n));
  TRename r;
  Boxes boxes;
  r.MessageBox = boxes.fn();
  r.SetFiles(dir.path(), {d + "z.jpg", d + "y.jpg", d + "x.jpg"});
  r.show();
  QCOMPARE(r.windowTitle(), QStringLiteral("連番で名前変更 - ファイル総数： 3枚"));
  QVERIFY(QFile::remove(d + "y.jpg"));
  r.btnOKClick();
  QCOMPARE(boxes.texts, QStringList{QStringLiteral("2 枚のファイルをリネームします。よろしいですか？ ")});
  QCOMPARE(ContentOf(d + "001.jpg"), QByteArray("z.jpg"));
  QCOMPARE(ContentOf(d + "002.jpg"), QByteArray("x.jpg"));
  QCOMPARE(QDir(dir.path()).entryList(QDir::Files), (QStringList{"001.jpg", "002.jpg"}));
}

QTEST_MAIN(FileDialogsTest)
#include "file_dialogs_qtest.moc"
