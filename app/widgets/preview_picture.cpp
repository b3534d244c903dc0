#include "app/widgets/preview_picture.h"

#include <vector>

#include "app/preview_fit.h"
#include "edit/resample.h"
#include "catalog/picture_file.h"
#include "graphics/jpeg_image.h"

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
  catalog::TPictureOptions options;
  options.Performance = graphics::jpBestQuality;
  options.JpegScale = [pane](int width, int) { return ScaleFor(QuickReduction(width, pane.width())); };
  catalog::TPicture picture = catalog::LoadPictureFile(path, plugins, options);
  TPreviewPicture p;
  p.FullWidth = picture.SourceWidth;
  p.FullHeight = picture.SourceHeight;
  p.Bitmap = std::move(picture.Bitmap);
  // A JPEG comes reduced by its decoder; everything else at full size.
  if (p.Bitmap.Width() == p.FullWidth && p.Bitmap.Height() == p.FullHeight)
    ReduceByBlocks(p.Bitmap, QuickReduction(p.FullWidth, pane.width()));
  p.Bitmap.ConvertTo24();
  const QSize fit = FitToPane({p.Bitmap.Width(), p.Bitmap.Height()}, pane);
  if (!fit.isEmpty()) edit::ResizeBitmap(p.Bitmap, fit.width(), fit.height());
  return p;
}

}  // namespace app
