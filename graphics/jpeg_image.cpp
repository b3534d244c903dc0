#include "graphics/jpeg_image.h"

#include <algorithm>

#include "graphics/picture_formats.h"

namespace graphics {

void TJPEGImage::SetCompressionQuality(int q) { quality_ = std::clamp(q, 1, 100); }

// Being written: the codec lands in the next commit.
void TJPEGImage::LoadFromStream(QIODevice&) { throw EInvalidGraphic("JPEG decoding not available yet"); }
void TJPEGImage::LoadFromMemory(const uint8_t*, size_t) { throw EInvalidGraphic("JPEG decoding not available yet"); }
void TJPEGImage::SaveToStream(QIODevice&) const { throw EInvalidGraphic("JPEG encoding not available yet"); }
QByteArray TJPEGImage::SaveToMemory() const { throw EInvalidGraphic("JPEG encoding not available yet"); }

void RegisterJpegFormat() {
  static const TGraphicClass cls{QStringLiteral("TJPEGImage"), [] { return std::make_unique<TJPEGImage>(); }};
  auto& formats = TPictureFormats::Instance();
  formats.Register(QStringLiteral("jpg"), QStringLiteral("JPEG Image File"), &cls);
  formats.Register(QStringLiteral("jpeg"), QStringLiteral("JPEG Image File"), &cls);
}

}  // namespace graphics
