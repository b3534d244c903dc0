#pragma once
// The main window's picture loaders, used by the preview pane and by every viewing, editing,
// conversion and wallpaper command.
// - LoadPicture (the plain loader): the whole picture at full size through
//   catalog::LoadPictureFile with the calling thread's plug-in list. A file that cannot be
//   decoded throws graphics::EInvalidGraphic saying why, rather than handing back the
//   utility's stand-in icon as if it were the picture.
// - LoadPictureFitted (the screen-fitting loader): the same picture shrunk to fit a screen
//   with 20-pixel margins (ScreenFitSize).
#include <QSize>
#include <QString>

#include "catalog/img_util.h"
#include "graphics/bitmap.h"
#include "graphics/jpeg_image.h"

namespace view {

void LoadPicture(const QString& path, graphics::TBitmap& target, catalog::TImgPlugins* plugins);

// Size a width × height picture takes on a screen: unchanged when it fits; otherwise, with
// r = width / height, wider pictures (r > 1) take w = screen width − 20 and
// h = trunc(w / r) − 20, others h = screen height − 20 and w = trunc(h × r). When that
// rule still leaves the picture taller (or wider) than the screen, the other rule is used,
// and no side drops below 1.
QSize ScreenFitSize(QSize picture, QSize screen);

// The JPEG reduction (1/8, 1/4, 1/2 or none) that still leaves a picture at least `target`.
graphics::TJPEGScale ReductionFor(QSize picture, QSize target);

// smooth: resampled (ResizeBitmap); otherwise stretched pixel by pixel. A JPEG is decoded at
// ReductionFor its fitted size first.
graphics::TBitmap LoadPictureFitted(const QString& path, QSize screen, bool smooth, catalog::TImgPlugins* plugins);

// Nearest-pixel stretch of any bitmap into a new 24-bit w × h bitmap (the stretch-draw of
// an image control).
graphics::TBitmap StretchBitmap(const graphics::TBitmap& source, int w, int h);

}  // namespace view
