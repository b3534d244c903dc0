#pragma once
// How a file becomes a whole picture: the one decoding path of viewing, editing, conversion
// and the preview pane. ".png" (lower-cased extension) goes to our PNG codec as it is; every
// other file to a TImgUtil at igtNormal (its built-in kinds by extension, then the plug-in
// list), so thumbnails and viewing decode alike.
#include <QString>
#include <functional>
#include <optional>

#include "catalog/img_util.h"
#include "graphics/bitmap.h"
#include "graphics/jpeg_image.h"

namespace catalog {

struct TPictureOptions {
  graphics::TJPEGPerformance Performance = graphics::jpBestSpeed;
  // The decoder's reduction of a width x height JPEG; full size when unset.
  std::function<graphics::TJPEGScale(int width, int height)> JpegScale;
  // JPEG files turned as their EXIF orientation says; unset: as [View] AutoRotate says.
  std::optional<bool> AutoRotate;
};

struct TPicture {
  graphics::TBitmap Bitmap;
  int SourceWidth = 0, SourceHeight = 0;  // before any JPEG reduction
};

// plugins: the calling thread's own plug-in list, or none. Throws graphics::EInvalidGraphic
// saying why when the file holds no picture we can read.
TPicture LoadPictureFile(const QString& path, TImgPlugins* plugins, const TPictureOptions& options = {});

}  // namespace catalog
