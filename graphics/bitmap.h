#pragma once
// Our bitmap: the working picture of every decoder, operation and painter.
// Rows are stored top-down, each padded to 4 bytes. 24-bit pixels are blue, green, red.
// 1, 4 and 8 bits per pixel carry a palette (1 and 4 bits pack the leftmost pixel in the
// high bits, as in BMP files).
#include <QImage>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace graphics {

enum class TPixelFormat : int { pf1bit = 1, pf4bit = 4, pf8bit = 8, pf24bit = 24 };

struct TRGBQuad {
  uint8_t blue = 0, green = 0, red = 0, reserved = 0;
  friend bool operator==(const TRGBQuad&, const TRGBQuad&) = default;
};

// A picture too large to hold, or dimensions that make no sense.
class EImageTooLarge : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TBitmap {
 public:
  TBitmap() = default;
  // Zero-filled; throws EImageTooLarge when the size fails the checked helper.
  TBitmap(int width, int height, TPixelFormat format = TPixelFormat::pf24bit);

  void SetSize(int width, int height, TPixelFormat format = TPixelFormat::pf24bit);
  void Clear();

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return width_ == 0 || height_ == 0; }
  TPixelFormat PixelFormat() const { return format_; }
  int BitsPerPixel() const { return static_cast<int>(format_); }
  size_t Stride() const { return stride_; }
  size_t ByteSize() const { return data_.size(); }

  uint8_t* ScanLine(int y) { return data_.data() + size_t(y) * stride_; }
  const uint8_t* ScanLine(int y) const { return data_.data() + size_t(y) * stride_; }
  uint8_t* Bits() { return data_.data(); }
  const uint8_t* Bits() const { return data_.data(); }

  // Palette of 1/4/8-bit bitmaps (2, 16 or 256 entries after SetSize; may be shortened).
  std::vector<TRGBQuad>& Palette() { return palette_; }
  const std::vector<TRGBQuad>& Palette() const { return palette_; }

  // Palette index (1/4/8 bits) of a pixel.
  int PixelIndex(int x, int y) const;
  void SetPixelIndex(int x, int y, int index);
  // Colour of any pixel; an index past the palette reads as black.
  TRGBQuad PixelColor(int x, int y) const;

  // A 24-bit copy (a 24-bit bitmap is copied as it is).
  TBitmap To24() const;
  void ConvertTo24() { if (format_ != TPixelFormat::pf24bit) *this = To24(); }

  // A QImage sharing this bitmap's memory for 24-bit (Format_BGR888) and 8/1-bit
  // pictures; 4-bit pictures are converted. Valid while this bitmap lives unchanged.
  QImage AsQImage() const;
  // A deep 24-bit copy of any QImage.
  static TBitmap FromQImage(const QImage& image);

  // Transparent colour for painting (from PNG tRNS, GIF, ...).
  bool Transparent = false;
  TRGBQuad TransparentColor;

  friend bool operator==(const TBitmap& a, const TBitmap& b) {
    return a.width_ == b.width_ && a.height_ == b.height_ && a.format_ == b.format_ && a.data_ == b.data_ &&
           a.palette_ == b.palette_;
  }

 private:
  int width_ = 0;
  int height_ = 0;
  TPixelFormat format_ = TPixelFormat::pf24bit;
  size_t stride_ = 0;
  std::vector<uint8_t> data_;
  std::vector<TRGBQuad> palette_;
};

}  // namespace graphics
