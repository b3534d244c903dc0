#include "catalog/widgets/small_icon_mark.h"

#include <QPainter>

namespace catalog {

void DrawSmallIconMark(QImage& cell, const QImage& icon, TIconPosition pos, int space) {
  const int W = cell.width(), H = cell.height(), s = 16;
  QPoint at;
  switch (pos) {
    case TIconPosition::iipLeftTop: at = QPoint(0, 0); break;
    case TIconPosition::iipLeftBottom: at = QPoint(0, H - space - s); break;
    case TIconPosition::iipRightTop: at = QPoint(W - space - s, 0); break;
    case TIconPosition::iipRightBottom: at = QPoint(W - space - s, H - space - s); break;
    case TIconPosition::iipNone: return;
  }
  QPainter p(&cell);
  p.drawImage(QRect(at, QSize(s, s)), icon);
}

}  // namespace catalog
