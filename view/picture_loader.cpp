#include "view/picture_loader.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "catalog/picture_file.h"
#include "edit/resample.h"

namespace view {

namespace {
QSize ByWidth(float r, QSize screen) {
  const int w = screen.width() - 20;
  return {w, int(std::trunc(w / r)) - 20};
}

QSize ByHeight(float r, QSize screen) {
  const int h = screen.height() - 20;
  return {int(std::trunc(h * r)), h};
}
}  // namespace

void LoadPicture(const QString& path, graphics::TBitmap& target, catalog::TImgPlugins* plugins) {
  target = std::move(catalog::LoadPictureFile(path, plugins).Bitmap);
}

QSize ScreenFitSize(QSize picture, QSize screen) {
  if (picture.isEmpty()) return {0, 0};
  if (picture.width() <= screen.width() && picture.height() <= screen.height()) return picture;
  const float r = float(picture.width()) / float(picture.height());
  QSize size = r > 1 ? ByWidth(r, screen) : ByHeight(r, screen);
  // A picture only a little wider than tall would come out taller than the screen (and
  // the mirror case on a portrait screen): the other rule fits it.
  if (r > 1 && size.height() > screen.height()) size = ByHeight(r, screen);
  if (r <= 1 && size.width() > screen.width()) size = ByWidth(r, screen);
  return {qMax(size.width(), 1), qMax(size.height(), 1)};
}

graphics::TBitmap StretchBitmap(const graphics::TBitmap& source, int w, int h) {
  if (w <= 0 || h <= 0) return {};
  graphics::TBitmap out(w, h);
  if (source.Empty()) return out;
  std::vector<int> columns(static_cast<size_t>(w));
  for (int x = 0; x < w; ++x) columns[size_t(x)] = int(int64_t(x) * source.Width() / w);
  const bool direct = source.PixelFormat() == graphics::TPixelFormat::pf24bit;
  for (int y = 0; y < h; ++y) {
    const int sy = int(int64_t(y) * source.Height() / h);
    const uint8_t* srow = source.ScanLine(sy);
    uint8_t* drow = out.ScanLine(y);
    for (int x = 0; x < w; ++x) {
      const int sx = columns[size_t(x)];
      if (direct) {
        std::copy_n(srow + size_t(sx) * 3, 3, drow + size_t(x) * 3);
      } else {
        const graphics::TRGBQuad c = source.PixelColor(sx, sy);
        drow[x * 3] = c.blue;
        drow[x * 3 + 1] = c.green;
        drow[x * 3 + 2] = c.red;
      }
    }
  }
  return out;
}

graphics::TJPEGScale ReductionFor(QSize picture, QSize target) {
  static constexpr struct {
    int denominator;
    graphics::TJPEGScale scale;
  } kReductions[] = {{8, graphics::jsEighth}, {4, graphics::jsQuarter}, {2, graphics::jsHalf}};
  for (const auto& r : kReductions) {
    const int w = (picture.width() + r.denominator - 1) / r.denominator;
    const int h = (picture.height() + r.denominator - 1) / r.denominator;
    if (w >= target.width() && h >= target.height()) return r.scale;
  }
  return graphics::jsFullSize;
}

graphics::TBitmap LoadPictureFitted(const QString& path, QSize screen, bool smooth, catalog::TImgPlugins* plugins) {
  // A JPEG that will be shrunk is decoded at the largest reduction still at least the fitted
  // size: a fraction of the work, and the resize that follows gives the same size.
  catalog::TPictureOptions options;
  options.JpegScale = [screen](int width, int height) {
    return ReductionFor({width, height}, ScreenFitSize({width, height}, screen));
  };
  catalog::TPicture picture = catalog::LoadPictureFile(path, plugins, options);
  graphics::TBitmap& bitmap = picture.Bitmap;
  const QSize natural(picture.SourceWidth, picture.SourceHeight);
  const QSize fit = ScreenFitSize(natural, screen);
  if (fit == QSize(bitmap.Width(), bitmap.Height())) return std::move(bitmap);
  if (!smooth) return StretchBitmap(bitmap, fit.width(), fit.height());
  edit::ResizeBitmap(bitmap, fit.width(), fit.height());
  return std::move(bitmap);
}

}  // namespace view
