#include "catalog/picture_file.h"

#include "catalog/img_util_png.h"
#include "graphics/graphic.h"
#include "platform/regular_file.h"
#include "platform/settings.h"
#include "platform/settings_keys.h"

namespace catalog {

namespace {
// The reason only: whoever shows it names the file, once.
[[noreturn]] void cannotRead(const QString& why) { throw graphics::EInvalidGraphic(why); }
}  // namespace

TPicture LoadPictureFile(const QString& path, TImgPlugins* plugins, const TPictureOptions& options) {
  TPicture out;
  TImgCustom* png = PngHandler();
  if (png->CanLoad(path)) {
    // A broken file throws the codec's own error.
    if (!png->Load(path, out.Bitmap)) cannotRead(graphics::EFileOpen(platform::RegularFile::Open(path)).Message());
  } else {
    TImgUtil util;
    util.GetType = TGetType::igtNormal;
    util.Performance = options.Performance;
    util.NormalJpegScale = options.JpegScale;
    util.AutoRotate = options.AutoRotate ? *options.AutoRotate
                                         : settings::TIniFile().Read(settings::keys::ViewAutoRotate) != 0;
    util.SPlugin = plugins;
    const int result = util.Load(path, 0, -1, 0);
    if (result != 0) cannotRead(util.LastError);
    // Unrecognised files and folders come back as a stand-in icon with result 0.
    const TImageType kind = util.ImageType;
    if (kind == TImageType::iitNone || kind == TImageType::iitDir)
      cannotRead(plugins ? QStringLiteral("not a picture format QIVO2 or its plug-ins read")
                               : QStringLiteral("not a picture format QIVO2 reads"));
    if (util.Bitmap.Empty()) cannotRead(QStringLiteral("the picture is empty"));
    out.Bitmap = std::move(util.Bitmap);
    out.SourceWidth = util.SourceWidth;
    out.SourceHeight = util.SourceHeight;
    return out;
  }
  out.SourceWidth = out.Bitmap.Width();
  out.SourceHeight = out.Bitmap.Height();
  return out;
}

}  // namespace catalog
