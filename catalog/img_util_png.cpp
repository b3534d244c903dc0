#include "catalog/img_util_png.h"

#include <QFile>
#include <QFileInfo>

#include "decode/png_graphic.h"
#include "platform/regular_file.h"

namespace catalog {

bool TImgCustomPNG::CanLoad(const QString& path) const {
  return QFileInfo(path).fileName().endsWith(QLatin1String(".png"), Qt::CaseInsensitive);
}

bool TImgCustomPNG::Load(const QString& path, graphics::TBitmap& dest) {
  const platform::RegularFile file = platform::RegularFile::Open(path);
  QFile f;
  if (!file.LendTo(f)) return false;
  decode::TQVPNG png;
  png.LoadFromStream(f);  // throws on a broken file; the utility counts that as failure
  dest = std::move(png.Bitmap());
  return true;
}

TImgCustom* PngHandler() {
  static TImgCustomPNG handler;
  return &handler;
}

}  // namespace catalog
