#pragma once
// The PNG loader installed as the image utility's custom handler: claims ".png" files and
// decodes them with our PNG codec.
#include "catalog/img_util.h"

namespace catalog {

class TImgCustomPNG : public TImgCustom {
 public:
  bool CanLoad(const QString& path) const override;
  bool Load(const QString& path, graphics::TBitmap& dest) override;
};

}  // namespace catalog
