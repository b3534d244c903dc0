#include "graphics/bitmap.h"

#include "graphics/image_size.h"

namespace graphics {

TBitmap::TBitmap(int width, int height, TPixelFormat format) { SetSize(width, height, format); }

void TBitmap::Clear() {
  width_ = height_ = 0;
  stride_ = 0;
  data_.clear();
  palette_.clear();
}

void TBitmap::SetSize(int width, int height, TPixelFormat format) {
  if (width == 0 || height == 0) {
    Clear();
    format_ = format;
    return;
  }
  const int bpp = static_cast<int>(format);
  const auto bytes = checkedImageBytes(width, height, bpp);
  if (!bytes) throw EImageTooLarge("Image size out of range");
  width_ = width;
  height_ = height;
  format_ = format;
  stride_ = *checkedStride(width, bpp);
  data_.assign(*bytes, 0);
  if (format == TPixelFormat::pf24bit)
    palette_.clear();
  else
    palette_.assign(size_t(1) << bpp, TRGBQuad{});
}

int TBitmap::PixelIndex(int x, int y) const {
  const uint8_t* row = ScanLine(y);
  switch (format_) {
    case TPixelFormat::pf1bit: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case TPixelFormat::pf4bit: return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
    case TPixelFormat::pf8bit: return row[x];
    case TPixelFormat::pf24bit: break;
  }
  return 0;
}

void TBitmap::SetPixelIndex(int x, int y, int index) {
  uint8_t* row = ScanLine(y);
  switch (format_) {
    case TPixelFormat::pf1bit: {
      const uint8_t bit = uint8_t(0x80 >> (x & 7));
      row[x >> 3] = index & 1 ? (row[x >> 3] | bit) : (row[x >> 3] & ~bit);
      break;
    }
    case TPixelFormat::pf4bit:
      if (x & 1)
        row[x >> 1] = uint8_t((row[x >> 1] & 0xF0) | (index & 0x0F));
      else
        row[x >> 1] = uint8_t((row[x >> 1] & 0x0F) | ((index & 0x0F) << 4));
      break;
    case TPixelFormat::pf8bit: row[x] = uint8_t(index); break;
    case TPixelFormat::pf24bit: break;
  }
}

TRGBQuad TBitmap::PixelColor(int x, int y) const {
  if (format_ == TPixelFormat::pf24bit) {
    const uint8_t* p = ScanLine(y) + size_t(x) * 3;
    return TRGBQuad{p[0], p[1], p[2], 0};
  }
  const size_t i = size_t(PixelIndex(x, y));
  return i < palette_.size() ? palette_[i] : TRGBQuad{};
}

TBitmap TBitmap::To24() const {
  if (format_ == TPixelFormat::pf24bit) return *this;
  TBitmap out(width_, height_, TPixelFormat::pf24bit);
  out.Transparent = Transparent;
  out.TransparentColor = TransparentColor;
  for (int y = 0; y < height_; ++y) {
    uint8_t* d = out.ScanLine(y);
    for (int x = 0; x < width_; ++x) {
      const TRGBQuad c = PixelColor(x, y);
      *d++ = c.blue;
      *d++ = c.green;
      *d++ = c.red;
    }
  }
  return out;
}

QImage TBitmap::AsQImage() const {
  if (Empty()) return QImage();
  auto table = [this] {
    QList<QRgb> t;
    t.reserve(qsizetype(palette_.size()));
    for (const auto& q : palette_) t.push_back(qRgb(q.red, q.green, q.blue));
    return t;
  };
  switch (format_) {
    case TPixelFormat::pf24bit:
      return QImage(data_.data(), width_, height_, qsizetype(stride_), QImage::Format_BGR888);
    case TPixelFormat::pf8bit: {
      QImage img(data_.data(), width_, height_, qsizetype(stride_), QImage::Format_Indexed8);
      auto t = table();
      while (t.size() < 256) t.push_back(qRgb(0, 0, 0));
      img.setColorTable(t);
      return img;
    }
    case TPixelFormat::pf1bit: {
      QImage img(data_.data(), width_, height_, qsizetype(stride_), QImage::Format_Mono);
      auto t = table();
      while (t.size() < 2) t.push_back(qRgb(0, 0, 0));
      img.setColorTable(t);
      return img;
    }
    case TPixelFormat::pf4bit: {
      const TBitmap b = To24();
      return b.AsQImage().copy();
    }
  }
  return QImage();
}

TBitmap TBitmap::FromQImage(const QImage& image) {
  if (image.isNull()) return TBitmap();
  const QImage src = image.convertToFormat(QImage::Format_BGR888);
  TBitmap out(src.width(), src.height(), TPixelFormat::pf24bit);
  const size_t rowBytes = size_t(src.width()) * 3;
  for (int y = 0; y < src.height(); ++y) std::copy_n(src.constScanLine(y), rowBytes, out.ScanLine(y));
  return out;
}

}  // namespace graphics
