// The catalogue's shell verbs (copy, cut, paste, delete), its context menu and the paste of
// file-list mode. The files themselves are copied, moved and trashed by the host
// (TransferFiles, TrashFiles), which asks before replacing anything.
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QMenu>

#include "catalog/widgets/imgpanel.h"
#include "platform/path_bytes.h"
#include "platform/shell.h"

namespace catalog {

using namespace platform::shell;

namespace {
const QString kOpen = QStringLiteral("開く(&O)");
const QString kOpenAssociated = QStringLiteral("関連付けられたプログラムで開く(&H)");
const QString kCut = QStringLiteral("切り取り(&T)");
const QString kCopy = QStringLiteral("コピー(&C)");
const QString kPaste = QStringLiteral("貼り付け(&P)");
const QString kTrash = QStringLiteral("ゴミ箱へ移動(&D)");
const QString kRename = QStringLiteral("名前の変更(&M)");
const QString kProperties = QStringLiteral("プロパティ(&R)");
}  // namespace

QStringList TImgPanel::verbTargets(uint32_t attributes) {
  QStringList out;
  for (TPanelItem* item : SelectedItems()) {
    if (!item->RelativeId) continue;
    if (!item->HasAttributes(attributes)) return {};  // every target must allow the verb
    out << item->GetParseName();
  }
  return out;
}

bool TImgPanel::transfer(TTransfer kind, const QStringList& files, const QString& folder) {
  if (files.isEmpty() || folder.isEmpty()) return false;
  if (kind == TTransfer::ttLink) {
    const QStringList failed = MakeLinks(files, folder);
    if (!failed.isEmpty()) QApplication::beep();
    return failed.isEmpty();
  }
  return TransferFiles && TransferFiles(kind, files, folder);
}

bool TImgPanel::InvokeVerb(TVerb verb) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  switch (verb) {
    case vbCopy:
    case vbCut: {
      const QStringList files = verbTargets(verb == vbCopy ? SFGAO_CANCOPY : SFGAO_CANDELETE);
      if (files.isEmpty() || !clipboard) return false;
      clipboard->setMimeData(FileListMimeData(files, verb == vbCut).release());
      return true;
    }
    case vbPaste: {
      if (viewMode_ != TViewMode::ivmFolder || !folder_ || !clipboard) return false;
      const QMimeData* data = clipboard->mimeData();
      if (!OffersFiles(data)) return false;
      TFileDataObject files(data);
      const bool cut = FilesWereCut(data);
      const QStringList list = files.Files();
      const bool done = transfer(cut ? TTransfer::ttMove : TTransfer::ttCopy, list, FolderPath());
      // Cut files are pasted once; the clipboard would otherwise name files that moved away.
      if (cut && done) clipboard->clear();
      return done;
    }
    case vbDelete: {
      const QStringList files = verbTargets(SFGAO_CANDELETE);
      return !files.isEmpty() && TrashFiles && TrashFiles(files);
    }
  }
  return false;
}

void TImgPanel::PasteFiles() {
  if (viewMode_ != TViewMode::ivmFile) return;
  const QClipboard* clipboard = QGuiApplication::clipboard();
  if (!clipboard) return;
  TFileDataObject files(clipboard->mimeData());
  for (const QString& f : files.Files()) AddFile(f);
  updateScrollBar();
}

std::unique_ptr<QMenu> TImgPanel::BuildContextMenu() {
  TPanelItem* current = Current();
  if (!current) return nullptr;
  auto menu = std::make_unique<QMenu>(this);
  menu->setObjectName(QStringLiteral("ImgPopupMenu"));
  QList<QAction*> host;
  if (popupMenu_.PopupMenu)
    for (QAction* a : popupMenu_.PopupMenu->actions())
      if (a->isVisible()) host << a;
  menu->addActions(host);
  const TImgPanelPopupMenu& pm = popupMenu_;
  if (!pm.Enabled) return menu;

  // In folder mode the menu acts on the selection, in file-list mode on the current entry.
  const bool fileMode = viewMode_ == TViewMode::ivmFile;
  std::vector<TPanelItem*> targets = fileMode ? std::vector<TPanelItem*>{current} : SelectedItems();
  if (targets.empty()) return menu;
  QList<QAction*> shell;
  auto add = [&](const QString& text, auto fn) {
    auto* a = new QAction(text, menu.get());
    connect(a, &QAction::triggered, this, fn);
    shell << a;
    return a;
  };
  QAction* open = add(kOpen, [this] {
    if (TPanelItem* item = Current()) item->Open();
  });
  if (!(pm.ContextMenuType & TImgPanelPopupMenu::ictNoDefault)) menu->setDefaultAction(open);
  if (!(pm.ContextMenuType & TImgPanelPopupMenu::ictDefaultOnly)) {
    add(kOpenAssociated, [this] {
      if (TPanelItem* item = Current()) {
        if (OpenWithAssociation)
          OpenWithAssociation(item->GetParseName());
        else
          QDesktopServices::openUrl(platform::FileUrl(item->GetParseName()));
      }
    });
    auto sep = [&] {
      auto* s = new QAction(menu.get());
      s->setSeparator(true);
      shell << s;
    };
    sep();
    if (fileMode) {
      add(kCopy, [this, path = current->GetParseName()] {
        if (QClipboard* c = QGuiApplication::clipboard()) c->setMimeData(FileListMimeData({path}, false).release());
      });
    } else {
      add(kCut, [this] { InvokeVerb(vbCut); })->setEnabled(!readOnly_);
      add(kCopy, [this] { InvokeVerb(vbCopy); });
      const QClipboard* c = QGuiApplication::clipboard();
      add(kPaste, [this] { InvokeVerb(vbPaste); })->setEnabled(!readOnly_ && c && OffersFiles(c->mimeData()));
      sep();
      add(kTrash, [this] {
        if (InvokeVerb(vbDelete)) ClearSelection();
      })->setEnabled(!readOnly_ && TrashFiles != nullptr);
      if ((pm.ContextMenuType & TImgPanelPopupMenu::ictCanRename) && !readOnly_)
        add(kRename, [this] { EditCaption(current_); });
    }
    sep();
    add(kProperties, [this] {
      if (TPanelItem* item = Current(); item && ShowProperties) ShowProperties(item->GetParseName());
    })->setEnabled(ShowProperties != nullptr);
  }
  QAction* before = host.value(std::min(std::max(pm.ShellMenuPos, 0), int(host.size())), nullptr);
  if (before && !shell.isEmpty() && !host.isEmpty()) {
    auto* s = new QAction(menu.get());
    s->setSeparator(true);
    shell << s;
  }
  menu->insertActions(before, shell);
  return menu;
}

void TImgPanel::ShowContextMenu(QPoint globalPos) {
  std::unique_ptr<QMenu> menu = BuildContextMenu();
  if (!menu || menu->actions().isEmpty()) return;
  contextMenu_ = menu.get();
  contextEntry_ = EntryKey(current_);
  menu->exec(globalPos);
  contextEntry_ = {};
}

}  // namespace catalog
