// The catalogue's folder change notification and in-place renaming.
#include <QApplication>
#include <QHash>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>

#include "catalog/widgets/imgpanel.h"
#include "catalog/widgets/inplace_edit.h"
#include "platform/path_bytes.h"
#include "platform/shell.h"

namespace catalog {

void TImgPanel::initLive() {
  notify_ = new TShellChangeNotification(this);
  notify_->OnChange = [this] { changeRefresh(); };
  ChangeNotifyStop = [this](TImgPanel*) {
    listedSince_ = FolderStampNow();  // the next listing begins after this
    notify_->Stop();
  };
  ChangeNotifyStart = [this](TImgPanel*) {
    if (viewMode_ == TViewMode::ivmFolder && folder_) notify_->Start(FolderPath(), listedSince_);
  };
  editor_ = new TImgInplaceEdit(this);
  editor_->OnCommit = [this](int index, const QString& text) { commitEdit(index, text); };
  editor_->OnDone = [this] { setFocus(Qt::OtherFocusReason); };
  editor_->OnEnded = [this] {
    if (!changeWhileEditing_) return;
    changeWhileEditing_ = false;
    QTimer::singleShot(0, this, [this] { changeRefresh(); });
  };
  renameTimer_ = new QTimer(this);
  renameTimer_->setSingleShot(true);
  renameTimer_->setInterval(500);
  connect(renameTimer_, &QTimer::timeout, this, [this] { renameClickFired(); });
  dragScrollTimer_ = new QTimer(this);
  dragScrollTimer_->setInterval(300);
  connect(dragScrollTimer_, &QTimer::timeout, this, [this] { dragEdgeScroll(); });
  setAcceptDrops(true);
}

void TImgPanel::changeRefresh() {
  if (viewMode_ != TViewMode::ivmFolder || !folder_) return;
  // A name being typed is not thrown away by another program's change: the listing waits.
  if (editor_->Editing()) {
    changeWhileEditing_ = true;
    return;
  }
  auto nameAt = [this](int i) { return i >= 0 && i < Count() ? Item(i)->GetParseName() : QString(); };
  const QString current = nameAt(current_), focus = nameAt(focus_), anchor = nameAt(anchor_);
  QStringList selected;
  for (int i : selection_) selected << nameAt(i);
  Refresh(false);
  if (contextMenu_ && IndexOfEntry(contextEntry_) < 0) contextMenu_->close();
  if (current.isEmpty() && focus.isEmpty() && anchor.isEmpty() && selected.isEmpty()) return;
  QHash<QString, int> at;
  at.reserve(Count());
  for (int i = 0; i < Count(); ++i) at.insert(Item(i)->GetParseName(), i);
  auto keep = [&](int& index, const QString& name) {
    if (!name.isEmpty()) index = at.value(name, index);
  };
  keep(current_, current);
  keep(focus_, focus);
  keep(anchor_, anchor);
  for (const QString& name : selected) {
    const int i = at.value(name, -1);
    if (i < 0 || Item(i)->Selected) continue;
    Item(i)->Selected = true;
    Item(i)->SkipRenameClick = !hasFocus();
    selection_.push_back(i);
  }
  redrawSelectionAndFocus();
}

// ---------------------------------------------------------------- in-place editing

bool TImgPanel::EditCaption(int index) {
  if (readOnly_ || !showCaptions_ || index < 0 || index >= Count()) return false;
  TPanelItem* item = Item(index);
  if (!item->HasAttributes(platform::shell::SFGAO_CANRENAME)) return false;
  bool allow = true;
  if (OnEditing) OnEditing(this, item, allow);
  if (!allow) return false;
  SelectOnly(index);
  MakeVisible(index);
  const QRect caption = CaptionRect(index).translated(clientArea().topLeft());
  if (caption.isEmpty()) return false;
  const QString path = item->GetParseName();
  editEntry_ = EntryKey(index);
  editor_->Begin(index, path.mid(path.lastIndexOf(QLatin1Char('/')) + 1), caption, metrics_.OW - 4,
                 clientArea().bottom() + 1);
  return true;
}

void TImgPanel::EndEdit() {
  if (editor_) editor_->Cancel();
}

void TImgPanel::commitEdit(int, const QString& text) {
  // By key, not by the editor's position: the list may have changed while the name was typed.
  if (const int index = IndexOfEntry(editEntry_); index >= 0) {
    TPanelItem* item = Item(index);
    QString name = text;
    if (OnEdited) OnEdited(this, item, name);
    // Our own rename is no change to report: the watch is made again after it.
    notify_->Stop();
    int error = 0;
    const bool renamed = item->Rename(name, &error);
    if (viewMode_ == TViewMode::ivmFolder && folder_) notify_->Start(FolderPath());
    if (renamed) {
      DrawItem(index);
    } else if (RenameRefusedBox) {
      RenameRefusedBox(RenameRefusalText(name, error));  // last: the box runs the event loop
    } else {
      QMessageBox::warning(this, window()->windowTitle(), RenameRefusalText(name, error));
    }
  }
}

void TImgPanel::ArmRenameClick(QPoint clientPoint) {
  renameClickArmed_ = true;
  renameClickPoint_ = clientPoint;
  renameTimer_->start();
}

void TImgPanel::renameClickFired() {
  if (!renameClickArmed_) return;
  renameClickArmed_ = false;
  if (!Current()) return;
  const QRect caption = CaptionRect(current_);
  // Edges included.
  const QRect hit(caption.topLeft(), caption.size() + QSize(1, 1));
  if (!caption.isEmpty() && hit.contains(renameClickPoint_) && !readOnly_)
    EditCaption(current_);
  else
    EndEdit();
}

}  // namespace catalog
