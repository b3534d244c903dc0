#include "app/widgets/preview_picture.h"

#include <QFile>
#include <QFileInfo>
#include <vector>

#include "app/preview_fit.h"
#include "edit/resample.h"
#include "graphics/bmp_graphic.h"
#include "graphics/jpeg_image.h"
#include "view/picture_loader.h"

namespace app {

namespace {
graphics::TJPEGScale ScaleFor(int factor) {
  switch (factor) {
    case 8: return graphics::jsEighth;
    case 4: return graphics::jsQuarter;
    case 2: return graphics::jsHalf;
    default: return graphics::jsFullSize;
  }
}

TPreviewPicture LoadJpeg(const QString& path, QSize pane) {
  const auto info = graphics::ReadJpegInfoFromFile(path);
  if (!info) throw graphics::EInvalidGraphic(QStringLiteral("not a JPEG file: %1").arg(path));
  graphics::TJPEGImage jpeg;
  jpeg.SetScale(ScaleFor(QuickReduction(info->Width, pane.width())));
  jpeg.LoadFromFile(path);
  TPreviewPicture p;
  p.FullWidth = info->Width;
  p.FullHeight = info->Height;
  p.Bitmap = std::move(jpeg.Bitmap());
  return p;
}

TPreviewPicture LoadOther(const QString& path, QSize pane, catalog::TImgPlugins* plugins, bool bmp) {
  TPreviewPicture p;
  if (bmp) {
    graphics::TBMPGraphic graphic;
    graphic.LoadFromFile(path);
    p.Bitmap = std::move(graphic.Bitmap());
  } else {
    view::LoadPicture(path, p.Bitmap, plugins);
  }
  p.FullWidth = p.Bitmap.Width();
  p.FullHeight = p.Bitmap.Height();
  ReduceByBlocks(p.Bitmap, QuickReduction(p.FullWidth, pane.width()));
  return p;
}
}  // namespace

void ReduceByBlocks(graphics::TBitmap& bitmap, int factor) {
  bitmap.ConvertTo24();
  if (factor <= 1 || bitmap.Empty()) return;
  const int w = qMax(bitmap.Width() / factor, 1), h = qMax(bitmap.Height() / factor, 1);
  const int bw = qMin(factor, bitmap.Width()), bh = qMin(factor, bitmap.Height());
  graphics::TBitmap out(w, h);
  std::vector<uint32_t> sums(size_t(w) * 3);
  for (int y = 0; y < h; ++y) {
    std::fill(sums.begin(), sums.end(), 0u);
    for (int dy = 0; dy < bh; ++dy) {
      const uint8_t* row = bitmap.ScanLine(y * bh + dy);
      for (int x = 0; x < w; ++x)
        for (int dx = 0; dx < bw; ++dx)
          for (int c = 0; c < 3; ++c) sums[size_t(x) * 3 + c] += row[size_t(x * bw + dx) * 3 + c];
    }
    uint8_t* dst = out.ScanLine(y);
    const uint32_t n = uint32_t(bw * bh);
    for (size_t i = 0; i < sums.size(); ++i) dst[i] = uint8_t(sums[i] / n);
  }
  bitmap = std::move(out);
}

TPreviewPicture LoadPreviewPicture(const QString& path, QSize pane, catalog::TImgPlugins* plugins) {
  const QString ext = QFileInfo(path).suffix().toLower();
  TPreviewPicture p = ext == QStringLiteral("jpg") || ext == QStringLiteral("jpeg")
                          ? LoadJpeg(path, pane)
                          : LoadOther(path, pane, plugins, ext == QStringLiteral("bmp"));
  p.Bitmap.ConvertTo24();
  const QSize fit = FitToPane({p.Bitmap.Width(), p.Bitmap.Height()}, pane);
  if (!fit.isEmpty()) edit::ResizeBitmap(p.Bitmap, fit.width(), fit.height());
  return p;
}

}  // namespace app
