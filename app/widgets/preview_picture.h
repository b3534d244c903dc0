#pragma once
// The picture of the preview pane: decoded with the quick 1/8, 1/4 or 1/2 reduction chosen
// from the pane's width, then fitted into the pane.
#include <QSize>
#include <QString>

#include "graphics/bitmap.h"

namespace catalog {
class TImgPlugins;
}

namespace app {

struct TPreviewPicture {
  graphics::TBitmap Bitmap;  // 24-bit, fitted to the pane
  int FullWidth = 0;         // the picture's own size, before any reduction
  int FullHeight = 0;
};

// Decoded through catalog::LoadPictureFile: a JPEG reduced by the decoder's scale,
// everything else reduced by averaging blocks of 8 × 8, 4 × 4 or 2 × 2 pixels. Throws
// graphics::EInvalidGraphic (or EImageTooLarge) when the file cannot be read.
TPreviewPicture LoadPreviewPicture(const QString& path, QSize pane, catalog::TImgPlugins* plugins);

// Averages each factor × factor block into one 24-bit pixel (sizes divided, truncated;
// never below 1 × 1). A factor of 1 only converts to 24 bits.
void ReduceByBlocks(graphics::TBitmap& bitmap, int factor);

}  // namespace app
