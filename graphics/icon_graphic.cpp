#include "graphics/icon_graphic.h"

#include <QImageReader>
#include <QPainter>

#include "graphics/image_size.h"

namespace graphics {

void TIconGraphic::LoadFromStream(QIODevice& stream) {
  QImageReader reader(&stream, "ico");
  QImage best;
  // An icon file holds several sizes; the largest shows the most.
  do {
    QImage img = reader.read();
    if (img.isNull()) break;
    if (best.isNull() || img.width() * img.height() > best.width() * best.height()) best = img;
  } while (reader.jumpToNextImage());
  if (best.isNull()) throw EInvalidGraphic(QStringLiteral("Invalid icon file: %1").arg(reader.errorString()));
  if (!checkedImageBytes(best.width(), best.height(), 24)) throw EInvalidGraphic("Invalid icon file: too large");
  QImage onWhite(best.size(), QImage::Format_RGB32);
  onWhite.fill(Qt::white);
  QPainter(&onWhite).drawImage(0, 0, best);
  bitmap_ = TBitmap::FromQImage(onWhite);
}

const TGraphicClass& IconGraphicClass() {
  static const TGraphicClass cls{QStringLiteral("TIcon"), [] { return std::make_unique<TIconGraphic>(); }};
  return cls;
}

}  // namespace graphics
