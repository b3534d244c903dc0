// The catalogue as a live view of its folder: the change notification, the verbs and the
// clipboard, the context menu, drops and in-place renaming.
#include <QClipboard>
#include <cerrno>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "catalog/file_clip.h"
#include "catalog/widgets/imgpanel.h"
#include "catalog/widgets/inplace_edit.h"
#include "platform/path_bytes.h"

using namespace catalog;
using namespace std::chrono_literals;

namespace {

void touch(const QString& path, const QByteArray& content = "x") {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(content);
}

QByteArray contentOf(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

struct Transfer {
  TTransfer kind;
  QStringList files;
  QString folder;
};

}  // namespace

class ImgPanelLiveTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> dir;
  std::unique_ptr<TImgPanel> panel;
  int listings = 0;
  std::vector<Transfer> transfers;
  QList<QStringList> trashed;

  QString path(const QString& name) const { return dir->filePath(name); }
  QStringList names() const {
    QStringList out;
    for (int i = 0; i < panel->Count(); ++i) out << panel->Item(i)->GetDisplayName();
    return out;
  }
  int indexOf(const QString& name) const { return int(names().indexOf(name)); }
  QPoint captionPoint(int index) { return panel->CaptionRect(index).center() + clientOffset(); }
  QPoint picturePoint(int index) { return panel->CellRect(index).topLeft() + QPoint(50, 40) + clientOffset(); }
  QPoint clientOffset() const { return panel->contentsRect().topLeft(); }
  void clickAt(QPoint p, Qt::KeyboardModifiers mods = Qt::NoModifier) { QTest::mouseClick(panel.get(), Qt::LeftButton, mods, p); }

 private slots:
  void init() {
    dir = std::make_unique<QTemporaryDir>();
    for (int i = 0; i < 23; ++i) touch(path(QString("f%1.txt").arg(i * 2, 2, 10, QChar('0'))));
    panel = std::make_unique<TImgPanel>();
    panel->SetBorderStyle(TBorderStyle::bsNone);
    panel->SetMultiSelect(true);
    panel->SetIconSpacing({0, 4});
    TViewImage v = panel->ViewImage();
    v.ImageWidth = 100;
    v.ImageHeight = 80;
    v.Frame.Visible = false;
    v.SelectFrame.Visible = false;
    panel->SetViewImage(v);
    panel->resize(540, 260);
    panel->ShellChangeNotification().MinPause = 20ms;
    listings = 0;
    transfers.clear();
    trashed.clear();
    panel->OnChangeFolder = [this](TImgPanel*) { ++listings; };
    panel->TransferFiles = [this](TTransfer kind, const QStringList& files, const QString& folder) {
      transfers.push_back({kind, files, folder});
      return true;
    };
    panel->TrashFiles = [this](const QStringList& files) {
      trashed << files;
      return true;
    };
    panel->SetFolder(dir->path());
    panel->show();
    QVERIFY(QTest::qWaitForWindowExposed(panel.get()));
    panel->activateWindow();
    panel->setFocus();
    QVERIFY(QTest::qWaitForWindowActive(panel.get()));
    QVERIFY(panel->ShellChangeNotification().Watching());
    listings = 0;
  }

  void cleanup() { panel.reset(); }

  // ---------------------------------------------------------------- change notification

  void aFileMadeElsewhereShowsUpSortedAndThePageStays() {
    panel->NextPage();
    const int top = panel->TopIndex();
    QVERIFY(top > 0);
    panel->SelectItem(top + 1, Qt::NoModifier, false);
    const QString current = panel->Current()->GetDisplayName();
    QVERIFY(QProcess::execute("touch", {path("f01.txt")}) == 0);
    QTRY_COMPARE(panel->Count(), 24);
    QCOMPARE(names().value(1), QString("f01.txt"));
    QCOMPARE(panel->TopIndex(), top);
    // The current and selected entry stay on the same file, not on the same position.
    QCOMPARE(panel->Current()->GetDisplayName(), current);
    QCOMPARE(panel->SelCount(), 1);
    QCOMPARE(panel->Item(panel->Selection()[0])->GetDisplayName(), current);
    QVERIFY(QFile::remove(path("f02.txt")));
    QTRY_COMPARE(panel->Count(), 23);
    QCOMPARE(indexOf("f02.txt"), -1);
  }

  void subFolderChangesCauseNoListing() {
    QVERIFY(QDir(dir->path()).mkdir("sub"));
    QTRY_VERIFY(listings >= 1);  // the folder itself changed
    QTest::qWait(600);            // past the pacing, however loaded the machine is
    const int settled = listings;
    touch(path("sub/a.txt"));
    QVERIFY(QFile::rename(path("sub/a.txt"), path("sub/b.txt")));
    QTest::qWait(600);
    QCOMPARE(listings, settled);
  }

  void aFolderChangeRestartsTheWatch() {
    QTemporaryDir other;
    touch(other.filePath("x.txt"));
    panel->SetFolder(other.path());
    QCOMPARE(panel->Count(), 1);
    // x.txt is younger than the listing's clock can tell apart: the new watch may list
    // once more to be safe. Only what comes after counts.
    QTest::qWait(300);
    listings = 0;
    touch(path("old-folder.txt"));
    QTest::qWait(150);
    QCOMPARE(listings, 0);
    touch(other.filePath("y.txt"));
    QTRY_COMPARE(panel->Count(), 2);
  }

  // ---------------------------------------------------------------- in-place renaming

  void renamingInPlaceRenamesWithoutAnExtraListing() {
    QVERIFY(panel->EditCaption(0));
    TImgInplaceEdit* edit = panel->InplaceEdit();
    QVERIFY(edit->isVisible());
    QCOMPARE(edit->Text(), QString("f00.txt"));
    QCOMPARE(edit->textCursor().selectedText(), QString("f00.txt"));
    QTest::keyClicks(edit, "renamed.txt");
    QTest::keyClick(edit, Qt::Key_Tab);  // swallowed
    QTest::keyClick(edit, Qt::Key_Return);
    QVERIFY(!edit->isVisible());
    QVERIFY(panel->hasFocus());
    QCOMPARE(panel->Item(0)->GetDisplayName(), QString("renamed.txt"));
    QVERIFY(QFile::exists(path("renamed.txt")));
    QVERIFY(!QFile::exists(path("f00.txt")));
    QTest::qWait(200);
    QCOMPARE(listings, 0);
    // The watch is back on the folder (a loaded machine may see the creation and the close
    // in two paced listings).
    touch(path("later.txt"));
    QTRY_VERIFY(listings >= 1);
  }

  void aRefusedNameKeepsTheOldCaptionAndSaysWhy_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("why");
    QTest::newRow("taken by another file")
        << "f02.txt" << QStringLiteral("指定されたファイル名は既に存在します。別の名前を指定して下さい｡ ");
    QTest::newRow("with a slash") << "a/b.txt" << QStringLiteral("ファイル名に使用できない文字が含まれています。");
    QTest::newRow("dot dot") << ".." << QStringLiteral("ファイル名に使用できない文字が含まれています。");
    QTest::newRow("empty") << "" << QStringLiteral("ファイル名が指定されていません。");
    QTest::newRow("refused by the system") << QString(300, u'n') << qt_error_string(ENAMETOOLONG);
  }
  void aRefusedNameKeepsTheOldCaptionAndSaysWhy() {
    QFETCH(QString, name);
    QFETCH(QString, why);
    touch(path("f00.txt"), "first");
    touch(path("f02.txt"), "second");
    QTRY_VERIFY(listings >= 1);
    QTest::qWait(100);
    QStringList said;
    panel->RenameRefusedBox = [&said](const QString& text) { said << text; };
    QVERIFY(panel->EditCaption(0));
    TImgInplaceEdit* edit = panel->InplaceEdit();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, name);
    QTest::keyClick(edit, Qt::Key_Enter);
    QCOMPARE(panel->Item(0)->GetDisplayName(), QString("f00.txt"));
    QCOMPARE(contentOf(path("f00.txt")), QByteArray("first"));
    QCOMPARE(contentOf(path("f02.txt")), QByteArray("second"));
    QCOMPARE(said, QStringList{why});
  }

  void escapeAndAnUnchangedTextRenameNothing() {
    QVERIFY(panel->EditCaption(0));
    QTest::keyClicks(panel->InplaceEdit(), "other.txt");
    QTest::keyClick(panel->InplaceEdit(), Qt::Key_Escape);
    QVERIFY(QFile::exists(path("f00.txt")));
    QVERIFY(panel->EditCaption(1));
    panel->InplaceEdit()->clearFocus();  // focus loss commits, but nothing was typed
    QVERIFY(!panel->InplaceEdit()->isVisible());
    QVERIFY(QFile::exists(path("f02.txt")));
  }

  void focusLossCommits() {
    QVERIFY(panel->EditCaption(0));
    QTest::keyClicks(panel->InplaceEdit(), "kept.txt");
    panel->setFocus();
    QVERIFY(!panel->InplaceEdit()->isVisible());
    QVERIFY(QFile::exists(path("kept.txt")));
  }

  void theRenameClickStartsEditingOnlyOnTheCaption() {
    clickAt(picturePoint(3));
    QTest::qWait(50);
    clickAt(picturePoint(3));  // already selected, but on the picture
    QTest::qWait(650);
    QVERIFY(!panel->InplaceEdit()->isVisible());
    clickAt(captionPoint(3));
    QTest::qWait(100);
    QVERIFY(!panel->InplaceEdit()->isVisible());  // not before 500 ms
    QTRY_VERIFY(panel->InplaceEdit()->isVisible());
    QCOMPARE(panel->InplaceEdit()->Index(), 3);
    QTest::keyClick(panel->InplaceEdit(), Qt::Key_Escape);
    // A key in between disarms it.
    clickAt(captionPoint(3));
    QTest::keyClick(panel.get(), Qt::Key_Shift);
    QTest::qWait(650);
    QVERIFY(!panel->InplaceEdit()->isVisible());
  }

  void aChangeWhileEditingWaitsForTheEdit() {
    QVERIFY(panel->EditCaption(0));
    QTest::keyClicks(panel->InplaceEdit(), "typed");
    touch(path("f01.txt"));
    QTest::qWait(200);
    QVERIFY(panel->InplaceEdit()->isVisible());
    QCOMPARE(panel->InplaceEdit()->Text(), QString("typed"));
    QCOMPARE(listings, 0);
    QTest::keyClick(panel->InplaceEdit(), Qt::Key_Escape);
    QTRY_COMPARE(panel->Count(), 24);
  }

  // ---------------------------------------------------------------- read-only, keys

  void readOnlyDisablesEveryChange() {
    panel->SetReadOnly(true);
    panel->SelectItem(2, Qt::NoModifier, false);
    QGuiApplication::clipboard()->setMimeData(FileListMimeData({path("f00.txt")}, false).release());
    for (auto key : {QKeyCombination(Qt::Key_F2), QKeyCombination(Qt::Key_Delete), QKeyCombination(Qt::CTRL | Qt::Key_X),
                     QKeyCombination(Qt::CTRL | Qt::Key_V)})
      QTest::keyClick(panel.get(), key.key(), key.keyboardModifiers());
    QVERIFY(!panel->InplaceEdit()->isVisible());
    QVERIFY(trashed.isEmpty());
    QVERIFY(transfers.empty());
    clickAt(captionPoint(2));
    QTest::qWait(650);
    QVERIFY(!panel->InplaceEdit()->isVisible());
    QVERIFY(!panel->EditCaption(2));
    std::unique_ptr<QMenu> menu = panel->BuildContextMenu();
    QStringList texts;
    for (QAction* a : menu->actions()) texts << a->text();
    QVERIFY(texts.contains("コピー(&C)"));
    QVERIFY(!texts.contains("名前の変更(&M)"));
    // Copy still works: it changes nothing.
    QTest::keyClick(panel.get(), Qt::Key_C, Qt::ControlModifier);
    QVERIFY(FilesWereCut(QGuiApplication::clipboard()->mimeData()) == false);
    QCOMPARE(TFileDataObject(QGuiApplication::clipboard()->mimeData()).Files(), QStringList{path("f04.txt")});
    // Nor can files be dropped in.
    auto data = FileListMimeData({path("f00.txt")}, false);
    QCOMPARE(panel->DropFiles(data.get(), picturePoint(0), Qt::CopyAction, Qt::NoButton), Qt::IgnoreAction);
  }

  void deleteWithAModifierDoesNothing_data() {
    QTest::addColumn<int>("mods");
    QTest::addColumn<bool>("trashes");
    QTest::newRow("plain") << int(Qt::NoModifier) << true;
    QTest::newRow("shift") << int(Qt::ShiftModifier) << false;
    QTest::newRow("ctrl") << int(Qt::ControlModifier) << false;
    QTest::newRow("alt") << int(Qt::AltModifier) << false;
  }
  void deleteWithAModifierDoesNothing() {
    QFETCH(int, mods);
    QFETCH(bool, trashes);
    panel->SelectItem(1, Qt::NoModifier, false);
    QTest::keyClick(panel.get(), Qt::Key_Delete, Qt::KeyboardModifiers(mods));
    QCOMPARE(trashed.size(), trashes ? 1 : 0);
    if (trashes) QCOMPARE(trashed[0], QStringList{path("f02.txt")});
  }

  // ---------------------------------------------------------------- clipboard

  void copyAndPasteGoThroughTheHost() {
    panel->SelectItem(0, Qt::NoModifier, false);
    panel->SelectItem(2, Qt::ControlModifier, false);
    QTest::keyClick(panel.get(), Qt::Key_C, Qt::ControlModifier);
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    QVERIFY(data->hasFormat("text/uri-list"));
    QVERIFY(data->data("x-special/gnome-copied-files").startsWith("copy\nfile://"));
    QTemporaryDir other;
    panel->SetFolder(other.path());
    QTest::keyClick(panel.get(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(transfers.size(), size_t(1));
    QCOMPARE(transfers[0].kind, TTransfer::ttCopy);
    QCOMPARE(transfers[0].files, (QStringList{path("f00.txt"), path("f04.txt")}));
    QCOMPARE(transfers[0].folder, other.path());
    QVERIFY(QGuiApplication::clipboard()->mimeData()->hasFormat("text/uri-list"));  // copies paste again
  }

  void cutFilesAreMovedOnceAndLeaveTheClipboard() {
    panel->SelectItem(1, Qt::NoModifier, false);
    QTest::keyClick(panel.get(), Qt::Key_X, Qt::ControlModifier);
    QVERIFY(FilesWereCut(QGuiApplication::clipboard()->mimeData()));
    QVERIFY(QFile::exists(path("f02.txt")));  // cutting itself moves nothing
    QTemporaryDir other;
    panel->SetFolder(other.path());
    QVERIFY(panel->InvokeVerb(TImgPanel::vbPaste));
    QCOMPARE(transfers.at(0).kind, TTransfer::ttMove);
    QVERIFY(!OffersFiles(QGuiApplication::clipboard()->mimeData()));
    QVERIFY(!panel->InvokeVerb(TImgPanel::vbPaste));
  }

  void pasteWithoutFilesOrVerbsWithoutSelectionDoNothing() {
    QGuiApplication::clipboard()->setText("just text");
    QVERIFY(!panel->InvokeVerb(TImgPanel::vbPaste));
    panel->ClearSelection();
    QVERIFY(!panel->InvokeVerb(TImgPanel::vbCopy));
    QVERIFY(!panel->InvokeVerb(TImgPanel::vbDelete));
    QVERIFY(transfers.empty());
    QVERIFY(trashed.isEmpty());
  }

  void clipboardNamesKeepTheirBytes() {
    const QString odd = platform::PathFromBytes(QByteArray(dir->path().toUtf8() + "/caf\xe9 #1%.txt"));
    auto data = FileListMimeData({odd, path("plain.txt")}, true);
    TFileDataObject files(data.get());
    QCOMPARE(files.Files(), (QStringList{odd, path("plain.txt")}));
    QVERIFY(FilesWereCut(data.get()));
    QMimeData foreign;
    foreign.setData("text/uri-list", "# comment\r\nhttp://example.org/a.jpg\r\nfile://otherhost/a.jpg\r\nfile:///tmp/x%20y.jpg\r\n");
    QCOMPARE(TFileDataObject(&foreign).Files(), QStringList{"/tmp/x y.jpg"});
    QVERIFY(!FilesWereCut(&foreign));
  }

  void pasteInFileListModeAddsTheFiles() {
    panel->SetViewMode(TViewMode::ivmFile);
    QGuiApplication::clipboard()->setMimeData(FileListMimeData({path("f00.txt"), path("f02.txt")}, false).release());
    QTest::keyClick(panel.get(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(panel->Count(), 2);
    QVERIFY(transfers.empty());
  }

  // ---------------------------------------------------------------- context menu

  void theMenuMergesTheHostsItems() {
    QMenu host;
    QAction* mine = host.addAction("host item");
    QAction* hidden = host.addAction("hidden");
    hidden->setVisible(false);
    panel->ImgPopupMenu().PopupMenu = &host;
    panel->SelectItem(0, Qt::NoModifier, false);
    auto texts = [&] {
      QStringList t;
      const std::unique_ptr<QMenu> menu = panel->BuildContextMenu();
      for (QAction* a : menu->actions()) t << (a->isSeparator() ? "-" : a->text());
      return t;
    };
    QCOMPARE(texts(), (QStringList{"開く(&O)", "関連付けられたプログラムで開く(&H)", "-", "切り取り(&T)", "コピー(&C)",
                                   "貼り付け(&P)", "-", "ゴミ箱へ移動(&D)", "名前の変更(&M)", "-", "プロパティ(&R)", "-",
                                   "host item"}));
    panel->ImgPopupMenu().ShellMenuPos = 5;
    QCOMPARE(texts().first(), QString("host item"));
    panel->ImgPopupMenu().Enabled = false;  // the main window's choice
    QCOMPARE(texts(), QStringList{"host item"});
    bool clicked = false;
    connect(mine, &QAction::triggered, this, [&] { clicked = true; });
    panel->BuildContextMenu()->actions()[0]->trigger();
    QVERIFY(clicked);
    panel->ClearSelection();
    QVERIFY(!panel->BuildContextMenu());  // no current entry: no menu
  }

  void theMenusTrashAndRenameAct() {
    panel->SelectItem(1, Qt::NoModifier, false);
    auto menu = panel->BuildContextMenu();
    for (QAction* a : menu->actions())
      if (a->text() == "ゴミ箱へ移動(&D)") a->trigger();
    QCOMPARE(trashed.value(0), QStringList{path("f02.txt")});
    panel->SelectItem(1, Qt::NoModifier, false);
    menu = panel->BuildContextMenu();
    for (QAction* a : menu->actions())
      if (a->text() == "名前の変更(&M)") a->trigger();
    QVERIFY(panel->InplaceEdit()->isVisible());
  }

  // ---------------------------------------------------------------- drop

  void dropsGoToTheFolderOrTheFolderEntry() {
    QVERIFY(QDir(dir->path()).mkdir("a-folder"));
    QTRY_COMPARE(indexOf("a-folder"), 0);
    QTemporaryDir source;
    touch(source.filePath("in.txt"));
    auto data = FileListMimeData({source.filePath("in.txt")}, false);
    QCOMPARE(panel->DropFiles(data.get(), picturePoint(3), Qt::MoveAction, Qt::NoButton), Qt::MoveAction);
    QCOMPARE(transfers.at(0).folder, dir->path());
    QCOMPARE(transfers.at(0).kind, TTransfer::ttMove);
    QCOMPARE(panel->DropFiles(data.get(), picturePoint(0), Qt::CopyAction, Qt::NoButton), Qt::CopyAction);
    QCOMPARE(transfers.at(1).folder, path("a-folder"));
    // A move the host could not finish is no move for the source.
    panel->TransferFiles = [](TTransfer, const QStringList&, const QString&) { return false; };
    QCOMPARE(panel->DropFiles(data.get(), picturePoint(3), Qt::MoveAction, Qt::NoButton), Qt::CopyAction);
  }

  void aDragOntoItselfDoesNothingWithTheLeftButton() {
    auto data = FileListMimeData({path("f00.txt")}, false);
    QCOMPARE(panel->DropFiles(data.get(), picturePoint(5), Qt::MoveAction, Qt::LeftButton), Qt::IgnoreAction);
    QVERIFY(transfers.empty());
    // With the right button the user is asked.
    panel->AskDropAction = [](QPoint) { return std::optional(TTransfer::ttLink); };
    QTemporaryDir elsewhere;
    panel->SetFolder(elsewhere.path());
    QCOMPARE(panel->DropFiles(data.get(), QPoint(5, 5), Qt::MoveAction, Qt::RightButton), Qt::LinkAction);
    QCOMPARE(QFile::symLinkTarget(elsewhere.filePath("f00.txt")), path("f00.txt"));
    panel->AskDropAction = [](QPoint) { return std::nullopt; };  // cancelled
    QCOMPARE(panel->DropFiles(data.get(), QPoint(5, 5), Qt::CopyAction, Qt::RightButton), Qt::IgnoreAction);
    QVERIFY(transfers.empty());
  }

  void aLinkNeverReplacesAName() {
    touch(path("taken.txt"), "mine");
    QTemporaryDir source;
    touch(source.filePath("taken.txt"), "theirs");
    QCOMPARE(MakeLinks({source.filePath("taken.txt")}, dir->path()), QStringList{source.filePath("taken.txt")});
    QCOMPARE(contentOf(path("taken.txt")), QByteArray("mine"));
  }

  void theDropHandlerCanRefuse() {
    int entered = 0;
    panel->OnFileDragDrop = [&](TImgPanel*, TFileDataObject& files, bool& accept, Qt::DropAction&, TImgPanel::TShiftState) {
      ++entered;
      QCOMPARE(files.FileCount(), 1);
      accept = false;
    };
    auto data = FileListMimeData({path("f00.txt")}, false);
    QCOMPARE(panel->DropFiles(data.get(), QPoint(5, 5), Qt::CopyAction, Qt::NoButton), Qt::IgnoreAction);
    QCOMPARE(entered, 1);
    QVERIFY(transfers.empty());
    QMimeData text;
    text.setText("no files");
    QCOMPARE(panel->DropFiles(&text, QPoint(5, 5), Qt::CopyAction, Qt::NoButton), Qt::IgnoreAction);
    QCOMPARE(entered, 1);  // no files: the handler is not even asked
  }

  void dropsInFileListModeAddEntries() {
    panel->SetViewMode(TViewMode::ivmFile);
    auto data = FileListMimeData({path("f00.txt"), path("f02.txt")}, false);
    QCOMPARE(panel->DropFiles(data.get(), QPoint(5, 5), Qt::CopyAction, Qt::NoButton), Qt::CopyAction);
    QCOMPARE(panel->Count(), 2);
    QVERIFY(transfers.empty());
  }
};

QTEST_MAIN(ImgPanelLiveTest)
#include "imgpanel_live_qtest.moc"
