#include "decode/png_graphic.h"

#include "decode/png_read_stream.h"
#include "decode/png_write_stream.h"
#include "graphics/picture_formats.h"

namespace decode {

void TQVPNG::LoadFromStream(QIODevice& stream) {
  TQVPNGInfo info;
  info.Time = info_.Time;
  graphics::TBitmap bitmap, mask;
  TQVPNGReadStream reader(stream, info);
  try {
    reader.Read(bitmap, mask);
  } catch (const graphics::EImageTooLarge&) {
    throw EQVPNG(png_msg::kImageSize);
  }
  bitmap_ = std::move(bitmap);
  mask_ = std::move(mask);
  info_ = std::move(info);
}

void TQVPNG::SaveToStream(QIODevice& stream) const {
  TQVPNGWriteStream writer(stream, info_, params_);
  writer.Write(bitmap_, mask_);
}

void TQVPNG::SetIDATSize(int size) {
  if (size < kPNGMinIDATSize || size > kPNGMaxIDATSize) throw EQVPNG(png_msg::kIDATSize);
  params_.IDATSize = size;
}

QImage TQVPNG::ToImage() const {
  if (bitmap_.Empty()) return QImage();
  if (!HasMask() && !bitmap_.Transparent) return bitmap_.AsQImage();
  QImage out = bitmap_.AsQImage().convertToFormat(QImage::Format_ARGB32);
  const bool masked = HasMask() && mask_.Width() == bitmap_.Width() && mask_.Height() == bitmap_.Height();
  const graphics::TRGBQuad key = bitmap_.TransparentColor;
  const QRgb keyRgb = qRgb(key.red, key.green, key.blue);
  for (int y = 0; y < out.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    const uint8_t* alpha = masked ? mask_.ScanLine(y) : nullptr;
    for (int x = 0; x < out.width(); ++x) {
      if (alpha)
        line[x] = qRgba(qRed(line[x]), qGreen(line[x]), qBlue(line[x]), alpha[x]);
      else if ((line[x] & 0xFFFFFF) == (keyRgb & 0xFFFFFF))
        line[x] = 0;
    }
  }
  return out;
}

void TQVPNG::Draw(QPainter& painter, const QRectF& target) const {
  const QImage image = ToImage();
  if (!image.isNull()) painter.drawImage(target, image);
}

namespace {
const graphics::TGraphicClass kPngClass{QStringLiteral("TQVPNG"), [] { return std::make_unique<TQVPNG>(); }};
}

void RegisterPngFormat() {
  graphics::TPictureFormats::Instance().Register(QStringLiteral("png"), QStringLiteral("PNG Format"), &kPngClass);
}

}  // namespace decode
