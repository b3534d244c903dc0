#pragma once
// The JPEG graphic over libjpeg(-turbo)'s IJG v6 interface.
//
// Decoding options (Scale, Performance, PixelFormat, Grayscale) are read by LoadFrom*;
// set them before loading. Encoding options (CompressionQuality, ProgressiveEncoding,
// Grayscale) are read by SaveTo*; the picture written is Bitmap() (any bit depth).
// Every libjpeg error ends the call with EInvalidGraphic carrying libjpeg's message;
// a truncated file is an error, not a half-grey picture.
#include <QByteArray>
#include <QIODevice>
#include <QSize>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "graphics/graphic.h"
#include "graphics/picture_formats.h"

namespace graphics {

// DCT reduction while decoding: 1/1, 1/2, 1/4, 1/8.
enum TJPEGScale { jsFullSize, jsHalf, jsQuarter, jsEighth };
// jpBestQuality: accurate integer IDCT, smooth chroma upsampling, two-pass quantiser with
// Floyd-Steinberg dithering. jpBestSpeed: fast IDCT, plain upsampling, one-pass quantiser
// with ordered dithering.
enum TJPEGPerformance { jpBestQuality, jpBestSpeed };
// jf24Bit: 24-bit BGR. jf8Bit: 8-bit with a palette of at most 236 colours.
enum TJPEGPixelFormat { jf24Bit, jf8Bit };

// Number of colours the 8-bit decode asks the quantiser for.
inline constexpr int kJpegQuantizedColors = 236;

// What the frame header says, read without decoding any picture data.
struct TJPEGInfo {
  int Width = 0;
  int Height = 0;
  int Components = 0;  // 1 grey, 3 YCbCr/RGB, 4 CMYK/YCCK
  bool Progressive = false;
};

// The header-only reads: nothing when the bytes are not a readable JPEG header.
std::optional<TJPEGInfo> ReadJpegInfo(const uint8_t* data, size_t size);
// Reads from the stream's current position only as far as the frame header.
std::optional<TJPEGInfo> ReadJpegInfo(QIODevice& stream);
std::optional<TJPEGInfo> ReadJpegInfoFromFile(const QString& fileName);

// Size libjpeg produces for a picture of width × height decoded at the scale
// (each side rounded up, as libjpeg does).
QSize JpegScaledSize(int width, int height, TJPEGScale scale);

class TJPEGImage : public TBitmapGraphic {
 public:
  TJPEGImage() = default;

  int CompressionQuality() const { return quality_; }
  void SetCompressionQuality(int q);  // clamped to 1..100
  bool ProgressiveEncoding() const { return progressive_; }
  void SetProgressiveEncoding(bool on) { progressive_ = on; }
  // Decode: grey output (still a 24-bit bitmap). Encode: a one-component file.
  bool Grayscale() const { return grayscale_; }
  void SetGrayscale(bool on) { grayscale_ = on; }
  TJPEGScale Scale() const { return scale_; }
  void SetScale(TJPEGScale s) { scale_ = s; }
  TJPEGPerformance Performance() const { return performance_; }
  void SetPerformance(TJPEGPerformance p) { performance_ = p; }
  TJPEGPixelFormat PixelFormat() const { return pixelFormat_; }
  void SetPixelFormat(TJPEGPixelFormat f) { pixelFormat_ = f; }

  // Reads the rest of the stream and decodes it. On failure throws EInvalidGraphic and
  // the bitmap keeps its old content.
  void LoadFromStream(QIODevice& stream) override;
  void LoadFromMemory(const uint8_t* data, size_t size);
  void LoadFromMemory(const QByteArray& data) {
    LoadFromMemory(reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size()));
  }
  void SaveToStream(QIODevice& stream) const override;
  QByteArray SaveToMemory() const;

  // The picture to encode.
  void Assign(const TBitmap& bitmap) { bitmap_ = bitmap; }
  void Assign(TBitmap&& bitmap) { bitmap_ = std::move(bitmap); }

 private:
  int quality_ = 90;
  bool progressive_ = false;
  bool grayscale_ = false;
  TJPEGScale scale_ = jsFullSize;
  TJPEGPerformance performance_ = jpBestQuality;
  TJPEGPixelFormat pixelFormat_ = jf24Bit;
};

const TGraphicClass& JpegGraphicClass();

}  // namespace graphics
