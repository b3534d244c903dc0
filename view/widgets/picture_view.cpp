#include "view/widgets/picture_view.h"

#include <QPaintEvent>
#include <QPainter>

#include "view/preview_geometry.h"

namespace view {

TPictureView::TPictureView(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  resize(0, 0);
}

void TPictureView::SetPicture(std::shared_ptr<const graphics::TBitmap> picture, qreal ratio) {
  picture_ = std::move(picture);
  image_ = picture_ ? picture_->AsQImage() : QImage();
  if (!image_.isNull()) image_.setDevicePixelRatio(ratio);
  resize(PictureSize());
  update();
}

QSize TPictureView::PixelSize() const { return picture_ ? QSize(picture_->Width(), picture_->Height()) : QSize(0, 0); }

QSize TPictureView::PictureSize() const {
  return image_.isNull() ? PixelSize() : LogicalExtent(PixelSize(), image_.devicePixelRatio());
}

void TPictureView::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  const QRect area = event->rect();
  const qreal ratio = image_.isNull() ? 1 : image_.devicePixelRatio();
  // The source in bitmap pixels: at the screen's ratio the painter maps it 1:1 to the device.
  const QRectF source(QPointF(area.topLeft()) * ratio, QSizeF(area.size()) * ratio);
  // An odd-sized bitmap at ratio 2 leaves half of its last logical column (or row) uncovered.
  if (image_.isNull() || !QRectF(image_.rect()).contains(source)) painter.fillRect(area, Qt::black);
  if (!image_.isNull()) painter.drawImage(QRectF(area), image_, source);
  emit Painted();
}

}  // namespace view
