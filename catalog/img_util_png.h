#pragma once
// The PNG handler installed as the image utility's custom handler: claims ".png" files (the
// lower-cased extension) and decodes them with our PNG codec. It keeps no state, so one
// instance serves every utility on every thread.
#include "catalog/img_util.h"

namespace catalog {

class TImgCustomPNG : public TImgCustom {
 public:
  bool CanLoad(const QString& path) const override;
  bool Load(const QString& path, graphics::TBitmap& dest) override;
};

// The one handler every utility installs.
TImgCustom* PngHandler();

}  // namespace catalog
