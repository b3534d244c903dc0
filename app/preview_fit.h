#pragma once
// Arithmetic of the preview pane: the quick reduction before decoding and the fit rule.
#include <QPoint>
#include <QSize>

namespace app {

// 8, 4, 2 or 1 from picture width div pane width (width only). A pane of no width: 1.
int QuickReduction(int pictureWidth, int paneWidth);

// The size a w × h picture is shown at in a paneW × paneH pane: first fitted to the width
// when wider, then to the height when taller; rounding to nearest, halves to even. A picture
// that fits keeps its size. Never smaller than 1 × 1 for a non-empty picture.
QSize FitToPane(QSize picture, QSize pane);

// Top-left corner that centres a picture in the pane (each halved toward zero).
QPoint CentreInPane(QSize picture, QSize pane);

}  // namespace app
