#pragma once
#include <QImage>

#include "catalog/widgets/imgpanel.h"

namespace catalog {

// Draws a 16 x 16 small icon onto a thumbnail cell of W x H at the corner pos names.
void DrawSmallIconMark(QImage& cell, const QImage& icon, TIconPosition pos, int space);

}  // namespace catalog
