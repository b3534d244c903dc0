#include "view/widgets/picture_view.h"

#include <QPaintEvent>
#include <QPainter>

namespace view {

TPictureView::TPictureView(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  resize(0, 0);
}

void TPictureView::SetPicture(std::shared_ptr<const graphics::TBitmap> picture) {
  picture_ = std::move(picture);
  image_ = picture_ ? picture_->AsQImage() : QImage();
  resize(PictureSize());
  update();
}

QSize TPictureView::PictureSize() const { return picture_ ? QSize(picture_->Width(), picture_->Height()) : QSize(0, 0); }

void TPictureView::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  const QRect area = event->rect();
  if (image_.isNull()) {
    painter.fillRect(area, Qt::black);
  } else {
    painter.drawImage(area.topLeft(), image_, area);
  }
  emit Painted();
}

}  // namespace view
