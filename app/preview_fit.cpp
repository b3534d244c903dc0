#include "app/preview_fit.h"

#include <cmath>

namespace app {

int QuickReduction(int pictureWidth, int paneWidth) {
  if (paneWidth <= 0) return 1;
  const int r = pictureWidth / paneWidth;
  if (r >= 8) return 8;
  if (r >= 4) return 4;
  if (r >= 2) return 2;
  return 1;
}

QSize FitToPane(QSize picture, QSize pane) {
  if (picture.isEmpty()) return {0, 0};
  const int W = qMax(pane.width(), 1), H = qMax(pane.height(), 1);
  double w = picture.width(), h = picture.height();
  if (W < w || h > H) {
    // std::nearbyint rounds halves to even in the default rounding mode.
    if (W < w) {
      h = std::nearbyint(W / w * h);
      w = W;
    }
    if (h > H) {
      w = std::nearbyint(H / h * w);
      h = H;
    }
  }
  return {qMax(int(w), 1), qMax(int(h), 1)};
}

QPoint CentreInPane(QSize picture, QSize pane) {
  return {(pane.width() - picture.width()) / 2, (pane.height() - picture.height()) / 2};
}

}  // namespace app
