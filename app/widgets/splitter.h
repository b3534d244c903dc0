#pragma once
// A splitter bar that resizes one neighbour: dragging it changes the fixed width (vertical
// bar) or height (horizontal bar) of `target`, which sits to its left or below it, while the
// other neighbour takes the rest. Neither side gets smaller than MinSize by dragging.
#include <QWidget>

namespace app {

class TSplitter : public QWidget {
  Q_OBJECT
 public:
  // Qt::Vertical: a vertical bar between a left `target` and the rest (it moves sideways).
  // Qt::Horizontal: a horizontal bar above a bottom `target`.
  TSplitter(Qt::Orientation orientation, QWidget* target, QWidget* parent = nullptr);

  int MinSize = 30;
  void SetTarget(QWidget* target) { target_ = target; }

 signals:
  void Moved();

 protected:
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;

 private:
  int along(const QPoint& p) const;
  Qt::Orientation orientation_;
  QWidget* target_;
  int startPos_ = 0;
  int startSize_ = 0;
  bool dragging_ = false;
};

}  // namespace app
