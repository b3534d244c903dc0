// Dragging entries out of the catalogue and dropping files into it.
#include <QApplication>
#include <QDateTime>
#include <QDrag>
#include <QDragEnterEvent>
#include <QMenu>
#include <QTimer>

#include "catalog/widgets/imgpanel.h"
#include "platform/shell.h"

namespace catalog {

namespace {
Qt::DropActions AllowedOf(int dragType) {
  Qt::DropActions a;
  if (dragType & int(TDragType::idtCopy)) a |= Qt::CopyAction;
  if (dragType & int(TDragType::idtMove)) a |= Qt::MoveAction;
  if (dragType & int(TDragType::idtLink)) a |= Qt::LinkAction;
  return a;
}

TTransfer TransferOf(Qt::DropAction a) {
  return a == Qt::MoveAction ? TTransfer::ttMove : a == Qt::LinkAction ? TTransfer::ttLink : TTransfer::ttCopy;
}

Qt::DropAction ActionOf(TTransfer t) {
  return t == TTransfer::ttMove ? Qt::MoveAction : t == TTransfer::ttLink ? Qt::LinkAction : Qt::CopyAction;
}
}  // namespace

void TImgPanel::BeginDrag(Qt::MouseButton button) {
  if (!defaultExec_.DropSource) return;
  const QStringList files = verbTargets(platform::shell::SFGAO_CANCOPY);
  const Qt::DropActions allowed = AllowedOf(defaultExec_.DragType);
  if (files.isEmpty() || !allowed) return;
  std::unique_ptr<QMimeData> data = FileListMimeData(files, false);
  data->removeFormat(kGnomeCopiedMime);
  data->removeFormat(kKdeCutMime);
  auto* drag = new QDrag(this);
  drag->setMimeData(data.release());
  const QRect cell = CellRect(current_);
  if (!cell.isEmpty()) {
    QPixmap picture = QPixmap::fromImage(page_.copy(cell));
    drag->setPixmap(picture);
    drag->setHotSpot(dragPoint_ - clientArea().topLeft() - cell.topLeft());
  }
  draggingOut_ = button;
  // Copying is the harmless guess; the target and the keys decide otherwise.
  drag->exec(allowed, allowed & Qt::CopyAction ? Qt::CopyAction : Qt::MoveAction);
  draggingOut_ = Qt::NoButton;
  dragArmed_ = false;
}

Qt::DropAction TImgPanel::dragEffect(const QMimeData* data, Qt::DropActions possible, Qt::DropAction proposed,
                                     Qt::MouseButton ownDrag, TShiftState shift, const TFileDropTargetEvent& handler) {
  if (!defaultExec_.DropTarget || readOnly_) return Qt::IgnoreAction;
  TFileDataObject files(data);
  if (files.FileCount() == 0) return Qt::IgnoreAction;
  const Qt::DropActions allowed = possible & AllowedOf(defaultExec_.DragType);
  Qt::DropAction effect = proposed;
  if (!(allowed & effect)) {
    effect = allowed & Qt::CopyAction   ? Qt::CopyAction
             : allowed & Qt::MoveAction ? Qt::MoveAction
             : allowed & Qt::LinkAction ? Qt::LinkAction
                                        : Qt::IgnoreAction;
  }
  // A left-button drag of this control's own entries onto itself does nothing.
  if (ownDrag == Qt::LeftButton) effect = Qt::IgnoreAction;
  bool accept = effect != Qt::IgnoreAction;
  if (handler) handler(this, files, accept, effect, shift);
  return accept ? effect : Qt::IgnoreAction;
}

bool TImgPanel::fileDragEvent(QDropEvent* e, const TFileDropTargetEvent& handler) {
  const Qt::DropAction effect = dragEffect(e->mimeData(), e->possibleActions(), e->proposedAction(), draggingOut_,
                                           {e->buttons(), e->modifiers()}, handler);
  if (effect == Qt::IgnoreAction) return false;
  e->setDropAction(effect);
  e->accept();
  return true;
}

void TImgPanel::dragEnterEvent(QDragEnterEvent* e) {
  if (!fileDragEvent(e, OnFileDragEnter)) e->ignore();
}

void TImgPanel::dragMoveEvent(QDragMoveEvent* e) {
  if (!defaultExec_.DropTarget) {
    e->ignore();
    return;
  }
  const int edge = QFontMetrics(font()).height();
  const QRect c = clientArea();
  const int y = e->position().toPoint().y();
  dragScrollDirection_ = y < c.top() + edge ? -1 : y > c.bottom() - edge ? 1 : 0;
  if (dragScrollDirection_ == 0) {
    dragScrollTimer_->stop();
  } else {
    dragEdgeScroll();
    if (!dragScrollTimer_->isActive()) dragScrollTimer_->start();
  }
  if (!fileDragEvent(e, OnFileDragOver)) e->ignore();
}

void TImgPanel::dragEdgeScroll() {
  // One line at most every 300 ms, however often the pointer moves.
  const qint64 now = QDateTime::currentMSecsSinceEpoch();
  if (dragScrollDirection_ == 0 || now - lastDragScroll_ < 300) return;
  lastDragScroll_ = now;
  if (dragScrollDirection_ < 0)
    LineUp();
  else
    LineDown();
}

void TImgPanel::dragLeaveEvent(QDragLeaveEvent* e) {
  dragScrollTimer_->stop();
  dragScrollDirection_ = 0;
  if (OnFileDragLeave) OnFileDragLeave(this);
  e->accept();
}

void TImgPanel::dropEvent(QDropEvent* e) {
  const Qt::DropAction done = DropFiles(e->mimeData(), e->position().toPoint(), e->proposedAction(), draggingOut_);
  e->setDropAction(done);
  if (done == Qt::IgnoreAction)
    e->ignore();
  else
    e->accept();
}

Qt::DropAction TImgPanel::DropFiles(const QMimeData* data, QPoint pos, Qt::DropAction action, Qt::MouseButton ownDrag) {
  dragScrollTimer_->stop();
  dragScrollDirection_ = 0;
  const Qt::DropAction effect = dragEffect(data, Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, action, ownDrag,
                                           {QGuiApplication::mouseButtons(), QGuiApplication::keyboardModifiers()},
                                           OnFileDragDrop);
  if (effect == Qt::IgnoreAction) return Qt::IgnoreAction;
  TFileDataObject files(data);
  if (viewMode_ == TViewMode::ivmFile) {
    for (const QString& f : files.Files()) AddFile(f);
    updateScrollBar();
    return effect;
  }
  if (!folder_) return Qt::IgnoreAction;
  // Onto a folder entry: into that folder; elsewhere: into the folder shown.
  QString folder = FolderPath();
  const int hit = ItemAtPos(pos);
  if (hit >= 0 && Item(hit)->IsFolder) folder = Item(hit)->GetParseName();
  std::optional<TTransfer> kind = TransferOf(effect);
  // This control's own right-button drag: the user chooses, as the desktop's shell offers.
  if (ownDrag == Qt::RightButton) {
    if (AskDropAction) {
      kind = AskDropAction(mapToGlobal(pos));
    } else {
      QMenu menu;
      QAction* copy = menu.addAction(QStringLiteral("ここにコピー(&C)"));
      QAction* move = menu.addAction(QStringLiteral("ここに移動(&M)"));
      QAction* link = menu.addAction(QStringLiteral("ここにリンクを作成(&L)"));
      menu.addSeparator();
      menu.addAction(QStringLiteral("キャンセル"));
      const Qt::DropActions allowed = AllowedOf(defaultExec_.DragType);
      copy->setEnabled(allowed & Qt::CopyAction);
      move->setEnabled(allowed & Qt::MoveAction);
      link->setEnabled(allowed & Qt::LinkAction);
      QAction* chosen = menu.exec(mapToGlobal(pos));
      kind = chosen == copy   ? std::optional(TTransfer::ttCopy)
             : chosen == move ? std::optional(TTransfer::ttMove)
             : chosen == link ? std::optional(TTransfer::ttLink)
                              : std::nullopt;
    }
  }
  if (!kind) return Qt::IgnoreAction;
  const bool done = transfer(*kind, files.Files(), folder);
  // A move is reported to the source only when every file moved: some sources delete what
  // they take as moved.
  if (!done && *kind == TTransfer::ttMove) return Qt::CopyAction;
  return ActionOf(*kind);
}

}  // namespace catalog
