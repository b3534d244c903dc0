#include "app/widgets/splitter.h"

#include <QMouseEvent>

namespace app {

TSplitter::TSplitter(Qt::Orientation orientation, QWidget* target, QWidget* parent)
    : QWidget(parent), orientation_(orientation), target_(target) {
  if (orientation_ == Qt::Vertical) {
    setFixedWidth(2);
    setCursor(Qt::SplitHCursor);
  } else {
    setFixedHeight(2);
    setCursor(Qt::SplitVCursor);
  }
}

int TSplitter::along(const QPoint& p) const { return orientation_ == Qt::Vertical ? p.x() : p.y(); }

void TSplitter::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton || !target_) return;
  dragging_ = true;
  startPos_ = along(e->globalPosition().toPoint());
  startSize_ = orientation_ == Qt::Vertical ? target_->width() : target_->height();
}

void TSplitter::mouseMoveEvent(QMouseEvent* e) {
  if (!dragging_ || !target_ || !parentWidget()) return;
  const int delta = along(e->globalPosition().toPoint()) - startPos_;
  // The target is left of a vertical bar and below a horizontal one.
  int size = orientation_ == Qt::Vertical ? startSize_ + delta : startSize_ - delta;
  const int room = (orientation_ == Qt::Vertical ? parentWidget()->width() : parentWidget()->height()) -
                   (orientation_ == Qt::Vertical ? width() : height());
  size = qMin(size, room - MinSize);
  size = qMax(size, MinSize);
  if (orientation_ == Qt::Vertical)
    target_->setFixedWidth(size);
  else
    target_->setFixedHeight(size);
  emit Moved();
}

void TSplitter::mouseReleaseEvent(QMouseEvent*) { dragging_ = false; }

}  // namespace app
