// The main window's side of the live catalogue: the file commands behind the catalogue's
// paste, drop and Trash, the window as a target for dropped files, and the folder tree's
// context menu ShellPopupMenu1.
#include <QAction>
#include <QClipboard>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>

#include "app/widgets/cvmain.h"
#include "app/widgets/shell_tree_view.h"
#include "catalog/file_clip.h"
#include "catalog/widgets/imgpanel.h"
#include "files/widgets/file_run.h"
#include "files/widgets/properties_dialog.h"
#include "platform/path_bytes.h"

namespace app {

namespace {

// The window takes dropped files and does nothing with them but read the first name; what
// the catalogue does with its own drops is the catalogue's.
class TDropTarget : public QObject {
 public:
  explicit TDropTarget(QWidget* window) : QObject(window) {
    window->setAcceptDrops(true);
    window->installEventFilter(this);
  }
  QString LastDropped;

  bool eventFilter(QObject*, QEvent* e) override {
    switch (e->type()) {
      case QEvent::DragEnter:
      case QEvent::DragMove: {
        auto* d = static_cast<QDropEvent*>(e);
        if (!catalog::OffersFiles(d->mimeData())) return false;
        d->acceptProposedAction();
        return true;
      }
      case QEvent::Drop: {
        auto* d = static_cast<QDropEvent*>(e);
        catalog::TFileDataObject files(d->mimeData());
        if (files.FileCount() == 0) return false;
        LastDropped = files.Files().first();
        // Nothing is copied or moved: tell the source so.
        d->setDropAction(Qt::CopyAction);
        d->accept();
        return true;
      }
      default: return false;
    }
  }
};

const QString kOpen = QStringLiteral("開く(&O)");
const QString kOpenAssociated = QStringLiteral("関連付けられたプログラムで開く(&H)");
const QString kPaste = QStringLiteral("貼り付け(&P)");
const QString kProperties = QStringLiteral("プロパティ(&R)");

}  // namespace

bool TCVMain::TransferIntoFolder(bool move, const QStringList& sources, const QString& folder) {
  files::TFileRunUi ui;
  ui.MessageBox = FileMessageBox;
  const files::TFileRunResult r = files::RunCopyMoveWithUi(
      this, move ? files::TFileRunKind::frMove : files::TFileRunKind::frCopy, sources, folder, ui);
  return !r.Cancelled && r.Failed.empty() && r.Skipped == 0;
}

void TCVMain::ConnectLiveCommands() {
  catalog::TImgPanel* p = ImgPanel1;
  // The catalogue's menu is PopupMenu1 alone: the main window's own commands stand for the
  // shell's.
  p->ImgPopupMenu().Enabled = false;
  p->TransferFiles = [this](catalog::TTransfer kind, const QStringList& sources, const QString& folder) {
    return TransferIntoFolder(kind == catalog::TTransfer::ttMove, sources, folder);
  };
  p->TrashFiles = [this](const QStringList& paths) {
    if (!files::ConfirmTrash(FileMessageBox, paths)) return false;
    return files::TrashWithUi(FileMessageBox, paths) == paths.size();
  };
  p->ShowProperties = [this](const QString& path) {
    files::TPropertiesDialog dialog(files::ReadFileProperties(path), this);
    RunFileDialog(&dialog);
  };
  new TDropTarget(this);

  ShellPopupMenu1 = new QMenu(this);
  ShellPopupMenu1->setObjectName(QStringLiteral("ShellPopupMenu1"));
  auto item = [this](const char* name, const QString& text, auto fn) {
    QAction* a = ShellPopupMenu1->addAction(text);
    a->setObjectName(QString::fromUtf8(name));
    connect(a, &QAction::triggered, this, fn);
    Menus.Actions.insert(a->objectName(), a);
    return a;
  };
  QAction* open = item("ShellOpen1", kOpen, [this] {
    if (ShellTreeView1->SelectPath(ShellPopupFolder)) ShellTreeView1->ScrollToSelected();
  });
  ShellPopupMenu1->setDefaultAction(open);
  item("ShellOpenAssociated1", kOpenAssociated, [this] {
    if (OpenUrl) OpenUrl(platform::FileUrl(ShellPopupFolder));
  });
  ShellPopupMenu1->addSeparator();
  item("ShellPaste1", kPaste, [this] {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!catalog::OffersFiles(data)) return;
    catalog::TFileDataObject files(data);
    const bool cut = catalog::FilesWereCut(data);
    if (TransferIntoFolder(cut, files.Files(), ShellPopupFolder) && cut) QGuiApplication::clipboard()->clear();
  });
  ShellPopupMenu1->addSeparator();
  item("ShellProperty1", kProperties, [this] {
    files::TPropertiesDialog dialog(files::ReadFileProperties(ShellPopupFolder), this);
    RunFileDialog(&dialog);
  });
  ShellTreeView1->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(ShellTreeView1, &QWidget::customContextMenuRequested, this, &TCVMain::ShellTreeView1ContextPopup);
}

void TCVMain::ShellTreeView1ContextPopup(const QPoint& pos) {
  QTreeWidgetItem* node = ShellTreeView1->itemAt(pos);
  if (!node) return;
  ShellPopupFolder = node->data(0, Qt::UserRole).toString();
  if (ShellPopupFolder.isEmpty()) return;
  Menus["ShellPaste1"]->setEnabled(catalog::OffersFiles(QGuiApplication::clipboard()->mimeData()));
  ShellPopupMenu1->popup(ShellTreeView1->viewport()->mapToGlobal(pos));
}

}  // namespace app
