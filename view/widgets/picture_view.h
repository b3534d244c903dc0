#pragma once
// An image control of the viewing windows: shows one bitmap at its own size (the control
// takes the bitmap's size) and paints only the part on screen, straight from the bitmap's
// memory, so a large picture is never copied or converted as a whole to be shown.
// At a device pixel ratio above 1 each bitmap pixel goes to one device pixel: the control
// then takes the bitmap's size divided by the ratio, and the picture stays sharp.
#include <QWidget>
#include <memory>

#include "graphics/bitmap.h"

namespace view {

class TPictureView : public QWidget {
  Q_OBJECT
 public:
  explicit TPictureView(QWidget* parent = nullptr);

  // Shares the bitmap (the windows keep their source picture in the same one); `ratio` is
  // the device pixels per logical pixel the bitmap was made for.
  void SetPicture(std::shared_ptr<const graphics::TBitmap> picture, qreal ratio = 1);
  void Clear() { SetPicture(nullptr); }
  const std::shared_ptr<const graphics::TBitmap>& Picture() const { return picture_; }
  QSize PictureSize() const;  // in the control's (logical) pixels
  QSize PixelSize() const;    // the bitmap's own
  // What paintEvent draws, with its device pixel ratio.
  const QImage& DrawnImage() const { return image_; }

 signals:
  void MousePressed(QMouseEvent* event);
  void MouseMoved(QMouseEvent* event);
  void MouseReleased(QMouseEvent* event);
  void DoubleClicked(QMouseEvent* event);
  void Painted();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override { emit MousePressed(event); }
  void mouseMoveEvent(QMouseEvent* event) override { emit MouseMoved(event); }
  void mouseReleaseEvent(QMouseEvent* event) override { emit MouseReleased(event); }
  void mouseDoubleClickEvent(QMouseEvent* event) override { emit DoubleClicked(event); }

 private:
  std::shared_ptr<const graphics::TBitmap> picture_;
  QImage image_;  // wraps picture_'s memory
};

}  // namespace view
