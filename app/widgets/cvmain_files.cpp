// File commands of the main window: save folders, delete, copy, move, rename, favourites.
#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <optional>

#include "app/folder_change.h"
#include "app/status_text.h"
#include "app/widgets/cvmain.h"
#include "app/widgets/shell_tree_view.h"
#include "app/widgets/status_bar.h"
#include "catalog/img_thread_file.h"
#include "catalog/thumb_follow.h"
#include "catalog/widgets/imgpanel.h"
#include "files/copy_move.h"
#include "files/folder_lists.h"
#include "files/rename_plan.h"
#include "files/widgets/create_dir.h"
#include "files/widgets/file_run.h"
#include "files/widgets/list_form.h"
#include "files/widgets/properties_dialog.h"
#include "files/widgets/ren_file.h"
#include "files/widgets/rename_dialog.h"
#include "graphics/picture_formats.h"
#include "platform/path_bytes.h"
#include "platform/settings.h"

namespace app {

namespace {

const QString kNoSaveFolder = QStringLiteral("コピー・移動用のフォルダが設定されていません。");
const QString kNoSuchFolder = QStringLiteral("指定されたフォルダは存在しません。確認して下さい。");

QString FolderOf(const QString& path) {
  const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
  return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

// A path as a menu caption: "&" is not an access key there.
QString MenuCaption(const QString& path) {
  return platform::DisplayName(path).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

// The focused entry, else the current one; -1 when there is none.
int FocusedIndex(const catalog::TImgPanel* p) {
  if (p->Count() == 0 || p->SelCount() == 0) return -1;
  int index = p->FocusIndex();
  if (index < 0 || index >= p->Count()) index = p->CurrentIndex();
  return index >= 0 && index < p->Count() ? index : -1;
}

// The watcher would list again a moment later; the command's own result shows at once (the
// status bar's count right after it included).
void ListAgainUnlessWatched(catalog::TImgPanel* p) { p->Refresh(false); }

}  // namespace

void TCVMain::ConnectFileCommands() {
  auto on = [this](const char* name, auto fn) {
    if (QAction* a = Menus[name]) {
      connect(a, &QAction::triggered, this, fn);
      a->setEnabled(true);
    }
  };
  for (const char* n : {"Delete1", "Delete2", "tbtnDelete"}) on(n, [this] { Delete1Click(); });
  for (const char* n : {"Copy1", "Copy2", "tbtnCopy"}) on(n, [this] { Copy1Click(); });
  for (const char* n : {"GoTo1", "GoTo2", "tbtnMove"}) on(n, [this] { GoTo1Click(); });
  for (const char* n : {"NameChCopy1", "NameChCopy2", "tbtnNameChCopy"}) on(n, [this] { NameChCopy1Click(); });
  for (const char* n : {"Rename1", "Rename2"}) on(n, [this] { Rename1Click(); });
  for (const char* n : {"Property1", "Property2"}) on(n, [this] { Property1Click(); });
  on("RenameAll1", [this] { RenameAll1Click(); });
  on("SetFolder1", [this] { SetFolder1Click(); });
  on("AddFavorite1", [this] { AddFavorite1Click(); });
  on("EditFavorite1", [this] { EditFavorite1Click(); });
  connect(Menus.Folder1, &QMenu::aboutToShow, this, &TCVMain::Folder1Click);
  FileMessageBox = files::DefaultMessageBox(this);
  FileBrowseFolder = files::DefaultBrowseFolder(this);
  RunFileDialog = [this](QDialog* d) { return ExecDialog(d); };
}

QStringList TCVMain::SelectedFiles() const {
  QStringList out;
  for (int i = 0; i < ImgPanel1->Count(); ++i)
    if (ImgPanel1->Item(i)->Selected) out << ImgPanel1->Item(i)->GetParseName();
  return out;
}

// ---------------------------------------------------------------- delete, copy, move

void TCVMain::Delete1Click() {
  if (ImgPanel1->Count() == 0 || ImgPanel1->SelCount() == 0) return;
  const QStringList list = SelectedFiles();
  if (list.isEmpty() || !files::ConfirmTrash(FileMessageBox, list)) return;
  files::TrashWithUi(FileMessageBox, list);
  ListAgainUnlessWatched(ImgPanel1);
  if (!platform::PathTaken(list.first())) ShowTotal();
}

namespace {
// The save folder's checks of copy, move and copy under a new name; false after the message.
bool SaveFolderReady(TCVMain* w) {
  if (w->SaveFolder.isEmpty()) {
    if (w->InformationBox) w->InformationBox(kNoSaveFolder);
    return false;
  }
  if (platform::KindOfPath(w->SaveFolder) != platform::PathKind::Folder) {
    if (w->InformationBox) w->InformationBox(kNoSuchFolder);
    return false;
  }
  return true;
}

// Copy or move the selection to the save folder; the thumbnails go along.
void RunToSaveFolder(TCVMain* w, files::TFileRunKind kind) {
  if (w->ImgPanel1->Count() == 0 || w->ImgPanel1->SelCount() == 0 || !SaveFolderReady(w)) return;
  const QStringList list = w->SelectedFiles();
  if (list.isEmpty()) return;
  const bool follow = w->FileImage && w->FileImage->ImgUtil().AutoThumb;
  std::optional<catalog::TThumbCarrier> carrier;
  std::vector<catalog::TCarriedThumb> carried;
  if (follow) {
    carrier.emplace(w->FileImage->Thumbnail());
    carried = carrier->Take(list, w->ThumbFileName());
  }
  files::TFileRunUi ui;
  ui.MessageBox = w->FileMessageBox;
  const files::TFileRunResult r = files::RunCopyMoveWithUi(w, kind, list, w->SaveFolder, ui);
  if (follow && !r.Done.empty()) {
    std::vector<bool> done(size_t(list.size()), false);
    QStringList tos;
    for (const QString& from : list) tos << files::TargetIn(w->SaveFolder, from);
    for (const files::TFileRunDone& d : r.Done) done[size_t(list.indexOf(d.From))] = true;
    carrier->Put(carried, list, w->ThumbFileName(), tos, CacheFileName(w->SaveFolder), done,
                 kind == files::TFileRunKind::frMove ? catalog::TFollow::tfMove : catalog::TFollow::tfCopy);
  }
  if (kind == files::TFileRunKind::frMove || FolderOf(files::TargetIn(w->SaveFolder, list.first())) == FolderOf(list.first()))
    ListAgainUnlessWatched(w->ImgPanel1);
  if (kind == files::TFileRunKind::frMove && !platform::PathTaken(list.first())) w->ShowTotal();
}
}  // namespace

void TCVMain::Copy1Click() { RunToSaveFolder(this, files::TFileRunKind::frCopy); }

void TCVMain::GoTo1Click() { RunToSaveFolder(this, files::TFileRunKind::frMove); }

void TCVMain::Property1Click() {
  const int index = FocusedIndex(ImgPanel1);
  if (index < 0) return;
  catalog::TPanelItem* item = ImgPanel1->Item(index);
  const QSize known = item->ImageWidth > 0 && item->ImageHeight > 0 ? QSize(item->ImageWidth, item->ImageHeight) : QSize();
  files::TPropertiesDialog dialog(files::ReadFileProperties(item->GetParseName(), known), this);
  RunFileDialog(&dialog);
}

// ---------------------------------------------------------------- rename, copy under a new name

namespace {
void RunNameDialog(TCVMain* w, int mode) {
  const int index = FocusedIndex(w->ImgPanel1);
  if (index < 0) return;
  // The dialog's loop may see the folder listed again: the entry is found again afterwards.
  const catalog::TEntryKey entry = w->ImgPanel1->EntryKey(index);
  const QString source = entry.Path;
  const QString fileName = source.mid(source.lastIndexOf(QLatin1Char('/')) + 1);
  const QString ext = files::ExtensionOf(fileName);
  files::TRenFile dialog(w);
  dialog.MessageBox = w->FileMessageBox;
  dialog.setWindowTitle(mode == files::TRenFile::rmRename ? QStringLiteral("名前の変更")
                                                         : QStringLiteral("名前を変更してコピー"));
  dialog.editNewName->setText(fileName.left(fileName.size() - ext.size()));
  dialog.lblExt->setText(ext);
  dialog.Mode = mode;
  dialog.TargetFolder = mode == files::TRenFile::rmRename ? w->CurrentFolder : w->SaveFolder;
  dialog.Source = source;
  dialog.SourceExt = ext;
  const bool follow = w->FileImage && w->FileImage->ImgUtil().AutoThumb;
  std::optional<catalog::TThumbCarrier> carrier;
  std::vector<catalog::TCarriedThumb> carried;
  dialog.BeforeDone = [&](const QString& from, const QString&) {
    if (!follow) return;
    carrier.emplace(w->FileImage->Thumbnail());
    carried = carrier->Take({from}, w->ThumbFileName());
  };
  dialog.OnDone = [&](const QString& from, const QString& to) {
    if (mode == files::TRenFile::rmRename) {
      // The entry keeps its place with the new name; the change notification lists again.
      // Gone from the list: it was listed again meanwhile, under whatever name it has now.
      const int now = w->ImgPanel1->IndexOfEntry(entry);
      if (catalog::TPanelItem* item = now < 0 ? nullptr : w->ImgPanel1->Item(now)) {
        item->SetParseName(to);
        item->SetDisplayName(platform::DisplayName(to.mid(to.lastIndexOf(QLatin1Char('/')) + 1)));
        w->ImgPanel1->DrawItem(now);
      }
      if (w->StatusEntry.Path == from) w->StatusEntry.Path = to;
    }
    if (carrier)
      carrier->Put(carried, {from}, w->ThumbFileName(), {to}, CacheFileName(FolderOf(to)), {true},
                   mode == files::TRenFile::rmRename ? catalog::TFollow::tfMove : catalog::TFollow::tfCopy);
  };
  w->RunFileDialog(&dialog);
}
}  // namespace

void TCVMain::Rename1Click() { RunNameDialog(this, files::TRenFile::rmRename); }

void TCVMain::NameChCopy1Click() {
  if (ImgPanel1->Count() == 0 || ImgPanel1->SelCount() == 0 || !SaveFolderReady(this)) return;
  RunNameDialog(this, files::TRenFile::rmCopy);
}

void TCVMain::RenameAll1Click() {
  if (ImgPanel1->Count() < 2) return;
  const QString folder = ImgPanel1->FolderPath();
  files::TRename dialog(this);
  dialog.MessageBox = FileMessageBox;
  // Numbered as the catalogue shows them, not in the folder's own order.
  QStringList shown;
  for (int i = 0; i < ImgPanel1->Count(); ++i) shown << ImgPanel1->Item(i)->GetParseName();
  dialog.SetFiles(folder, files::RenameFileList(shown, graphics::TPictureFormats::Instance().Mask() +
                                                            QStringLiteral(";*.cur;*.ani")));
  const bool follow = FileImage && FileImage->ImgUtil().AutoThumb;
  std::optional<catalog::TThumbCarrier> carrier;
  std::vector<catalog::TCarriedThumb> carried;
  dialog.BeforeRename = [&](const QStringList& list) {
    if (!follow) return;
    carrier.emplace(FileImage->Thumbnail());
    carried = carrier->Take(list, ThumbFileName());
  };
  dialog.AfterRename = [&](const std::vector<files::TRenameItem>& items) {
    if (!carrier) return;
    QStringList froms, tos;
    std::vector<bool> done;
    for (const files::TRenameItem& it : items) {
      froms << it.From;
      tos << it.Now;
      done.push_back(it.Now != it.From);
    }
    carrier->Put(carried, froms, ThumbFileName(), tos, ThumbFileName(), done, catalog::TFollow::tfMove);
  };
  if (RunFileDialog(&dialog) == QDialog::Accepted) ListAgainUnlessWatched(ImgPanel1);
}

// ---------------------------------------------------------------- save folders and favourites

void TCVMain::SetFolder1Click() {
  files::TCreateDir dialog(settings::TIniFile(), this);
  dialog.MessageBox = FileMessageBox;
  dialog.BrowseFolder = FileBrowseFolder;
  if (RunFileDialog(&dialog) == QDialog::Accepted) SaveFolder = dialog.SaveFolder();
}

void TCVMain::Folder1Click() {
  const settings::TIniFile ini;
  QMenu* change = Menus["ChangeFolder1"]->menu();
  change->clear();
  qDeleteAll(change->findChildren<QActionGroup*>(Qt::FindDirectChildrenOnly));
  auto* group = new QActionGroup(change);
  int position = 0;
  for (const files::TFolderMenuEntry& e : files::SaveFolderMenu(ini)) {
    QAction* a = change->addAction(MenuCaption(e.Caption));
    a->setCheckable(true);
    a->setChecked(e.Checked);
    a->setStatusTip(QStringLiteral(" | "));
    group->addAction(a);
    connect(a, &QAction::triggered, this, [this, position, folder = e.Caption] { ChangeFolderClick(position, folder); });
    ++position;
  }
  QMenu* favourites = Menus["OpenFavorite1"]->menu();
  favourites->clear();
  for (const QString& f : files::FavouriteMenu(ini)) {
    QAction* a = favourites->addAction(MenuCaption(f));
    a->setStatusTip(QStringLiteral(" | "));
    connect(a, &QAction::triggered, this, [this, f] { OpenFavoriteClick(f); });
  }
}

void TCVMain::ChangeFolderClick(int position, const QString& folder) {
  SaveFolder = folder;
  files::SelectSaveFolder(settings::TIniFile(), position, folder);
}

void TCVMain::AddFavorite1Click() {
  files::TListForm dialog(settings::TIniFile(), files::TListForm::lmAdd, CurrentFolder, this);
  dialog.MessageBox = FileMessageBox;
  dialog.BrowseFolder = FileBrowseFolder;
  RunFileDialog(&dialog);
}

void TCVMain::EditFavorite1Click() {
  files::TListForm dialog(settings::TIniFile(), files::TListForm::lmEdit, QString(), this);
  dialog.MessageBox = FileMessageBox;
  dialog.BrowseFolder = FileBrowseFolder;
  RunFileDialog(&dialog);
}

void TCVMain::OpenFavoriteClick(const QString& folder) {
  if (platform::KindOfPath(folder) != platform::PathKind::Folder) {
    if (InformationBox) InformationBox(kNoSuchFolder);
    return;
  }
  if (ShellTreeView1->SelectPath(folder)) ShellTreeView1->ScrollToSelected();
}

}  // namespace app
